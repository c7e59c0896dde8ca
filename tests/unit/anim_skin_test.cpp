// Actor skin finalization on skinned graphs built in code: outline lighting and palettes brought
// into bone order with the blend indices. The override set that makes outlines opaque is a golden
// case (tests/passes/VeskoActorSkinFinalize).
#include "anim/VeskoActorSkinFinalize.h"
#include "tests/harness/PassHarness.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Tam::OptExtension;
using Tam::Test::PassHarness;
using Tam::Test::node;

namespace {

// One triangle; normals when asked, and one blend index per vertex when indices are given.
zkSmartPointer<zkGeometry> geometry(zkGroup* parent, const char* name, bool normals, std::vector<int> blend = {})
{
    auto g = node<zkGeometry>(name, parent);
    zkVertexFormat format(zkVertexFormat::POSITION);
    format.setFlag(zkVertexFormat::NORMAL, normals);
    format.setWeightCount(blend.empty() ? 0 : 1);
    format.setBlendMatrixIndexCount(blend.empty() ? 0 : 1);
    auto array = zkCreate<zkVertexArray>();
    array->configure(format, 3, 0, 0);
    for (int v = 0; v < static_cast<int>(blend.size()) && v < 3; ++v) {
        array->setWeight(0, v, 1.0f);
        array->setBlendMatrixIndex(0, v, static_cast<uint8_t>(blend[v]));
    }
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array);
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_LIST, 1, 0);
    g->appendAttr(attr);
    return g;
}

zkSmartPointer<zkBlendMatrixSelect> palette(zkGroup* parent, std::vector<int> bones)
{
    auto select = node<zkBlendMatrixSelect>("palette", parent);
    for (int b : bones) select->getBlendMatrixIndices()->append(b);
    return select;
}

std::vector<int> entries(const zkBlendMatrixSelect* select)
{
    const zkIntList* list = select->getBlendMatrixIndices();
    return std::vector<int>(list->values.begin(), list->values.end());
}

std::vector<int> blendIndices(const zkGeometry* g)
{
    std::vector<int> out;
    for (int v = 0; v < 3; ++v) out.push_back(g->getGeometryAttr(0)->getBlendMatrixIndex(0, v));
    return out;
}

template <class T>
std::vector<T*> attrsOf(const zkAttrSet* set)
{
    std::vector<T*> out;
    for (int i = 0; i < set->getAttrCount(); ++i)
        if (set->getAttr(i)->isOfExactType(T::getClassTypeSafe())) out.push_back(static_cast<T*>(set->getAttr(i)));
    return out;
}

// A database with one skin over the graph "body".
struct Character {
    PassHarness harness;
    zkSmartPointer<zkAnimationDatabase> db = zkCreate<zkAnimationDatabase>();
    zkSmartPointer<zkGroup> body = node<zkGroup>("body", nullptr);

    Character()
    {
        auto skin = zkCreate<zkSkin>();
        skin->setSkinnedGraph(body);
        db->appendSkin(skin);
        harness.file->getInfoList()->append(db);
    }

    std::string run(bool fix = true, bool opaque = true, bool canonical = true)
    {
        auto pass = harness.pass<VeskoActorSkinFinalize>();
        pass->_fixOutlines = fix;
        pass->_addBlendStateToOutlines = opaque;
        pass->_canonicalizeSkeleton = canonical;
        return harness.run(pass.get());
    }
};

constexpr const char* kAllSteps = "Removing Lighting From Outlines!\nEnsuring Opaque Outlines!\nCanonicalizing Skeleton!\n";

TEST(ActorSkin, EverySkinWithAGraphGetsTheStepsThatAreSwitchedOn)
{
    Character c;
    auto empty = zkCreate<zkSkin>();
    c.db->appendSkin(empty);                                 // no graph
    c.db->getSkinList()->append(zkCreate<zkAnimation>()); // not a skin
    auto second = zkCreate<zkSkin>();
    second->setSkinnedGraph(zkCreate<zkGroup>());
    c.db->appendSkin(second);
    EXPECT_EQ(c.run(), std::string(kAllSteps) + kAllSteps);
    EXPECT_EQ(c.run(true, false, true), "Removing Lighting From Outlines!\nCanonicalizing Skeleton!\n"
                                        "Removing Lighting From Outlines!\nCanonicalizing Skeleton!\n");
    EXPECT_EQ(c.run(false, false, false), "");

    Character noSkins;
    noSkins.db->skinList = nullptr;
    EXPECT_EQ(noSkins.run(), "");
}

TEST(ActorSkin, OutlineLightingIsSwitchedOffInEveryLightingStateOfTheOwningSet)
{
    Character c;
    auto ink = node<zkAttrSet>("ink", c.body);
    auto on = zkCreate<zkLightingStateAttr>(), alsoOn = zkCreate<zkLightingStateAttr>();
    ink->appendAttr(on);
    ink->appendAttr(alsoOn);
    geometry(ink, "arm_outline", true);
    auto skin = node<zkAttrSet>("skin", c.body);
    auto lit = zkCreate<zkLightingStateAttr>();
    skin->appendAttr(lit);
    geometry(skin, "arm", true);
    c.run(true, false, false);
    EXPECT_FALSE(on->isEnabled());
    EXPECT_FALSE(alsoOn->isEnabled());
    EXPECT_EQ(ink->getAttrCount(), 2);
    EXPECT_TRUE(lit->isEnabled()); // normals and no "_outline": not an outline
    EXPECT_EQ(skin->getChildCount(), 1);
}

TEST(ActorSkin, ASetWithoutLightingStateGetsOneSwitchedOffAndGeometryWithoutASetIsSkipped)
{
    Character c;
    auto ink = node<zkAttrSet>("ink", c.body);
    auto flat = geometry(ink, "flat", false); // no normals: an outline too
    geometry(c.body, "loose_outline", false);  // no owning set
    c.run();
    std::vector<zkLightingStateAttr*> lighting = attrsOf<zkLightingStateAttr>(ink.get());
    ASSERT_EQ(lighting.size(), 1u);
    EXPECT_FALSE(lighting[0]->isEnabled());
    EXPECT_EQ(c.body->getChildCount(), 2);
    EXPECT_EQ(attrsOf<zkLightingStateAttr>(flat.get()).size(), 0u);
}

TEST(ActorSkin, PalettesAreSortedAndTheBlendIndicesBelowFollow)
{
    Character c;
    auto outer = palette(c.body, {7, 2, 5});
    auto set = node<zkAttrSet>("skin", outer);
    auto arm = geometry(set, "arm", true, {0, 1, 2});
    // A nested palette renumbers with its own order; geometry below no palette is left alone.
    auto inner = palette(set, {9, 3});
    auto hand = geometry(inner, "hand", true, {0, 1, 1});
    auto prop = geometry(c.body, "prop", true, {1, 0, 2});
    c.run(false, false, true);
    EXPECT_EQ(entries(outer.get()), (std::vector<int>{2, 5, 7}));
    EXPECT_EQ(blendIndices(arm.get()), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(entries(inner.get()), (std::vector<int>{3, 9}));
    EXPECT_EQ(blendIndices(hand.get()), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(blendIndices(prop.get()), (std::vector<int>{1, 0, 2}));
}

TEST(ActorSkin, ABlendIndexPastThePaletteIsLeftAsItWas)
{
    Character c;
    auto select = palette(c.body, {4, 1});
    auto g = geometry(select, "arm", true, {0, 1, 200});
    c.run(false, false, true);
    EXPECT_EQ(blendIndices(g.get()), (std::vector<int>{1, 0, 200}));
}

} // namespace
