// Small vector and matrix types of the host. Matrices are row-major with the translation in the
// last row, so a point transforms as p' = p * M.
#pragma once
#include <cmath>

namespace Tam::Math {

struct zkVec3f {
    float x = 0, y = 0, z = 0;

    void set(float ax, float ay, float az) { x = ax; y = ay; z = az; }
    float length() const { return std::sqrt(x * x + y * y + z * z); }
    float distance2(const zkVec3f& o) const
    {
        float dx = x - o.x, dy = y - o.y, dz = z - o.z;
        return dx * dx + dy * dy + dz * dz;
    }
    float distance(const zkVec3f& o) const { return std::sqrt(distance2(o)); }
    float dot(const zkVec3f& o) const { return x * o.x + y * o.y + z * o.z; }
    bool operator==(const zkVec3f&) const = default;
    static const zkVec3f ZeroVector;
};
inline const zkVec3f zkVec3f::ZeroVector{};

struct zkMatrix44f {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    void makeIdentity() { *this = zkMatrix44f{}; }
    // this = a * b
    void multiply(const zkMatrix44f& a, const zkMatrix44f& b)
    {
        zkMatrix44f r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                float s = 0;
                for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
                r.m[i][j] = s;
            }
        *this = r;
    }
    zkVec3f getTranslation() const { return {m[3][0], m[3][1], m[3][2]}; }
    void copyMatrix(const zkMatrix44f& o) { *this = o; }
    zkVec3f transformPoint(const zkVec3f& p) const
    {
        return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
                p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
                p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
    }
    bool operator==(const zkMatrix44f&) const = default;
    static const zkMatrix44f identityMatrix;
};
inline const zkMatrix44f zkMatrix44f::identityMatrix{};

} // namespace Tam::Math
