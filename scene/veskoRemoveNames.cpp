#include "scene/veskoRemoveNames.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoRemoveNames)

bool veskoRemoveNames::configure(int section)
{
    return true;
}

void veskoRemoveNames::visitor(zkObject* object)
{
}

zkMetaObject* veskoRemoveNames::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
