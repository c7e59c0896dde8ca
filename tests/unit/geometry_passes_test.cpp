// The geometry passes run as the host runs them, on small scenes built here: the lines they
// print, their counters, and the arrays they leave behind.
#include "geometry/veskoCheckGeometry.h"
#include "geometry/zkCheckGeometryVesko.h"
#include "geometry/zkReduceBlendWeightsWeldVesko.h"
#include "geometry/zkStripInvisibleVesko.h"
#include "geometry/zkStripVesko.h"
#include "geometry/zkWeldVesko.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/SampleScene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tam::OptExtension;
using Tam::Test::geometryName;
using Tam::Test::PassHarness;

namespace {

constexpr uint32_t kPos = zkVertexFormat::POSITION;
constexpr uint32_t kNormal = zkVertexFormat::NORMAL;
constexpr uint32_t kColor = zkVertexFormat::COLOR;
constexpr uint32_t kUv = 1u << zkVertexFormat::TEXCOORD_SHIFT;
constexpr uint32_t blend(int weights, int matrices)
{
    return uint32_t(weights) << zkVertexFormat::WEIGHT_SHIFT | uint32_t(matrices) << zkVertexFormat::BLEND_INDEX_SHIFT;
}

// A triangle-list attribute; vertex i lies at positions[i]. Without indices it is a non-indexed list.
zkSmartPointer<zkGeometryAttr> triangles(uint32_t format, const std::vector<zkVec3f>& positions,
                                         const std::vector<int32_t>* indices)
{
    auto array = zkCreate<zkVertexArray>();
    array->configure(format | kPos, static_cast<int>(positions.size()), 0x5a, 0);
    for (int v = 0; v < static_cast<int>(positions.size()); ++v) array->setPosition(v, positions[v]);
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array);
    if (indices) {
        auto list = zkCreate<zkIndexArray>();
        for (int32_t i : *indices) list->append(i);
        attr->configureIndexArray(list);
    }
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_LIST, 1, 0);
    return attr;
}
zkSmartPointer<zkGeometryAttr> indexed(uint32_t format, const std::vector<zkVec3f>& positions,
                                       const std::vector<int32_t>& indices)
{
    return triangles(format, positions, &indices);
}

zkSmartPointer<zkGeometry> geometry(const char* name, std::initializer_list<zkAttr*> attrs, uint32_t flags = 0)
{
    auto g = zkCreate<zkGeometry>();
    g->setName(name);
    g->setFlags(flags);
    for (zkAttr* a : attrs) g->appendAttr(a);
    return g;
}

std::vector<int32_t> indicesOf(const zkGeometryAttr* attr)
{
    const zkIndexArray* list = attr->getIndexArray();
    return list ? std::vector<int32_t>(list->getData(), list->getData() + list->getCount()) : std::vector<int32_t>{};
}

// The x of every vertex: the scenes below number vertex i by placing it at x = i where order matters.
std::vector<float> xsOf(const zkGeometryAttr* attr)
{
    std::vector<float> xs;
    for (int v = 0; v < attr->getVertexCount(); ++v) xs.push_back(attr->getPosition(v).x);
    return xs;
}

} // namespace

TEST(GeometryPasses, WeldMergesWithinTheTolerancesAndKeepsTheFirstVertexOfEachGroup)
{
    PassHarness scene;
    const zkVec3f o{0, 0, 0};
    // The duplicate corner of two triangles.
    auto corner = indexed(0, {o, {1, 0, 0}, {0, 1, 0}, o}, {0, 1, 2, 2, 1, 3});
    // Within the x window but too far in y; then close enough.
    auto window = indexed(0, {o, {0.00015f, 0.001f, 0}, {0.00005f, 0, 0}}, {0, 1, 2});
    auto normals = indexed(kNormal, {o, o, o}, {0, 1, 2});
    normals->getVertexArray()->setNormal(0, {0, 0, 1});
    normals->getVertexArray()->setNormal(1, {0, 0.436f, 0.9f}); // dot 0.9: merged
    normals->getVertexArray()->setNormal(2, {0, 0, -1});
    auto uvs = indexed(kNormal | kUv, {o, o, o}, {0, 1, 2});
    for (int v = 0; v < 3; ++v) {
        uvs->getVertexArray()->setNormal(v, {0, 0, 1});
        uvs->getVertexArray()->setTextureCoord(0, v, 0.01f * v, 0); // 0.01 apart merges, 0.02 does not
    }
    auto colours = indexed(kColor, {o, o, {1, 0, 0}}, {0, 1, 2});
    colours->getVertexArray()->setColor(0, 0xff0000ffu);
    colours->getVertexArray()->setColor(1, 0x00ff00ffu);
    // Vertex 2 matches both earlier ones: the smaller x wins, not the earlier vertex.
    auto tie = indexed(0, {{0.00008f, 0, 0}, {-0.00008f, 0, 0}, o}, {0, 1, 2});
    scene.root->appendChild(geometry("tolerances", {corner, window, normals, uvs, colours, tie}));

    auto weld = scene.pass<zkWeldVesko>();
    EXPECT_EQ(scene.run(weld), "Welding: before 19   after 13\n");
    EXPECT_EQ(weld->_totalBeforeVerts, 19);
    EXPECT_EQ(weld->_totalAfterVerts, 13);

    EXPECT_EQ(indicesOf(corner), (std::vector<int32_t>{0, 1, 2, 2, 1, 0}));
    EXPECT_EQ(xsOf(corner), (std::vector<float>{0, 1, 0}));
    EXPECT_EQ(corner->getVertexArray()->getConfiguration(), 0x5au);
    EXPECT_EQ(indicesOf(window), (std::vector<int32_t>{0, 1, 0}));
    EXPECT_EQ(indicesOf(normals), (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(normals->getVertexArray()->getNormal(1)[2], -1.0f);
    EXPECT_EQ(indicesOf(uvs), (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(indicesOf(colours), (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(colours->getVertexArray()->getColor(0), 0xff0000ffu);
    EXPECT_EQ(indicesOf(tie), (std::vector<int32_t>{0, 1, 1}));
}

TEST(GeometryPasses, WeldReportModeChangesNothingAndCountersAddUpOverRuns)
{
    PassHarness scene;
    auto attr = indexed(0, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}}, {0, 1, 2, 2, 1, 3});
    scene.root->appendChild(geometry("quad", {attr}));
    auto weld = scene.pass<zkWeldVesko>();
    weld->_weldVerts = false;
    EXPECT_EQ(scene.run(weld), "Welding: before 4   would reduce to 3\n");
    EXPECT_EQ(attr->getVertexCount(), 4);
    EXPECT_EQ(indicesOf(attr), (std::vector<int32_t>{0, 1, 2, 2, 1, 3}));

    weld->_weldVerts = true;
    EXPECT_EQ(scene.run(weld), "Welding: before 8   after 6\n");
    EXPECT_EQ(scene.run(weld), "Welding: before 11   after 9\n");
    EXPECT_EQ(attr->getVertexCount(), 3);
}

TEST(GeometryPasses, AttributesWithoutIndicesAreReportedAsAlreadyStrippedButCounted)
{
    PassHarness scene;
    auto lighting = zkCreate<zkLightingStateAttr>();
    auto soup = triangles(0, {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}, nullptr);
    auto node = geometry("soup", {lighting, soup});
    scene.root->appendChild(node);
    // The entry that is no geometry attribute still counts in the positions.
    EXPECT_EQ(scene.run(scene.pass<zkWeldVesko>()),
              "WARNING!! ALREADY STRIPPED " + geometryName(node, 1) + "\nWelding: before 3   after 2\n");
    EXPECT_EQ(soup->getVertexCount(), 3);
    EXPECT_EQ(scene.run(scene.pass<zkStripVesko>()),
              "WARNING!! ALREADY STRIPPED " + geometryName(node, 1) +
                  "\nStripping: Triangles 0   TotalVerts 0   IndStrips 0   DupVerts 0   DegTris 0\n");
}

TEST(GeometryPasses, NullGeometryNoticeIsLatchedOncePerTraversalExceptInValidation)
{
    PassHarness scene;
    zkSmartPointer<zkNode> none;
    zkSmartPointer<zkNode> group = zkCreate<zkGroup>();
    auto weld = scene.pass<zkWeldVesko>();
    auto strip = scene.pass<zkStripVesko>();
    auto check = scene.pass<zkCheckGeometryVesko>();
    for (zkOptTraverseGraph* pass : std::initializer_list<zkOptTraverseGraph*>{weld, strip, check}) {
        scene.printed.clear();
        for (int traversal = 0; traversal < 2; ++traversal) {
            pass->preTraverse();
            EXPECT_EQ(pass->dispatch(none), GRAPH_TRAVERSAL_CONTINUE);
            EXPECT_EQ(pass->dispatch(group), GRAPH_TRAVERSAL_CONTINUE);
        }
        const std::string once = "NULL geometry passed to ::dispatch\n";
        EXPECT_EQ(scene.printed, pass == check.get() ? once + once + once + once : once + once)
            << pass->getMeta()->getName();
    }
    EXPECT_FALSE(weld->_notifyOfError);

    // The blend-weight pass prints its running totals after every node, a missing one included.
    auto reduce = scene.pass<zkReduceBlendWeightsWeldVesko>();
    scene.printed.clear();
    reduce->preTraverse();
    reduce->dispatch(none);
    reduce->dispatch(none);
    const std::string totals = "Welding: before 0   after 0\nVert-Wts: total 0   before 0   after 0\n";
    EXPECT_EQ(scene.printed, "NULL geometry passed to ::dispatch\n" + totals + totals);
}

TEST(GeometryPasses, BlendWeightsAreWeldedSortedReducedAndRenormalised)
{
    PassHarness scene;
    const float weights[4][3] = {{0.1f, 0.6f, 0.3f}, {0.5f, 0.5f, 0}, {0.2f, 0.2f, 0.6f}, {0.9f, 0.05f, 0.05f}};
    const uint8_t matrices[4][3] = {{4, 7, 9}, {1, 2, 3}, {5, 6, 8}, {1, 1, 1}};
    // Vertex 3 sits on vertex 0: welding merges them whatever their weights.
    auto skin = indexed(blend(3, 3), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}}, {0, 1, 2, 2, 1, 3});
    for (int v = 0; v < 4; ++v)
        for (int j = 0; j < 3; ++j) {
            skin->getVertexArray()->setWeight(j, v, weights[v][j]);
            skin->getVertexArray()->setBlendMatrixIndex(j, v, matrices[v][j]);
        }
    auto node = geometry("skin", {skin});
    scene.root->appendChild(node);
    auto reduce = scene.pass<zkReduceBlendWeightsWeldVesko>();
    reduce->_blendWeightCount = 2;
    EXPECT_EQ(scene.run(reduce), geometryName(node, 0) + ": reduced from 3 to 2\n"
                                   "Welding: before 4   after 3\n"
                                   "Vert-Wts: total 9   before 0   after 0\n");
    const zkVertexArray* out = skin->getVertexArray();
    ASSERT_EQ(out->getVertexCount(), 3);
    EXPECT_EQ(out->getWeightCount(), 2);
    EXPECT_EQ(out->getBlendMatrixIndexCount(), 2);
    // The second kept weight is cleared for the target to derive, so the strongest scales to 1;
    // equal weights keep their matrices in their order.
    const uint8_t expected[3][2] = {{7, 9}, {1, 2}, {8, 5}};
    for (int v = 0; v < 3; ++v) {
        EXPECT_EQ(out->getWeight(0, v), 1.0f);
        EXPECT_EQ(out->getWeight(1, v), 0.0f);
        EXPECT_EQ(out->getBlendMatrixIndex(0, v), expected[v][0]) << v;
        EXPECT_EQ(out->getBlendMatrixIndex(1, v), expected[v][1]) << v;
    }
    EXPECT_EQ(out->getWeightChangeCount(), 3);
    EXPECT_EQ(indicesOf(skin), (std::vector<int32_t>{0, 1, 2, 2, 1, 0}));
}

TEST(GeometryPasses, BlendWeightsBelowTheMinimumAreClearedAndCounted)
{
    PassHarness scene;
    const float weights[3][4] = {{0.1f, 0.4f, 0.3f, 0.2f}, {0.05f, 0.9f, 0.03f, 0.02f}, {0.25f, 0.25f, 0.25f, 0.25f}};
    auto skin = indexed(blend(4, 4), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    for (int v = 0; v < 3; ++v)
        for (int j = 0; j < 4; ++j) {
            skin->getVertexArray()->setWeight(j, v, weights[v][j]);
            skin->getVertexArray()->setBlendMatrixIndex(j, v, static_cast<uint8_t>(10 * v + j));
        }
    auto node = geometry("arm", {skin});
    scene.root->appendChild(node);
    auto reduce = scene.pass<zkReduceBlendWeightsWeldVesko>();
    reduce->_blendWeightCount = 3;
    reduce->_blendWeightMin = 0.15f;
    reduce->_weldVerts = false;
    EXPECT_EQ(scene.run(reduce), geometryName(node, 0) + ": reduced from 4 to 3\n"
                                   "Welding: before 0   after 0\n"
                                   "Vert-Wts: total 12   before 4   after 2\n");
    const zkVertexArray* out = skin->getVertexArray();
    EXPECT_FLOAT_EQ(out->getWeight(0, 0), 0.4f / 0.7f);
    EXPECT_FLOAT_EQ(out->getWeight(1, 0), 0.3f / 0.7f);
    EXPECT_EQ(out->getWeight(2, 0), 0.0f);
    EXPECT_EQ(out->getBlendMatrixIndex(0, 0), 1);
    EXPECT_EQ(out->getBlendMatrixIndex(1, 0), 2);
    EXPECT_EQ(out->getWeight(0, 1), 1.0f);
    EXPECT_EQ(out->getBlendMatrixIndex(0, 1), 11);
    EXPECT_EQ(out->getWeight(0, 2), 0.5f);
    EXPECT_EQ(out->getBlendMatrixIndex(2, 2), 22);
}

TEST(GeometryPasses, BlendWeightCountDecidesBetweenSkipAndReduction)
{
    auto twoWeights = [] {
        auto attr = indexed(blend(2, 2), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
        for (int v = 0; v < 3; ++v) {
            attr->getVertexArray()->setWeight(0, v, 0.3f);
            attr->getVertexArray()->setWeight(1, v, 0.7f);
            attr->getVertexArray()->setBlendMatrixIndex(0, v, 3);
            attr->getVertexArray()->setBlendMatrixIndex(1, v, 4);
        }
        return attr;
    };
    const std::string totals = "Welding: before 3   after 3\nVert-Wts: total 0   before 0   after 0\n";
    {
        PassHarness scene;
        auto attr = twoWeights();
        auto node = geometry("limb", {attr});
        scene.root->appendChild(node);
        auto reduce = scene.pass<zkReduceBlendWeightsWeldVesko>();
        reduce->_blendWeightCount = 4;
        EXPECT_EQ(scene.run(reduce), geometryName(node, 0) + ": skipped because current 2 < specified 4\n" + totals);
        EXPECT_EQ(attr->getVertexArray()->getWeightCount(), 2);
        reduce->_blendWeightMin = 0.05f;
        EXPECT_EQ(scene.run(reduce), geometryName(node, 0) + ": reduced from 2 to 4\nWelding: before 6   after 6\n"
                                                         "Vert-Wts: total 6   before 6   after 3\n");
        EXPECT_EQ(attr->getVertexArray()->getWeightCount(), 4);
        EXPECT_EQ(attr->getVertexArray()->getBlendMatrixIndexCount(), 4);
    }
    for (uint32_t count : {1u, 0u}) {
        PassHarness scene;
        auto attr = twoWeights();
        auto node = geometry("limb", {attr});
        scene.root->appendChild(node);
        auto reduce = scene.pass<zkReduceBlendWeightsWeldVesko>();
        reduce->_blendWeightCount = count;
        const std::string warning = count ? "" : "WARNING: a new blend weight count of zero has been specified.\n"
                                                 "The new vertex arrays will have zero blend weights, but still\n"
                                                 "one blend index will remain, and it will be up to the platform\n"
                                                 "to assume that the blend weight is 1.0\n";
        EXPECT_EQ(scene.run(reduce), warning + geometryName(node, 0) + ": reduced from 2 to " + std::to_string(count) +
                                           "\nWelding: before 3   after 3\nVert-Wts: total 6   before 0   after 0\n");
        const zkVertexArray* out = attr->getVertexArray();
        EXPECT_EQ(out->getWeightCount(), static_cast<int>(count));
        EXPECT_EQ(out->getBlendMatrixIndexCount(), 1);
        EXPECT_EQ(out->getBlendMatrixIndex(0, 2), 4); // that of the strongest weight
        if (count) {
            EXPECT_EQ(out->getWeight(0, 2), 1.0f);
        }
    }
}

TEST(GeometryPasses, BlendWeightPassTreatsSkinnedGraphsOfAnimationDatabases)
{
    PassHarness scene;
    auto attr = indexed(blend(2, 2), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    auto node = geometry("skinned", {attr});
    auto skin = zkCreate<zkSkin>();
    skin->setSkinnedGraph(node);
    auto database = zkCreate<zkAnimationDatabase>();
    database->appendSkin(skin);
    scene.file->getInfoList()->append(database);
    auto reduce = scene.pass<zkReduceBlendWeightsWeldVesko>();
    EXPECT_TRUE(reduce->canOptimize(database.get()));
    EXPECT_EQ(scene.run(reduce), geometryName(node, 0) + ": reduced from 2 to 1\n"
                                   "Welding: before 3   after 3\nVert-Wts: total 6   before 0   after 0\n");
    EXPECT_EQ(attr->getVertexArray()->getWeightCount(), 1);
}

TEST(GeometryPasses, StripTurnsIndexedListsIntoOneStripInBuilderOrder)
{
    PassHarness scene;
    auto xs = [](int n) {
        std::vector<zkVec3f> p;
        for (int i = 0; i < n; ++i) p.push_back({float(i), float(i % 2), float(i / 3)});
        return p;
    };
    auto one = indexed(kColor, xs(3), {0, 1, 2});
    auto disjoint = indexed(0, xs(6), {0, 1, 2, 3, 4, 5});
    auto sharing = indexed(0, xs(5), {0, 1, 2, 0, 3, 4});
    // A triangle with a repeated index is dropped; the tenth index is no whole triangle.
    auto degenerate = indexed(0, xs(6), {0, 1, 2, 5, 5, 4, 3, 4, 5, 1});
    auto loose = indexed(0, xs(10), {0, 1, 2, 3, 4, 5, 6, 7, 8}); // 10 vertices for 9 corners
    auto flat = indexed(0, xs(3), {0, 0, 1});
    one->getVertexArray()->setColor(0, 0x11223344u);
    auto looseNode = geometry("loose", {loose});
    std::vector<zkSmartPointer<zkGeometry>> nodes = {geometry("one", {one}), geometry("disjoint", {disjoint}),
                                                     geometry("sharing", {sharing}), geometry("degenerate", {degenerate}),
                                                     looseNode, geometry("flat", {flat})};
    for (auto& n : nodes) scene.root->appendChild(n);

    auto strip = scene.pass<zkStripVesko>();
    // Joins insert 0 + 2 + 1 + 2 indices: the strips 2-1-0 and 5-4-3 need two to keep their
    // winding, 2-1-0 and 0-3-4 one.
    const std::string summary = "Stripping: Triangles 7   TotalVerts 26   IndStrips 7   DupVerts 5   DegTris 2\n";
    EXPECT_EQ(scene.run(strip), "WARNING!! ALREADY STRIPPED " + geometryName(looseNode, 0) + "\n" + summary);
    EXPECT_EQ(xsOf(one), (std::vector<float>{2, 1, 0}));
    EXPECT_EQ(one->getVertexArray()->getColor(2), 0x11223344u);
    EXPECT_EQ(xsOf(disjoint), (std::vector<float>{2, 1, 0, 0, 5, 5, 4, 3}));
    EXPECT_EQ(xsOf(sharing), (std::vector<float>{2, 1, 0, 0, 0, 3, 4}));
    EXPECT_EQ(xsOf(degenerate), (std::vector<float>{2, 1, 0, 0, 5, 5, 4, 3}));
    for (zkGeometryAttr* a : {one.get(), disjoint.get(), sharing.get(), degenerate.get(), flat.get()}) {
        EXPECT_EQ(a->getIndexArray(), nullptr);
        EXPECT_EQ(a->getPrimitiveType(), ZK_PRIMITIVE_TRIANGLE_STRIPS);
        EXPECT_EQ(a->getPrimitiveCount(), 1);
        EXPECT_EQ(a->getPrimitiveLength(0), a->getVertexCount());
        EXPECT_EQ(a->getVertexArray()->getConfiguration(), 0x5au);
    }
    EXPECT_EQ(flat->getVertexCount(), 0);
    EXPECT_EQ(loose->getVertexCount(), 10);
    EXPECT_EQ(loose->getPrimitiveType(), ZK_PRIMITIVE_TRIANGLE_LIST);

    EXPECT_EQ(strip->_totalTriangles, 7);
    EXPECT_EQ(strip->_totalDegenerateTris, 2);
}

TEST(GeometryPasses, ValidationRemovesAnAttributeIndexingBeyondItsVertices)
{
    PassHarness scene;
    auto node = geometry("beyond", {indexed(0, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 1, 2, 2, 1, 4})});
    scene.root->appendChild(node);
    EXPECT_EQ(scene.run(scene.pass<zkCheckGeometryVesko>()),
              "Bad Vertex Index\nBad geometry beyond\n********* ERRORS 1 bogus geometries stripped\n");
    EXPECT_EQ(node->getAttrCount(), 0);
}

TEST(GeometryPasses, ValidationMovesTheLastTriangleIntoADegenerateOnesPlace)
{
    PassHarness scene;
    auto soup = triangles(kColor, {{0, 0, 0}, {0.0005f, 0, 0}, {0, 1, 0}, {5, 0, 0}, {6, 0, 0}, {5, 1, 0}}, nullptr);
    soup->getVertexArray()->setColor(4, 0xabcdef01u);
    // Two bad attributes: removed last first, and counted together.
    auto node = geometry("rock", {indexed(0, {{0, 0, 0}}, {0, 0, 7}), soup, triangles(0, {}, nullptr)});
    scene.root->appendChild(node);
    auto check = scene.pass<zkCheckGeometryVesko>();
    EXPECT_EQ(scene.run(check), "Non-indexed, No verts or no triangles\nBad geometry rock\n"
                                  "1 Degenerates removed from geometry rock\n"
                                  "Bad Vertex Index\nBad geometry rock\n"
                                  "********* ERRORS 2 bogus geometries stripped\n");
    ASSERT_EQ(node->getAttrCount(), 1);
    EXPECT_EQ(node->getAttr(0), soup.get());
    EXPECT_EQ(xsOf(soup), (std::vector<float>{5, 6, 5}));
    EXPECT_EQ(soup->getVertexArray()->getColor(1), 0xabcdef01u);
    // The count starts again with every traversal.
    EXPECT_EQ(scene.run(check), "All geometry is OK.\n");
}

TEST(GeometryPasses, SampleSceneRunsThroughTheGeometryPipeline)
{
    PassHarness scene(Tam::Examples::buildSampleScene());
    auto weld = scene.pass<zkWeldVesko>();
    // floor 64 -> 25, crate 24, wall 4, ledge 4, hero 6, debris 6 -> 5, marker 3.
    EXPECT_EQ(scene.run(weld), "Welding: before 111   after 71\n");
    auto reduce = scene.pass<zkReduceBlendWeightsWeldVesko>();
    reduce->_blendWeightCount = 2;
    const std::string printed = scene.run(reduce);
    EXPECT_NE(printed.find("\"hero\", attr0: reduced from 4 to 2\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("\"floor\", attr0: skipped because current 0 < specified 2\n"), std::string::npos);
    EXPECT_EQ(scene.run(scene.pass<zkCheckGeometryVesko>()), "All geometry is OK.\n");
    // The floor's 32 triangles, the crate's 12, the wall's 2, the ledge's 2, the hero's 4, one of
    // the debris and the marker's; the debris triangle that welding collapsed is dropped.
    const std::string stripped = scene.run(scene.pass<zkStripVesko>());
    EXPECT_EQ(stripped.rfind("Stripping: Triangles 54   TotalVerts ", 0), 0u) << stripped;
    EXPECT_NE(stripped.find("DegTris 1\n"), std::string::npos) << stripped;
    EXPECT_EQ(scene.run(scene.pass<zkStripInvisibleVesko>()), "");
    EXPECT_EQ(scene.run(scene.pass<veskoCheckGeometry>()),
              "floor has no normals but has lighting on!\nwall has no normals but has lighting on!\n"
              "ledge has no normals but has lighting on!\ndebris has no normals but has lighting on!\n");
}
