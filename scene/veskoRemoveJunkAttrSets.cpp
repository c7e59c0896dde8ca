#include "scene/veskoRemoveJunkAttrSets.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoRemoveJunkAttrSets)

bool veskoRemoveJunkAttrSets::configure(int section)
{
    return true;
}

void veskoRemoveJunkAttrSets::visitor(zkObject* object)
{
}

zkMetaObject* veskoRemoveJunkAttrSets::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
