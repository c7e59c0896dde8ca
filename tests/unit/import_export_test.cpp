// Scenes from art tools: small OBJ and glTF files written here, imported through Assimp and
// checked object by object; passes run on them; glTF written and read back; bad files refused
// with a message that names them.
#include "collision/zkCollideHull.h"
#include "geometry/zkWeldVesko.h"
#include "host/gfx/Png.h"
#include "host/io/Base64.h"
#include "host/io/AssimpImport.h"
#include "host/io/GltfExport.h"
#include "host/io/SceneFile.h"
#include "host/zkhost.h"
#include "tests/harness/TempFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace Tam::ImportTest {

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Attrs;
using namespace Tam::Gfx;
using namespace Tam::Io;
using Math::zkMatrix44f;
using Math::zkVec3f;
using json = nlohmann::json;
namespace fs = std::filesystem;

// ---- files the tests write --------------------------------------------------------------------

using Folder = Tam::Test::TempFolder;

// A glTF document under construction: one embedded buffer that accessors are appended to.
struct Gltf {
    json doc = {{"asset", {{"version", "2.0"}}}, {"scene", 0}, {"buffers", json::array()},
                {"bufferViews", json::array()}, {"accessors", json::array()}};
    std::string data;

    template <class T>
    int accessor(const std::vector<T>& values, int componentType, const char* type, int components)
    {
        while (data.size() % 4) data.push_back('\0');
        const std::size_t offset = data.size();
        data.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
        doc["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", offset}, {"byteLength", values.size() * sizeof(T)}});
        json a = {{"bufferView", doc["bufferViews"].size() - 1}, {"componentType", componentType},
                  {"count", values.size() / components}, {"type", type}};
        if (std::string(type) == "VEC3" && componentType == 5126) {
            std::vector<float> lo(3, 1e30f), hi(3, -1e30f);
            for (std::size_t i = 0; i < values.size(); ++i) {
                lo[i % 3] = std::min(lo[i % 3], float(values[i]));
                hi[i % 3] = std::max(hi[i % 3], float(values[i]));
            }
            a["min"] = lo;
            a["max"] = hi;
        }
        doc["accessors"].push_back(a);
        return static_cast<int>(doc["accessors"].size() - 1);
    }
    std::string text()
    {
        doc["buffers"] = json::array(
            {{{"byteLength", data.size()}, {"uri", "data:application/octet-stream;base64," + Tam::Io::zkBase64Encode(data)}}});
        return doc.dump(1);
    }
};

constexpr int kFloat = 5126, kUshort = 5123, kUbyte = 5121;

// A unit quad in the xy plane: four corners, two triangles.
void addQuad(Gltf& g, json primitive = json::object())
{
    const int positions = g.accessor<float>({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, kFloat, "VEC3", 3);
    const int indices = g.accessor<uint16_t>({0, 1, 2, 0, 2, 3}, kUshort, "SCALAR", 1);
    primitive["attributes"]["POSITION"] = positions;
    primitive["indices"] = indices;
    g.doc["meshes"].push_back({{"name", "quad"}, {"primitives", {primitive}}});
}

std::string pngOf(int width, int height, const std::vector<uint8_t>& rgba)
{
    PixelImage image;
    EXPECT_TRUE(load(image, rgba.data(), rgba.size(), kFormatRGBA8888, width, height));
    std::vector<uint8_t> png;
    EXPECT_TRUE(encodePng(image, png));
    return std::string(png.begin(), png.end());
}

// ---- looking at what was imported -------------------------------------------------------------

zkSceneInfo* sceneOf(const zkFileInfo* file) { return zkSceneInfo::dynamicCast(file->getInfoList()->get(0)); }

zkAnimationDatabase* databaseOf(const zkFileInfo* file)
{
    for (int i = 0; i < file->getInfoList()->getCount(); ++i)
        if (auto* db = zkAnimationDatabase::dynamicCast(file->getInfoList()->get(i))) return db;
    return nullptr;
}

// The first node of the class (and name, when given), depth first.
template <class T>
T* find(zkNode* node, const char* name = nullptr)
{
    if (!node) return nullptr;
    if (node->getMeta() == T::getClassTypeSafe() && (!name || std::strcmp(node->getName(), name) == 0))
        return static_cast<T*>(node);
    if (auto* group = zkGroup::dynamicCast(node))
        for (int i = 0; i < group->getChildCount(); ++i)
            if (T* found = find<T>(group->getChild(i), name)) return found;
    return nullptr;
}

template <class T>
T* attrOf(const zkAttrSet* set)
{
    for (int i = 0; i < set->getAttrCount(); ++i)
        if (set->getAttr(i)->getMeta() == T::getClassTypeSafe()) return static_cast<T*>(set->getAttr(i));
    return nullptr;
}

std::vector<std::string> attrClasses(const zkAttrSet* set)
{
    std::vector<std::string> names;
    for (int i = 0; i < set->getAttrCount(); ++i) names.push_back(set->getAttr(i)->getMeta()->getName());
    return names;
}

std::vector<int32_t> indicesOf(const zkGeometry* geometry)
{
    const zkIndexArray* list = geometry->getGeometryAttr(0)->getIndexArray();
    return std::vector<int32_t>(list->getData(), list->getData() + list->getCount());
}

std::string property(const zkUserInfo* info, const char* key)
{
    const zkProperty* p = info->getProperty(key);
    const auto* value = p ? zkStringValue::dynamicCast(p->getValue()) : nullptr;
    return value ? value->getValue() : "(none)";
}

zkSmartPointer<zkFileInfo> importOk(const std::string& path, std::vector<std::string>* warnings = nullptr)
{
    std::string error;
    zkSmartPointer<zkFileInfo> file = zkImportScene(path, error, warnings);
    EXPECT_TRUE(file) << error;
    return file;
}

// ---- OBJ ---------------------------------------------------------------------------------------

// Two quads of one material with a tagged texture, one triangle of a material whose texture is
// missing. OBJ gives every face corner its own vertex; the import keeps them all.
void writeObjScene(const Folder& folder)
{
    folder.write("wall$ct3.png", pngOf(2, 1, {255, 0, 0, 255, 0, 0, 255, 128}));
    folder.write("scene.mtl", "newmtl crate$bc\nKd 1 1 1\nd 0.5\nmap_Kd textures\\wall$ct3.png\n"
                              "newmtl plain\nKd 1 1 1\nmap_Kd missing.png\n");
    folder.write("scene.obj", "mtllib scene.mtl\n"
                              "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\n"
                              "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                              "vn 0 0 1\n"
                              "o box\nusemtl crate$bc\n"
                              "f 1/1/1 2/2/1 3/3/1 4/4/1\nf 2/2/1 5/1/1 6/4/1 3/3/1\n"
                              "o lid\nusemtl plain\nf 1/1/1 2/2/1 3/3/1\n");
}

TEST(ImportObj, KeepsEveryFaceCornerAsAVertexAndTriangulatesQuads)
{
    Folder folder;
    writeObjScene(folder);
    auto file = importOk(folder / "scene.obj");
    ASSERT_TRUE(file);
    zkGeometry* box = find<zkGeometry>(sceneOf(file)->getRoot(), "box");
    ASSERT_TRUE(box);
    const zkGeometryAttr* attr = box->getGeometryAttr(0);
    EXPECT_EQ(box->getGeometryAttrCount(), 1);
    EXPECT_EQ(attr->getPrimitiveType(), ZK_PRIMITIVE_TRIANGLE_LIST);
    EXPECT_EQ(attr->getPrimitiveCount(), 4);
    // Positions 2 and 3 are shared by the quads in the file, but each corner stays its own vertex.
    EXPECT_EQ(attr->getVertexCount(), 8);
    EXPECT_EQ(uint32_t(attr->getVertexFormat()),
              zkVertexFormat::POSITION | zkVertexFormat::NORMAL | 1u << zkVertexFormat::TEXCOORD_SHIFT);
    EXPECT_EQ(indicesOf(box), (std::vector<int32_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
    const zkVertexArray* array = attr->getVertexArray();
    EXPECT_EQ(attr->getPosition(5), (zkVec3f{2, 0, 0}));
    EXPECT_EQ(array->getTextureCoord(0, 6)[0], 0.0f);
    EXPECT_EQ(array->getTextureCoord(0, 6)[1], 1.0f);
    EXPECT_EQ(array->getNormal(7)[2], 1.0f);
    EXPECT_EQ(box->getBoundCenter(), (zkVec3f{1, 0.5f, 0}));
}

TEST(ImportObj, MaterialsBecomeAttributeSetsWithTaggedTexturesAndBlending)
{
    Folder folder;
    writeObjScene(folder);
    std::vector<std::string> warnings;
    auto file = importOk(folder / "scene.obj", &warnings);
    ASSERT_TRUE(file);
    zkNode* root = sceneOf(file)->getRoot();

    zkAttrSet* crate = find<zkAttrSet>(root, "crate$bc");
    ASSERT_TRUE(crate);
    EXPECT_STREQ(crate->getChild(0)->getName(), "box");
    EXPECT_EQ(attrClasses(crate), (std::vector<std::string>{"zkTextureBindAttr", "zkBlendStateAttr",
                                                            "zkBlendFunctionAttr", "zkCullFaceAttr"}));
    const zkImage* image = attrOf<zkTextureBindAttr>(crate)->getTexture()->getImage(0);
    // The name keeps the tag; the folder the file named is not there, so the image is found
    // beside the scene.
    EXPECT_STREQ(image->getName(), "wall$ct3.png");
    PixelImage pixels;
    std::vector<uint8_t> rgba;
    ASSERT_TRUE(image->getPixelImage(pixels));
    ASSERT_TRUE(decodeToRGBA(pixels, rgba));
    EXPECT_EQ(rgba, (std::vector<uint8_t>{255, 0, 0, 255, 0, 0, 255, 128}));
    EXPECT_EQ(attrOf<zkBlendFunctionAttr>(crate)->getSourceFactor(), ZK_BLEND_FACTOR_SRC_ALPHA);
    EXPECT_EQ(attrOf<zkBlendFunctionAttr>(crate)->getDestinationFactor(), ZK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(attrOf<zkCullFaceAttr>(crate)->getCullFace(), 1);

    // An image that cannot be loaded costs its bind, not the material.
    zkAttrSet* plain = find<zkAttrSet>(root, "plain");
    ASSERT_TRUE(plain);
    EXPECT_EQ(attrClasses(plain), (std::vector<std::string>{"zkCullFaceAttr"}));
    EXPECT_EQ(warnings, (std::vector<std::string>{"material \"plain\": texture \"missing.png\": no such file; not bound"}));
}

TEST(ImportObj, PassesRunOnTheImportedScene)
{
    Folder folder;
    writeObjScene(folder);
    auto file = importOk(folder / "scene.obj");
    ASSERT_TRUE(file);
    Opt::zkOptInterface run;
    std::string printed;
    run.setFile(file);
    run.setSink([&](const std::string& s) { printed += s; });
    auto weld = zkSmartPointer<Opt::zkOptBase>::adopt(run.createOptBase(OptExtension::zkWeldVesko::getClassTypeSafe()->getName()));
    ASSERT_TRUE(weld && weld->configure(0));
    ASSERT_TRUE(run.applyPass(weld));
    // The quads share an edge with the same texture coordinates: the box's 8 corners hold 6
    // distinct vertices. The lid's 3 are distinct.
    EXPECT_EQ(printed, "Welding: before 11   after 9\n");
    EXPECT_EQ(find<zkGeometry>(sceneOf(file)->getRoot(), "box")->getVertexCount(), 6);
}

// ---- glTF with extras -------------------------------------------------------------------------

std::string extrasScene()
{
    Gltf g;
    addQuad(g, {{"material", 0}});
    g.doc["materials"] = {{{"name", "glass$nat"},
                           {"alphaMode", "MASK"},
                           {"alphaCutoff", 0.25},
                           {"doubleSided", true},
                           {"extensions", {{"KHR_materials_unlit", json::object()}}}}};
    g.doc["extensionsUsed"] = {"KHR_materials_unlit"};
    g.doc["nodes"] = {{{"name", "level"}, {"children", {1, 2}}},
                      {{"name", "wall"},
                       {"mesh", 0},
                       {"matrix", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1}},
                       {"extras",
                        {{"zk_collidable", true}, {"zk_invisible", "1"}, {"surface", "stone"}, {"grip", 0.5}}}},
                      {{"name", "ghost"}, {"mesh", 0}, {"extras", {{"zk_skip_collision", "yes"}, {"zk_invisible", false}}}}};
    g.doc["scenes"] = {{{"nodes", {0}}}};
    return g.text();
}

TEST(ImportGltf, ExtrasBecomeUserInfoPropertiesAndTheirKeysSetNodeFlags)
{
    Folder folder;
    folder.write("level.gltf", extrasScene());
    auto file = importOk(folder / "level.gltf");
    ASSERT_TRUE(file);
    zkNode* root = sceneOf(file)->getRoot();

    zkTransform* wall = find<zkTransform>(root, "wall");
    ASSERT_TRUE(wall);
    EXPECT_EQ(wall->getFlags(), uint32_t(ZK_NODE_FLAG_COLLIDABLE | ZK_NODE_FLAG_INVISIBLE));
    // glTF's column-major matrix with the translation in its last column lands in the last row.
    EXPECT_EQ(wall->getMatrix().getTranslation(), (zkVec3f{5, 6, 7}));
    EXPECT_EQ(wall->getMatrix().transformPoint({1, 0, 0}), (zkVec3f{6, 6, 7}));

    ASSERT_EQ(wall->getChildCount(), 1);
    auto* info = zkSimpleUserInfo::dynamicCast(wall->getChild(0));
    ASSERT_TRUE(info);
    EXPECT_STREQ(info->getName(), "wall");
    EXPECT_EQ(property(info, "surface"), "stone");
    EXPECT_EQ(property(info, "zk_collidable"), "true");
    EXPECT_EQ(property(info, "zk_invisible"), "1");
    EXPECT_EQ(property(info, "grip"), "0.5");
    zkGeometry* quad = find<zkGeometry>(info, "quad");
    ASSERT_TRUE(quad);
    EXPECT_EQ(quad->getFlags(), uint32_t(ZK_NODE_FLAG_COLLIDABLE | ZK_NODE_FLAG_INVISIBLE));
    // glTF indices are kept as written: no vertex is split or merged.
    EXPECT_EQ(quad->getVertexCount(), 4);
    EXPECT_EQ(indicesOf(quad), (std::vector<int32_t>{0, 1, 2, 0, 2, 3}));

    // A false value sets nothing; "yes" does.
    zkGroup* ghost = find<zkGroup>(root, "ghost");
    ASSERT_TRUE(ghost);
    EXPECT_EQ(ghost->getFlags(), uint32_t(ZK_NODE_FLAG_SKIP_COLLISION));
    EXPECT_EQ(find<zkGroup>(root, "level")->getFlags(), 0u);
}

TEST(ImportGltf, AlphaModeDoubleSidednessAndUnlitSetTheRenderState)
{
    Folder folder;
    folder.write("level.gltf", extrasScene());
    auto file = importOk(folder / "level.gltf");
    ASSERT_TRUE(file);
    zkAttrSet* glass = find<zkAttrSet>(sceneOf(file)->getRoot(), "glass$nat");
    ASSERT_TRUE(glass);
    EXPECT_EQ(attrClasses(glass), (std::vector<std::string>{"zkAlphaStateAttr", "zkAlphaFunctionAttr",
                                                            "zkCullFaceAttr", "zkLightingStateAttr"}));
    EXPECT_TRUE(attrOf<zkAlphaStateAttr>(glass)->isEnabled());
    EXPECT_EQ(attrOf<zkAlphaFunctionAttr>(glass)->getFunction(), ZK_ALPHA_FUNCTION_GEQUAL);
    EXPECT_EQ(attrOf<zkAlphaFunctionAttr>(glass)->getReference(), 0.25f);
    EXPECT_EQ(attrOf<zkCullFaceAttr>(glass)->getCullFace(), 0);
    EXPECT_FALSE(attrOf<zkLightingStateAttr>(glass)->isEnabled());
}

// ---- a skinned, animated glTF -----------------------------------------------------------------

// Nodes: character { body (the skinned quad), hip { knee } }. Vertex 0 leans on the knee,
// 1 hangs on the hip alone, 2 on the knee alone, 3 on both equally. The walk turns the knee
// (keys at 0 s and 1 s) and lifts the hip (keys at 0 s and 0.5 s).
std::string skinnedScene()
{
    Gltf g;
    const int joints = g.accessor<uint8_t>({0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0}, kUbyte, "VEC4", 4);
    const int weights =
        g.accessor<float>({0.25f, 0.75f, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0.5f, 0.5f, 0, 0}, kFloat, "VEC4", 4);
    addQuad(g, {{"attributes", {{"JOINTS_0", joints}, {"WEIGHTS_0", weights}}}});
    const int inverseBinds =
        g.accessor<float>({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1},
                          kFloat, "MAT4", 16);
    g.doc["skins"] = {{{"joints", {2, 3}}, {"inverseBindMatrices", inverseBinds}}};
    g.doc["nodes"] = {{{"name", "character"}, {"children", {1, 2}}},
                      {{"name", "body"}, {"mesh", 0}, {"skin", 0}},
                      {{"name", "hip"}, {"children", {3}}},
                      {{"name", "knee"}, {"translation", {0, 1, 0}}}};
    g.doc["scenes"] = {{{"nodes", {0}}}};
    const int times = g.accessor<float>({0, 1}, kFloat, "SCALAR", 1);
    const float s = std::sqrt(0.5f);
    const int turns = g.accessor<float>({0, 0, 0, 1, 0, 0, s, s}, kFloat, "VEC4", 4);
    const int liftTimes = g.accessor<float>({0, 0.5f}, kFloat, "SCALAR", 1);
    const int lifts = g.accessor<float>({0, 0, 0, 0, 2, 0}, kFloat, "VEC3", 3);
    g.doc["animations"] = {{{"name", "walk"},
                            {"samplers", {{{"input", times}, {"output", turns}}, {{"input", liftTimes}, {"output", lifts}}}},
                            {"channels",
                             {{{"sampler", 0}, {"target", {{"node", 3}, {"path", "rotation"}}}},
                              {{"sampler", 1}, {"target", {{"node", 2}, {"path", "translation"}}}}}}}};
    return g.text();
}

TEST(ImportGltf, SkinsBecomePalettesStrongestFirstWeightsSkeletonAndSkin)
{
    Folder folder;
    folder.write("walker.gltf", skinnedScene());
    auto file = importOk(folder / "walker.gltf");
    ASSERT_TRUE(file);
    zkNode* root = sceneOf(file)->getRoot();
    zkAnimationDatabase* db = databaseOf(file);
    ASSERT_TRUE(db);

    zkSkeleton* skeleton = db->getSkeleton(0);
    ASSERT_TRUE(skeleton);
    ASSERT_EQ(skeleton->getBoneCount(), 2);
    EXPECT_STREQ(skeleton->getBoneInfo(0)->getName(), "hip");
    EXPECT_EQ(skeleton->getBoneInfo(0)->getParentIndex(), -1);
    EXPECT_STREQ(skeleton->getBoneInfo(1)->getName(), "knee");
    EXPECT_EQ(skeleton->getBoneInfo(1)->getParentIndex(), 0);
    // The knee was bound one unit up: the inverse of its inverse bind matrix.
    EXPECT_EQ(skeleton->getBoneInfo(1)->bindPose.getTranslation(), (zkVec3f{0, 1, 0}));

    zkSkin* skin = db->getSkin(0);
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->getSkeleton(), skeleton);
    EXPECT_EQ(skin->getSkinnedGraph(), find<zkGroup>(root, "body"));

    auto* select = find<zkBlendMatrixSelect>(root);
    ASSERT_TRUE(select);
    const zkIntList* palette = select->getBlendMatrixIndices();
    std::vector<int> bones;
    for (int i = 0; i < palette->getCount(); ++i) bones.push_back(palette->get(i));
    auto* quad = zkGeometry::dynamicCast(select->getChild(0));
    ASSERT_TRUE(quad);
    const zkVertexArray* array = quad->getGeometryAttr(0)->getVertexArray();
    ASSERT_EQ(array->getWeightCount(), 2);
    ASSERT_EQ(array->getBlendMatrixIndexCount(), 2);
    // Each vertex's weights, strongest first, as (skeleton bone, weight).
    auto influences = [&](int v) {
        std::vector<std::pair<int, float>> out;
        for (int j = 0; j < 2; ++j)
            if (array->getWeight(j, v) > 0) out.emplace_back(bones.at(array->getBlendMatrixIndex(j, v)), array->getWeight(j, v));
        return out;
    };
    using W = std::vector<std::pair<int, float>>;
    EXPECT_EQ(influences(0), (W{{1, 0.75f}, {0, 0.25f}}));
    EXPECT_EQ(influences(1), (W{{0, 1.0f}}));
    EXPECT_EQ(influences(2), (W{{1, 1.0f}}));
    EXPECT_EQ(influences(3).size(), 2u);
    EXPECT_EQ(influences(3)[0].second, 0.5f);
    EXPECT_EQ(influences(3)[1].second, 0.5f);
}

TEST(ImportGltf, AnimationsGetATrackPerBoneSampledOnOneTimeLine)
{
    Folder folder;
    folder.write("walker.gltf", skinnedScene());
    auto file = importOk(folder / "walker.gltf");
    ASSERT_TRUE(file);
    zkAnimationDatabase* db = databaseOf(file);
    ASSERT_TRUE(db);
    ASSERT_EQ(db->getAnimationCount(), 1);
    zkAnimation* walk = db->getAnimation(0);
    EXPECT_STREQ(walk->getName(), "walk");
    ASSERT_EQ(walk->getTrackCount(), 2);

    auto* knee = zkTransformSequence1_5::dynamicCast(walk->getAnimationTrack("knee")->getSource());
    ASSERT_TRUE(knee);
    // The file turns the knee and nothing else; the sequence still holds the knee's own offset.
    EXPECT_EQ(knee->getComponentMask(), zkTransformSequence::ROTATION);
    ASSERT_EQ(knee->getKeyCount(), 2);
    EXPECT_EQ(knee->getTranslation(1), (zkVec3f{0, 1, 0}));
    EXPECT_EQ(knee->getTime(1), 1000000000);
    EXPECT_EQ(knee->getDuration(), 1000000000);
    float q[4];
    knee->getRotation(1, q);
    EXPECT_FLOAT_EQ(q[2], std::sqrt(0.5f));
    EXPECT_FLOAT_EQ(q[3], std::sqrt(0.5f));
    // A quarter turn about z takes x to y under the host's row-vector matrices, then the knee's
    // offset moves it up.
    const zkVec3f turned = knee->getMatrix(1000000000).transformPoint({1, 0, 0});
    EXPECT_NEAR(turned.x, 0.0f, 1e-6f);
    EXPECT_NEAR(turned.y, 2.0f, 1e-6f);

    auto* hip = zkTransformSequence1_5::dynamicCast(walk->getAnimationTrack("hip")->getSource());
    ASSERT_TRUE(hip);
    EXPECT_EQ(hip->getComponentMask(), zkTransformSequence::TRANSLATION);
    ASSERT_EQ(hip->getKeyCount(), 2);
    EXPECT_EQ(hip->getTime(1), 500000000);
    EXPECT_EQ(hip->getTranslation(1), (zkVec3f{0, 2, 0}));
}

// ---- glTF export ------------------------------------------------------------------------------

json readJson(const std::string& path) { return json::parse(Tam::Test::readText(path), nullptr, false); }

// The values of an accessor of a .gltf whose buffer is a base64 data URI.
template <class T>
std::vector<T> accessorValues(const json& doc, int accessor, int components = 1)
{
    const std::string uri = doc["buffers"][0]["uri"];
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(zkBase64Decode(uri.substr(uri.find(',') + 1), bytes));
    const json& a = doc["accessors"][accessor];
    const std::size_t offset = doc["bufferViews"][int(a["bufferView"])].value("byteOffset", 0);
    std::vector<T> out(a["count"].get<std::size_t>() * std::size_t(components));
    if (offset + out.size() * sizeof(T) <= bytes.size()) std::memcpy(out.data(), bytes.data() + offset, out.size() * sizeof(T));
    return out;
}

std::vector<uint32_t> indicesOf(const json& doc, int accessor)
{
    if (doc["accessors"][accessor]["componentType"] != kUshort) return accessorValues<uint32_t>(doc, accessor);
    const std::vector<uint16_t> shorts = accessorValues<uint16_t>(doc, accessor);
    return std::vector<uint32_t>(shorts.begin(), shorts.end());
}

// A geometry of strips over vertices 0..n-1 (vertex i at x = i), under a scene of its own.
zkSmartPointer<zkFileInfo> stripScene(const std::vector<int>& lengths)
{
    int total = 0;
    for (int l : lengths) total += l;
    auto array = zkCreate<zkVertexArray>();
    array->configure(zkVertexFormat::POSITION, total, 0, 0);
    auto list = zkCreate<zkIndexArray>();
    for (int v = 0; v < total; ++v) {
        array->setPosition(v, {float(v), float(v % 2), 0});
        list->append(v);
    }
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array);
    attr->configureIndexArray(list);
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_STRIPS, int(lengths.size()), 0);
    for (std::size_t p = 0; p < lengths.size(); ++p) attr->setPrimitiveLength(int(p), lengths[p]);
    auto geometry = zkCreate<zkGeometry>();
    geometry->setName("strips");
    geometry->appendAttr(attr);
    auto scene = zkCreate<zkSceneInfo>();
    scene->setRoot(geometry);
    auto file = zkCreate<zkFileInfo>();
    file->getInfoList()->append(scene);
    return file;
}

TEST(ExportGltf, StripsAreJoinedIntoOneTriangleStripKeepingEachStripsWinding)
{
    Folder folder;
    std::string error;
    // After an even length the next strip follows two repeated entries; after an odd one, three.
    for (const auto& [lengths, expected] :
         std::vector<std::pair<std::vector<int>, std::vector<uint32_t>>>{{{4, 3}, {0, 1, 2, 3, 3, 4, 4, 5, 6}},
                                                                         {{3, 3}, {0, 1, 2, 2, 3, 3, 3, 4, 5}}}) {
        ASSERT_TRUE(zkExportGltf(stripScene(lengths), folder / "strips.gltf", zkGltfForm::Embedded, error)) << error;
        const json doc = readJson(folder / "strips.gltf");
        ASSERT_EQ(doc["meshes"].size(), 1u);
        const json& primitive = doc["meshes"][0]["primitives"][0];
        EXPECT_EQ(primitive["mode"], 5);
        EXPECT_EQ(indicesOf(doc, primitive["indices"]), expected);
    }
    // The strip as Assimp reads it back: the triangles of both strips and the joins between them.
    auto back = importOk(folder / "strips.gltf");
    ASSERT_TRUE(back);
    zkGeometry* strips = find<zkGeometry>(sceneOf(back)->getRoot(), "strips");
    ASSERT_TRUE(strips);
    EXPECT_EQ(strips->getGeometryAttr(0)->getPrimitiveCount(), 7);
}

TEST(ExportGltf, AnImportedSceneReadsBackWithItsGeometryMaterialsExtrasAndFlags)
{
    Folder folder;
    folder.write("level.gltf", extrasScene());
    auto file = importOk(folder / "level.gltf");
    ASSERT_TRUE(file);
    std::string error;
    ASSERT_TRUE(zkWriteScene(file, folder / "out.glb", error)) << error;
    auto back = importOk(folder / "out.glb");
    ASSERT_TRUE(back);
    zkNode* root = sceneOf(back)->getRoot();

    zkTransform* wall = find<zkTransform>(root, "wall");
    ASSERT_TRUE(wall);
    EXPECT_EQ(wall->getMatrix(), find<zkTransform>(sceneOf(file)->getRoot(), "wall")->getMatrix());
    EXPECT_EQ(wall->getFlags(), uint32_t(ZK_NODE_FLAG_COLLIDABLE | ZK_NODE_FLAG_INVISIBLE));
    // The user info went out as the extras of a node of its own name and comes back under it.
    auto* info = find<zkSimpleUserInfo>(wall, "wall");
    ASSERT_TRUE(info);
    EXPECT_EQ(property(info, "surface"), "stone");
    EXPECT_EQ(property(info, "grip"), "0.5");

    zkGeometry* quad = find<zkGeometry>(wall, "quad");
    ASSERT_TRUE(quad);
    EXPECT_EQ(quad->getVertexCount(), 4);
    EXPECT_EQ(indicesOf(quad), (std::vector<int32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(quad->getGeometryAttr(0)->getPosition(2), (zkVec3f{1, 1, 0}));
    EXPECT_EQ(quad->getFlags(), uint32_t(ZK_NODE_FLAG_COLLIDABLE | ZK_NODE_FLAG_INVISIBLE));

    zkAttrSet* glass = find<zkAttrSet>(wall, "glass$nat");
    ASSERT_TRUE(glass);
    EXPECT_EQ(attrClasses(glass), (std::vector<std::string>{"zkAlphaStateAttr", "zkAlphaFunctionAttr",
                                                            "zkCullFaceAttr", "zkLightingStateAttr"}));
    EXPECT_EQ(attrOf<zkAlphaFunctionAttr>(glass)->getReference(), 0.25f);
}

TEST(ExportGltf, TexturesGoOutAsPngPalettizedWhenIndexedWithTheirNames)
{
    Folder folder;
    writeObjScene(folder);
    auto file = importOk(folder / "scene.obj");
    ASSERT_TRUE(file);
    zkImage* image = attrOf<zkTextureBindAttr>(find<zkAttrSet>(sceneOf(file)->getRoot(), "crate$bc"))->getTexture()->getImage(0);
    ASSERT_TRUE(image->convert(ZK_GFX_TEXTURE_FORMAT_INDEXED_8, ZK_GFX_IMAGE_ORDER_RGBA));
    std::string error;
    ASSERT_TRUE(zkWriteScene(file, folder / "out.gltf", error)) << error;
    const json doc = readJson(folder / "out.gltf");
    ASSERT_EQ(doc["images"].size(), 1u);
    EXPECT_EQ(doc["images"][0]["mimeType"], "image/png");
    EXPECT_EQ(doc["images"][0]["name"], "wall$ct3.png");
    EXPECT_EQ(doc["materials"][0]["alphaMode"], "BLEND");

    auto back = importOk(folder / "out.gltf");
    ASSERT_TRUE(back);
    zkAttrSet* crate = find<zkAttrSet>(sceneOf(back)->getRoot(), "crate$bc");
    ASSERT_TRUE(crate && attrOf<zkTextureBindAttr>(crate));
    const zkImage* read = attrOf<zkTextureBindAttr>(crate)->getTexture()->getImage(0);
    EXPECT_EQ(read->getFormat(), ZK_GFX_TEXTURE_FORMAT_INDEXED_8);
    PixelImage pixels;
    std::vector<uint8_t> rgba;
    ASSERT_TRUE(read->getPixelImage(pixels) && decodeToRGBA(pixels, rgba));
    EXPECT_EQ(rgba, (std::vector<uint8_t>{255, 0, 0, 255, 0, 0, 255, 128}));
    // Texture coordinates go out in glTF's orientation and come back as they were.
    const zkVertexArray* array = find<zkGeometry>(sceneOf(back)->getRoot(), "box")->getGeometryAttr(0)->getVertexArray();
    EXPECT_EQ(array->getTextureCoord(0, 6)[1], 1.0f);
}

TEST(ExportGltf, SkinsAndAnimationsReadBackTheSame)
{
    Folder folder;
    folder.write("walker.gltf", skinnedScene());
    auto file = importOk(folder / "walker.gltf");
    ASSERT_TRUE(file);
    std::string error;
    ASSERT_TRUE(zkExportGltf(file, folder / "out.gltf", zkGltfForm::Separate, error)) << error;
    EXPECT_TRUE(fs::exists(folder / "out.bin"));
    EXPECT_EQ(readJson(folder / "out.gltf")["buffers"][0]["uri"], "out.bin");
    auto back = importOk(folder / "out.gltf");
    ASSERT_TRUE(back);

    zkSkeleton* skeleton = databaseOf(back)->getSkeleton(0);
    ASSERT_TRUE(skeleton);
    ASSERT_EQ(skeleton->getBoneCount(), 2);
    EXPECT_STREQ(skeleton->getBoneInfo(1)->getName(), "knee");
    EXPECT_EQ(skeleton->getBoneInfo(1)->getParentIndex(), 0);
    EXPECT_EQ(skeleton->getBoneInfo(1)->bindPose.getTranslation(), (zkVec3f{0, 1, 0}));

    auto weightsOf = [](const zkFileInfo* f) {
        const auto* select = find<zkBlendMatrixSelect>(sceneOf(f)->getRoot());
        const zkVertexArray* array = zkGeometry::dynamicCast(select->getChild(0))->getGeometryAttr(0)->getVertexArray();
        std::vector<std::pair<int, float>> out;
        for (int v = 0; v < array->getVertexCount(); ++v)
            for (int j = 0; j < array->getWeightCount(); ++j)
                out.emplace_back(select->getBlendMatrixIndices()->get(array->getBlendMatrixIndex(j, v)), array->getWeight(j, v));
        return out;
    };
    EXPECT_EQ(weightsOf(back), weightsOf(file));

    zkAnimation* walk = databaseOf(back)->getAnimation("walk");
    ASSERT_TRUE(walk);
    auto* hip = zkTransformSequence1_5::dynamicCast(walk->getAnimationTrack("hip")->getSource());
    ASSERT_TRUE(hip);
    ASSERT_EQ(hip->getKeyCount(), 2);
    EXPECT_EQ(hip->getTime(1), 500000000);
    EXPECT_EQ(hip->getTranslation(1), (zkVec3f{0, 2, 0}));
}

TEST(ExportGltf, InfosWithoutAGltfPlaceTravelInTheAssetExtras)
{
    auto file = stripScene({3});
    auto hull = zkCreate<Vesko::TolvanSharedODL::zkCollideHull>();
    hull->setName("hull");
    hull->_mNumTriangles = 12;
    hull->_mTriangles->append(2.5f);
    file->getInfoList()->append(hull);
    Folder folder;
    std::string error;
    ASSERT_TRUE(zkWriteScene(file, folder / "hull.gltf", error)) << error;
    const json doc = readJson(folder / "hull.gltf");
    ASSERT_TRUE(doc["asset"]["extras"].contains("zkInfos"));

    zkSmartPointer<zkFileInfo> infos =
        zkDecodeScene(doc["asset"]["extras"]["zkInfos"].dump(), zkSceneForm::Text, "extras", error);
    ASSERT_TRUE(infos) << error;
    ASSERT_EQ(infos->getInfoList()->getCount(), 1);
    auto* read = Vesko::TolvanSharedODL::zkCollideHull::dynamicCast(infos->getInfoList()->get(0));
    ASSERT_TRUE(read);
    EXPECT_STREQ(read->getName(), "hull");
    EXPECT_EQ(read->_mNumTriangles, 12);
    EXPECT_EQ(read->_mTriangles->getCount(), 1);
    EXPECT_EQ(read->_mTriangles->get(0), 2.5f);
}

TEST(ExportGltf, AFailedWriteNamesTheFileAndLeavesNothing)
{
    Folder folder;
    std::string error;
    const std::string path = folder / "missing/out.glb";
    EXPECT_FALSE(zkWriteScene(stripScene({3}), path, error));
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    EXPECT_FALSE(fs::exists(path));

    // A graph the scene reader would refuse is not walked at all.
    auto file = stripScene({3});
    auto loop = zkCreate<zkGroup>();
    auto* root = zkGroup::dynamicCast(sceneOf(file)->getRoot());
    ASSERT_TRUE(root);
    root->appendChild(loop);
    loop->appendChild(root);
    const std::string cyclic = folder / "cyclic.gltf";
    EXPECT_FALSE(zkWriteScene(file, cyclic, error));
    EXPECT_EQ(error.rfind(cyclic + ": not written: ", 0), 0u) << error;
    EXPECT_FALSE(fs::exists(cyclic));
    loop->removeChild(root);
}

// ---- refusals ---------------------------------------------------------------------------------

TEST(ImportErrors, ABadFileIsRefusedWithAssimpsReasonAndTheFileName)
{
    Folder folder;
    folder.write("broken.gltf", "{\"asset\": {\"version\": \"2.0\"}, \"meshes\": [ {\"primitives\": 7");
    const std::string path = folder / "broken.gltf";
    std::string error;
    EXPECT_FALSE(zkImportScene(path, error));
    EXPECT_EQ(error.rfind(path + ": Assimp cannot import it: ", 0), 0u) << error;
    EXPECT_GT(error.size(), (path + ": Assimp cannot import it: ").size());

    // The scene-file entry point hands names it does not know to the import.
    std::string viaRead;
    EXPECT_FALSE(zkReadScene(path, viaRead));
    EXPECT_EQ(viaRead, error);

    const std::string missing = folder / "absent.fbx";
    EXPECT_FALSE(zkImportScene(missing, error));
    EXPECT_EQ(error.rfind(missing + ": Assimp cannot import it: ", 0), 0u) << error;
}

TEST(ExportGltf, NormalsGoOutUnitLengthAndATextureNeedsCoordinates)
{
    // Normals of length 2, 5, 0 and 1e-20; no texture coordinates under a textured set.
    auto array = zkCreate<zkVertexArray>();
    array->configure(zkVertexFormat::POSITION | zkVertexFormat::NORMAL, 4, 0, 0);
    const zkVec3f normals[] = {{0, 0, 2}, {3, 4, 0}, {0, 0, 0}, {1e-20f, 0, 0}};
    for (int v = 0; v < 4; ++v) {
        array->setPosition(v, {float(v), float(v % 2), 0});
        array->setNormal(v, normals[v]);
    }
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array);
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_STRIPS, 1, 0);
    attr->setPrimitiveLength(0, 4);
    auto geometry = zkCreate<zkGeometry>();
    geometry->setName("plain");
    geometry->appendAttr(attr);
    auto image = zkCreate<zkImage>();
    const uint8_t texel[4] = {255, 0, 0, 255};
    ASSERT_TRUE(image->load(texel, ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 1, 1));
    auto bind = zkCreate<zkTextureBindAttr>();
    bind->setTexture(zkCreate<zkTextureAttr>());
    bind->getTexture()->setImage(image, 0);
    auto set = zkCreate<zkAttrSet>();
    set->setName("painted");
    set->appendAttr(bind);
    set->appendChild(geometry);
    auto scene = zkCreate<zkSceneInfo>();
    scene->setRoot(set);
    auto file = zkCreate<zkFileInfo>();
    file->getInfoList()->append(scene);

    Folder folder;
    std::string error;
    ASSERT_TRUE(zkExportGltf(file, folder / "plain.gltf", zkGltfForm::Embedded, error)) << error;
    const json doc = readJson(folder / "plain.gltf");
    const json& primitive = doc["meshes"][0]["primitives"][0];
    EXPECT_EQ(accessorValues<float>(doc, primitive["attributes"]["NORMAL"], 3),
              (std::vector<float>{0, 0, 1, 0.6f, 0.8f, 0, 0, 0, 1, 1, 0, 0}));
    // The set's material without its texture: named like the set, no base colour texture.
    const json& material = doc["materials"][int(primitive["material"])];
    EXPECT_EQ(material["name"], "painted");
    EXPECT_FALSE(material["pbrMetallicRoughness"].contains("baseColorTexture"));
    EXPECT_FALSE(primitive["attributes"].contains("TEXCOORD_0"));
}

TEST(ExportGltf, InverseBindMatricesEndInAnExactAffineRow)
{
    Folder folder;
    folder.write("walker.gltf", skinnedScene());
    auto file = importOk(folder / "walker.gltf");
    ASSERT_TRUE(file);
    // Bind poses whose inverses pick up rounding noise in the column glTF reads as the last row.
    zkSkeleton* skeleton = databaseOf(file)->getSkeleton(0);
    ASSERT_TRUE(skeleton && skeleton->getBoneCount() == 2);
    for (int b = 0; b < 2; ++b) {
        zkMatrix44f& m = skeleton->getBoneInfo(b)->bindPose;
        const float c = 0.8660254f, s = 0.5f;
        m.m[0][0] = c, m.m[0][1] = s, m.m[1][0] = -s, m.m[1][1] = c;
        m.m[0][0] *= 1.7f, m.m[1][1] *= 0.3f, m.m[2][2] = 3.1f;
        m.m[3][0] = 12.345f, m.m[3][1] = -6.789f * float(b + 1), m.m[3][2] = 0.1f;
    }
    std::string error;
    ASSERT_TRUE(zkExportGltf(file, folder / "out.gltf", zkGltfForm::Embedded, error)) << error;
    const json doc = readJson(folder / "out.gltf");
    ASSERT_EQ(doc["skins"].size(), 1u);
    const json& skin = doc["skins"][0];
    const std::vector<float> matrices = accessorValues<float>(doc, skin["inverseBindMatrices"], 16);
    ASSERT_EQ(matrices.size(), 16 * skin["joints"].size());
    for (std::size_t at = 0; at < matrices.size(); at += 16) {
        EXPECT_EQ(matrices[at + 3], 0.0f);
        EXPECT_EQ(matrices[at + 7], 0.0f);
        EXPECT_EQ(matrices[at + 11], 0.0f);
        EXPECT_EQ(matrices[at + 15], 1.0f);
    }
}

} // namespace Tam::ImportTest
