// Material mode 3 takes the vertex colours in a way the target cannot render; mode 2 is the
// nearest it can. Other modes are left as they are.
#include "image/veskoFixMaterialMode.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoFixMaterialMode)

bool veskoFixMaterialMode::configure(int)
{
    return true;
}

void veskoFixMaterialMode::visitor(zkObject* object)
{
    zkMaterialModeAttr* attr = zkMaterialModeAttr::dynamicCast(object);
    if (attr && attr->getMode() == 3) attr->setMode(2);
}

zkMetaObject* veskoFixMaterialMode::getVisitedObjectMeta()
{
    return zkMaterialModeAttr::getClassTypeSafe();
}

} // namespace Tam::OptExtension
