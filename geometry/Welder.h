// Vertex welding core shared by the welding and blend-weight passes: finds
// the vertices that coincide within fixed tolerances and numbers the groups
// in order of first occurrence. Plain standard C++; the passes adapt their
// vertex arrays to WeldVertexView.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Tam::OptExtension {

// Tolerances, all compared in single precision.
inline constexpr float kWeldWindowX = 0.0002f;      // candidates: |key x - x| within this
inline constexpr float kWeldPosition2 = 1e-8f;      // squared position distance, at most
inline constexpr float kWeldNormalDot = 0.9f;       // normal dot product, at least
inline constexpr float kWeldTexCoord2 = 0.0001f;    // squared uv distance (set 0), at most

// A read-only view of one vertex array. Strides are in bytes between
// consecutive vertices; 0 means tightly packed (12 bytes for xyz, 8 for uv),
// so interleaved host arrays can be viewed without copying.
//
// positions   required when vertexCount > 0: x, y, z per vertex. Values must
//             be finite (a NaN x has no place in the candidate order).
// normals     x, y, z per vertex, or null: normals are then not compared.
//             They are not renormalised; the test is dot >= 0.9.
// texCoords   u, v of texture-coordinate set 0 per vertex, or null: not
//             compared. Further sets never take part.
//
// What a pass compares is decided by which pointers it fills: the welding
// pass fills normals and texCoords according to its vertex format word
// (bit 1, and bits 16-19 non-zero); the blend-weight pass ignores the format
// and fills each one whenever the array supplies it. Neither compares
// colours or blend weights: vertices differing only in those are merged and
// keep the data of the earliest one.
struct WeldVertexView {
    std::size_t vertexCount = 0;
    const float* positions = nullptr;
    std::size_t positionStride = 0;
    const float* normals = nullptr;
    std::size_t normalStride = 0;
    const float* texCoords = nullptr;
    std::size_t texCoordStride = 0;
};

struct WeldResult {
    // One entry per source vertex: its new vertex number.
    std::vector<int32_t> remap;
    // One entry per new vertex: new vertex k is a copy of old vertex
    // source[k], the earliest vertex of its group. source.size() is the
    // welded vertex count; the entries ascend.
    std::vector<int32_t> source;
};

// Welds the vertices of `view`. Vertices are taken in order; each is compared
// only with the group representatives found before it (so welding is not
// transitive) and joins the first that matches in ascending order of the
// representatives' x, earlier representative first on equal x. A vertex that
// matches none becomes a new representative. Index arrays are remapped by
// the caller: index v becomes remap[v].
WeldResult weldVertices(const WeldVertexView& view);

}  // namespace Tam::OptExtension
