#include "scene/zkBillboardMakerVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkBillboardMakerVesko)

bool zkBillboardMakerVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkBillboardMakerVesko::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool zkBillboardMakerVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkBillboardMakerVesko::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
