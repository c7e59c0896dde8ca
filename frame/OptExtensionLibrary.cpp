#include "frame/OptExtensionLibrary.h"

#include "anim/ExtractMotionVesko.h"
#include "anim/VeskoActorSkinFinalize.h"
#include "collision/zkCollideHullVesko.h"
#include "geometry/veskoCheckGeometry.h"
#include "geometry/zkCheckGeometryVesko.h"
#include "geometry/zkReduceBlendWeightsWeldVesko.h"
#include "geometry/zkStripInvisibleVesko.h"
#include "geometry/zkStripVesko.h"
#include "geometry/zkWeldVesko.h"
#include "image/veskoBlendToAlphaTest.h"
#include "image/veskoFixMaterialMode.h"
#include "image/veskoImageAlphaGamecube.h"
#include "image/veskoMakeSphereMaps.h"
#include "image/veskoNTSCFilter.h"
#include "image/veskoNoNormalsNoLighting.h"
#include "image/veskoRemoveGlossMaps.h"
#include "image/veskoScalePs2Texture.h"
#include "image/veskoTextureStatistics.h"
#include "image/zkImageExternalVesko.h"
#include "image/zkQuantizeVesko.h"
#include "image/zkUseMipmapVesko.h"
#include "scene/veskoMenuOpt.h"
#include "scene/veskoReinstanceEnvMapShader.h"
#include "scene/veskoReinstanceGeometry.h"
#include "scene/veskoRemoveJunkAttrSets.h"
#include "scene/veskoRemoveNames.h"
#include "scene/veskoRemoveNodeFlags.h"
#include "scene/zkBillboardMakerVesko.h"
#include "scene/zkCullFaceAdderVesko.h"
#include "scene/zkDeinstanceGeometryVesko.h"
#include "scene/zkFogMakerVesko.h"

namespace Tam {

using namespace OptExtension;

namespace {
bool libraryInitialised = false;

#define ZK_CLASS_ROW(X) {#X, &X::arkRegister, &X::getClassTypeSafe}
// The class table: registration order is the order the host lists the passes in.
const zkOptExtensionClass classTable[] = {
    ZK_CLASS_ROW(veskoTextureStatistics),
    ZK_CLASS_ROW(veskoScalePs2Texture),
    ZK_CLASS_ROW(veskoRemoveNodeFlags),
    ZK_CLASS_ROW(veskoRemoveNames),
    ZK_CLASS_ROW(veskoRemoveJunkAttrSets),
    ZK_CLASS_ROW(veskoRemoveGlossMaps),
    ZK_CLASS_ROW(veskoReinstanceGeometry),
    ZK_CLASS_ROW(veskoReinstanceEnvMapShader),
    ZK_CLASS_ROW(veskoNoNormalsNoLighting),
    ZK_CLASS_ROW(veskoNTSCFilter),
    ZK_CLASS_ROW(veskoMenuOpt),
    ZK_CLASS_ROW(veskoMakeSphereMaps),
    ZK_CLASS_ROW(veskoImageAlphaGamecube),
    ZK_CLASS_ROW(veskoFixMaterialMode),
    ZK_CLASS_ROW(veskoCheckGeometry),
    ZK_CLASS_ROW(veskoBlendToAlphaTest),
    ZK_CLASS_ROW(zkWeldVesko),
    ZK_CLASS_ROW(zkUseMipmapVesko),
    ZK_CLASS_ROW(zkStripVesko),
    ZK_CLASS_ROW(zkStripInvisibleVesko),
    ZK_CLASS_ROW(zkReduceBlendWeightsWeldVesko),
    ZK_CLASS_ROW(zkQuantizeVesko),
    ZK_CLASS_ROW(zkImageExternalVesko),
    ZK_CLASS_ROW(zkFogMakerVesko),
    ZK_CLASS_ROW(zkDeinstanceGeometryVesko),
    ZK_CLASS_ROW(zkCullFaceAdderVesko),
    ZK_CLASS_ROW(zkCollideHullVesko),
    ZK_CLASS_ROW(zkCheckGeometryVesko),
    ZK_CLASS_ROW(zkBillboardMakerVesko),
    ZK_CLASS_ROW(VeskoActorSkinFinalize),
    ZK_CLASS_ROW(ExtractMotionVesko),
};
#undef ZK_CLASS_ROW
} // namespace

void _zkOptExtensionLibrary_Init() { libraryInitialised = true; }
bool zkOptExtensionLibrary_isInitialised() { return libraryInitialised; }

void zkOptExtensionLibrary_arkRegister()
{
    for (const zkOptExtensionClass& c : classTable) c.arkRegister();
}

const zkOptExtensionClass* zkOptExtensionLibrary_classes(int* count)
{
    *count = static_cast<int>(sizeof classTable / sizeof classTable[0]);
    return classTable;
}

} // namespace Tam

void createLibraryObject(Tam::Core::zkSmartPointer<Tam::Core::zkLibrary>& result)
{
    using namespace Tam::Core;
    zkMemoryPool* pool = zkGetMemoryPool(zkMemoryPoolMetaData);
    zkTypeWrapperWithMemoryPool<zkLibrary> wrapper = zkLibrary::_instantiateRefFromPool(pool);
    zkLibrary* library = zkLibrary::_instantiateFromPool(wrapper.pool);
    library->addRef(); // the temporary reference
    library->setRegisterFunction(&Tam::zkOptExtensionLibrary_arkRegister);
    result = zkSmartPointer<zkLibrary>::adopt(library); // releases what result held; keeps the creation reference
    library->release(); // drops the temporary one
}
