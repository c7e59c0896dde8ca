// Replaces identical large geometry nodes by one shared node.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoReinstanceGeometry : public zkOptBase {
    ZK_CLASS(veskoReinstanceGeometry, zkOptBase)
public:
#define veskoReinstanceGeometry_FIELDS(F) \
    F(int32_t, _threshold, k_threshold, 32)
    ZK_FIELDS(veskoReinstanceGeometry_FIELDS)

    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
};

} // namespace Tam::OptExtension
