// Reference welder for tests: the candidate map written as an ordered
// multimap on x, walked window by window. The production welder must
// reproduce its tables exactly.
#pragma once

#include "geometry/Welder.h"

namespace Tam::OptExtension::Oracle {

// Same contract as Tam::OptExtension::weldVertices.
WeldResult weldVertices(const WeldVertexView& view);

}  // namespace Tam::OptExtension::Oracle
