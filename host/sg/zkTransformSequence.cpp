#include "host/sg/zkTransformSequence.h"

#include "host/core/zkHostClass.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Tam::Sg {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkTransformSequence)
ZK_DEFINE_HOST_CLASS(zkTransformSequence1_5)

bool zkTransformSequence::configure(int keyCount, uint8_t mask)
{
    if (keyCount < 0) return false;
    componentMask = mask;
    times.assign(std::size_t(keyCount) * sizeof(int64_t), 0);
    translations.assign(mask & TRANSLATION ? std::size_t(keyCount) * 3 : 0, 0.0f);
    rotations.clear();
    if (mask & ROTATION)
        for (int i = 0; i < keyCount; ++i) rotations.insert(rotations.end(), {0.0f, 0.0f, 0.0f, 1.0f});
    scales.assign(mask & SCALE ? std::size_t(keyCount) * 3 : 0, 1.0f);
    return true;
}

int64_t zkTransformSequence::getTime(int i) const
{
    int64_t t = 0;
    if (i >= 0 && i < getKeyCount()) std::memcpy(&t, times.data() + std::size_t(i) * sizeof t, sizeof t);
    return t;
}

void zkTransformSequence::setTime(int i, int64_t ns)
{
    if (i >= 0 && i < getKeyCount()) std::memcpy(times.data() + std::size_t(i) * sizeof ns, &ns, sizeof ns);
}

zkVec3f zkTransformSequence::getTranslation(int i) const
{
    if (i < 0 || i >= getTranslationKeyCount()) return {};
    const float* t = translations.data() + std::size_t(i) * 3;
    return {t[0], t[1], t[2]};
}

void zkTransformSequence::setTranslation(int i, const zkVec3f& v)
{
    if (i < 0 || i >= getTranslationKeyCount()) return;
    float* t = translations.data() + std::size_t(i) * 3;
    t[0] = v.x;
    t[1] = v.y;
    t[2] = v.z;
}

void zkTransformSequence::getRotation(int i, float q[4]) const
{
    if (i < 0 || i >= getRotationKeyCount()) {
        q[0] = q[1] = q[2] = 0.0f;
        q[3] = 1.0f;
        return;
    }
    std::copy_n(rotations.data() + std::size_t(i) * 4, 4, q);
}

void zkTransformSequence::setRotation(int i, const float q[4])
{
    if (i >= 0 && i < getRotationKeyCount()) std::copy_n(q, 4, rotations.data() + std::size_t(i) * 4);
}

zkVec3f zkTransformSequence::getScale(int i) const
{
    if (i < 0 || i >= getScaleKeyCount()) return {1.0f, 1.0f, 1.0f};
    const float* s = scales.data() + std::size_t(i) * 3;
    return {s[0], s[1], s[2]};
}

void zkTransformSequence::setScale(int i, const zkVec3f& v)
{
    if (i < 0 || i >= getScaleKeyCount()) return;
    float* s = scales.data() + std::size_t(i) * 3;
    s[0] = v.x;
    s[1] = v.y;
    s[2] = v.z;
}

namespace {

zkVec3f lerp(const zkVec3f& a, const zkVec3f& b, float f)
{
    return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f};
}

void slerp(const float a[4], const float b[4], float f, float out[4])
{
    float end[4] = {b[0], b[1], b[2], b[3]};
    double dot = double(a[0]) * end[0] + double(a[1]) * end[1] + double(a[2]) * end[2] + double(a[3]) * end[3];
    if (dot < 0) { // the shorter arc
        for (float& c : end) c = -c;
        dot = -dot;
    }
    double wa = 1.0 - f, wb = f;
    if (dot < 0.9995) {
        double angle = std::acos(std::min(dot, 1.0)), s = std::sin(angle);
        wa = std::sin((1.0 - f) * angle) / s;
        wb = std::sin(f * angle) / s;
    }
    double len = 0;
    double q[4];
    for (int c = 0; c < 4; ++c) {
        q[c] = wa * a[c] + wb * end[c];
        len += q[c] * q[c];
    }
    len = len > 0 ? std::sqrt(len) : 1.0;
    for (int c = 0; c < 4; ++c) out[c] = static_cast<float>(q[c] / len);
}

} // namespace

void zkTransformSequence::evaluate(int64_t time, zkMatrix44f& out) const
{
    out.makeIdentity();
    const int keys = getKeyCount();
    if (keys == 0) return;
    // The keys around the time, and how far between them it lies.
    int k0 = 0, k1 = 0;
    float f = 0.0f;
    if (time <= getTime(0)) {
        k0 = k1 = 0;
    } else if (time >= getTime(keys - 1)) {
        k0 = k1 = keys - 1;
    } else {
        // The first key after the time, by halving: extraction evaluates once per key of another
        // sequence, so a walk from the front would make long animations quadratic.
        int low = 1, high = keys - 1;
        while (low < high) {
            const int mid = low + (high - low) / 2;
            if (getTime(mid) <= time) low = mid + 1;
            else high = mid;
        }
        k1 = low;
        k0 = k1 - 1;
        const int64_t span = getTime(k1) - getTime(k0);
        f = span > 0 ? static_cast<float>(double(time - getTime(k0)) / double(span)) : 0.0f;
    }
    zkVec3f t, s{1.0f, 1.0f, 1.0f};
    float q[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    if (getTranslationKeyCount() == keys) t = lerp(getTranslation(k0), getTranslation(k1), f);
    if (getScaleKeyCount() == keys) s = lerp(getScale(k0), getScale(k1), f);
    if (getRotationKeyCount() == keys) {
        float a[4], b[4];
        getRotation(k0, a);
        getRotation(k1, b);
        slerp(a, b, f, q);
    }
    // Row-vector convention (p' = p * M): the rows are the rotated axes, scaled, and the
    // translation.
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    const float rows[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w)},
                              {2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w)},
                              {2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y)}};
    const float scale[3] = {s.x, s.y, s.z};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out.m[r][c] = rows[r][c] * scale[r];
    out.m[3][0] = t.x;
    out.m[3][1] = t.y;
    out.m[3][2] = t.z;
}

bool zkTransformSequence::isConsistent(std::string& field, std::string& problem) const
{
    if (times.size() % sizeof(int64_t) != 0) {
        field = "times";
        problem = "holds " + std::to_string(times.size()) + " bytes, not a whole number of 8-byte times";
        return false;
    }
    const int keys = getKeyCount();
    struct Channel { const char* name; std::size_t size; std::size_t width; };
    const Channel channels[] = {{"translations", translations.size(), 3},
                                {"rotations", rotations.size(), 4},
                                {"scales", scales.size(), 3}};
    for (const Channel& c : channels)
        if (c.size != 0 && c.size != c.width * keys) {
            field = c.name;
            problem = "holds " + std::to_string(c.size) + " floats where " + std::to_string(keys) + " keys need " +
                      std::to_string(c.width * keys);
            return false;
        }
    for (int i = 1; i < keys; ++i)
        if (getTime(i) < getTime(i - 1)) {
            field = "times";
            problem = "key " + std::to_string(i) + " comes before key " + std::to_string(i - 1);
            return false;
        }
    return true;
}

} // namespace Tam::Sg
