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

    // Gives every shader the textures of the first earlier shader it equals.
    void DoInstancing(zkNode* root);
    // Same name, same diffuse, gloss-map and environment-map images (cube faces included), and
    // the same reflectivity, blend mode and map type.
    bool isShaderSame(zkDx8EnvironmentMapShader* a, zkDx8EnvironmentMapShader* b);
};

} // namespace Tam::OptExtension
