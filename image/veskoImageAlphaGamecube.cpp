#include "image/veskoImageAlphaGamecube.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoImageAlphaGamecube)

bool veskoImageAlphaGamecube::configure(int section)
{
    return true;
}

void veskoImageAlphaGamecube::visitor(zkObject* object)
{
}

zkMetaObject* veskoImageAlphaGamecube::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
