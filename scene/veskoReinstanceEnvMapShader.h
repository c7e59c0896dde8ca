// Makes identical environment-map shaders share their texture attributes.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoReinstanceEnvMapShader : public zkOptBase {
    ZK_CLASS(veskoReinstanceEnvMapShader, zkOptBase)
public:
    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
};

} // namespace Tam::OptExtension
