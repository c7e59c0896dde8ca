// The geometry passes where a golden case under tests/passes cannot say it: counters over several
// runs of one pass object, dispatch of a missing node, and scenes the scene files refuse.
#include "geometry/zkCheckGeometryVesko.h"
#include "geometry/zkReduceBlendWeightsWeldVesko.h"
#include "geometry/zkStripVesko.h"
#include "geometry/zkWeldVesko.h"
#include "tests/harness/PassHarness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tam::OptExtension;
using Tam::Test::PassHarness;

namespace {

constexpr uint32_t kPos = zkVertexFormat::POSITION;
constexpr uint32_t kColor = zkVertexFormat::COLOR;

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

