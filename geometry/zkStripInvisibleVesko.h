// Removes invisible and collision-only geometry from the scene.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkStripInvisibleVesko : public zkOptBase {
    ZK_CLASS(zkStripInvisibleVesko, zkOptBase)
public:
    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
};

} // namespace Tam::OptExtension
