// Item placeholders: a user-info group with an "ItemName" property stands for an item the game
// puts there at run time. Its contents only mattered to the artist, so it keeps its bound and
// its place, is flagged to be skipped by the collision walk, and loses its children.
#include "scene/veskoMenuOpt.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoMenuOpt)

bool veskoMenuOpt::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool veskoMenuOpt::apply(zkSmartPointer<zkNode>& root)
{
    clipItems(root.get());
    return true;
}

bool veskoMenuOpt::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool veskoMenuOpt::configure(int)
{
    return true;
}

void veskoMenuOpt::clipItems(zkNode* node)
{
    zkGroup* group = zkGroup::dynamicCast(node);
    if (!group) return;
    zkSmartPointer<zkGroup> held(group);
    if (zkUserInfo* info = zkUserInfo::dynamicCast(group)) {
        auto key = zkCreate<zkStringKey>(getMemoryPool());
        key->setValue("ItemName");
        if (info->getProperty(key.get())) {
            auto bounds = zkCreate<zkBoundingBoxesMaker>(getMemoryPool());
            group->setBound(bounds->getBoundingBox(group));
            group->setFlag(ZK_NODE_FLAG_SKIP_COLLISION, true);
            printf("ItemName Info %s found and clipped\n", group->getName());
            for (int i = group->getChildCount() - 1; i >= 0; --i) group->removeChild(i);
            return;
        }
    }
    for (int i = group->getChildCount() - 1; i >= 0; --i)
        if (i < group->getChildCount()) clipItems(group->getChild(i));
}

} // namespace Tam::OptExtension
