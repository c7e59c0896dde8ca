// Welding of one geometry attribute, shared by the welding pass and the blend-weight pass: the
// two differ only in which vertex components take part and in who decides whether the attribute
// is rewritten, so both are parameters here. The notices the geometry traversals share live here
// too.
#pragma once
#include "host/attrs/zkGeometryAttr.h"
#include "host/opt/zkOpt.h"
#include "host/sg/zkNode.h"

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

// How messages name a geometry node: the low 32 bits of its address, for "0x%08x".
inline unsigned geometryAddress(const Sg::zkNode* node)
{
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(node));
}

// The notices the geometry traversals share: a dispatched node that is no geometry (once per
// traversal, through the _notifyOfError latch), and an attribute that cannot be welded or
// stripped because it is not an indexed triangle list.
inline void printNullGeometryNotice(Opt::zkOptBase& pass, bool& notifyOfError)
{
    if (notifyOfError) pass.printf("NULL geometry passed to ::dispatch\n");
    notifyOfError = false;
}
inline void printAlreadyStripped(Opt::zkOptBase& pass, const Sg::zkNode* geometry, int attr)
{
    pass.printf("WARNING!! ALREADY STRIPPED Geometry 0x%08x \"%s\", attr%d\n", geometryAddress(geometry),
                geometry->getName(), attr);
}

} // namespace Tam::OptExtension
