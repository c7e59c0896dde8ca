// Replaces blending by an alpha test where a texture is mostly fully transparent or opaque.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoBlendToAlphaTest : public zkOptBase {
    ZK_CLASS(veskoBlendToAlphaTest, zkOptBase)
public:
#define veskoBlendToAlphaTest_FIELDS(F) \
    F(float, _transparentMax, k_transparentMax, 0.1f) \
    F(float, _opaqueMin, k_opaqueMin, 0.9f) \
    F(float, _transparentThreshold, k_transparentThreshold, 0.1f) \
    F(float, _middleThreshold, k_middleThreshold, 0.5f)
    ZK_FIELDS(veskoBlendToAlphaTest_FIELDS)

    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
};

} // namespace Tam::OptExtension
