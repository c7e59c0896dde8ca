// What the tag-driven passes act on: plain attribute sets whose names carry a tag. Geometry and
// override sets are attribute sets too, but of other classes, and are never tagged.
#pragma once
#include "frame/NameTag.h"
#include "frame/OptClass.h"

namespace Tam::OptExtension {

// The group as an attribute set when its exact class is zkAttrSet and its name carries the
// query's tag with the expected number of values (read into the query); otherwise null.
inline zkAttrSet* taggedAttrSet(zkGroup* group, NameTagQuery& query)
{
    if (!group->isOfExactType(zkAttrSet::getClassTypeSafe()) || !readNameTag(group->getName(), query)) return nullptr;
    return static_cast<zkAttrSet*>(group);
}

} // namespace Tam::OptExtension
