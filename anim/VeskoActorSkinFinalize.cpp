#include "anim/VeskoActorSkinFinalize.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(VeskoActorSkinFinalize)

bool VeskoActorSkinFinalize::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool VeskoActorSkinFinalize::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool VeskoActorSkinFinalize::configure(int section)
{
    return true;
}

GRAPH_TRAVERSAL VeskoActorSkinFinalize::dispatch(zkSmartPointer<zkNode>& node)
{
    return GRAPH_TRAVERSAL_CONTINUE;
}

} // namespace Tam::OptExtension
