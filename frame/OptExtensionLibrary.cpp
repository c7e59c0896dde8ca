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

#define ZK_CLASS_ROW(X, DESCRIPTION) {#X, &X::arkRegister, &X::getClassTypeSafe, DESCRIPTION}
// The class table: registration order is the order the host lists the passes in.
const zkOptExtensionClass classTable[] = {
    ZK_CLASS_ROW(veskoTextureStatistics, "Lists every texture image with its format, size and data size, and totals them."),
    ZK_CLASS_ROW(veskoScalePs2Texture, "Makes textures fit the PS2 texture unit: transposes tall textures or widens them."),
    ZK_CLASS_ROW(veskoRemoveNodeFlags, "Clears the given flag bits on every node, or reports the nodes that carry them."),
    ZK_CLASS_ROW(veskoRemoveNames, "Clears object names, keeping those the game looks up at run time."),
    ZK_CLASS_ROW(veskoRemoveJunkAttrSets, "Drops attribute sets that have no children."),
    ZK_CLASS_ROW(veskoRemoveGlossMaps, "Removes the gloss-map texture from environment-map shaders."),
    ZK_CLASS_ROW(veskoReinstanceGeometry, "Replaces identical large geometry nodes by one shared node."),
    ZK_CLASS_ROW(veskoReinstanceEnvMapShader, "Makes identical environment-map shaders share their texture attributes."),
    ZK_CLASS_ROW(veskoNoNormalsNoLighting, "Puts geometry without normals (or tagged to lose them) under lighting switched off."),
    ZK_CLASS_ROW(veskoNTSCFilter, "Brings texture colours into the legal range of the NTSC or PAL television signal."),
    ZK_CLASS_ROW(veskoMenuOpt, "Turns user-info groups with an \"ItemName\" property into empty, bounded placeholders."),
    ZK_CLASS_ROW(veskoMakeSphereMaps, "Turns cube environment maps into sphere maps."),
    ZK_CLASS_ROW(veskoImageAlphaGamecube, "Converts texture images to the GameCube formats that keep their alpha."),
    ZK_CLASS_ROW(veskoFixMaterialMode, "Fixes material modes that the target platform cannot render."),
    ZK_CLASS_ROW(veskoCheckGeometry, "Reports geometry whose vertices lack what the render state above it uses."),
    ZK_CLASS_ROW(veskoBlendToAlphaTest, "Replaces blending by an alpha test where a texture is mostly fully transparent or opaque."),
    ZK_CLASS_ROW(zkWeldVesko, "Merges coincident vertices of indexed geometry attributes."),
    ZK_CLASS_ROW(zkUseMipmapVesko, "Builds mipmap chains for tagged textures and sets texture filters."),
    ZK_CLASS_ROW(zkStripVesko, "Turns indexed triangle lists into single non-indexed triangle strips."),
    ZK_CLASS_ROW(zkStripInvisibleVesko, "Removes invisible and collision-only geometry from the scene."),
    ZK_CLASS_ROW(zkReduceBlendWeightsWeldVesko, "Welds skinned geometry, then reduces its blend weights per vertex."),
    ZK_CLASS_ROW(zkQuantizeVesko, "Converts texture images to 8-bit or 4-bit palettes."),
    ZK_CLASS_ROW(zkImageExternalVesko, "Writes texture images out as PNG files beside the scene and refers to them."),
    ZK_CLASS_ROW(zkFogMakerVesko, "Adds fog attributes where node names carry the fog tag."),
    ZK_CLASS_ROW(zkDeinstanceGeometryVesko, "Gives every node with several parents a private copy per parent."),
    ZK_CLASS_ROW(zkCullFaceAdderVesko, "Adds back-face culling attributes where node names carry the cull tag."),
    ZK_CLASS_ROW(zkCollideHullVesko, "Gathers the collidable triangles of a scene and builds the collision hull record."),
    ZK_CLASS_ROW(zkCheckGeometryVesko, "Removes geometry attributes with bad indices, unused vertices or no triangles."),
    ZK_CLASS_ROW(zkBillboardMakerVesko, "Turns groups whose names carry the billboard tag into billboards."),
    ZK_CLASS_ROW(VeskoActorSkinFinalize, "Finalizes skinned characters: outline geometry and canonical blend-matrix palettes."),
    ZK_CLASS_ROW(ExtractMotionVesko, "Extracts root motion from animations into the motion bone."),
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
