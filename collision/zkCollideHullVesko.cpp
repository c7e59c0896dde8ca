#include "collision/zkCollideHullVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(zkCollideHullVesko)

bool zkCollideHullVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkCollideHullVesko::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool zkCollideHullVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkCollideHullVesko::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
