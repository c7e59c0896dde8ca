#include "image/zkUseMipmapVesko.h"

namespace Tam::OptExtension {

static const zkRegisterFunction zkUseMipmapVesko_dependencies[] = {zkStringObjList::arkRegister, zkStringObj::arkRegister, nullptr};
ZK_DEFINE_PASS_WITH_FIELDS_AND_DEPS(zkUseMipmapVesko, zkUseMipmapVesko_dependencies)

bool zkUseMipmapVesko::canOptimize(zkNode* node)
{
    return true;
}

bool zkUseMipmapVesko::configure(int section)
{
    return true;
}

void zkUseMipmapVesko::visitor(zkObject* object)
{
}

zkMetaObject* zkUseMipmapVesko::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
