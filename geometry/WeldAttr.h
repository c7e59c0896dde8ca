// Welding of one geometry attribute, shared by the welding pass and the blend-weight pass: the
// two differ only in which vertex components take part and in who decides whether the attribute
// is rewritten, so both are parameters here.
#pragma once
#include "host/attrs/zkGeometryAttr.h"

#include <cstdint>

namespace Tam::OptExtension {

// Which components besides the position decide a match.
enum class WeldCompare {
    // Normals when format bit 1 is set, texture set 0 when the format has any set.
    ByFormat,
    // Normals and texture set 0 whenever the array supplies them, whatever the format says.
    WhereSupplied,
};

// Welds the vertices of attr (see geometry/Welder.h for the tolerances and the tie-break).
// The source and welded vertex counts are added to totalBefore and totalAfter in every case,
// also when nothing is rewritten. With rewrite set and an index array present, the attribute
// gets a new vertex array holding the first vertex of each group in order of first occurrence,
// and each index is renumbered in place. Answers whether the attribute has an index array: one
// without cannot be welded and is left as it is.
bool weldGeometryAttr(Attrs::zkGeometryAttr* attr, WeldCompare compare, bool rewrite, int32_t& totalBefore,
                      int32_t& totalAfter);

} // namespace Tam::OptExtension
