#include "scene/zkCullFaceAdderVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkCullFaceAdderVesko)

bool zkCullFaceAdderVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkCullFaceAdderVesko::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool zkCullFaceAdderVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkCullFaceAdderVesko::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
