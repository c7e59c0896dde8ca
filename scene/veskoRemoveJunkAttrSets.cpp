// Drops attribute sets that hold nothing below them: such a set puts its attributes in force for
// no geometry. Only plain attribute sets go; geometry and override sets are other classes.
#include "scene/veskoRemoveJunkAttrSets.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoRemoveJunkAttrSets)

bool veskoRemoveJunkAttrSets::configure(int)
{
    return true;
}

void veskoRemoveJunkAttrSets::visitor(zkObject* object)
{
    zkGroup* set = zkGroup::dynamicCast(object);
    if (!set || !set->isOfExactType(zkAttrSet::getClassTypeSafe()) || set->getChildCount() != 0) return;
    zkSmartPointer<zkGroup> held(set);
    const int parentCount = set->getParentCount();
    for (int i = 0; i < parentCount && set->getParentCount() > 0; ++i) {
        zkGroup* parent = zkGroup::dynamicCast(set->getParent(0));
        if (!parent) continue;
        printf("removing junk attr set\n");
        parent->removeChild(set);
    }
}

zkMetaObject* veskoRemoveJunkAttrSets::getVisitedObjectMeta()
{
    return zkGroup::getClassTypeSafe();
}

} // namespace Tam::OptExtension
