// Targets without cube maps reflect through a sphere map: a cube texture without one gets it
// built from its six faces, then drops the faces and is applied as a sphere map.
#include "image/veskoMakeSphereMaps.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoMakeSphereMaps)

bool veskoMakeSphereMaps::configure(int)
{
    return true;
}

void veskoMakeSphereMaps::visitor(zkObject* object)
{
    zkTextureCubeAttr* cube = zkTextureCubeAttr::dynamicCast(object);
    if (!cube) return;
    if (!cube->getImage(0)) zkCreate<zkCreateSphereMap>(getMemoryPool())->create(cube);
    cube->releaseImage(ZK_TEXTURE_APPLY_CUBE);
    cube->setApplyMode(ZK_TEXTURE_APPLY_SPHERE);
}

zkMetaObject* veskoMakeSphereMaps::getVisitedObjectMeta()
{
    return zkTextureCubeAttr::getClassTypeSafe();
}

} // namespace Tam::OptExtension
