// Animated placement: keys of translation, rotation and scale at times in nanoseconds. As a
// node it places its children by its matrix at time 0; as an animation track's source it is
// evaluated at any time.
#pragma once
#include "host/sg/zkNode.h"

#include <cstdint>

namespace Tam::Sg {

class zkTransformSequence : public zkGroup {
    ZK_CLASS(zkTransformSequence, zkGroup)
public:
    // Component mask bits: which key channels the sequence animates. A channel may hold keys
    // while its bit is clear: the bone's own placement, held over the whole time line.
    enum : uint8_t { TRANSLATION = 1, ROTATION = 2, SCALE = 4 };

    // times: one little-endian 64-bit nanosecond count per key, ascending. The channels hold
    // 3 (translation), 4 (rotation quaternion x, y, z, w) or 3 (scale) floats per key, or
    // nothing when the channel is not animated.
#define zkTransformSequence_FIELDS(F)                   \
    F(uint32_t, componentMask, k_componentMask, 0)      \
    F(int64_t, duration, k_duration)                    \
    F(zkDataBlock, times, k_times)                      \
    F(zkFloatArray, translations, k_translations)       \
    F(zkFloatArray, rotations, k_rotations)             \
    F(zkFloatArray, scales, k_scales)
    ZK_FIELDS(zkTransformSequence_FIELDS)

    uint8_t getComponentMask() const { return static_cast<uint8_t>(componentMask); }
    void setComponentMask(uint8_t mask) { componentMask = mask; }
    // Length of the animation in nanoseconds.
    int64_t getDuration() const { return duration; }
    void setDuration(int64_t ns) { duration = ns; }

    // keyCount keys at time 0 with the channels of the mask: zero translation, identity
    // rotation, unit scale. False for a negative count.
    bool configure(int keyCount, uint8_t mask);

    int getKeyCount() const { return static_cast<int>(times.size() / sizeof(int64_t)); }
    int getTranslationKeyCount() const { return static_cast<int>(translations.size() / 3); }
    int getRotationKeyCount() const { return static_cast<int>(rotations.size() / 4); }
    int getScaleKeyCount() const { return static_cast<int>(scales.size() / 3); }
    // Key i's time in nanoseconds; 0 out of range.
    int64_t getTime(int i) const;
    void setTime(int i, int64_t ns);
    // Out of range: the zero vector (translation), identity (rotation), unit scale.
    zkVec3f getTranslation(int i) const;
    void setTranslation(int i, const zkVec3f& t);
    void getRotation(int i, float q[4]) const;
    void setRotation(int i, const float q[4]);
    zkVec3f getScale(int i) const;
    void setScale(int i, const zkVec3f& s);

    // The placement at a time (nanoseconds): the channels that hold keys, whatever the mask says,
    // interpolated between the keys around it
    // (linearly; rotations along the shorter arc), held at the first and last key outside
    // them, and composed as scale, then rotation, then translation.
    void evaluate(int64_t time, zkMatrix44f& out) const;
    zkMatrix44f getMatrix(int64_t time) const
    {
        zkMatrix44f m;
        evaluate(time, m);
        return m;
    }

    bool isConsistent(std::string& field, std::string& problem) const override;
};

// The sequence as version 1.5 of the animation format stores it: the form animation tracks
// carry and the animation passes work on.
class zkTransformSequence1_5 : public zkTransformSequence {
    ZK_CLASS(zkTransformSequence1_5, zkTransformSequence)
};

} // namespace Tam::Sg
