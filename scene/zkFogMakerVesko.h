// Adds fog attributes where node names carry the fog tag.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkFogMakerVesko : public zkOptBase {
    ZK_CLASS(zkFogMakerVesko, zkOptBase)
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
