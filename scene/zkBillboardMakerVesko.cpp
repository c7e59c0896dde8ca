// Billboards where artists ask for them: an attribute set named with "$bb" and one value gets a
// billboard of that mode, named as the set was, which takes over the set's children; the set
// keeps its attributes in force above it and is renamed "Billboarded".
#include "scene/zkBillboardMakerVesko.h"

#include "scene/TaggedAttrSet.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkBillboardMakerVesko)

bool zkBillboardMakerVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkBillboardMakerVesko::apply(zkSmartPointer<zkNode>& root)
{
    walk(root.get());
    return true;
}

bool zkBillboardMakerVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkBillboardMakerVesko::configure(int)
{
    return true;
}

void zkBillboardMakerVesko::walk(zkNode* node)
{
    zkGroup* group = zkGroup::dynamicCast(node);
    if (!group || group->isOfExactType(zkBillboard::getClassTypeSafe())) return;
    NameTagQuery query;
    query.tag = NAME_TAG_BILLBOARD;
    query.expectedCount = 1;
    if (zkAttrSet* set = taggedAttrSet(group, query)) {
        auto billboard = zkCreate<zkBillboard>(getMemoryPool());
        billboard->setMode(query.intValues[0]);
        billboard->setName(set->getName());
        set->appendChild(billboard.get());
        set->setName("Billboarded");
        // The children move from the last to the first, so they stand reversed in the billboard.
        for (int i = set->getChildCount() - 2; i >= 0; --i) {
            billboard->appendChild(set->getChild(i));
            set->removeChild(i);
        }
        return;
    }
    for (int i = group->getChildCount() - 1; i >= 0; --i) walk(group->getChild(i));
}

} // namespace Tam::OptExtension
