#include "geometry/zkWeldVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(zkWeldVesko)

bool zkWeldVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkWeldVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkWeldVesko::configure(int section)
{
    return true;
}

GRAPH_TRAVERSAL zkWeldVesko::dispatch(zkSmartPointer<zkNode>& node)
{
    return GRAPH_TRAVERSAL_CONTINUE;
}

bool zkWeldVesko::preTraverse()
{
    return true;
}

bool zkWeldVesko::postTraverse()
{
    return true;
}

} // namespace Tam::OptExtension
