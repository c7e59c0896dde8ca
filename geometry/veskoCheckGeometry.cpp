#include "geometry/veskoCheckGeometry.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoCheckGeometry)

bool veskoCheckGeometry::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool veskoCheckGeometry::canOptimize(zkNode* node)
{
    return true;
}

bool veskoCheckGeometry::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
