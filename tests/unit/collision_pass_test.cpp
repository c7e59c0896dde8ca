// The collision hull pass where a golden case under tests/passes/zkCollideHullVesko cannot say it:
// runs of one pass object, textures without pixels, the state a failed run leaves, both scene
// forms, and the simplifier's log on a mapped drive.
#include "collision/zkCollideHullVesko.h"
#include "host/io/SceneFile.h"
#include "tests/harness/PassHarness.h"
#include "tests/harness/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace Tam::OptExtension;
using Vesko::TolvanSharedODL::zkCollideHull;
using Tam::Test::childNames;

namespace {

template <class T>
zkSmartPointer<T> node(const char* name, zkGroup* parent, uint32_t flags = 0)
{
    auto n = zkCreate<T>();
    n->setName(name);
    n->setFlags(flags);
    parent->appendChild(n);
    return n;
}

// Strips when lengths are given, else type's primitives of three; indexed when indices are given.
zkSmartPointer<zkGeometryAttr> primitives(int type, const std::vector<zkVec3f>& corners, std::vector<int> lengths = {},
                                          std::vector<int32_t> indices = {})
{
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(zkCreate<zkVertexArray>());
    attr->getVertexArray()->configure(zkVertexFormat::POSITION, int(corners.size()), 0);
    for (int v = 0; v < int(corners.size()); ++v) attr->getVertexArray()->setPosition(v, corners[v]);
    if (!indices.empty()) attr->configureIndexArray(zkCreate<zkIndexArray>());
    for (int32_t i : indices) attr->getIndexArray()->append(i);
    const int sequence = int(indices.empty() ? corners.size() : indices.size());
    attr->setPrimitives(type, lengths.empty() ? sequence / 3 : int(lengths.size()), 0);
    for (int s = 0; s < int(lengths.size()); ++s) attr->setPrimitiveLength(s, lengths[s]);
    return attr;
}

zkSmartPointer<zkGeometry> geometry(const char* name, zkGroup* parent, uint32_t flags,
                                    std::initializer_list<zkSmartPointer<zkGeometryAttr>> attrs)
{
    auto g = node<zkGeometry>(name, parent, flags);
    for (const auto& a : attrs) g->appendAttr(a);
    return g;
}

// One small triangle per call, each at its own place so none is degenerate or welded.
zkSmartPointer<zkGeometryAttr> triangle(float x)
{
    return primitives(ZK_PRIMITIVE_TRIANGLE_LIST, {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}});
}

zkSmartPointer<zkAttrSet> taggedSet(const char* name, zkGroup* parent, const char* imageName)
{
    auto image = zkCreate<zkImage>();
    image->setName(imageName);
    auto bind = zkCreate<zkTextureBindAttr>();
    bind->setTexture(zkCreate<zkTextureAttr>());
    bind->getTexture()->setImage(image, 0);
    auto set = node<zkAttrSet>(name, parent);
    set->appendAttr(bind);
    return set;
}

std::vector<uint32_t> words(const zkFloatList* list)
{
    std::vector<uint32_t> out(size_t(list->getCount()));
    if (!out.empty()) std::memcpy(out.data(), list->getData(), out.size() * 4);
    return out;
}

// Word 7 (flags) and word 11 (material) of every triangle of the record.
std::vector<std::pair<uint32_t, uint32_t>> flagsAndMaterials(const zkCollideHull* record)
{
    std::vector<std::pair<uint32_t, uint32_t>> out;
    const std::vector<uint32_t> w = words(record->_mTriangles);
    for (size_t t = 0; t + 12 <= w.size(); t += 12) out.emplace_back(w[t + 7], w[t + 11]);
    return out;
}

std::string head(const std::string& text, const std::string& like) { return text.substr(0, like.size()); }

// The pass created by name on the shared harness, over a file named like a level.
struct HullRun : Tam::Test::PassHarness {
    zkSmartPointer<zkCollideHullVesko> hull;

    explicit HullRun(bool merge = false)
    {
        file->setName("level1.zks");
        hull = pass<zkCollideHullVesko>();
        hull->_mergeTriangles = merge;
    }
    bool run() { return apply(hull); }
    // The record appended last, if any.
    zkCollideHull* record() const { return zkCollideHull::dynamicCast(file->getInfoList()->get(infos() - 1)); }
    int infos() const { return file->getInfoList()->getCount(); }
};

} // namespace

// What one triangle under nested transforms prints and records is the golden case one_triangle.
TEST(CollisionPass, TheVertexCountIsNeverResetBetweenRuns)
{
    HullRun r;
    geometry("floor", r.root, ZK_NODE_FLAG_COLLIDABLE, {triangle(0)});
    ASSERT_TRUE(r.run());
    ASSERT_TRUE(r.run());
    EXPECT_EQ(head(r.printed, "CollideHull: Input Verts = 6\n2 nodes"), "CollideHull: Input Verts = 6\n2 nodes");
    EXPECT_EQ(r.infos(), 3);
}

TEST(CollisionPass, TaggedTexturesSkipFlagsAndRemovalShapeTheScene)
{
    HullRun r;
    auto rocks = taggedSet("rocks", r.root, "cliff$ct12");
    geometry("boulder", node<zkGroup>("pile", rocks), 0, {triangle(0)}); // collidable: the tag is above it
    geometry("decor", r.root, 0, {triangle(10)});
    geometry("secret", node<zkGroup>("hidden", r.root, ZK_NODE_FLAG_SKIP_COLLISION), ZK_NODE_FLAG_COLLIDABLE,
             {triangle(20)});
    node<zkAttrSet>("empty", r.root);
    geometry("ground", r.root, ZK_NODE_FLAG_COLLIDABLE, {triangle(30)});
    geometry("ghost", r.root, ZK_NODE_FLAG_COLLIDABLE | ZK_NODE_FLAG_INVISIBLE, {triangle(40)});

    ASSERT_TRUE(r.run());
    const std::string start = "clip flags Found 12\nCollideHull: Input Verts = 9\n2 nodes; 3 triangles\n";
    EXPECT_EQ(head(r.printed, start), start);
    const std::string removals = "Found Invisable node: ghost\nFound Invisable node: rocks\n";
    EXPECT_EQ(r.printed.substr(r.printed.size() - std::min(r.printed.size(), removals.size())), removals);
    ASSERT_NE(r.record(), nullptr);
    EXPECT_EQ(flagsAndMaterials(r.record()),
              (std::vector<std::pair<uint32_t, uint32_t>>{{12, 0}, {0x1FB, 0}, {0x1FB, 0}}));
    EXPECT_EQ(childNames(r.root), (std::vector<std::string>{"decor", "hidden", "ground"}));
    EXPECT_EQ(rocks->getFlags(), ZK_NODE_FLAG_INVISIBLE);
}

TEST(CollisionPass, AllDegenerateFailsWithoutARecordButTheTaggedSetIsAlreadyHidden)
{
    // Nothing collidable is the golden case nothing_collidable.
    HullRun flat;
    auto water = taggedSet("water", flat.root, "lake$ct3");
    geometry("sheet", water, 0, {primitives(ZK_PRIMITIVE_TRIANGLE_LIST, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}})});
    EXPECT_FALSE(flat.run());
    EXPECT_EQ(flat.printed, "clip flags Found 3\nCollideHull: Input Verts = 3\nTavik failed for unclear reasons\n");
    EXPECT_EQ(flat.infos(), 1);
    EXPECT_EQ(childNames(flat.root), std::vector<std::string>{"water"});
    EXPECT_EQ(water->getFlags(), ZK_NODE_FLAG_INVISIBLE);
}

// Flag words ride in float slots as bit patterns: 0x1FB is a denormal, 0xFFFFFFFF a NaN.
TEST(CollisionPass, RecordWordsSurviveBothSceneFormsBitForBit)
{
    HullRun r;
    geometry("ground", r.root, ZK_NODE_FLAG_COLLIDABLE, {triangle(0)});
    geometry("fence", taggedSet("fences", r.root, "wire$ct-1"), 0, {triangle(10)});
    ASSERT_TRUE(r.run());
    ASSERT_NE(r.record(), nullptr);
    EXPECT_EQ(flagsAndMaterials(r.record()), (std::vector<std::pair<uint32_t, uint32_t>>{{0x1FB, 0}, {0xFFFFFFFF, 0}}));
    for (Tam::Io::zkSceneForm form : {Tam::Io::zkSceneForm::Binary, Tam::Io::zkSceneForm::Text}) {
        std::string bytes, error;
        ASSERT_TRUE(Tam::Io::zkEncodeScene(r.file, form, bytes, error)) << error;
        zkSmartPointer<zkFileInfo> back = Tam::Io::zkDecodeScene(bytes, form, "level1.zks", error);
        ASSERT_TRUE(back) << error;
        const zkCollideHull* record = zkCollideHull::dynamicCast(back->getInfoList()->get(r.infos() - 1));
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(words(record->_mTriangles), words(r.record()->_mTriangles));
        EXPECT_EQ(words(record->_mNodes), words(r.record()->_mNodes));
        EXPECT_EQ(record->_mNumNodes, 1);
        EXPECT_EQ(record->_mNumTriangles, 2);
    }
}

TEST(CollisionPass, MergingLogsEveryStageOnTheMappedDriveAndNothingWithoutOne)
{
    const Tam::Test::TempFolder drive;
    const std::filesystem::path log = drive.path() / "Docs/base/BuildVClientLogs/maps/tester.log";
    std::filesystem::create_directories(log.parent_path());
    auto runOn = [&](HullRun& r, bool mapped, zkSmartPointer<zkGeometryAttr> attr) {
        r.hull->setHullLog({nullptr, "tester", [] { return std::string("01/02/03"); },
                            [] { return std::string("04:05:06"); }});
        if (mapped) r.host.mapDrive('X', drive.path().string());
        geometry("floor", r.root, ZK_NODE_FLAG_COLLIDABLE, {attr});
        return r.run();
    };

    HullRun one(true);
    ASSERT_TRUE(runOn(one, true, triangle(0)));
    std::string expected;
    for (const char* line : {"LOG FILE OPENED", "===============\n", "PROCESSING: level1.zks\n", "WELDING POINTS...",
                             "   PreWeld Tris  (1)", "   PostWeld Tris (1)", "BUILDING HALF EDGES...",
                             "   Unsafe Count (0)", "COLLAPSING VALID HALF EDGES...", "   Total Edges (3)",
                             "OBTAINING RESULTS...", "   Final Points (3)", "   Final Tris   (1)",
                             "   Final Collapsed Points      (0)", "   Final Collapsed From Unsafe (0)\n",
                             " ===> FINAL SAVINGS: (0) tris (0.000000) KB\n", "COLLIDE HULL OPTIMIZATION COMPLETE"})
        expected += std::string("[01/02/03 04:05:06] ") + line + "\n";
    EXPECT_EQ(Tam::Test::readText(log), expected);

    // A flat grid loses triangles, and the record, the report and the log say the same number.
    std::vector<zkVec3f> grid;
    for (float y = 0; y < 24; y += 4)
        for (float x = 0; x < 24; x += 4)
            grid.insert(grid.end(),
                        {{x, y, 0}, {x + 4, y, 0}, {x + 4, y + 4, 0}, {x, y, 0}, {x + 4, y + 4, 0}, {x, y + 4, 0}});
    HullRun plain(true);
    ASSERT_TRUE(runOn(plain, true, primitives(ZK_PRIMITIVE_TRIANGLE_LIST, grid)));
    ASSERT_NE(plain.record(), nullptr);
    const int kept = plain.record()->_mNumTriangles;
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 72);
    EXPECT_EQ(plain.record()->_mTriangles->getCount(), 12 * kept);
    const std::string text = Tam::Test::readText(log);
    EXPECT_NE(text.find("PreWeld Tris  (72)\n"), std::string::npos);
    EXPECT_NE(text.find("Final Tris   (" + std::to_string(kept) + ")\n"), std::string::npos);
    EXPECT_NE(text.find("FINAL SAVINGS: (" + std::to_string(72 - kept) + ") tris"), std::string::npos);
    EXPECT_NE(plain.printed.find(" nodes; " + std::to_string(kept) + " triangles\n"), std::string::npos);

    // Without drive X: no log anywhere, and the same hull.
    std::filesystem::remove(log);
    HullRun unmapped(true);
    ASSERT_TRUE(runOn(unmapped, false, triangle(0)));
    EXPECT_EQ(unmapped.printed, one.printed);
    EXPECT_FALSE(std::filesystem::exists(log));
}
