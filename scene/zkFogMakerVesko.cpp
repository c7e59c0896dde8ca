// Fog where artists ask for it: an attribute set named with "$fn" and eight values (the mode,
// then colour, start, end and density) gets a fog switch and the fog settings. Sets below it may
// carry their own fog.
#include "scene/zkFogMakerVesko.h"

#include "scene/TaggedAttrSet.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkFogMakerVesko)

bool zkFogMakerVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkFogMakerVesko::apply(zkSmartPointer<zkNode>& root)
{
    walk(root.get());
    return true;
}

bool zkFogMakerVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkFogMakerVesko::configure(int)
{
    return true;
}

void zkFogMakerVesko::walk(zkNode* node)
{
    zkGroup* group = zkGroup::dynamicCast(node);
    if (!group) return;
    NameTagQuery query;
    query.tag = NAME_TAG_FOG;
    query.expectedCount = 8;
    if (zkAttrSet* set = taggedAttrSet(group, query)) {
        auto state = zkCreate<zkFogStateAttr>(getMemoryPool());
        state->setEnabled(true);
        auto fog = zkCreate<zkFogAttr>(getMemoryPool());
        fog->setParameters(query.intValues[0], &query.floatValues[1]);
        set->appendAttr(state.get());
        set->appendAttr(fog.get());
    }
    for (int i = group->getChildCount() - 1; i >= 0; --i) walk(group->getChild(i));
}

} // namespace Tam::OptExtension
