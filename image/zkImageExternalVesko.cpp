#include "image/zkImageExternalVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(zkImageExternalVesko)

bool zkImageExternalVesko::configure(int section)
{
    zkOptInterface* run = getOptInterface();
    if (run && run->isFolderWritable(_imageSubDirectory.c_str())) return true;
    printf("ERROR: The directory %s does not exist\n", _imageSubDirectory.isNull() ? "" : _imageSubDirectory.c_str());
    return false;
}

void zkImageExternalVesko::visitor(zkObject* object)
{
}

zkMetaObject* zkImageExternalVesko::getVisitedObjectMeta()
{
    return zkOptVisitObject::getVisitedObjectMeta();
}

} // namespace Tam::OptExtension
