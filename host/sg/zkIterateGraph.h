// Walking a scene graph node by node.
//
// The walk is depth first, a group before its children, children in order, and it starts with
// the root itself. It follows paths: a node that several groups hold is visited once under each
// of them, with that path (passes that want each node once keep their own set). A group already
// on the current path is not entered again, so a cycle cannot trap the walk.
//
// The graph may change under the walk: a current node removed from its group is followed by
// the child that took its place, and replaceCurrentNode puts a new node into the current slot,
// after which the walk goes on with the next node, not into the replacement.
#pragma once
#include "host/sg/zkAttrSet.h"

#include <vector>

namespace Tam::Sg {

// Nodes of the current path, root first, held without references.
class zkNonRefCountedNodeList {
public:
    int getCount() const { return static_cast<int>(m_nodes.size()); }
    zkNode* getNode(int i) const { return m_nodes[i]; }
    zkNode* operator[](int i) const { return m_nodes[i]; }
    zkNode* getLast() const { return m_nodes.empty() ? nullptr : m_nodes.back(); }
    bool contains(const zkNode* n) const;

private:
    friend class zkIterateGraph;
    std::vector<zkNode*> m_nodes;
};

class zkIterateGraph : public zkObject {
    ZK_CLASS(zkIterateGraph, zkObject)
public:
    // Each form answers the new current node, null at the end.
    zkNode* begin(zkNode* root);
    zkNode* beginOfType(zkNode* root, const zkMetaObject* type);
    zkNode* beginOfExactType(zkNode* root, const zkMetaObject* type);
    zkNode* getNext();
    zkNode* getNextOfType(const zkMetaObject* type);
    zkNode* getNextOfExactType(const zkMetaObject* type);
    // Leaves the current node's children out of the walk.
    void skipChildren() { m_skipChildren = true; }

    bool isNotLast() const { return m_current.get() != nullptr; }
    zkNode* getCurrent() const { return m_current.get(); }
    zkNode* getRoot() const { return m_root.get(); }
    // The group holding the current node on this path, or null at the root.
    zkGroup* getCurrentParent() const { return m_frames.empty() ? nullptr : m_frames.back().group.get(); }
    const zkNonRefCountedNodeList& getCurrentPath() const { return m_path; }

    // Puts replacement where the current node stands in its group (or makes it the root) and
    // makes it current. False, and nothing changed, without a current node or with null.
    bool replaceCurrentNode(zkNode* replacement);

protected:
    // Called whenever the current node changes.
    virtual void moved() {}

private:
    struct Frame {
        zkSmartPointer<zkGroup> group;
        int index;
    };
    zkNode* setCurrent(zkNode* node);
    std::vector<Frame> m_frames;
    zkSmartPointer<zkNode> m_root;
    zkSmartPointer<zkNode> m_current;
    zkNonRefCountedNodeList m_path;
    bool m_skipChildren = false;
};

// The walk, with the attributes in force at the current node: those of the attribute sets on
// its path, the current node included. A deeper set's attribute of a class replaces a higher
// one's, and the last of a class within one set wins, except that an attribute of a
// zkOverrideAttrSet stays in force against the sets below it.
class zkIterateAttr : public zkIterateGraph {
    ZK_CLASS(zkIterateAttr, zkIterateGraph)
public:
    // Gathers the attributes for the current node; false at the end of the walk.
    bool validateAttrStack();
    // The attribute of the class (or a subclass) in force at the current node, or null.
    zkAttr* getTopAttr(const zkMetaObject* type);

protected:
    void moved() override { m_valid = false; }

private:
    struct Entry {
        zkAttr* attr;
        int depth; // position of its set on the path
        bool overriding;
    };
    std::vector<Entry> m_stack;
    bool m_valid = false;
};

} // namespace Tam::Sg
