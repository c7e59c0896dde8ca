#include "image/zkQuantizeVesko.h"

namespace Tam::OptExtension {

static const zkRegisterFunction zkQuantizeVesko_dependencies[] = {zkStringObjList::arkRegister, zkStringObj::arkRegister, nullptr};
ZK_DEFINE_PASS_WITH_FIELDS_AND_DEPS(zkQuantizeVesko, zkQuantizeVesko_dependencies)

bool zkQuantizeVesko::canOptimize(zkNode* node)
{
    return true;
}

bool zkQuantizeVesko::configure(int section)
{
    return true;
}

void zkQuantizeVesko::visitor(zkObject* object)
{
}

zkMetaObject* zkQuantizeVesko::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
