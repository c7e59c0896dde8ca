#include "image/veskoScalePs2Texture.h"

namespace Tam::OptExtension {

static const zkRegisterFunction veskoScalePs2Texture_dependencies[] = {zkNodeList::arkRegister, zkAttrList::arkRegister, zkBoolList::arkRegister, nullptr};
ZK_DEFINE_PASS_WITH_FIELDS_AND_DEPS(veskoScalePs2Texture, veskoScalePs2Texture_dependencies)

bool veskoScalePs2Texture::configure(int section)
{
    return true;
}

void veskoScalePs2Texture::visitor(zkObject* object)
{
}

zkMetaObject* veskoScalePs2Texture::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
