// Clears the gloss-map texture of every environment-map shader, for targets that reflect
// without one.
#include "image/veskoRemoveGlossMaps.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoRemoveGlossMaps)

bool veskoRemoveGlossMaps::configure(int)
{
    return true;
}

void veskoRemoveGlossMaps::visitor(zkObject* object)
{
    if (zkEnvironmentMapShader2* shader = zkEnvironmentMapShader2::dynamicCast(object)) shader->setGlossMapTexture(nullptr);
}

zkMetaObject* veskoRemoveGlossMaps::getVisitedObjectMeta()
{
    return zkEnvironmentMapShader2::getClassTypeSafe();
}

} // namespace Tam::OptExtension
