// What the HTML report gathers from a scene: statistics, world-space triangles, the hull record,
// and the comparison of images with their input.
#include "tools/zkopt/SceneSnapshot.h"

#include "collision/zkCollideHull.h"
#include "host/io/Base64.h"
#include "host/zkhost.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Attrs;
using namespace Tam::Gfx;
using Tam::Math::zkVec3f;

namespace {

template <class T> std::vector<T> decoded(const zkopt::json& text)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(Tam::Io::zkBase64Decode(text.get<std::string>(), bytes));
    std::vector<T> values(bytes.size() / sizeof(T));
    if (!values.empty()) std::memcpy(values.data(), bytes.data(), values.size() * sizeof(T));
    return values;
}

zkSmartPointer<zkGeometryAttr> attr(int type, const std::vector<zkVec3f>& positions, const std::vector<int32_t>& indices)
{
    auto array = zkCreate<zkVertexArray>();
    array->configure(zkVertexFormat::POSITION, static_cast<int>(positions.size()), 0, 0);
    for (int v = 0; v < static_cast<int>(positions.size()); ++v) array->setPosition(v, positions[v]);
    auto a = zkCreate<zkGeometryAttr>();
    a->configureVertexArray(array);
    if (!indices.empty()) {
        auto list = zkCreate<zkIndexArray>();
        for (int32_t i : indices) list->append(i);
        a->configureIndexArray(list);
    }
    if (type == ZK_PRIMITIVE_TRIANGLE_STRIPS) {
        a->setPrimitives(type, 1, 0);
        a->setPrimitiveLength(0, static_cast<int>(indices.size()));
    } else
        a->setPrimitives(type, static_cast<int>(positions.size()) / 3, 0);
    return a;
}

// root > transform (x + 10) > geometry, and the same geometry straight under root: one strip
// of four entries (two triangles) and a list of one unindexed triangle.
zkSmartPointer<zkFileInfo> twoPlacedGeometries()
{
    auto geometry = zkCreate<zkGeometry>();
    geometry->appendAttr(attr(ZK_PRIMITIVE_TRIANGLE_STRIPS, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 3}));
    geometry->appendAttr(attr(ZK_PRIMITIVE_TRIANGLE_LIST, {{0, 0, 5}, {1, 0, 5}, {0, 1, 5}}, {}));
    auto moved = zkCreate<zkTransform>();
    Tam::Math::zkMatrix44f m;
    m.m[3][0] = 10;
    moved->setMatrix(m);
    moved->appendChild(geometry);
    auto root = zkCreate<zkGroup>();
    root->appendChild(moved);
    root->appendChild(geometry);
    auto scene = zkCreate<zkSceneInfo>();
    scene->setRoot(root);
    auto file = zkCreate<zkFileInfo>();
    file->getInfoList()->append(scene);
    return file;
}

zkSmartPointer<zkImage> image(const char* name, int width, int height, uint8_t value)
{
    std::vector<uint8_t> texels(size_t(width) * height * 4, value);
    auto i = zkCreate<zkImage>();
    i->setName(name);
    i->load(texels.data(), kFormatRGBA8888, width, height);
    return i;
}

} // namespace

TEST(SceneSnapshot, CountsWhatTheFileHoldsAndPlacesEveryPathInWorldSpace)
{
    auto file = twoPlacedGeometries();
    zkopt::json data = zkopt::takeSnapshot(file).data;
    // Statistics are of the objects: the shared geometry counts once.
    EXPECT_EQ(data["stats"]["nodes"], 3);
    EXPECT_EQ(data["stats"]["geometries"], 1);
    EXPECT_EQ(data["stats"]["triangles"], 3);
    EXPECT_EQ(data["stats"]["vertices"], 7);
    EXPECT_EQ(data["stats"]["indices"], 7);
    EXPECT_EQ(data["stats"]["strips"], 1);
    EXPECT_DOUBLE_EQ(data["stats"]["indicesPerTriangle"].get<double>(), 7.0 / 3.0);

    // The view draws each path: the strip unrolled with its second triangle's winding turned.
    const zkopt::json& g = data["geometry"];
    EXPECT_EQ(g["triangles"], 6);
    EXPECT_EQ(g["every"], 1);
    auto indices = decoded<uint32_t>(g["indices"]);
    auto positions = decoded<float>(g["positions"]);
    ASSERT_EQ(indices.size(), 18u);
    EXPECT_EQ(std::vector<uint32_t>(indices.begin(), indices.begin() + 9), (std::vector<uint32_t>{0, 1, 2, 2, 1, 3, 4, 5, 6}));
    ASSERT_EQ(positions.size(), 3u * 14);
    EXPECT_EQ(positions[3 * 3], 11.0f); // vertex (1, 1, 0) under the transform
    EXPECT_EQ(positions[3 * 10], 1.0f); // the same vertex on the untransformed path

    // A scene over the view's limit keeps every k-th triangle, and says so.
    zkopt::json thinned = zkopt::takeSnapshot(file, 2).data["geometry"];
    EXPECT_EQ(thinned["every"], 3);
    EXPECT_EQ(thinned["shownTriangles"], 2);
    // Only the vertices of kept triangles are placed: the first path's strip gives 0-2 (its
    // vertex 3 is not used), the second path's the next three.
    EXPECT_EQ(decoded<uint32_t>(thinned["indices"]), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(decoded<float>(thinned["positions"]).size(), 3u * 6);
}

TEST(SceneSnapshot, KeepsTheHullWordsBitForBitAndShowsNoMoreThanTheListsHold)
{
    auto file = zkCreate<zkFileInfo>();
    auto record = zkCreate<Vesko::TolvanSharedODL::zkCollideHull>();
    const uint32_t words[12] = {0, 0, 0, 0, 0x3f800000, 0, 0, 0x1FB, 0, 0x3f800000, 0, 0xFFFFFFFF};
    record->_mTriangles = zkCreate<zkFloatList>();
    for (uint32_t w : words) {
        float f;
        std::memcpy(&f, &w, 4);
        record->_mTriangles->append(f);
    }
    record->_mNodes = zkCreate<zkFloatList>();
    for (int i = 0; i < 16; ++i) record->_mNodes->append(float(i));
    record->_mNumTriangles = 5; // more than the list holds
    record->_mNumNodes = 1;
    file->getInfoList()->append(record);

    zkopt::json hull = zkopt::takeSnapshot(file).data["hull"];
    EXPECT_EQ(hull["triangles"], 1);
    EXPECT_EQ(hull["nodes"], 1);
    EXPECT_EQ(decoded<uint32_t>(hull["triangleWords"]), std::vector<uint32_t>(words, words + 12));
    EXPECT_EQ(decoded<float>(hull["nodeWords"]).size(), 8u);
    EXPECT_TRUE(zkopt::takeSnapshot(zkCreate<zkFileInfo>()).data["hull"].is_null());
}

TEST(SceneSnapshot, ComparesEachImageWithItsInput)
{
    auto texture = zkCreate<zkTextureAttr>();
    auto set = zkCreate<zkAttrSet>();
    set->appendAttr(texture);
    auto scene = zkCreate<zkSceneInfo>();
    scene->setRoot(set);
    auto file = zkCreate<zkFileInfo>();
    file->getInfoList()->append(scene);
    auto changed = image("changed", 2, 2, 100), kept = image("kept", 2, 2, 7), resized = image("resized", 4, 4, 50);
    texture->setImage(changed, 0);
    texture->setImage(image("mip", 1, 1, 100), 1);
    for (zkImage* top : {kept.get(), resized.get()}) {
        auto other = zkCreate<zkTextureAttr>();
        other->setImage(top, 0);
        set->appendAttr(other);
    }

    zkopt::SceneSnapshot before = zkopt::takeSnapshot(file);
    changed->getData()[0] += 16; // one channel of one texel: mean squared error 256 / 16
    resized->resampleFrom(nullptr, 2, 2);
    zkopt::SceneSnapshot after = zkopt::takeSnapshot(file);
    zkopt::compareWithInput(before, after);

    const zkopt::json& images = after.data["images"];
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0]["key"], "changed#0");
    EXPECT_EQ(images[0]["mips"], 1);
    EXPECT_EQ(images[0]["bytes"], 16 + 4);
    EXPECT_EQ(images[0]["changed"], true);
    EXPECT_NEAR(images[0]["psnr"].get<double>(), 10 * std::log10(255.0 * 255.0 / 16.0), 1e-9);
    EXPECT_EQ(images[1]["key"], "kept#0");
    EXPECT_EQ(images[1]["changed"], false);
    EXPECT_TRUE(images[1]["psnr"].is_null());
    // An image scaled down is compared at the input's size.
    EXPECT_EQ(images[2]["key"], "resized#0");
    EXPECT_EQ(images[2]["changed"], true);
    EXPECT_EQ(images[2]["resizedToCompare"], true);
    EXPECT_EQ(after.data["stats"]["textureBytes"]["ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32"], 16 + 4 + 16 + 16);
}

TEST(SceneSnapshot, HoldsGeometryThePassesLeftAloneOnce)
{
    auto file = twoPlacedGeometries();
    zkopt::SceneSnapshot before = zkopt::takeSnapshot(file), same = zkopt::takeSnapshot(file);
    zkopt::compareWithInput(before, same);
    EXPECT_EQ(same.data["geometry"], zkopt::json::parse(R"({"triangles": 6, "shownTriangles": 6, "every": 1, "sameAsBefore": true})"));
    zkGeometry* g = zkGeometry::dynamicCast(zkGroup::dynamicCast(zkSceneInfo::dynamicCast(file->getInfoList()->get(0))->getRoot())->getChild(1));
    g->getGeometryAttr(1)->getVertexArray()->setPosition(0, {0, 0, 6});
    zkopt::SceneSnapshot moved = zkopt::takeSnapshot(file);
    zkopt::compareWithInput(before, moved);
    EXPECT_FALSE(moved.data["geometry"].contains("sameAsBefore"));
    EXPECT_TRUE(moved.data["geometry"].contains("positions"));
}
