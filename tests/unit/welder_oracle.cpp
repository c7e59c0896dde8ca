#include "tests/unit/welder_oracle.h"

#include <map>

namespace Tam::OptExtension::Oracle {

WeldResult weldVertices(const WeldVertexView& view) {
    const std::size_t n = view.vertexCount;
    auto at = [](const float* base, std::size_t stride, std::size_t packed, std::size_t i) {
        if (base == nullptr) return static_cast<const float*>(nullptr);
        const std::size_t step = stride != 0 ? stride : packed;
        return reinterpret_cast<const float*>(reinterpret_cast<const char*>(base) + i * step);
    };
    auto position = [&](std::size_t i) { return at(view.positions, view.positionStride, 12, i); };
    auto normal = [&](std::size_t i) { return at(view.normals, view.normalStride, 12, i); };
    auto texCoord = [&](std::size_t i) { return at(view.texCoords, view.texCoordStride, 8, i); };

    WeldResult r;
    r.remap.assign(n, 0);
    std::multimap<float, int32_t> candidates;
    for (std::size_t i = 0; i < n; ++i) {
        const float* p = position(i);
        const float* nv = normal(i);
        const float* tv = texCoord(i);
        const float lo = p[0] - 0.0002f;
        const float hi = p[0] + 0.0002f;
        bool merged = false;
        for (auto it = candidates.lower_bound(lo); it != candidates.end() && !(it->first > hi); ++it) {
            const int32_t j = it->second;
            const float* q = position(j);
            const float dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
            bool ok = dx * dx + dy * dy + dz * dz <= 1e-8f;
            const float* nj = normal(j);
            if (ok && nv != nullptr && nj != nullptr)
                ok = nv[0] * nj[0] + nv[1] * nj[1] + nv[2] * nj[2] >= 0.9f;
            const float* tj = texCoord(j);
            if (ok && tv != nullptr && tj != nullptr) {
                const float du = tv[0] - tj[0], dv = tv[1] - tj[1];
                ok = du * du + dv * dv <= 0.0001f;
            }
            if (ok) {
                r.remap[i] = r.remap[j];
                merged = true;
                break;
            }
        }
        if (!merged) {
            candidates.insert({p[0], static_cast<int32_t>(i)});
            r.remap[i] = static_cast<int32_t>(r.source.size());
            r.source.push_back(static_cast<int32_t>(i));
        }
    }
    return r;
}

}  // namespace Tam::OptExtension::Oracle
