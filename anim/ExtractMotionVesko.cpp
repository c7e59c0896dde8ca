#include "anim/ExtractMotionVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(ExtractMotionVesko)

bool ExtractMotionVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool ExtractMotionVesko::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool ExtractMotionVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool ExtractMotionVesko::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
