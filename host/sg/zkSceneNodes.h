// The scene graph's other node classes: placement, views, lights, skinning palettes and shaders.
#pragma once
#include "host/attrs/zkTextureAttr.h"
#include "host/sg/zkNode.h"

namespace Tam::Sg {

using Attrs::zkTextureAttr;
using Attrs::zkTextureBindAttr;
using Attrs::zkTextureCubeAttr;

// Turns its children to face the viewer; the mode says how (the "$bb" tag's value).
class zkBillboard : public zkGroup {
    ZK_CLASS(zkBillboard, zkGroup)
public:
#define zkBillboard_FIELDS(F) F(int32_t, mode, k_mode, 0)
    ZK_FIELDS(zkBillboard_FIELDS)
    int getMode() const { return mode; }
    void setMode(int m) { mode = m; }
};

// Places its children: a child-space point p lands at p * matrix.
class zkTransform : public zkGroup {
    ZK_CLASS(zkTransform, zkGroup)
public:
#define zkTransform_FIELDS(F) F(zkMatrix44f, matrix, k_matrix)
    ZK_FIELDS(zkTransform_FIELDS)
    const zkMatrix44f& getMatrix() const { return matrix; }
    void setMatrix(const zkMatrix44f& m) { matrix = m; }
};

class zkCamera : public zkNode {
    ZK_CLASS(zkCamera, zkNode)
public:
#define zkCamera_FIELDS(F)                              \
    F(float, fieldOfView, k_fieldOfView, 60.0f)         \
    F(float, nearPlane, k_nearPlane, 1.0f)              \
    F(float, farPlane, k_farPlane, 10000.0f)
    ZK_FIELDS(zkCamera_FIELDS)
};

// The lighting of a scene; a game looks a light set up by its name.
class zkLightSet : public zkNode {
    ZK_CLASS(zkLightSet, zkNode)
public:
#define zkLightSet_FIELDS(F) F(zkVec3f, ambientColor, k_ambientColor)
    ZK_FIELDS(zkLightSet_FIELDS)
};

// The blend-matrix palette of the skinned geometry below: a vertex's blend-matrix index is a
// position in this list, whose entries are bone numbers.
class zkBlendMatrixSelect : public zkGroup {
    ZK_CLASS(zkBlendMatrixSelect, zkGroup)
public:
#define zkBlendMatrixSelect_FIELDS(F) F(zkSmartPointer<zkIntList>, blendMatrixIndices, k_blendMatrixIndices)
    ZK_FIELDS(zkBlendMatrixSelect_FIELDS)
    zkIntList* getBlendMatrixIndices() const { return blendMatrixIndices.get(); }
};

// Environment mapping for the subtree: a diffuse texture, a gloss map that modulates the
// reflection, and the cube (or sphere) environment map. Textures are shared resources.
class zkEnvironmentMapShader : public zkGroup {
    ZK_CLASS(zkEnvironmentMapShader, zkGroup)
public:
#define zkEnvironmentMapShader_FIELDS(F)                                      \
    F(zkSharedRef<zkTextureBindAttr>, diffuseTexture, k_diffuseTexture)       \
    F(zkSharedRef<zkTextureAttr>, glossMapTexture, k_glossMapTexture)         \
    F(zkSharedRef<zkTextureCubeAttr>, environmentMapTexture, k_environmentMapTexture)
    ZK_FIELDS(zkEnvironmentMapShader_FIELDS)
    zkTextureBindAttr* getDiffuseTexture() const { return diffuseTexture.get(); }
    zkTextureAttr* getGlossMapTexture() const { return glossMapTexture.get(); }
    zkTextureCubeAttr* getEnvironmentMapTexture() const { return environmentMapTexture.get(); }
    virtual void setDiffuseTexture(zkTextureBindAttr* t) { diffuseTexture = t; }
    virtual void setGlossMapTexture(zkTextureAttr* t) { glossMapTexture = t; }
    virtual void setEnvironmentMapTexture(zkTextureCubeAttr* t) { environmentMapTexture = t; }
};

class zkEnvironmentMapShader2 : public zkEnvironmentMapShader {
    ZK_CLASS(zkEnvironmentMapShader2, zkEnvironmentMapShader)
};

// The DirectX 8 form, with its reflection strength, frame-buffer blend and map type.
class zkDx8EnvironmentMapShader : public zkEnvironmentMapShader {
    ZK_CLASS(zkDx8EnvironmentMapShader, zkEnvironmentMapShader)
public:
#define zkDx8EnvironmentMapShader_FIELDS(F)             \
    F(float, reflectivity, k_reflectivity, 1.0f)        \
    F(uint32_t, blendMode, k_blendMode, 0)              \
    F(uint32_t, mapType, k_mapType, 0)
    ZK_FIELDS(zkDx8EnvironmentMapShader_FIELDS)
    float getReflectivity() const { return reflectivity; }
    uint8_t getBlendMode() const { return static_cast<uint8_t>(blendMode); }
    virtual uint8_t getMapType() const { return static_cast<uint8_t>(mapType); }
};

} // namespace Tam::Sg
