// Splits shared nodes: every node that several groups hold becomes one private copy per group,
// so that later passes may change each use on its own. Copies are numbered by one counter for
// the whole process, so names stay unique across every scene and every run of the pass.
#include "scene/zkDeinstanceGeometryVesko.h"

#include "scene/SceneLinks.h"

#include <string>

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkDeinstanceGeometryVesko)

namespace {
int s_copyCounter = 0;
// Names stay within 256 characters with room for "+" and any copy number.
constexpr std::size_t kMaxBaseName = 243;
} // namespace

bool zkDeinstanceGeometryVesko::apply(zkSmartPointer<zkNode>& root)
{
    RemoveInstancing(root.get());
    printf("zkDeinstanceGeometryVesko all done!\n");
    return true;
}

bool zkDeinstanceGeometryVesko::canOptimize(zkNode*)
{
    return true;
}

bool zkDeinstanceGeometryVesko::configure(int)
{
    return true;
}

int zkDeinstanceGeometryVesko::getCopyCount()
{
    return s_copyCounter;
}

void zkDeinstanceGeometryVesko::RemoveInstancing(zkNode* node)
{
    if (!node) return;
    zkSmartPointer<zkNode> held(node);
    if (zkGroup* group = zkGroup::dynamicCast(node))
        for (int i = group->getChildCount() - 1; i >= 0; --i)
            if (i < group->getChildCount()) RemoveInstancing(group->getChild(i));
    const int parentCount = node->getParentCount();
    if (parentCount <= 1) return;

    auto parents = zkCreate<zkObjectList>(getMemoryPool());
    for (int i = 0; i < parentCount; ++i) parents->append(node->getParent(i));
    for (int i = 0; i < parents->getCount(); ++i) detachChild(parents->get(i), node);

    const std::string base = std::string(node->getName()).substr(0, kMaxBaseName);
    std::vector<zkSmartPointer<zkNode>> copies;
    for (int i = 0; i < parents->getCount(); ++i) {
        zkSmartPointer<zkNode> copy = copyNode(node);
        copy->setName((base + "+" + std::to_string(++s_copyCounter)).c_str());
        printf("Deinstance a %s named %s\n", copy->getMeta()->getName(), copy->getName());
        copies.push_back(copy);
    }
    for (int i = 0; i < parents->getCount(); ++i) attachChild(parents->get(i), copies[i].get());
}

zkSmartPointer<zkNode> zkDeinstanceGeometryVesko::copyNode(const zkNode* node)
{
    if (node->isOfType(zkGeometry::getClassTypeSafe()))
        return zkSmartPointer<zkNode>::adopt(static_cast<zkNode*>(node->createCopy(COPY_DEEP)));
    auto copy = zkSmartPointer<zkNode>::adopt(static_cast<zkNode*>(node->createCopy(COPY_SHALLOW)));
    if (zkGroup* group = zkGroup::dynamicCast(copy.get())) {
        std::vector<zkSmartPointer<zkNode>> children;
        for (int i = 0; i < group->getChildCount(); ++i) children.emplace_back(group->getChild(i));
        while (group->getChildCount() > 0) group->removeChild(group->getChildCount() - 1);
        for (const auto& child : children)
            if (child) group->appendChild(copyNode(child.get()).get());
    }
    return copy;
}

} // namespace Tam::OptExtension
