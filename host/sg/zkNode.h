// The scene graph's nodes and the infos that hold graphs. A node's parents are links kept by the
// groups that hold it, not fields: the child lists are the truth, and files and copies rebuild
// the links from them.
#pragma once
#include "host/core/zkList.h"

#include <cmath>

#include <vector>

namespace Tam::Sg {

using namespace Tam::Core;
using Math::zkMatrix44f;
using Math::zkVec3f;

class zkGroup;

// An axis-aligned box that grows to take in points; empty until it has one.
struct zkBoundingBox {
    zkVec3f min, max;
    bool empty = true;

    bool isEmpty() const { return empty; }
    void extend(const zkVec3f& p)
    {
        if (empty) {
            min = max = p;
            empty = false;
            return;
        }
        min.set(std::fmin(min.x, p.x), std::fmin(min.y, p.y), std::fmin(min.z, p.z));
        max.set(std::fmax(max.x, p.x), std::fmax(max.y, p.y), std::fmax(max.z, p.z));
    }
    void extend(const zkBoundingBox& b)
    {
        if (!b.empty) {
            extend(b.min);
            extend(b.max);
        }
    }
    zkVec3f getCenter() const { return {(min.x + max.x) * 0.5f, (min.y + max.y) * 0.5f, (min.z + max.z) * 0.5f}; }
    // Half the diagonal: the radius of a sphere around the box.
    float getRadius() const { return empty ? 0.0f : min.distance(max) * 0.5f; }
};

class zkNamedObject : public zkObject {
    ZK_CLASS(zkNamedObject, zkObject)
public:
#define zkNamedObject_FIELDS(F) F(zkStringRef, name, k_name)
    ZK_FIELDS(zkNamedObject_FIELDS)
    // Never null: an object without a name answers "".
    const char* getName() const { return name.isNull() ? "" : name.c_str(); }
    void setName(const char* n) { name.set(n); }
};

// Node flag bits that passes read.
enum : uint32_t {
    ZK_NODE_FLAG_COLLIDABLE = 0x10,
    ZK_NODE_FLAG_INVISIBLE = 0x20,
    ZK_NODE_FLAG_SKIP_COLLISION = 0x40,
};

class zkNode : public zkNamedObject {
    ZK_CLASS(zkNode, zkNamedObject)
public:
#define zkNode_FIELDS(F)                     \
    F(uint32_t, flags, k_flags)              \
    F(zkVec3f, boundCenter, k_boundCenter)   \
    F(float, boundRadius, k_boundRadius)
    ZK_FIELDS(zkNode_FIELDS)

    ~zkNode() override;
    uint32_t getFlags() const { return flags; }
    void setFlags(uint32_t f) { flags = f; }
    // Sets or clears the given bits.
    void setFlag(uint32_t bits, bool on) { flags = on ? (flags | bits) : (flags & ~bits); }
    void setBound(const zkVec3f& center, float radius) { boundCenter = center; boundRadius = radius; }
    // The sphere around the box; an empty box gives the zero bound.
    void setBound(const zkBoundingBox& box) { setBound(box.isEmpty() ? zkVec3f{} : box.getCenter(), box.getRadius()); }
    const zkVec3f& getBoundCenter() const { return boundCenter; }
    float getBoundRadius() const { return boundRadius; }

    // The objects that hold the node: groups, and the scene info whose root it is.
    int getParentCount() const { return static_cast<int>(m_parents.size()); }
    zkObject* getParent(int i) const { return m_parents[i]; }
    // Called after a parent has dropped the node: forgets that parent on the node's side.
    void unlinkParent(zkObject* parent);
    // Removes the node from every group that holds it.
    void unlink();

private:
    friend class zkGroup;
    friend class zkSceneInfo;
    void linkParent(zkObject* parent) { m_parents.push_back(parent); }
    std::vector<zkObject*> m_parents;
};

class zkGroup : public zkNode {
    ZK_CLASS(zkGroup, zkNode)
public:
#define zkGroup_FIELDS(F) F(zkRefArray<zkNode>, children, k_children)
    ZK_FIELDS(zkGroup_FIELDS)

    ~zkGroup() override;
    int getChildCount() const { return static_cast<int>(children.size()); }
    zkNode* getChild(int i) const { return children.at(i); }
    void appendChild(zkNode* child);
    void insertChild(int i, zkNode* child);
    void setChild(int i, zkNode* child);
    bool removeChild(zkNode* child);
    void removeChild(int i);
    int findChild(const zkNode* child) const;

    void userCopyDeep(const zkObject*) override { relinkChildren(); }
    void userCopyShallow(const zkObject*) override { relinkChildren(); }
    void postRead() override { relinkChildren(); }
    // Makes every child's parent links agree with the child list.
    void relinkChildren();
};

class zkNodeList : public zkObjectList {
    ZK_CLASS(zkNodeList, zkObjectList)
public:
    zkNode* getNode(int i) const { return static_cast<zkNode*>(get(i)); }
    zkMetaObject* getItemClass() const override { return zkNode::getClassTypeSafe(); }
};

class zkInfo : public zkNamedObject {
    ZK_CLASS(zkInfo, zkNamedObject)
};

class zkNamedObjectInfo : public zkInfo {
    ZK_CLASS(zkNamedObjectInfo, zkInfo)
public:
#define zkNamedObjectInfo_FIELDS(F) F(zkChildRef<zkObject>, object, k_object)
    ZK_FIELDS(zkNamedObjectInfo_FIELDS)
};

class zkSceneInfo : public zkInfo {
    ZK_CLASS(zkSceneInfo, zkInfo)
public:
#define zkSceneInfo_FIELDS(F) F(zkChildRef<zkNode>, root, k_root)
    ZK_FIELDS(zkSceneInfo_FIELDS)
    ~zkSceneInfo() override;
    zkNode* getRoot() const { return root.get(); }
    void setRoot(zkNode* node);
    void userCopyDeep(const zkObject*) override { relinkRoot(); }
    void userCopyShallow(const zkObject*) override { relinkRoot(); }
    void postRead() override { relinkRoot(); }
    void relinkRoot();
};

// A scene file in memory: its infos in file order.
class zkFileInfo : public zkNamedObject {
    ZK_CLASS(zkFileInfo, zkNamedObject)
public:
#define zkFileInfo_FIELDS(F) F(zkSmartPointer<zkObjectList>, infos, k_infos)
    ZK_FIELDS(zkFileInfo_FIELDS)
    void userConstruct() override;
    zkObjectList* getInfoList() const { return infos.get(); }
};

} // namespace Tam::Sg
