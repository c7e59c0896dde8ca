// Turns groups whose names carry the billboard tag into billboards.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkBillboardMakerVesko : public zkOptBase {
    ZK_CLASS(zkBillboardMakerVesko, zkOptBase)
public:
    bool applyInfo(zkInfo* info) override;
    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkInfo* info) override;
    bool configure(int section) override;

private:
    void walk(zkNode* node);
};

} // namespace Tam::OptExtension
