#include "image/veskoBlendToAlphaTest.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoBlendToAlphaTest)

bool veskoBlendToAlphaTest::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool veskoBlendToAlphaTest::canOptimize(zkNode* node)
{
    return true;
}

bool veskoBlendToAlphaTest::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
