#include "geometry/zkStripVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(zkStripVesko)

bool zkStripVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkStripVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkStripVesko::configure(int section)
{
    return true;
}

GRAPH_TRAVERSAL zkStripVesko::dispatch(zkSmartPointer<zkNode>& node)
{
    return GRAPH_TRAVERSAL_CONTINUE;
}

bool zkStripVesko::preTraverse()
{
    return true;
}

bool zkStripVesko::postTraverse()
{
    return true;
}

} // namespace Tam::OptExtension
