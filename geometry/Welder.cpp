#include "geometry/Welder.h"

#include <cmath>
#include <limits>

namespace Tam::OptExtension {
namespace {

struct Accessor {
    const unsigned char* base;
    std::size_t stride;
    Accessor(const float* p, std::size_t s, std::size_t packed)
        : base(reinterpret_cast<const unsigned char*>(p)), stride(s ? s : packed) {}
    const float* operator[](std::size_t i) const {
        return reinterpret_cast<const float*>(base + i * stride);
    }
};

// The representatives are looked up in a hash grid rather than in an ordered
// map on x: every vertex that can pass the position test lies inside the x
// window, so the first match in x order is simply the matching
// representative with the smallest (x, number), wherever it is stored.
//
// Cells are 1/512 on a side, a few times the tolerance, so that a vertex
// usually needs to look at its own cell only; a neighbouring cell is visited
// when the vertex is closer than kMargin to the shared face.
constexpr double kCellScale = 512.0;
constexpr double kMargin = 1.25e-4 * kCellScale;  // > 1e-4 plus rounding, in cells
constexpr double kCellClamp = 1e15;

int64_t cellOf(double scaled) {
    if (!(scaled > -kCellClamp)) return static_cast<int64_t>(-kCellClamp);
    if (!(scaled < kCellClamp)) return static_cast<int64_t>(kCellClamp);
    return static_cast<int64_t>(std::floor(scaled));
}

uint64_t cellKey(int64_t x, int64_t y, int64_t z) {
    uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= static_cast<uint64_t>(z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return h;
}

// Cell key -> first representative of the cell (a chain through `next`).
// Two cells sharing a key would only add candidates, never lose one.
class CellTable {
public:
    explicit CellTable(std::size_t expected) { rehash(grow(expected)); }

    int32_t head(uint64_t key) const {
        for (std::size_t h = slot(key);; h = (h + 1) & mask_) {
            if (heads_[h] < 0) return -1;
            if (keys_[h] == key) return heads_[h];
        }
    }
    // Makes `rep` the new head of its cell; returns the previous head or -1.
    int32_t push(uint64_t key, int32_t rep) {
        if (2 * (used_ + 1) > heads_.size()) rehash(heads_.size() * 2);
        for (std::size_t h = slot(key);; h = (h + 1) & mask_) {
            if (heads_[h] < 0) {
                keys_[h] = key;
                heads_[h] = rep;
                ++used_;
                return -1;
            }
            if (keys_[h] == key) {
                int32_t old = heads_[h];
                heads_[h] = rep;
                return old;
            }
        }
    }

private:
    static std::size_t grow(std::size_t n) {
        std::size_t cap = 64;
        while (cap < 2 * n) cap <<= 1;
        return cap;
    }
    std::size_t slot(uint64_t key) const { return static_cast<std::size_t>((key ^ (key >> 29)) & mask_); }
    void rehash(std::size_t cap) {
        std::vector<uint64_t> oldKeys = std::move(keys_);
        std::vector<int32_t> oldHeads = std::move(heads_);
        keys_.assign(cap, 0);
        heads_.assign(cap, -1);
        mask_ = cap - 1;
        for (std::size_t i = 0; i < oldHeads.size(); ++i) {
            if (oldHeads[i] < 0) continue;
            std::size_t h = slot(oldKeys[i]);
            while (heads_[h] >= 0) h = (h + 1) & mask_;
            keys_[h] = oldKeys[i];
            heads_[h] = oldHeads[i];
        }
    }
    std::vector<uint64_t> keys_;
    std::vector<int32_t> heads_;
    std::size_t mask_ = 0;
    std::size_t used_ = 0;
};

}  // namespace

WeldResult weldVertices(const WeldVertexView& view) {
    WeldResult result;
    const std::size_t count = view.vertexCount;
    result.remap.resize(count);
    if (count == 0) return result;

    const Accessor pos(view.positions, view.positionStride, 3 * sizeof(float));
    const Accessor nrm(view.normals, view.normalStride, 3 * sizeof(float));
    const Accessor tex(view.texCoords, view.texCoordStride, 2 * sizeof(float));
    const bool hasNormals = view.normals != nullptr;
    const bool hasTex = view.texCoords != nullptr;

    auto matches = [&](std::size_t i, std::size_t j) {
        const float* p = pos[i];
        const float* q = pos[j];
        const float dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
        if (!(dx * dx + dy * dy + dz * dz <= kWeldPosition2)) return false;
        if (hasNormals) {
            const float* n = nrm[i];
            const float* m = nrm[j];
            if (!(n[0] * m[0] + n[1] * m[1] + n[2] * m[2] >= kWeldNormalDot)) return false;
        }
        if (hasTex) {
            const float* t = tex[i];
            const float* u = tex[j];
            const float du = t[0] - u[0], dv = t[1] - u[1];
            if (!(du * du + dv * dv <= kWeldTexCoord2)) return false;
        }
        return true;
    };

    CellTable cells(count / 4);
    std::vector<int32_t> next;  // chain of representatives within a cell
    next.reserve(count / 2);
    std::vector<int32_t>& source = result.source;
    source.reserve(count / 2);

    for (std::size_t i = 0; i < count; ++i) {
        const float* p = pos[i];
        int64_t c[3][2];  // own cell and, if near a face, the neighbour
        int nc[3];
        for (int a = 0; a < 3; ++a) {
            const double s = static_cast<double>(p[a]) * kCellScale;
            c[a][0] = cellOf(s);
            const double f = s - static_cast<double>(c[a][0]);
            nc[a] = 1;
            if (f < kMargin)
                c[a][nc[a]++] = c[a][0] - 1;
            else if (f > 1.0 - kMargin)
                c[a][nc[a]++] = c[a][0] + 1;
        }
        int32_t best = -1;
        float bestX = 0.0f;
        for (int ix = 0; ix < nc[0]; ++ix)
            for (int iy = 0; iy < nc[1]; ++iy)
                for (int iz = 0; iz < nc[2]; ++iz) {
                    const uint64_t key = cellKey(c[0][ix], c[1][iy], c[2][iz]);
                    for (int32_t k = cells.head(key); k >= 0; k = next[k]) {
                        const int32_t j = source[k];
                        const float x = pos[j][0];
                        if (best >= 0 && (x > bestX || (!(x < bestX) && j > best))) continue;
                        if (!matches(i, static_cast<std::size_t>(j))) continue;
                        best = j;
                        bestX = x;
                    }
                }
        if (best >= 0) {
            result.remap[i] = result.remap[best];
            continue;
        }
        const int32_t k = static_cast<int32_t>(source.size());
        source.push_back(static_cast<int32_t>(i));
        next.push_back(cells.push(cellKey(c[0][0], c[1][0], c[2][0]), k));
        result.remap[i] = k;
    }
    return result;
}

}  // namespace Tam::OptExtension
