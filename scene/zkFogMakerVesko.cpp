#include "scene/zkFogMakerVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkFogMakerVesko)

bool zkFogMakerVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkFogMakerVesko::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool zkFogMakerVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkFogMakerVesko::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
