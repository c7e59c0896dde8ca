// The scene-graph passes run as the host runs them, on small graphs built here: the lines they
// print and the graphs they leave.
#include "scene/veskoMenuOpt.h"
#include "scene/veskoReinstanceEnvMapShader.h"
#include "scene/veskoReinstanceGeometry.h"
#include "scene/veskoRemoveJunkAttrSets.h"
#include "scene/veskoRemoveNames.h"
#include "scene/zkBillboardMakerVesko.h"
#include "scene/zkCullFaceAdderVesko.h"
#include "scene/zkDeinstanceGeometryVesko.h"
#include "scene/zkFogMakerVesko.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/InstancedScene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tam::OptExtension;
using Tam::Test::PassHarness;
using Tam::Test::childNames;
using Tam::Test::node;
using Tam::Examples::shapeGeometry;

namespace {

std::string copyName(const char* base, int number)
{
    return std::string(base) + "+" + std::to_string(number);
}

// ---- de-instancing ----

TEST(Deinstance, EveryParentGetsItsOwnNumberedCopyAndTheCounterCarriesOn)
{
    PassHarness h;
    auto a = node("a", h.root.get()), b = node("b", h.root.get()), c = node("c", h.root.get());
    auto rock = shapeGeometry("rock", 1, 12);
    a->appendChild(rock.get());
    b->appendChild(rock.get());
    c->appendChild(rock.get());
    const int n = zkDeinstanceGeometryVesko::getCopyCount();

    auto pass = h.pass<zkDeinstanceGeometryVesko>();
    EXPECT_EQ(h.run(pass.get()), "Deinstance a zkGeometry named " + copyName("rock", n + 1) + "\n" +
                                     "Deinstance a zkGeometry named " + copyName("rock", n + 2) + "\n" +
                                     "Deinstance a zkGeometry named " + copyName("rock", n + 3) + "\n" +
                                     "zkDeinstanceGeometryVesko all done!\n");
    EXPECT_EQ(childNames(a.get()), std::vector<std::string>{copyName("rock", n + 1)});
    EXPECT_EQ(childNames(b.get()), std::vector<std::string>{copyName("rock", n + 2)});
    EXPECT_EQ(childNames(c.get()), std::vector<std::string>{copyName("rock", n + 3)});
    EXPECT_EQ(rock->getParentCount(), 0);
    // Deep copies: each use owns its vertices.
    EXPECT_NE(a->getChild(0), b->getChild(0));
    EXPECT_NE(static_cast<zkGeometry*>(a->getChild(0))->getGeometryAttr(0),
              static_cast<zkGeometry*>(b->getChild(0))->getGeometryAttr(0));
    EXPECT_EQ(static_cast<zkGeometry*>(a->getChild(0))->getVertexCount(), 12);

    // A node shared later, by a second pass object, goes on from the last number.
    auto tree = node("tree");
    a->appendChild(tree.get());
    b->appendChild(tree.get());
    auto again = h.pass<zkDeinstanceGeometryVesko>();
    EXPECT_EQ(h.run(again.get()), "Deinstance a zkGroup named " + copyName("tree", n + 4) + "\n" +
                                      "Deinstance a zkGroup named " + copyName("tree", n + 5) + "\n" +
                                      "zkDeinstanceGeometryVesko all done!\n");
}

TEST(Deinstance, AGroupWithTwoParentsIsCopiedWithItsWholeSubtreeInOrder)
{
    PassHarness h;
    auto left = node("left", h.root.get()), right = node("right", h.root.get());
    auto branch = node("branch");
    auto twig = node("twig", branch.get());
    node<zkTransform>("leafy", twig.get());
    branch->appendChild(shapeGeometry("bark", 2, 6).get());
    node<zkAttrSet>("mat", branch.get());
    left->appendChild(branch.get());
    right->appendChild(branch.get());
    const int n = zkDeinstanceGeometryVesko::getCopyCount();

    auto pass = h.pass<zkDeinstanceGeometryVesko>();
    EXPECT_EQ(h.run(pass.get()), "Deinstance a zkGroup named " + copyName("branch", n + 1) + "\n" +
                                     "Deinstance a zkGroup named " + copyName("branch", n + 2) + "\n" +
                                     "zkDeinstanceGeometryVesko all done!\n");
    const std::vector<std::string> order{"twig", "bark", "mat"};
    for (zkGroup* side : {left.get(), right.get()}) {
        ASSERT_EQ(side->getChildCount(), 1);
        zkGroup* copy = zkGroup::dynamicCast(side->getChild(0));
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(childNames(copy), order);
        for (int i = 0; i < copy->getChildCount(); ++i) {
            EXPECT_NE(copy->getChild(i), branch->getChild(i)) << "child " << i << " still shared";
            EXPECT_EQ(copy->getChild(i)->getParentCount(), 1);
        }
        zkGroup* twigCopy = static_cast<zkGroup*>(copy->getChild(0));
        EXPECT_EQ(childNames(twigCopy), std::vector<std::string>{"leafy"});
        EXPECT_NE(twigCopy->getChild(0), twig->getChild(0));
    }
    EXPECT_NE(left->getChild(0)->getName(), std::string(right->getChild(0)->getName()));
}

TEST(Deinstance, SharedNodesBelowASharedGroupAreSplitFirstAndLongNamesAreCut)
{
    PassHarness h;
    const std::string longName(300, 'n');
    auto left = node("left", h.root.get()), right = node("right", h.root.get());
    auto inner = node(longName.c_str());
    auto a = node("a"), b = node("b");
    a->appendChild(inner.get());
    b->appendChild(inner.get());
    left->appendChild(a.get());
    right->appendChild(a.get());
    h.root->appendChild(b.get());
    const int n = zkDeinstanceGeometryVesko::getCopyCount();

    auto pass = h.pass<zkDeinstanceGeometryVesko>();
    const std::string printed = h.run(pass.get());
    const std::string cut = longName.substr(0, 243);
    EXPECT_EQ(printed, "Deinstance a zkGroup named " + copyName(cut.c_str(), n + 1) + "\n" +
                           "Deinstance a zkGroup named " + copyName(cut.c_str(), n + 2) + "\n" +
                           "Deinstance a zkGroup named " + copyName("a", n + 3) + "\n" +
                           "Deinstance a zkGroup named " + copyName("a", n + 4) + "\n" +
                           "zkDeinstanceGeometryVesko all done!\n");
    EXPECT_EQ(childNames(b.get()), std::vector<std::string>{copyName(cut.c_str(), n + 2)});
    EXPECT_EQ(childNames(static_cast<zkGroup*>(left->getChild(0))), std::vector<std::string>{copyName(cut.c_str(), n + 1)});
    EXPECT_NE(static_cast<zkGroup*>(left->getChild(0))->getChild(0), static_cast<zkGroup*>(right->getChild(0))->getChild(0));
}

// ---- re-instancing ----

zkSmartPointer<zkGeometry> twin(const char* name, uint32_t shape, int vertices, zkGroup* parent)
{
    auto g = shapeGeometry(name, shape, vertices);
    parent->appendChild(g.get());
    return g;
}

TEST(Reinstance, EveryComponentCountsExactlyButMinusZeroEqualsZero)
{
    PassHarness h;
    auto pass = h.pass<veskoReinstanceGeometry>();
    auto base = shapeGeometry("g", 9, 40);
    auto sameAgain = shapeGeometry("g", 9, 40);
    EXPECT_TRUE(pass->isGeometrySame(base.get(), sameAgain.get()));

    auto uv = shapeGeometry("g", 9, 40);
    float* st = uv->getGeometryAttr(0)->getVertexArray()->getTextureCoord(0, 17);
    st[1] = std::nextafter(st[1], 100.0f);
    EXPECT_FALSE(pass->isGeometrySame(base.get(), uv.get()));

    auto normal = shapeGeometry("g", 9, 40);
    normal->getGeometryAttr(0)->getVertexArray()->getNormal(39)[2] = 0.5f;
    EXPECT_FALSE(pass->isGeometrySame(base.get(), normal.get()));

    // A format bit that adds a component: unequal words, whatever the values.
    auto colored = shapeGeometry("g", 9, 40);
    zkVertexArray* array = colored->getGeometryAttr(0)->getVertexArray();
    array->reconfigure(array->getVertexFormat() | zkVertexFormat::COLOR, 40, 0);
    EXPECT_FALSE(pass->isGeometrySame(base.get(), colored.get()));
    auto colored2 = shapeGeometry("g", 9, 40);
    zkVertexArray* array2 = colored2->getGeometryAttr(0)->getVertexArray();
    array2->reconfigure(array2->getVertexFormat() | zkVertexFormat::COLOR, 40, 0);
    EXPECT_TRUE(pass->isGeometrySame(colored.get(), colored2.get()));
    array2->setColor(3, 0xff00ff00u);
    EXPECT_FALSE(pass->isGeometrySame(colored.get(), colored2.get()));

    // The same vertices split differently over attributes are not the same geometry.
    auto two = shapeGeometry("g", 9, 40);
    two->appendAttr(shapeGeometry("h", 10, 3)->getGeometryAttr(0));
    EXPECT_FALSE(pass->isGeometrySame(base.get(), two.get()));

    // -0 and 0 compare equal as floats, so they also hash alike and the two are shared.
    auto zero = shapeGeometry("z", 11, 40);
    auto minusZero = shapeGeometry("z2", 11, 40);
    zero->getGeometryAttr(0)->getVertexArray()->getPosition(4)[0] = 0.0f;
    minusZero->getGeometryAttr(0)->getVertexArray()->getPosition(4)[0] = -0.0f;
    h.root->appendChild(zero.get());
    h.root->appendChild(minusZero.get());
    EXPECT_EQ(h.run(pass.get()), "Reinstancing: 2 instances of z. 40 vertices.\n1 zkGeometry were reinstanced.\n"
                                 "veskoReinstanceGeometry all done!\n");
}

TEST(Reinstance, LaterCandidatesJoinTheFirstOfTheirGroupInWalkOrder)
{
    PassHarness h;
    auto p = node("p", h.root.get());
    auto a1 = twin("a1", 1, 40, p.get());
    auto b1 = twin("b1", 2, 50, p.get());
    auto a2 = twin("a2", 1, 40, node("q", h.root.get()).get());
    auto b2 = twin("b2", 2, 50, p.get());
    auto a3 = twin("a3", 1, 40, h.root.get());
    auto pass = h.pass<veskoReinstanceGeometry>();
    EXPECT_EQ(h.run(pass.get()), "Reinstancing: 3 instances of a1. 40 vertices.\n"
                                 "Reinstancing: 2 instances of b1. 50 vertices.\n"
                                 "3 zkGeometry were reinstanced.\nveskoReinstanceGeometry all done!\n");
    EXPECT_EQ(childNames(p.get()), (std::vector<std::string>{"a1", "b1", "b1"}));
    EXPECT_EQ(childNames(static_cast<zkGroup*>(h.root->getChild(1))), std::vector<std::string>{"a1"});
    EXPECT_EQ(childNames(h.root.get()), (std::vector<std::string>{"p", "q", "a1"}));
    EXPECT_EQ(a1->getParentCount(), 3);
}

TEST(Reinstance, ParentsAreWalkedByIndexWhileTheHostShortensTheList)
{
    // The host's removal drops the parent link at once, so walking the parents by index while
    // the count is re-read replaces every other one; the rest keep the old node.
    PassHarness h;
    auto first = twin("first", 3, 40, h.root.get());
    auto other = shapeGeometry("other", 3, 40);
    std::vector<zkSmartPointer<zkGroup>> holders;
    for (const char* name : {"h0", "h1", "h2"}) {
        holders.push_back(node(name, h.root.get()));
        holders.back()->appendChild(other.get());
    }
    auto pass = h.pass<veskoReinstanceGeometry>();
    h.run(pass.get());
    EXPECT_EQ(childNames(holders[0].get()), std::vector<std::string>{"first"});
    EXPECT_EQ(childNames(holders[1].get()), std::vector<std::string>{"other"});
    EXPECT_EQ(childNames(holders[2].get()), std::vector<std::string>{"first"});
}

TEST(Reinstance, ANodeIsNeverSharedUnderItsOwnSubtree)
{
    PassHarness h;
    auto outer = twin("outer", 4, 40, h.root.get());
    auto inner = twin("inner", 4, 40, outer.get());
    auto pass = h.pass<veskoReinstanceGeometry>();
    h.run(pass.get());
    EXPECT_EQ(childNames(outer.get()), std::vector<std::string>{"inner"});
    EXPECT_EQ(outer->getParentCount(), 1);
}

// ---- environment-map shaders ----

zkSmartPointer<zkImage> image(const char* name, uint8_t fill)
{
    auto i = zkCreate<zkImage>();
    i->setName(name);
    i->pixels.assign(16, fill);
    return i;
}

zkSmartPointer<zkDx8EnvironmentMapShader> shader(const char* name, zkGroup* parent, uint8_t faceFill = 7)
{
    auto s = node<zkDx8EnvironmentMapShader>(name, parent);
    auto diffuse = zkCreate<zkTextureAttr>();
    diffuse->images.items.emplace_back(image("paint", 1));
    auto bind = zkCreate<zkTextureBindAttr>();
    bind->texture = diffuse.get();
    s->setDiffuseTexture(bind.get());
    auto gloss = zkCreate<zkTextureAttr>();
    gloss->images.items.emplace_back(image("gloss", 2));
    s->setGlossMapTexture(gloss.get());
    auto cube = zkCreate<zkTextureCubeAttr>();
    for (int f = 0; f < zkTextureCubeAttr::kFaceCount; ++f) cube->setCubeImage(f, image("face", faceFill).get());
    s->setEnvironmentMapTexture(cube.get());
    s->reflectivity = 0.5f;
    return s;
}

TEST(ReinstanceEnvMap, ShadersAlikeInNameAndImagesShareTheFirstOnesTextures)
{
    PassHarness h;
    auto first = shader("chrome", h.root.get());
    auto second = shader("chrome", node("deeper", h.root.get()).get());
    auto third = shader("mirror", h.root.get());
    auto pass = h.pass<veskoReinstanceEnvMapShader>();
    EXPECT_EQ(h.run(pass.get()), "Reinstanced: 2 instances of chrome.\nveskoReinstanceEnvMapShader all done!\n");
    EXPECT_EQ(second->getDiffuseTexture(), first->getDiffuseTexture());
    EXPECT_EQ(second->getGlossMapTexture(), first->getGlossMapTexture());
    EXPECT_EQ(second->getEnvironmentMapTexture(), first->getEnvironmentMapTexture());
    EXPECT_NE(third->getEnvironmentMapTexture(), first->getEnvironmentMapTexture());
}

TEST(ReinstanceEnvMap, AnyDifferingImageOrPropertyKeepsShadersApart)
{
    PassHarness h;
    auto pass = h.pass<veskoReinstanceEnvMapShader>();
    auto a = shader("chrome", nullptr);
    EXPECT_TRUE(pass->isShaderSame(a.get(), shader("chrome", nullptr).get()));
    EXPECT_FALSE(pass->isShaderSame(a.get(), shader("chrome", nullptr, 8).get())) << "a cube face's pixels";
    EXPECT_FALSE(pass->isShaderSame(shader("", nullptr).get(), shader("", nullptr).get())) << "unnamed";

    auto renamedFace = shader("chrome", nullptr);
    renamedFace->getEnvironmentMapTexture()->getCubeImage(5)->setName("other");
    EXPECT_FALSE(pass->isShaderSame(a.get(), renamedFace.get()));
    auto unnamedFace = shader("chrome", nullptr);
    unnamedFace->getEnvironmentMapTexture()->getCubeImage(5)->setName("");
    EXPECT_TRUE(pass->isShaderSame(a.get(), unnamedFace.get())) << "names count only when both have one";

    auto noGloss = shader("chrome", nullptr);
    noGloss->setGlossMapTexture(nullptr);
    EXPECT_FALSE(pass->isShaderSame(a.get(), noGloss.get()));
    auto emptyBind = shader("chrome", nullptr);
    emptyBind->getDiffuseTexture()->texture = nullptr;
    EXPECT_FALSE(pass->isShaderSame(a.get(), emptyBind.get()));

    auto blend = shader("chrome", nullptr);
    blend->blendMode = 1;
    EXPECT_FALSE(pass->isShaderSame(a.get(), blend.get()));
    auto map = shader("chrome", nullptr);
    map->mapType = 2;
    EXPECT_FALSE(pass->isShaderSame(a.get(), map.get()));
    auto reflective = shader("chrome", nullptr);
    reflective->reflectivity = 0.25f;
    EXPECT_FALSE(pass->isShaderSame(a.get(), reflective.get()));
}

// ---- clean-up ----

TEST(RemoveJunkAttrSets, EmptyPlainSetsLeaveEveryParentOtherSetsStay)
{
    PassHarness h;
    auto a = node("a", h.root.get()), b = node("b", h.root.get());
    auto junk = node<zkAttrSet>("junk");
    a->appendChild(junk.get());
    b->appendChild(junk.get());
    auto full = node<zkAttrSet>("full", a.get());
    node("content", full.get());
    node<zkOverrideAttrSet>("override", b.get());
    b->appendChild(shapeGeometry("geo", 1, 3).get());

    auto pass = h.pass<veskoRemoveJunkAttrSets>();
    EXPECT_EQ(h.run(pass.get()), "removing junk attr set\nremoving junk attr set\n");
    EXPECT_EQ(childNames(a.get()), std::vector<std::string>{"full"});
    EXPECT_EQ(childNames(b.get()), (std::vector<std::string>{"override", "geo"}));
    EXPECT_EQ(junk->getParentCount(), 0);
}

TEST(RemoveNames, NamesTheGameLooksUpSurviveOthersAreCleared)
{
    PassHarness h;
    struct Case {
        const char* name;
        bool kept;
    };
    const std::vector<Case> cases{{"FX", true},          {"Grab1", true}, {"GunBarrel", true}, {"Preserve_door", true},
                                  {"gun", true},         {"fx1", false},  {"grab", false},     {"preserve", false},
                                  {"door_preserve_", false}};
    std::vector<zkSmartPointer<zkGroup>> nodes;
    for (const Case& c : cases) nodes.push_back(node(c.name, h.root.get()));
    auto light = node<zkLightSet>("sun");
    auto camera = node<zkCamera>("eye");
    h.root->appendChild(light.get());
    h.root->appendChild(camera.get());
    auto texture = zkCreate<zkTextureAttr>();
    texture->images.items.emplace_back(image("bricks", 0));
    auto material = node<zkAttrSet>("material", nodes.back().get());
    material->appendAttr(texture.get());

    auto pass = h.pass<veskoRemoveNames>();
    h.run(pass.get());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(std::string(nodes[i]->getName()), cases[i].kept ? cases[i].name : "") << cases[i].name;
    EXPECT_STREQ(h.root->getName(), "root") << "held by the scene info";
    EXPECT_STREQ(light->getName(), "sun");
    EXPECT_STREQ(camera->getName(), "eye");
    EXPECT_STREQ(material->getName(), "");
    EXPECT_STREQ(texture->getImage(0)->getName(), "") << "images are named objects too";
}

TEST(MenuOpt, ItemGroupsBecomeBoundedFlaggedEmptyPlaceholders)
{
    PassHarness h;
    auto shelf = node<zkUserInfo>("shelf", h.root.get());
    shelf->setStringProperty("Colour", "red");
    auto item = node<zkUserInfo>("potion", shelf.get());
    item->setStringProperty("ItemName", "potion");
    auto place = node<zkTransform>("place", item.get());
    zkMatrix44f m;
    m.makeIdentity();
    m.m[3][0] = 100.0f;
    place->setMatrix(m);
    place->appendChild(shapeGeometry("bottle", 3, 30).get());
    auto nested = node<zkUserInfo>("cork", item.get());
    nested->setStringProperty("ItemName", "cork");
    auto lower = node<zkUserInfo>("lowercase", h.root.get());
    lower->setStringProperty("itemname", "no");
    node("kept", lower.get());

    auto bounds = zkCreate<zkBoundingBoxesMaker>();
    const zkBoundingBox box = bounds->getBoundingBox(item.get());
    auto pass = h.pass<veskoMenuOpt>();
    EXPECT_EQ(h.run(pass.get()), "ItemName Info potion found and clipped\n");
    EXPECT_EQ(item->getChildCount(), 0);
    EXPECT_EQ(item->getFlags() & ZK_NODE_FLAG_SKIP_COLLISION, ZK_NODE_FLAG_SKIP_COLLISION);
    EXPECT_FLOAT_EQ(item->getBoundCenter().x, box.getCenter().x);
    EXPECT_GT(item->getBoundCenter().x, 80.0f);
    EXPECT_FLOAT_EQ(item->getBoundRadius(), box.getRadius());
    EXPECT_EQ(nested->getFlags(), 0u);
    EXPECT_EQ(childNames(lower.get()), std::vector<std::string>{"kept"});
    EXPECT_EQ(shelf->getFlags(), 0u);
}

// ---- tag-driven attributes ----

int attrsOf(const zkAttrSet* set, const zkMetaObject* type)
{
    int n = 0;
    for (int i = 0; i < set->getAttrCount(); ++i) n += set->getAttr(i)->isOfExactType(type);
    return n;
}

TEST(CullFaceAdder, OnlyPlainSetsWithABareTagGetCullingAndTheirSubtreeIsLeft)
{
    PassHarness h;
    auto lamp = node<zkAttrSet>("lamp$bc", h.root.get());
    auto below = node<zkAttrSet>("bulb$bc", lamp.get());
    auto one = node<zkAttrSet>("lamp$bc1", h.root.get());
    auto caps = node<zkAttrSet>("lamp$BC", h.root.get());
    auto over = node<zkOverrideAttrSet>("o$bc", h.root.get());
    auto geo = shapeGeometry("g$bc", 1, 3);
    h.root->appendChild(geo.get());
    auto deep = node<zkAttrSet>("deep$bc", node<zkTransform>("t", h.root.get()).get());

    auto pass = h.pass<zkCullFaceAdderVesko>();
    EXPECT_EQ(h.run(pass.get()), "");
    const zkMetaObject* cull = zkCullFaceAttr::getClassTypeSafe();
    ASSERT_EQ(attrsOf(lamp.get(), cull), 1);
    EXPECT_EQ(static_cast<zkCullFaceAttr*>(lamp->getAttr(0))->getCullFace(), 1);
    EXPECT_EQ(attrsOf(deep.get(), cull), 1);
    for (zkAttrSet* untouched : {below.get(), one.get(), caps.get(), static_cast<zkAttrSet*>(over.get()),
                                 static_cast<zkAttrSet*>(geo.get())})
        EXPECT_EQ(attrsOf(untouched, cull), 0) << untouched->getName();
}

TEST(BillboardMaker, TaggedSetsHandTheirChildrenReversedToABillboardOfTheTaggedMode)
{
    PassHarness h;
    auto sign = node<zkAttrSet>("sign$bb2", h.root.get());
    for (const char* name : {"c0", "c1", "c2"}) node(name, sign.get());
    auto inner = node<zkAttrSet>("inner$bb1", sign.get());
    auto rounded = node<zkAttrSet>("sign$bb2.6", h.root.get());
    auto two = node<zkAttrSet>("sign$bb 2 , 3", h.root.get());
    node("kid", two.get());
    auto chained = node<zkAttrSet>("x$bb1$bc", h.root.get());
    auto existing = node<zkBillboard>("old", h.root.get());
    auto insideBillboard = node<zkAttrSet>("in$bb4", existing.get());
    auto geo = shapeGeometry("g$bb1", 1, 3);
    h.root->appendChild(geo.get());

    auto pass = h.pass<zkBillboardMakerVesko>();
    EXPECT_EQ(h.run(pass.get()), "");
    EXPECT_STREQ(sign->getName(), "Billboarded");
    ASSERT_EQ(sign->getChildCount(), 1);
    zkBillboard* board = zkBillboard::dynamicCast(sign->getChild(0));
    ASSERT_NE(board, nullptr);
    EXPECT_STREQ(board->getName(), "sign$bb2");
    EXPECT_EQ(board->getMode(), 2);
    EXPECT_EQ(childNames(board), (std::vector<std::string>{"inner$bb1", "c2", "c1", "c0"}));
    EXPECT_EQ(inner->getChildCount(), 0) << "the billboard's new children are not walked";

    ASSERT_EQ(rounded->getChildCount(), 1);
    EXPECT_EQ(static_cast<zkBillboard*>(rounded->getChild(0))->getMode(), 3);
    EXPECT_STREQ(two->getName(), "sign$bb 2 , 3");
    EXPECT_EQ(childNames(two.get()), std::vector<std::string>{"kid"});
    ASSERT_EQ(chained->getChildCount(), 1);
    EXPECT_EQ(static_cast<zkBillboard*>(chained->getChild(0))->getMode(), 1);
    EXPECT_STREQ(insideBillboard->getName(), "in$bb4");
    EXPECT_EQ(geo->getChildCount(), 0);
}

TEST(FogMaker, EightValuesGiveAFogSwitchAndSettingsAlsoBelowAFoggedSet)
{
    PassHarness h;
    auto room = node<zkAttrSet>("room$fn1,0.5,0.5,0.5,1,10.0,100.0,0.01", h.root.get());
    auto alcove = node<zkAttrSet>("alcove$fn2,0,0,0,1,1,2,0.5", room.get());
    auto seven = node<zkAttrSet>("hall$fn1,0.5,0.5,0.5,1,10.0,100.0", h.root.get());
    auto geo = shapeGeometry("g$fn1,0.5,0.5,0.5,1,10.0,100.0,0.01", 1, 3);
    h.root->appendChild(geo.get());

    auto pass = h.pass<zkFogMakerVesko>();
    EXPECT_EQ(h.run(pass.get()), "");
    ASSERT_EQ(room->getAttrCount(), 2);
    zkFogStateAttr* state = zkFogStateAttr::dynamicCast(room->getAttr(0));
    zkFogAttr* fog = zkFogAttr::dynamicCast(room->getAttr(1));
    ASSERT_TRUE(state && fog);
    EXPECT_TRUE(state->isEnabled());
    const float expected[8] = {1, 0.5f, 0.5f, 0.5f, 1, 10, 100, 0.01f};
    for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(fog->getParameter(i), expected[i]) << "parameter " << i;
    ASSERT_EQ(alcove->getAttrCount(), 2);
    EXPECT_EQ(static_cast<zkFogAttr*>(alcove->getAttr(1))->getMode(), 2);
    EXPECT_EQ(seven->getAttrCount(), 0);
    EXPECT_EQ(geo->getAttrCount(), 1);
}

} // namespace
