#include "host/sg/zkIterateGraph.h"

#include "host/core/zkHostClass.h"

#include <algorithm>

namespace Tam::Sg {

ZK_DEFINE_HOST_CLASS(zkIterateGraph)
ZK_DEFINE_HOST_CLASS(zkIterateAttr)

bool zkNonRefCountedNodeList::contains(const zkNode* n) const
{
    return std::find(m_nodes.begin(), m_nodes.end(), n) != m_nodes.end();
}

zkNode* zkIterateGraph::setCurrent(zkNode* node)
{
    m_current = node;
    moved();
    return node;
}

zkNode* zkIterateGraph::begin(zkNode* root)
{
    m_frames.clear();
    m_path.m_nodes.clear();
    m_skipChildren = false;
    m_root = root;
    if (root) m_path.m_nodes.push_back(root);
    return setCurrent(root);
}

zkNode* zkIterateGraph::getNext()
{
    zkNode* current = m_current.get();
    if (!current) return nullptr;
    const bool skip = m_skipChildren;
    m_skipChildren = false;
    // Into the current group's first child, unless the group is already further up the path.
    if (zkGroup* group = zkGroup::dynamicCast(current); group && !skip) {
        const bool onPath = std::find(m_path.m_nodes.begin(), m_path.m_nodes.end() - 1, current) !=
                            m_path.m_nodes.end() - 1;
        if (!onPath)
            for (int i = 0; i < group->getChildCount(); ++i)
                if (zkNode* child = group->getChild(i)) {
                    m_frames.push_back({group, i});
                    m_path.m_nodes.push_back(child);
                    return setCurrent(child);
                }
    }
    // Otherwise to the next sibling, climbing until a group has one. The group left last is held
    // while it still serves as the position in its own parent.
    zkSmartPointer<zkGroup> left;
    while (!m_frames.empty()) {
        Frame& f = m_frames.back();
        zkGroup* group = f.group.get();
        // A current node no longer in its slot was removed: the next child has moved into it.
        int next = f.index < group->getChildCount() && group->getChild(f.index) == current ? f.index + 1 : f.index;
        for (; next < group->getChildCount(); ++next)
            if (zkNode* child = group->getChild(next)) {
                f.index = next;
                m_path.m_nodes.back() = child;
                return setCurrent(child);
            }
        current = group;
        m_path.m_nodes.pop_back();
        left = std::move(f.group);
        m_frames.pop_back();
    }
    m_path.m_nodes.clear();
    return setCurrent(nullptr);
}

zkNode* zkIterateGraph::beginOfType(zkNode* root, const zkMetaObject* type)
{
    zkNode* n = begin(root);
    return n && n->isOfType(type) ? n : getNextOfType(type);
}

zkNode* zkIterateGraph::beginOfExactType(zkNode* root, const zkMetaObject* type)
{
    zkNode* n = begin(root);
    return n && n->isOfExactType(type) ? n : getNextOfExactType(type);
}

zkNode* zkIterateGraph::getNextOfType(const zkMetaObject* type)
{
    zkNode* n = getNext();
    while (n && !n->isOfType(type)) n = getNext();
    return n;
}

zkNode* zkIterateGraph::getNextOfExactType(const zkMetaObject* type)
{
    zkNode* n = getNext();
    while (n && !n->isOfExactType(type)) n = getNext();
    return n;
}

bool zkIterateGraph::replaceCurrentNode(zkNode* replacement)
{
    if (!m_current || !replacement) return false;
    if (m_frames.empty()) {
        m_root = replacement;
    } else {
        Frame& f = m_frames.back();
        zkGroup* group = f.group.get();
        if (f.index >= group->getChildCount() || group->getChild(f.index) != m_current.get()) return false;
        group->setChild(f.index, replacement);
    }
    m_path.m_nodes.back() = replacement;
    m_skipChildren = true;
    setCurrent(replacement);
    return true;
}

bool zkIterateAttr::validateAttrStack()
{
    m_stack.clear();
    m_valid = isNotLast();
    if (!m_valid) return false;
    const zkNonRefCountedNodeList& path = getCurrentPath();
    for (int i = 0; i < path.getCount(); ++i)
        if (zkAttrSet* set = zkAttrSet::dynamicCast(path[i])) {
            const bool overriding = set->isOfType(zkOverrideAttrSet::getClassTypeSafe());
            for (int a = 0; a < set->getAttrCount(); ++a)
                if (zkAttr* attr = set->getAttr(a)) m_stack.push_back({attr, i, overriding});
        }
    return true;
}

zkAttr* zkIterateAttr::getTopAttr(const zkMetaObject* type)
{
    if (!m_valid && !validateAttrStack()) return nullptr;
    zkAttr* top = nullptr;
    int lockedAt = -1; // the depth of the override set whose attribute holds, if any
    for (const Entry& e : m_stack) {
        if (!e.attr->isOfType(type) || (lockedAt >= 0 && e.depth > lockedAt)) continue;
        top = e.attr;
        if (e.overriding) lockedAt = e.depth;
    }
    return top;
}

} // namespace Tam::Sg
