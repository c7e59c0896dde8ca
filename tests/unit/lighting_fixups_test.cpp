// The lighting and material fix-ups on small scenes built here: which geometry loses its normals,
// where the lighting-off sets end up, what the lines say, and the three material passes.
#include "image/veskoFixMaterialMode.h"
#include "image/veskoMakeSphereMaps.h"
#include "image/veskoNoNormalsNoLighting.h"
#include "image/veskoRemoveGlossMaps.h"
#include "tests/harness/PassHarness.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Tam::OptExtension;
using Tam::Test::PassHarness;

namespace {

constexpr uint32_t kPos = zkVertexFormat::POSITION;
constexpr uint32_t kNormal = zkVertexFormat::NORMAL;

// One triangle, its vertex positions (i, 2i, 3i), with normals when the format has them.
zkSmartPointer<zkGeometryAttr> triangle(uint32_t format)
{
    auto array = zkCreate<zkVertexArray>();
    array->configure(format | kPos, 3, 0x5a);
    for (int v = 0; v < 3; ++v) {
        array->setPosition(v, {float(v), float(2 * v), float(3 * v)});
        array->setNormal(v, {0, 0, 1});
    }
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array);
    return attr;
}

zkSmartPointer<zkGeometry> geometry(const char* name, std::initializer_list<uint32_t> formats)
{
    auto g = zkCreate<zkGeometry>();
    g->setName(name);
    for (uint32_t f : formats) g->appendAttr(triangle(f));
    return g;
}


// The lighting-off set a conversion made from a geometry: its one attribute switches lighting
// off and its one child is the geometry that took the attributes without normals.
zkGeometry* unlitGeometryOf(zkNode* node, const char* name)
{
    auto* set = zkAttrSet::dynamicCast(node);
    EXPECT_TRUE(set && set->isOfExactType(zkAttrSet::getClassTypeSafe()));
    if (!set) return nullptr;
    EXPECT_STREQ(set->getName(), name);
    EXPECT_EQ(set->getAttrCount(), 1);
    auto* lighting = zkLightingStateAttr::dynamicCast(set->getAttr(0));
    EXPECT_TRUE(lighting && !lighting->isEnabled());
    EXPECT_EQ(set->getChildCount(), 1);
    auto* g = set->getChildCount() ? zkGeometry::dynamicCast(set->getChild(0)) : nullptr;
    EXPECT_TRUE(g && !std::strcmp(g->getName(), name));
    return g;
}

} // namespace

TEST(NoNormalsNoLighting, OnlyATagWithoutValueSelectsAndTheFirstAttributeLeftWithoutNormalsMoves)
{
    PassHarness scene;
    // The walk over a selected geometry's attributes stops at the first one without normals, so
    // of two attributes only the first loses its normals and moves.
    auto tagged = geometry("rock$nn", {kNormal, kNormal});
    zkGeometryAttr* firstAttr = tagged->getGeometryAttr(0);
    zkGeometryAttr* secondAttr = tagged->getGeometryAttr(1);
    scene.root->appendChild(tagged);
    scene.root->appendChild(geometry("rock$nn2", {kNormal}));
    scene.root->appendChild(geometry("door$bc", {kNormal}));
    scene.root->appendChild(geometry("door$bc1", {kNormal}));

    EXPECT_EQ(scene.run(scene.pass<veskoNoNormalsNoLighting>()), "Removing normals from rock$nn\n"
                                           "Removing normals from door$bc\n"
                                           "rock$nn had at least one zkGeometryAttr with no normals.\n"
                                           "door$bc had at least one zkGeometryAttr with no normals.\n"
                                           "Old door$bc removed.\n"
                                           "veskoNoNormalsNoLighting all done!\n");
    ASSERT_EQ(scene.root->getChildCount(), 5);
    EXPECT_EQ(scene.root->getChild(0), tagged.get());
    ASSERT_EQ(tagged->getAttrCount(), 1);
    EXPECT_EQ(tagged->getGeometryAttr(0), secondAttr);
    EXPECT_TRUE(secondAttr->getVertexFormat().hasNormals());
    EXPECT_STREQ(scene.root->getChild(1)->getName(), "rock$nn2");
    EXPECT_TRUE(static_cast<zkGeometry*>(scene.root->getChild(1))->getGeometryAttr(0)->getVertexFormat().hasNormals());
    EXPECT_STREQ(scene.root->getChild(2)->getName(), "door$bc1");
    zkGeometry* rock = unlitGeometryOf(scene.root->getChild(3), "rock$nn");
    zkGeometry* door = unlitGeometryOf(scene.root->getChild(4), "door$bc");
    ASSERT_TRUE(rock && door);
    EXPECT_EQ(door->getAttrCount(), 1);
    ASSERT_EQ(rock->getAttrCount(), 1);
    EXPECT_EQ(rock->getGeometryAttr(0), firstAttr);
    // Positions, count and the renderer's word stay; the normals go.
    const zkVertexArray* array = firstAttr->getVertexArray();
    EXPECT_EQ(array->getVertexFormat().word, kPos);
    EXPECT_EQ(array->getVertexCount(), 3);
    EXPECT_EQ(array->getConfiguration(), 0x5au);
    zkVec3f p;
    ASSERT_TRUE(array->readPosition(2, p));
    EXPECT_EQ(p.z, 6.0f);
}

TEST(NoNormalsNoLighting, AttributesWithoutNormalsMoveLastFirst)
{
    PassHarness scene;
    auto bare = geometry("bare", {0, kNormal, 0});
    zkSmartPointer<zkGeometryAttr> first(bare->getGeometryAttr(0)), third(bare->getGeometryAttr(2));
    scene.root->appendChild(bare);
    scene.run(scene.pass<veskoNoNormalsNoLighting>());
    zkGeometry* moved = unlitGeometryOf(scene.root->getChild(1), "bare");
    ASSERT_TRUE(moved);
    ASSERT_EQ(moved->getAttrCount(), 2);
    EXPECT_EQ(moved->getGeometryAttr(0), third.get());
    EXPECT_EQ(moved->getGeometryAttr(1), first.get());
    EXPECT_EQ(bare->getAttrCount(), 1);
}

TEST(NoNormalsNoLighting, MixedAttributesSplitAndTheGeometryWithNormalsStays)
{
    PassHarness scene;
    auto mixed = geometry("mixed", {kNormal, 0});
    zkGeometryAttr* lit = mixed->getGeometryAttr(0);
    zkGeometryAttr* bare = mixed->getGeometryAttr(1);
    scene.root->appendChild(mixed);
    auto unnamed = geometry("", {0});
    auto morph = zkCreate<zkMorphInstance>();
    morph->setName("morph");
    morph->appendAttr(triangle(0));
    scene.root->appendChild(unnamed);
    scene.root->appendChild(morph);

    EXPECT_EQ(scene.run(scene.pass<veskoNoNormalsNoLighting>()), "mixed had at least one zkGeometryAttr with no normals.\n"
                                           " had at least one zkGeometryAttr with no normals.\n"
                                           "Old  removed.\n"
                                           "veskoNoNormalsNoLighting all done!\n");
    ASSERT_EQ(scene.root->getChildCount(), 4);
    EXPECT_EQ(scene.root->getChild(0), mixed.get());
    ASSERT_EQ(mixed->getAttrCount(), 1);
    EXPECT_EQ(mixed->getGeometryAttr(0), lit);
    EXPECT_EQ(scene.root->getChild(1), morph.get());
    zkGeometry* moved = unlitGeometryOf(scene.root->getChild(2), "mixed");
    ASSERT_TRUE(moved);
    ASSERT_EQ(moved->getAttrCount(), 1);
    EXPECT_EQ(moved->getGeometryAttr(0), bare);
    unlitGeometryOf(scene.root->getChild(3), "");
}

TEST(NoNormalsNoLighting, AConvertedGeometryWithChildrenBecomesAGroupUnderEveryParentKeepingTheirOrder)
{
    PassHarness scene;
    auto shared = geometry("crate", {0});
    auto children = {geometry("a", {kNormal}), geometry("b", {kNormal}), geometry("c", {kNormal})};
    for (const auto& child : children) shared->appendChild(child);
    auto left = zkCreate<zkGroup>();
    auto right = zkCreate<zkGroup>();
    left->appendChild(shared);
    right->appendChild(shared);
    scene.root->appendChild(left);
    scene.root->appendChild(right);

    EXPECT_EQ(scene.run(scene.pass<veskoNoNormalsNoLighting>()), "crate had at least one zkGeometryAttr with no normals.\n"
                                           "Old crate converted to a group.\n"
                                           "veskoNoNormalsNoLighting all done!\n");
    EXPECT_EQ(shared->getParentCount(), 0);
    EXPECT_EQ(shared->getChildCount(), 0);
    for (zkGroup* parent : {left.get(), right.get()}) {
        ASSERT_EQ(parent->getChildCount(), 2);
        unlitGeometryOf(parent->getChild(0), "crate");
        zkGroup* group = zkGroup::dynamicCast(parent->getChild(1));
        ASSERT_TRUE(group && group->isOfExactType(zkGroup::getClassTypeSafe()));
        EXPECT_STREQ(group->getName(), "crate");
        ASSERT_EQ(group->getChildCount(), 3);
        int i = 0;
        for (const auto& child : children) EXPECT_EQ(group->getChild(i++), child.get());
    }
    EXPECT_EQ(left->getChild(0), right->getChild(0)); // one set, shared as the geometry was
}

TEST(MaterialFixUps, GlossMapsGoFromSecondGenerationShadersOnly)
{
    PassHarness scene;
    auto gloss = zkCreate<zkTextureAttr>();
    auto shader = zkCreate<zkEnvironmentMapShader2>();
    auto dx8 = zkCreate<zkDx8EnvironmentMapShader>();
    auto diffuse = zkCreate<zkTextureBindAttr>();
    shader->setGlossMapTexture(gloss);
    shader->setDiffuseTexture(diffuse);
    dx8->setGlossMapTexture(gloss);
    scene.root->appendChild(shader);
    scene.root->appendChild(dx8);
    EXPECT_EQ(scene.run(scene.pass<veskoRemoveGlossMaps>()), "");
    EXPECT_EQ(shader->getGlossMapTexture(), nullptr);
    EXPECT_EQ(shader->getDiffuseTexture(), diffuse.get());
    EXPECT_EQ(dx8->getGlossMapTexture(), gloss.get());
}

TEST(MaterialFixUps, ACubeTextureBecomesASphereMapAndDropsItsFaces)
{
    PassHarness scene;
    auto fromFaces = zkCreate<zkTextureCubeAttr>();
    auto hasSphere = zkCreate<zkTextureCubeAttr>();
    std::vector<uint8_t> texels(4 * 4 * 4, 200);
    for (int f = 0; f < zkTextureCubeAttr::kFaceCount; ++f) {
        auto face = zkCreate<zkImage>();
        ASSERT_TRUE(face->load(texels.data(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 4, 4));
        fromFaces->setCubeImage(f, face);
        hasSphere->setCubeImage(f, face);
    }
    auto sphere = zkCreate<zkImage>();
    ASSERT_TRUE(sphere->load(texels.data(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 4, 4));
    hasSphere->setImage(sphere, 0);
    auto environment = zkCreate<zkEnvironmentMapShader2>();
    environment->setEnvironmentMapTexture(fromFaces);
    auto set = zkCreate<zkAttrSet>();
    set->appendAttr(hasSphere);
    scene.root->appendChild(environment);
    scene.root->appendChild(set);

    EXPECT_EQ(scene.run(scene.pass<veskoMakeSphereMaps>()), "");
    for (zkTextureCubeAttr* cube : {fromFaces.get(), hasSphere.get()}) {
        EXPECT_EQ(cube->getApplyMode(), ZK_TEXTURE_APPLY_SPHERE);
        for (int f = 0; f < zkTextureCubeAttr::kFaceCount; ++f) EXPECT_EQ(cube->getCubeImage(f), nullptr);
    }
    ASSERT_NE(fromFaces->getImage(0), nullptr);
    EXPECT_EQ(fromFaces->getImage(0)->getWidth(), 256);
    EXPECT_EQ(hasSphere->getImage(0), sphere.get());
}
