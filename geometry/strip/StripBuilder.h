// Triangle strip builder: turns an indexed triangle list into one triangle
// strip, strips being joined by repeated indices (degenerate triangles).
//
// Plain standard C++, no host calls. The result depends only on the input
// triangles and their order; it is deterministic across platforms.
#pragma once

#include <cstdint>

namespace Tam::OptExtension {

// Builds one strip from `triangleCount` triangles.
//
// triangles       in: triangleCount * 3 vertex numbers, triangle k being
//                 (triangles[3k], triangles[3k+1], triangles[3k+2]). Any int32
//                 values are accepted, negative ones included; the caller is
//                 expected to have removed triangles with a repeated vertex
//                 (they are not rejected, but they make poor strips). May be
//                 null when triangleCount is 0.
// triangleCount   in: number of triangles; 0 or less returns 0 at once and
//                 leaves the counters alone.
// outIndices      out: caller-provided room for 6 * triangleCount indices
//                 (the result never needs more). Only the first
//                 <return value> entries are written.
// stripCount      in/out: the number of strips found before joining is added.
// duplicateCount  in/out: the number of indices inserted to join the strips is
//                 added (one or two per join).
// droppedCount    in/out: the number of input triangles dropped because they
//                 repeat an earlier one is added. Triangles are equal when they
//                 have the same three vertices in the same cyclic order;
//                 (0,1,2) equals (1,2,0) but not (0,2,1).
//
// Returns the number of indices written. The counters are added to, never
// reset, so a caller can pass its running totals.
//
// The output starts with the first strip reversed; the strips' winding flags
// are not used for the output, so the winding of joined strips is as the
// joins leave it.
int stripTriangleList(const int32_t* triangles, int triangleCount, int32_t* outIndices,
                      int& stripCount, int& duplicateCount, int& droppedCount);

}  // namespace Tam::OptExtension
