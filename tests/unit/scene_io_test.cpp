// Sharing and the scene passes' attributes through files: a level with props placed several
// times, written here as glTF, comes in shared, can be split and shared again as it was, and
// goes out to glTF with one mesh per prop; culling, billboards, fog and placeholder bounds
// survive .zks and travel in glTF extras.
#include "host/io/AssimpImport.h"
#include "host/io/Base64.h"
#include "host/io/GltfExport.h"
#include "host/io/SceneFile.h"
#include "scene/veskoMenuOpt.h"
#include "scene/veskoReinstanceGeometry.h"
#include "scene/zkBillboardMakerVesko.h"
#include "scene/zkCullFaceAdderVesko.h"
#include "scene/zkDeinstanceGeometryVesko.h"
#include "scene/zkFogMakerVesko.h"
#include "tests/harness/PassHarness.h"
#include "tests/harness/TempFolder.h"
#include "tools/examples/InstancedScene.h"
#include "tools/examples/SceneExample.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <set>

using namespace Tam::OptExtension;
using Tam::Test::PassHarness;
using json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

using Tam::Test::TempFolder;

// A mesh of n vertices on a wobbly ring (n a multiple of 3), as one glTF buffer region each.
void addMesh(json& doc, std::string& data, const char* name, int n, float radius)
{
    std::vector<float> positions;
    for (int v = 0; v < n; ++v) {
        const float a = 6.2831853f * float(v) / float(n);
        positions.insert(positions.end(), {radius * std::cos(a), float(v % 5) * 0.1f, radius * std::sin(a)});
    }
    std::vector<uint16_t> indices;
    for (int v = 0; v < n; ++v) indices.push_back(static_cast<uint16_t>(v));
    auto view = [&](const void* bytes, std::size_t size) {
        while (data.size() % 4) data.push_back('\0');
        doc["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", data.size()}, {"byteLength", size}});
        data.append(static_cast<const char*>(bytes), size);
        return doc["bufferViews"].size() - 1;
    };
    json lo = {-radius, 0.0f, -radius}, hi = {radius, 0.4f, radius};
    doc["accessors"].push_back({{"bufferView", view(positions.data(), positions.size() * 4)}, {"componentType", 5126},
                                {"count", n}, {"type", "VEC3"}, {"min", lo}, {"max", hi}});
    const std::size_t position = doc["accessors"].size() - 1;
    doc["accessors"].push_back({{"bufferView", view(indices.data(), indices.size() * 2)}, {"componentType", 5123},
                                {"count", n}, {"type", "SCALAR"}});
    doc["meshes"].push_back({{"name", name},
                             {"primitives", {{{"attributes", {{"POSITION", position}}},
                                              {"indices", doc["accessors"].size() - 1}, {"material", 0}}}}});
}

// Barrels placed four times, crates twice, one ground: three meshes, seven nodes.
std::string propsLevel()
{
    json doc = {{"asset", {{"version", "2.0"}}}, {"scene", 0}, {"bufferViews", json::array()},
                {"accessors", json::array()}, {"materials", {{{"name", "wood"}}}}};
    std::string data;
    addMesh(doc, data, "barrel", 42, 1.0f);
    addMesh(doc, data, "crate", 36, 2.0f);
    addMesh(doc, data, "ground", 6, 50.0f);
    json roots = json::array();
    const std::vector<std::pair<const char*, int>> placements{{"barrel_0", 0}, {"barrel_1", 0}, {"crate_0", 1},
                                                              {"barrel_2", 0}, {"crate_1", 1},  {"barrel_3", 0},
                                                              {"ground", 2}};
    for (const auto& [name, mesh] : placements) {
        roots.push_back(doc["nodes"].size());
        doc["nodes"].push_back({{"name", name}, {"mesh", mesh}, {"translation", {float(roots.size()) * 4.0f, 0, 0}}});
    }
    doc["scenes"] = {{{"nodes", roots}}};
    doc["buffers"] = {{{"byteLength", data.size()},
                       {"uri", "data:application/octet-stream;base64," + Tam::Io::zkBase64Encode(data)}}};
    return doc.dump(1);
}

std::set<zkGeometry*> geometriesOf(zkNode* root)
{
    std::set<zkGeometry*> found;
    zkVisitReachable(root, zkGeometry::getClassTypeSafe(), [&](zkObject* o) { found.insert(static_cast<zkGeometry*>(o)); });
    return found;
}

// What the geometry of a graph costs a .zks file: its vertex and index blocks, each stored once.
std::size_t geometryBytes(zkNode* root)
{
    std::size_t bytes = 0;
    for (zkGeometry* g : geometriesOf(root))
        for (int i = 0; i < g->getGeometryAttrCount(); ++i)
            if (const zkGeometryAttr* a = g->getGeometryAttr(i)) {
                if (const zkVertexArray* v = a->getVertexArray())
                    bytes += (v->positions.size() + v->normals.size() + v->texCoords.size()) * sizeof(float);
                if (const zkIndexArray* x = a->getIndexArray()) bytes += x->indices.size() * sizeof(int32_t);
            }
    return bytes;
}

zkSmartPointer<zkFileInfo> importLevel(const TempFolder& folder)
{
    folder.write("level.gltf", propsLevel());
    std::string error;
    auto file = Tam::Io::zkImportScene(folder / "level.gltf", error);
    EXPECT_TRUE(file) << error;
    return file;
}

json exported(const zkFileInfo* file, const TempFolder& folder)
{
    std::string error;
    EXPECT_TRUE(Tam::Io::zkExportGltf(file, folder / "out.gltf", Tam::Io::zkGltfForm::Embedded, error)) << error;
    return json::parse(folder.read("out.gltf"), nullptr, false);
}

int nodesUsingMesh(const json& doc, int mesh)
{
    int n = 0;
    for (const json& node : doc["nodes"]) n += node.contains("mesh") && node["mesh"] == mesh;
    return n;
}

TEST(SceneSharingThroughFiles, APropPlacedSeveralTimesIsImportedAsOneSharedGeometry)
{
    TempFolder folder;
    auto file = importLevel(folder);
    ASSERT_TRUE(file);
    PassHarness h(file);
    const std::set<zkGeometry*> geometries = geometriesOf(h.root.get());
    ASSERT_EQ(geometries.size(), 3u);
    std::multiset<int> uses;
    for (zkGeometry* g : geometries) uses.insert(g->getParentCount());
    EXPECT_EQ(uses, (std::multiset<int>{1, 2, 4}));

    const json doc = exported(file.get(), folder);
    ASSERT_FALSE(doc.is_discarded());
    ASSERT_EQ(doc["meshes"].size(), 3u) << "one glTF mesh per shared geometry";
    std::multiset<int> meshUses;
    for (int m = 0; m < 3; ++m) meshUses.insert(nodesUsingMesh(doc, m));
    EXPECT_EQ(meshUses, (std::multiset<int>{1, 2, 4}));
    EXPECT_EQ(doc["materials"].size(), 1u);
}

int zksSize(const zkFileInfo* file)
{
    std::string bytes, error;
    EXPECT_TRUE(Tam::Io::zkEncodeScene(file, Tam::Io::zkSceneForm::Binary, bytes, error)) << error;
    return static_cast<int>(bytes.size());
}

TEST(SceneSharingThroughFiles, SplittingThenSharingAgainGivesBackTheFilesSharing)
{
    TempFolder folder;
    auto file = importLevel(folder);
    ASSERT_TRUE(file);
    PassHarness h(file);
    const std::string shape = Tam::Examples::describeGraph(h.root.get(), false);
    const std::size_t sharedBytes = geometryBytes(h.root.get());
    RecordProperty("zks_bytes_imported", zksSize(file.get()));

    auto split = h.pass<zkDeinstanceGeometryVesko>();
    h.run(split.get());
    EXPECT_EQ(geometriesOf(h.root.get()).size(), 7u);
    const std::size_t splitBytes = geometryBytes(h.root.get());
    EXPECT_GT(splitBytes, sharedBytes);
    EXPECT_EQ(exported(file.get(), folder)["meshes"].size(), 7u);
    RecordProperty("zks_bytes_split", zksSize(file.get()));

    auto join = h.pass<veskoReinstanceGeometry>();
    h.run(join.get());
    EXPECT_EQ(Tam::Examples::describeGraph(h.root.get(), false), shape);
    EXPECT_EQ(geometryBytes(h.root.get()), sharedBytes);
    EXPECT_EQ(exported(file.get(), folder)["meshes"].size(), 3u);
    RecordProperty("zks_bytes_rejoined", zksSize(file.get()));
    RecordProperty("geometry_bytes_shared", static_cast<int>(sharedBytes));
    RecordProperty("geometry_bytes_split", static_cast<int>(splitBytes));
}

const json* nodeNamed(const json& doc, const std::string& name)
{
    for (const json& node : doc["nodes"])
        if (node.value("name", "") == name) return &node;
    return nullptr;
}

TEST(SceneSharingThroughFiles, TaggedAttributesAndPlaceholderBoundsSurviveZksAndGoToGltfExtras)
{
    PassHarness h(Tam::Examples::buildSceneExample());
    h.run(h.pass<veskoMenuOpt>().get());
    h.run(h.pass<zkCullFaceAdderVesko>().get());
    h.run(h.pass<zkBillboardMakerVesko>().get());
    h.run(h.pass<zkFogMakerVesko>().get());
    std::string bytes, error;
    ASSERT_TRUE(Tam::Io::zkEncodeScene(h.file.get(), Tam::Io::zkSceneForm::Binary, bytes, error)) << error;
    auto back = Tam::Io::zkDecodeScene(bytes, Tam::Io::zkSceneForm::Binary, "back.zks", error);
    ASSERT_TRUE(back) << error;
    std::string again;
    ASSERT_TRUE(Tam::Io::zkEncodeScene(back.get(), Tam::Io::zkSceneForm::Binary, again, error)) << error;
    EXPECT_EQ(again, bytes) << "the .zks form keeps every field";

    // Exported from what was read back, so the extras also show what survived the file.
    TempFolder folder;
    const json doc = exported(back.get(), folder);
    ASSERT_FALSE(doc.is_discarded());
    const json* sign = nodeNamed(doc, "sign$bb2");
    ASSERT_TRUE(sign);
    EXPECT_EQ((*sign)["extras"]["zk_billboard"]["mode"], 2);
    const json* lamp = nodeNamed(doc, "lamp$bc");
    ASSERT_TRUE(lamp);
    EXPECT_EQ((*lamp)["extras"]["zk_cull_face"], 1);
    const json* yard = nodeNamed(doc, "yard$fn1,0.6,0.6,0.7,1,20.0,200.0,0.01");
    ASSERT_TRUE(yard);
    EXPECT_EQ((*yard)["extras"]["zk_fog_enabled"], true);
    ASSERT_EQ((*yard)["extras"]["zk_fog"].size(), 8u);
    EXPECT_FLOAT_EQ((*yard)["extras"]["zk_fog"][5].get<float>(), 20.0f);
    const json* placeholder = nodeNamed(doc, "shelf_slot");
    ASSERT_TRUE(placeholder);
    EXPECT_GT((*placeholder)["extras"]["zk_bound"]["radius"].get<float>(), 5.0f);
    EXPECT_FALSE(placeholder->contains("children"));
    EXPECT_EQ((*placeholder)["extras"]["zk_skip_collision"], true);
}

} // namespace
