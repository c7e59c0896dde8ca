#include "image/veskoTextureStatistics.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoTextureStatistics)

bool veskoTextureStatistics::configure(int section)
{
    return true;
}

void veskoTextureStatistics::visitor(zkObject* object)
{
}

zkMetaObject* veskoTextureStatistics::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

void veskoTextureStatistics::postVisit()
{
}

void veskoTextureStatistics::preVisit()
{
}

} // namespace Tam::OptExtension
