// Adds back-face culling attributes where node names carry the cull tag.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkCullFaceAdderVesko : public zkOptBase {
    ZK_CLASS(zkCullFaceAdderVesko, zkOptBase)
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
