#include "host/sg/zkNode.h"

#include "host/core/zkHostClass.h"

#include <algorithm>

namespace Tam::Sg {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkNamedObject)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkNode)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkGroup)
ZK_DEFINE_HOST_CLASS(zkNodeList)
ZK_DEFINE_HOST_CLASS(zkInfo)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkNamedObjectInfo)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkSceneInfo)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkFileInfo)

zkNode::~zkNode() = default;

void zkNode::unlinkParent(zkObject* parent)
{
    auto it = std::find(m_parents.begin(), m_parents.end(), parent);
    if (it != m_parents.end()) m_parents.erase(it);
}

void zkNode::unlink()
{
    // Hold the node while its holders let go of it.
    zkSmartPointer<zkNode> self(this);
    while (!m_parents.empty()) {
        zkObject* parent = m_parents.back();
        if (zkGroup* g = zkGroup::dynamicCast(parent)) g->removeChild(this);
        else if (zkSceneInfo* s = zkSceneInfo::dynamicCast(parent)) s->setRoot(nullptr);
        else unlinkParent(parent);
    }
}

static void dropParent(zkNode* child, zkObject* parent, std::vector<zkObject*>&) { child->unlinkParent(parent); }

zkGroup::~zkGroup()
{
    for (auto& c : children.items)
        if (c) {
            zkNode* child = static_cast<zkNode*>(c.get());
            dropParent(child, this, child->m_parents);
        }
}

void zkGroup::appendChild(zkNode* child)
{
    if (!child) return;
    children.items.emplace_back(child);
    child->linkParent(this);
}

void zkGroup::insertChild(int i, zkNode* child)
{
    if (!child) return;
    children.items.emplace(children.items.begin() + i, child);
    child->linkParent(this);
}

void zkGroup::setChild(int i, zkNode* child)
{
    zkSmartPointer<zkNode> old(getChild(i));
    if (old) dropParent(old.get(), this, old->m_parents);
    children.items[i] = child;
    if (child) child->linkParent(this);
}

int zkGroup::findChild(const zkNode* child) const
{
    for (int i = 0; i < getChildCount(); ++i)
        if (getChild(i) == child) return i;
    return -1;
}

bool zkGroup::removeChild(zkNode* child)
{
    int i = findChild(child);
    if (i < 0) return false;
    removeChild(i);
    return true;
}

void zkGroup::removeChild(int i)
{
    zkSmartPointer<zkNode> child(getChild(i));
    children.items.erase(children.items.begin() + i);
    if (child) dropParent(child.get(), this, child->m_parents);
}

void zkGroup::relinkChildren()
{
    for (auto& c : children.items)
        if (c) {
            auto& parents = static_cast<zkNode*>(c.get())->m_parents;
            if (std::find(parents.begin(), parents.end(), static_cast<zkObject*>(this)) == parents.end())
                parents.push_back(this);
        }
}

zkSceneInfo::~zkSceneInfo()
{
    if (root) root->unlinkParent(this);
}

void zkSceneInfo::setRoot(zkNode* node)
{
    if (root) root->unlinkParent(this);
    root = node;
    if (node) node->linkParent(this);
}

void zkSceneInfo::relinkRoot()
{
    if (!root) return;
    auto& parents = root->m_parents;
    if (std::find(parents.begin(), parents.end(), this) == parents.end()) parents.push_back(this);
}

void zkFileInfo::userConstruct()
{
    if (!infos) infos = zkSmartPointer<zkObjectList>::adopt(zkObjectList::_instantiateFromPool(getMemoryPool()));
}

} // namespace Tam::Sg
