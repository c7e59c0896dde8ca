// Gives every node with several parents a private copy per parent.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkDeinstanceGeometryVesko : public zkOptBase {
    ZK_CLASS(zkDeinstanceGeometryVesko, zkOptBase)
public:
    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
};

} // namespace Tam::OptExtension
