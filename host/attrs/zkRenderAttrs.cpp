#include "host/attrs/zkRenderAttrs.h"

#include "host/core/zkHostClass.h"

namespace Tam::Attrs {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkStateAttr)
ZK_DEFINE_HOST_CLASS(zkAlphaStateAttr)
ZK_DEFINE_HOST_CLASS(zkBlendStateAttr)
ZK_DEFINE_HOST_CLASS(zkFogStateAttr)
ZK_DEFINE_HOST_CLASS(zkLightingStateAttr)
ZK_DEFINE_HOST_CLASS(zkTextureStateAttr)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkAlphaFunctionAttr)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkBlendFunctionAttr)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkCullFaceAttr)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkFogAttr)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkMaterialModeAttr)

zkMetaEnum* getZK_ALPHA_FUNCTIONMetaEnum()
{
    static zkMetaEnum e("ZK_ALPHA_FUNCTION", {{0, "Never"},
                                              {1, "Less"},
                                              {2, "Equal"},
                                              {3, "LessOrEqual"},
                                              {4, "Greater"},
                                              {5, "NotEqual"},
                                              {6, "GreaterOrEqual"},
                                              {7, "Always"}});
    return &e;
}

zkMetaEnum* getZK_BLEND_FACTORMetaEnum()
{
    static zkMetaEnum e("ZK_BLEND_FACTOR", {{0, "Zero"},
                                            {1, "One"},
                                            {2, "SrcColor"},
                                            {3, "OneMinusSrcColor"},
                                            {4, "SrcAlpha"},
                                            {5, "OneMinusSrcAlpha"},
                                            {6, "DstAlpha"},
                                            {7, "OneMinusDstAlpha"},
                                            {8, "DstColor"},
                                            {9, "OneMinusDstColor"},
                                            {10, "SrcAlphaSaturate"}});
    return &e;
}

namespace {
float* fogFloat(zkFogAttr& f, int i)
{
    float* fields[7] = {&f.red, &f.green, &f.blue, &f.alpha, &f.start, &f.end, &f.density};
    return i >= 1 && i <= 7 ? fields[i - 1] : nullptr;
}
} // namespace

float zkFogAttr::getParameter(int i) const
{
    if (i == 0) return static_cast<float>(mode);
    const float* f = fogFloat(const_cast<zkFogAttr&>(*this), i);
    return f ? *f : 0.0f;
}

void zkFogAttr::setParameter(int i, float value)
{
    if (i == 0) setMode(static_cast<int>(value));
    else if (float* f = fogFloat(*this, i)) *f = value;
}

void zkFogAttr::setParameters(int m, const float values[7])
{
    setMode(m);
    for (int i = 1; i <= 7; ++i) setParameter(i, values[i - 1]);
}

} // namespace Tam::Attrs
