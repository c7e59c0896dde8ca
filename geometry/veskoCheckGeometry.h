// Reports geometry whose vertices lack what the render state above it uses.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoCheckGeometry : public zkOptBase {
    ZK_CLASS(veskoCheckGeometry, zkOptBase)
public:
    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
};

} // namespace Tam::OptExtension
