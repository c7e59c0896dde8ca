#include "image/veskoNoNormalsNoLighting.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoNoNormalsNoLighting)

bool veskoNoNormalsNoLighting::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool veskoNoNormalsNoLighting::canOptimize(zkNode* node)
{
    return true;
}

bool veskoNoNormalsNoLighting::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
