// The scene-graph passes run as the host runs them, on small graphs built here, where a golden
// case under tests/passes cannot say it: a copy counter that carries on across pass objects, the
// sameness tests themselves, and graphs the scene files refuse.
#include "scene/veskoReinstanceEnvMapShader.h"
#include "scene/veskoReinstanceGeometry.h"
#include "scene/veskoRemoveNames.h"
#include "scene/zkDeinstanceGeometryVesko.h"
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

// ---- re-instancing ----

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

} // namespace
