#include "image/veskoRemoveGlossMaps.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoRemoveGlossMaps)

bool veskoRemoveGlossMaps::configure(int section)
{
    return true;
}

void veskoRemoveGlossMaps::visitor(zkObject* object)
{
}

zkMetaObject* veskoRemoveGlossMaps::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
