#include "image/veskoMakeSphereMaps.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoMakeSphereMaps)

bool veskoMakeSphereMaps::configure(int section)
{
    return true;
}

void veskoMakeSphereMaps::visitor(zkObject* object)
{
}

zkMetaObject* veskoMakeSphereMaps::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
