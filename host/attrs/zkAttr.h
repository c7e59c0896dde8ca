// Render attributes. The scene-model work fills in the attribute classes; the list is what
// passes hold attributes in.
#pragma once
#include "host/core/zkList.h"

namespace Tam::Attrs {

using namespace Tam::Core;

class zkAttr : public zkObject {
    ZK_CLASS(zkAttr, zkObject)
};

class zkAttrList : public zkObjectList {
    ZK_CLASS(zkAttrList, zkObjectList)
public:
    zkAttr* getAttr(int i) const { return static_cast<zkAttr*>(get(i)); }
    zkMetaObject* getItemClass() const override { return zkAttr::getClassTypeSafe(); }
};

} // namespace Tam::Attrs
