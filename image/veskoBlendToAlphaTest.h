// Replaces blending by an alpha test where a texture is mostly fully transparent or opaque, and
// forces additive blending where artists asked for it.
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

    // Converts every qualifying attribute set below root from blending to an alpha test.
    void DoConversion(zkNode* root);
    // Whether the bound texture's alpha is two-valued enough for an alpha test. counts receives
    // the texels below the transparent level, in between, and at or above the opaque level
    // whenever the histogram could be made.
    bool TextureNeedsAlphaTest(zkTextureBindAttr* bind, int counts[3]);
    // Finds the user-info groups that ask for additive blending and forces it below them.
    void LookForForceAdditive(zkNode* node);
    void ForceAdditive(zkNode* node);

private:
    // Alpha levels (0 to 255) derived from _transparentMax and _opaqueMin for one conversion;
    // the implicit copy constructor copies them with the fields.
    int m_transparentLevel = 0;
    int m_opaqueLevel = 0;
};

} // namespace Tam::OptExtension
