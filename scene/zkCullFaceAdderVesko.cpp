// Back-face culling where artists ask for it: an attribute set named with "$bc" (no values)
// gets a cull-face attribute for back faces. What lies below it is left as it is.
#include "scene/zkCullFaceAdderVesko.h"

#include "scene/TaggedAttrSet.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkCullFaceAdderVesko)

bool zkCullFaceAdderVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkCullFaceAdderVesko::apply(zkSmartPointer<zkNode>& root)
{
    walk(root.get());
    return true;
}

bool zkCullFaceAdderVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkCullFaceAdderVesko::configure(int)
{
    return true;
}

void zkCullFaceAdderVesko::walk(zkNode* node)
{
    zkGroup* group = zkGroup::dynamicCast(node);
    if (!group) return;
    NameTagQuery query;
    query.tag = NAME_TAG_CULL;
    query.expectedCount = 0;
    if (zkAttrSet* set = taggedAttrSet(group, query)) {
        auto cull = zkCreate<zkCullFaceAttr>(getMemoryPool());
        cull->setCullFace(1);
        set->appendAttr(cull.get());
        return;
    }
    for (int i = group->getChildCount() - 1; i >= 0; --i) walk(group->getChild(i));
}

} // namespace Tam::OptExtension
