#include "scene/veskoReinstanceGeometry.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoReinstanceGeometry)

bool veskoReinstanceGeometry::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool veskoReinstanceGeometry::canOptimize(zkNode* node)
{
    return true;
}

bool veskoReinstanceGeometry::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
