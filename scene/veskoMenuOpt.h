// Turns every user-info group tagged with an "ItemName" property into an empty, bounded placeholder.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoMenuOpt : public zkOptBase {
    ZK_CLASS(veskoMenuOpt, zkOptBase)
public:
    bool applyInfo(zkInfo* info) override;
    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkInfo* info) override;
    bool configure(int section) override;

private:
    void clipItems(zkNode* node);
};

} // namespace Tam::OptExtension
