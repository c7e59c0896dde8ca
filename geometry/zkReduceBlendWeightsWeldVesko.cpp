#include "geometry/zkReduceBlendWeightsWeldVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(zkReduceBlendWeightsWeldVesko)

bool zkReduceBlendWeightsWeldVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkReduceBlendWeightsWeldVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkReduceBlendWeightsWeldVesko::configure(int section)
{
    return true;
}

GRAPH_TRAVERSAL zkReduceBlendWeightsWeldVesko::dispatch(zkSmartPointer<zkNode>& node)
{
    return GRAPH_TRAVERSAL_CONTINUE;
}

bool zkReduceBlendWeightsWeldVesko::preTraverse()
{
    return true;
}

bool zkReduceBlendWeightsWeldVesko::postTraverse()
{
    return true;
}

} // namespace Tam::OptExtension
