#include "host/zkhost.h"

namespace Tam {

void zkRegisterHostClasses()
{
    using namespace Core;
    using namespace Gfx;
    using namespace Sg;
    using namespace Attrs;
    using namespace Opt;
    static const zkRegisterFunction classes[] = {
        // Objects, strings and lists.
        zkObject::arkRegister, zkStringObj::arkRegister, zkObjectList::arkRegister, zkStringObjList::arkRegister,
        zkIntList::arkRegister, zkBoolList::arkRegister, zkFloatList::arkRegister, zkLibrary::arkRegister,
        // Scene graph and infos.
        zkNamedObject::arkRegister, zkNode::arkRegister, zkGroup::arkRegister, zkNodeList::arkRegister,
        zkInfo::arkRegister, zkNamedObjectInfo::arkRegister, zkSceneInfo::arkRegister, zkFileInfo::arkRegister,
        zkAttrSet::arkRegister, zkOverrideAttrSet::arkRegister, zkGeometry::arkRegister,
        zkMorphInstance::arkRegister, zkBillboard::arkRegister, zkTransform::arkRegister,
        zkTransformSequence::arkRegister, zkTransformSequence1_5::arkRegister, zkCamera::arkRegister,
        zkLightSet::arkRegister, zkBlendMatrixSelect::arkRegister, zkEnvironmentMapShader::arkRegister,
        zkEnvironmentMapShader2::arkRegister, zkDx8EnvironmentMapShader::arkRegister,
        // User data.
        zkKey::arkRegister, zkStringKey::arkRegister, zkValue::arkRegister, zkStringValue::arkRegister,
        zkIntValue::arkRegister, zkFloatValue::arkRegister, zkProperty::arkRegister, zkUserInfo::arkRegister,
        zkSimpleUserInfo::arkRegister, zkHashedUserInfo::arkRegister,
        // Walkers and scene operations.
        zkIterateGraph::arkRegister, zkIterateAttr::arkRegister, zkBoundingBoxesMaker::arkRegister,
        zkCreateSphereMap::arkRegister,
        // Animation.
        zkAnimationTrack::arkRegister, zkAnimation::arkRegister, zkBoneInfo::arkRegister, zkSkeleton::arkRegister,
        zkSkin::arkRegister, zkAnimationDatabase::arkRegister,
        // Attributes.
        zkAttr::arkRegister, zkAttrList::arkRegister, zkGeometryAttr::arkRegister, zkTextureAttr::arkRegister,
        zkTextureBindAttr::arkRegister, zkTextureCubeAttr::arkRegister, zkStateAttr::arkRegister,
        zkAlphaStateAttr::arkRegister, zkBlendStateAttr::arkRegister, zkFogStateAttr::arkRegister,
        zkLightingStateAttr::arkRegister, zkTextureStateAttr::arkRegister, zkAlphaFunctionAttr::arkRegister,
        zkBlendFunctionAttr::arkRegister, zkCullFaceAttr::arkRegister, zkFogAttr::arkRegister,
        zkMaterialModeAttr::arkRegister,
        // Geometry and image data.
        zkVertexArray::arkRegister, zkVertexArrayHelper::arkRegister, zkIndexArray::arkRegister,
        zkClut::arkRegister, zkImage::arkRegister,
        // Passes and what runs them.
        zkInterfaced::arkRegister, zkOptBase::arkRegister, zkOptTraverseGraph::arkRegister,
        zkOptVisitObject::arkRegister, zkExternalDirEntry::arkRegister, zkResizeImage::arkRegister,
        zkConvertImage::arkRegister, zkExternalImageEntry::arkRegister, Utils::zkIntHistogram::arkRegister,
    };
    for (zkRegisterFunction r : classes) r();
}

namespace {
struct RegisterOnLoad {
    RegisterOnLoad() { zkRegisterHostClasses(); }
} registerOnLoad;
} // namespace

} // namespace Tam
