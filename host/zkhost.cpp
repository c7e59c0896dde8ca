#include "host/zkhost.h"

namespace Tam {

void zkRegisterHostClasses()
{
    using namespace Core;
    using namespace Sg;
    using namespace Attrs;
    using namespace Opt;
    static const zkRegisterFunction classes[] = {
        zkObject::arkRegister, zkStringObj::arkRegister, zkObjectList::arkRegister, zkStringObjList::arkRegister,
        zkIntList::arkRegister, zkBoolList::arkRegister, zkFloatList::arkRegister, zkLibrary::arkRegister,
        zkNamedObject::arkRegister, zkNode::arkRegister, zkGroup::arkRegister, zkNodeList::arkRegister,
        zkInfo::arkRegister, zkNamedObjectInfo::arkRegister, zkSceneInfo::arkRegister, zkFileInfo::arkRegister,
        zkAttr::arkRegister, zkAttrList::arkRegister, zkInterfaced::arkRegister, zkOptBase::arkRegister,
        zkOptTraverseGraph::arkRegister, zkOptVisitObject::arkRegister, zkExternalDirEntry::arkRegister,
        zkResizeImage::arkRegister, zkConvertImage::arkRegister,
    };
    for (zkRegisterFunction r : classes) r();
}

namespace {
struct RegisterOnLoad {
    RegisterOnLoad() { zkRegisterHostClasses(); }
} registerOnLoad;
} // namespace

} // namespace Tam
