// Lighting and material fix-ups where a golden case under tests/passes cannot say it: which of
// alike attributes moves, and a sphere map made from cube faces (256 x 256 texels, no file for git).
#include "image/veskoMakeSphereMaps.h"
#include "image/veskoNoNormalsNoLighting.h"
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
