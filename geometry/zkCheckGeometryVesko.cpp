#include "geometry/zkCheckGeometryVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkCheckGeometryVesko)

bool zkCheckGeometryVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkCheckGeometryVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkCheckGeometryVesko::configure(int section)
{
    return true;
}

GRAPH_TRAVERSAL zkCheckGeometryVesko::dispatch(zkSmartPointer<zkNode>& node)
{
    return GRAPH_TRAVERSAL_CONTINUE;
}

bool zkCheckGeometryVesko::preTraverse()
{
    return true;
}

bool zkCheckGeometryVesko::postTraverse()
{
    return true;
}

} // namespace Tam::OptExtension
