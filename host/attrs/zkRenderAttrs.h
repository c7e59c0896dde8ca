// Render-state attributes: the switches and settings an attribute set puts in force for the
// geometry below it. Numeric codes follow the usual fixed-function order, so that a pass that
// stores "function 6" or "factors 4 and 5" stores what a renderer reads as such.
#pragma once
#include "host/attrs/zkAttr.h"

namespace Tam::Attrs {

enum ZK_ALPHA_FUNCTION : int32_t {
    ZK_ALPHA_FUNCTION_NEVER = 0,
    ZK_ALPHA_FUNCTION_LESS = 1,
    ZK_ALPHA_FUNCTION_EQUAL = 2,
    ZK_ALPHA_FUNCTION_LEQUAL = 3,
    ZK_ALPHA_FUNCTION_GREATER = 4,
    ZK_ALPHA_FUNCTION_NOTEQUAL = 5,
    ZK_ALPHA_FUNCTION_GEQUAL = 6,
    ZK_ALPHA_FUNCTION_ALWAYS = 7,
};
zkMetaEnum* getZK_ALPHA_FUNCTIONMetaEnum();
inline zkMetaEnum* zkGetMetaEnum(ZK_ALPHA_FUNCTION*) { return getZK_ALPHA_FUNCTIONMetaEnum(); }

enum ZK_BLEND_FACTOR : int32_t {
    ZK_BLEND_FACTOR_ZERO = 0,
    ZK_BLEND_FACTOR_ONE = 1,
    ZK_BLEND_FACTOR_SRC_COLOR = 2,
    ZK_BLEND_FACTOR_ONE_MINUS_SRC_COLOR = 3,
    ZK_BLEND_FACTOR_SRC_ALPHA = 4,
    ZK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA = 5,
    ZK_BLEND_FACTOR_DST_ALPHA = 6,
    ZK_BLEND_FACTOR_ONE_MINUS_DST_ALPHA = 7,
    ZK_BLEND_FACTOR_DST_COLOR = 8,
    ZK_BLEND_FACTOR_ONE_MINUS_DST_COLOR = 9,
    ZK_BLEND_FACTOR_SRC_ALPHA_SATURATE = 10,
};
zkMetaEnum* getZK_BLEND_FACTORMetaEnum();
inline zkMetaEnum* zkGetMetaEnum(ZK_BLEND_FACTOR*) { return getZK_BLEND_FACTORMetaEnum(); }

// An attribute that switches one render feature on or off.
class zkStateAttr : public zkAttr {
    ZK_CLASS(zkStateAttr, zkAttr)
public:
#define zkStateAttr_FIELDS(F) F(bool, enabled, k_enabled, true)
    ZK_FIELDS(zkStateAttr_FIELDS)
    bool getEnabled() const { return enabled; }
    bool isEnabled() const { return enabled; }
    virtual void setEnabled(bool on) { enabled = on; }
};

class zkAlphaStateAttr : public zkStateAttr {
    ZK_CLASS(zkAlphaStateAttr, zkStateAttr)
};
class zkBlendStateAttr : public zkStateAttr {
    ZK_CLASS(zkBlendStateAttr, zkStateAttr)
};
class zkFogStateAttr : public zkStateAttr {
    ZK_CLASS(zkFogStateAttr, zkStateAttr)
};
class zkLightingStateAttr : public zkStateAttr {
    ZK_CLASS(zkLightingStateAttr, zkStateAttr)
};
class zkTextureStateAttr : public zkStateAttr {
    ZK_CLASS(zkTextureStateAttr, zkStateAttr)
};

// The alpha test: a texel is drawn when function(alpha, reference) holds.
class zkAlphaFunctionAttr : public zkAttr {
    ZK_CLASS(zkAlphaFunctionAttr, zkAttr)
public:
#define zkAlphaFunctionAttr_FIELDS(F)                                             \
    F(ZK_ALPHA_FUNCTION, function, k_function, ZK_ALPHA_FUNCTION_ALWAYS)          \
    F(float, reference, k_reference, 0.0f)
    ZK_FIELDS(zkAlphaFunctionAttr_FIELDS)
    int getFunction() const { return function; }
    float getReference() const { return reference; }
    virtual void setFunction(int f) { function = static_cast<ZK_ALPHA_FUNCTION>(f); }
    virtual void setReference(float r) { reference = r; }
};

// Blending: result = source * sourceFactor + destination * destinationFactor.
class zkBlendFunctionAttr : public zkAttr {
    ZK_CLASS(zkBlendFunctionAttr, zkAttr)
public:
#define zkBlendFunctionAttr_FIELDS(F)                                                    \
    F(ZK_BLEND_FACTOR, sourceFactor, k_sourceFactor, ZK_BLEND_FACTOR_ONE)                \
    F(ZK_BLEND_FACTOR, destinationFactor, k_destinationFactor, ZK_BLEND_FACTOR_ZERO)
    ZK_FIELDS(zkBlendFunctionAttr_FIELDS)
    int getSourceFactor() const { return sourceFactor; }
    int getDestinationFactor() const { return destinationFactor; }
    virtual void setSourceFactor(int f) { sourceFactor = static_cast<ZK_BLEND_FACTOR>(f); }
    virtual void setDestinationFactor(int f) { destinationFactor = static_cast<ZK_BLEND_FACTOR>(f); }
    void setFactors(int source, int destination)
    {
        setSourceFactor(source);
        setDestinationFactor(destination);
    }
};

// Which faces are culled: 0 none, 1 back, 2 front, 3 both.
class zkCullFaceAttr : public zkAttr {
    ZK_CLASS(zkCullFaceAttr, zkAttr)
public:
#define zkCullFaceAttr_FIELDS(F) F(int32_t, cullFace, k_cullFace, 1)
    ZK_FIELDS(zkCullFaceAttr_FIELDS)
    int getCullFace() const { return cullFace; }
    virtual void setCullFace(int mode) { cullFace = mode; }
};

// Fog: its eight parameters in the order artists give them in a "$fn" tag, a mode (1 linear,
// 2 exponential, 3 squared exponential) then colour, start, end and density.
class zkFogAttr : public zkAttr {
    ZK_CLASS(zkFogAttr, zkAttr)
public:
#define zkFogAttr_FIELDS(F)                  \
    F(int32_t, mode, k_mode, 1)              \
    F(float, red, k_red, 1.0f)               \
    F(float, green, k_green, 1.0f)           \
    F(float, blue, k_blue, 1.0f)             \
    F(float, alpha, k_alpha, 1.0f)           \
    F(float, start, k_start, 0.0f)           \
    F(float, end, k_end, 1.0f)               \
    F(float, density, k_density, 1.0f)
    ZK_FIELDS(zkFogAttr_FIELDS)
    int getMode() const { return mode; }
    virtual void setMode(int m) { mode = m; }
    virtual void setColor(float r, float g, float b, float a) { red = r; green = g; blue = b; alpha = a; }
    virtual void setStart(float s) { start = s; }
    virtual void setEnd(float e) { end = e; }
    virtual void setDensity(float d) { density = d; }
    // Parameter i of the eight: 0 the mode, 1-7 the floats in field order.
    float getParameter(int i) const;
    void setParameter(int i, float value);
    void setParameters(int mode, const float values[7]);
};

// How vertex colours feed the material: 0 not at all, otherwise the host renderer's mode
// (passes map 3 to 2).
class zkMaterialModeAttr : public zkAttr {
    ZK_CLASS(zkMaterialModeAttr, zkAttr)
public:
#define zkMaterialModeAttr_FIELDS(F) F(int32_t, mode, k_mode, 0)
    ZK_FIELDS(zkMaterialModeAttr_FIELDS)
    int getMode() const { return mode; }
    virtual void setMode(int m) { mode = m; }
};

} // namespace Tam::Attrs
