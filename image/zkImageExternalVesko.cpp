#include "image/zkImageExternalVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(zkImageExternalVesko)

bool zkImageExternalVesko::configure(int section)
{
    return true;
}

void zkImageExternalVesko::visitor(zkObject* object)
{
}

zkMetaObject* zkImageExternalVesko::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
