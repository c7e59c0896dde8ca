#include "image/veskoNTSCFilter.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoNTSCFilter)

bool veskoNTSCFilter::configure(int section)
{
    return true;
}

void veskoNTSCFilter::visitor(zkObject* object)
{
}

zkMetaObject* veskoNTSCFilter::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
