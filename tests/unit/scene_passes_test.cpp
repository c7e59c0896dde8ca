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
using Tam::Test::node;
using Tam::Examples::shapeGeometry;

namespace {

// ---- de-instancing ----

// One numbered deep copy per parent is the golden cases courtyard and shared_subtree; a zkopt run
// cannot show that the numbers carry on across pass objects of one process.
TEST(Deinstance, TheCopyNumbersCarryOnAcrossPassObjects)
{
    PassHarness h;
    auto a = node("a", h.root.get()), b = node("b", h.root.get());
    b->appendChild(node("rock", a.get()).get()); // shared by a and b
    const int n = zkDeinstanceGeometryVesko::getCopyCount();
    h.run(h.pass<zkDeinstanceGeometryVesko>().get());
    b->appendChild(node("tree", a.get()).get());
    EXPECT_EQ(h.run(h.pass<zkDeinstanceGeometryVesko>().get()),
              "Deinstance a zkGroup named tree+" + std::to_string(n + 3) + "\nDeinstance a zkGroup named tree+" +
                  std::to_string(n + 4) + "\nzkDeinstanceGeometryVesko all done!\n");
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
