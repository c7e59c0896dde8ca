#include "scene/zkDeinstanceGeometryVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkDeinstanceGeometryVesko)

bool zkDeinstanceGeometryVesko::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool zkDeinstanceGeometryVesko::canOptimize(zkNode* node)
{
    return true;
}

bool zkDeinstanceGeometryVesko::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
