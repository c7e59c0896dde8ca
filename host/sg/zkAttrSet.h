// Attribute sets: groups that put attributes in force for their subtree. Geometry is an
// attribute set whose list also holds the geometry attributes it draws.
#pragma once
#include "host/attrs/zkGeometryAttr.h"
#include "host/sg/zkNode.h"

namespace Tam::Sg {

using Attrs::zkAttr;
using Attrs::zkAttrList;
using Attrs::zkGeometryAttr;

class zkAttrSet : public zkGroup {
    ZK_CLASS(zkAttrSet, zkGroup)
public:
#define zkAttrSet_FIELDS(F) F(zkChildRef<zkAttrList>, attrs, k_attrs)
    ZK_FIELDS(zkAttrSet_FIELDS)

    // The attribute list, in order; null until the first attribute is appended.
    zkAttrList* getAttrs() const { return attrs.get(); }
    int getAttrCount() const { return attrs ? attrs->getCount() : 0; }
    // Null out of range.
    zkAttr* getAttr(int i) const { return i >= 0 && i < getAttrCount() ? attrs->getAttr(i) : nullptr; }
    int findAttr(const zkAttr* attr) const { return attrs ? attrs->find(attr) : -1; }
    void appendAttr(zkAttr* attr);
    void insertAttr(int i, zkAttr* attr);
    void setAttr(int i, zkAttr* attr);
    bool removeAttr(zkAttr* attr);
    void removeAttr(int i);
};

// An attribute set whose attributes win over those of the sets below it.
class zkOverrideAttrSet : public zkAttrSet {
    ZK_CLASS(zkOverrideAttrSet, zkAttrSet)
};

class zkGeometry : public zkAttrSet {
    ZK_CLASS(zkGeometry, zkAttrSet)
public:
    // Positions in the attribute list; an entry that is not a geometry attribute answers null.
    int getGeometryAttrCount() const { return getAttrCount(); }
    zkGeometryAttr* getGeometryAttr(int i) const { return zkGeometryAttr::dynamicCast(getAttr(i)); }
    zkAttrList* getGeometryAttrs() const { return getAttrs(); }
    void setGeometryAttr(int i, zkGeometryAttr* attr) { setAttr(i, attr); }
    void removeGeometryAttr(int i) { removeAttr(i); }
    // Vertices of all geometry attributes together.
    int getVertexCount() const;
};

// Geometry drawn as a blend of morph targets.
class zkMorphInstance : public zkGeometry {
    ZK_CLASS(zkMorphInstance, zkGeometry)
public:
#define zkMorphInstance_FIELDS(F) F(zkFloatArray, morphWeights, k_morphWeights)
    ZK_FIELDS(zkMorphInstance_FIELDS)
};

} // namespace Tam::Sg
