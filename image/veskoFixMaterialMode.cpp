#include "image/veskoFixMaterialMode.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoFixMaterialMode)

bool veskoFixMaterialMode::configure(int section)
{
    return true;
}

void veskoFixMaterialMode::visitor(zkObject* object)
{
}

zkMetaObject* veskoFixMaterialMode::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
