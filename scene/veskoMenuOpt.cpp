#include "scene/veskoMenuOpt.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoMenuOpt)

bool veskoMenuOpt::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool veskoMenuOpt::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool veskoMenuOpt::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool veskoMenuOpt::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
