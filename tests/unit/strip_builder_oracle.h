// Reference strip builder for tests: the procedure written out step by step
// with the plainest containers (ordered sets and multimaps, copied records).
// It is slow on purpose; the production builder must reproduce its output
// exactly.
#pragma once

#include <cstdint>

namespace Tam::OptExtension::Oracle {

// Same contract as Tam::OptExtension::stripTriangleList.
int stripTriangleList(const int32_t* triangles, int triangleCount, int32_t* outIndices,
                      int& stripCount, int& duplicateCount, int& droppedCount);

}  // namespace Tam::OptExtension::Oracle
