#include "collision/Tavik.h"
#include "tests/unit/tavik_oracle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace Tam::OptExtension;

namespace {

uint32_t bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

CollideTriangle tri(float x0, float y0, float z0, float x1, float y1, float z1, float x2, float y2,
                    float z2, uint32_t flags = 0x1FB, uint32_t material = 0) {
    return CollideTriangle{{{x0, y0, z0, 0u}, {x1, y1, z1, flags}, {x2, y2, z2, material}}};
}

struct Built {
    Tavik builder;
    int treeBytes = -1;
    int triangleBytes = -1;
    bool ok = false;
};

void buildFrom(Built& b, const std::vector<CollideTriangle>& soup, int leafLimit, bool swap = false) {
    for (const CollideTriangle& t : soup)
        b.builder.addTriangle(t, swap, false);
    b.ok = b.builder.build(leafLimit, b.treeBytes, b.triangleBytes, false, nullptr);
}

std::string report(const Built& b) {
    std::string text;
    LineSink sink = [&text](const std::string& line) { text += line; };
    CollideTreeStats stats;
    b.builder.getStatistics(stats);
    printCollideReport(sink, b.treeBytes, b.triangleBytes, stats);
    printCollideTotals(sink, b.treeBytes, b.triangleBytes);
    return text;
}

std::vector<CollideTriangle> soupOf(int n) {
    std::vector<CollideTriangle> soup;
    for (int i = 0; i < n; ++i) {
        float x = float(i % 10) * 3.0f, y = float(i / 10) * 3.0f;
        soup.push_back(tri(x, y, 0, x + 2, y, 0, x, y + 2, 1));
    }
    return soup;
}

}  // namespace

TEST(Tavik, OneTriangleGivesOneNodeAndHullBoundsWithExactReportAndWords) {
    Built b;
    b.builder.addTriangle(tri(2, 0, 0, 0, 0, 0, 0, 3, 1, 0x1FB, 7), true, false);
    b.ok = b.builder.build(4, b.treeBytes, b.triangleBytes, false, nullptr);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.builder.depth(), 0);

    EXPECT_EQ(report(b),
              "2 nodes; 1 triangles\n"
              "level 0\n"
              "\tminExtent (  2.00,  3.00,  1.00)\n"
              "\tmaxExtent (  2.00,  3.00,  1.00)\n"
              "\taveExtent (  2.00,  3.00,  1.00)\n"
              "\tminTriangles 1\n"
              "\tmaxTriangles 1\n"
              "\taveTriangles 1\n"
              "level 1\n"
              "\tminExtent (  2.00,  3.00,  1.00)\n"
              "\tmaxExtent (  2.00,  3.00,  1.00)\n"
              "\taveExtent (  2.00,  3.00,  1.00)\n"
              "\tminTriangles 1\n"
              "\tmaxTriangles 1\n"
              "\taveTriangles 1\n"
              "Total mem for collidehulls 112\n"
              "Total triangle mem 48\n"
              "Total tree mem 64\n");

    CollideHullWords words = b.builder.exportWords();
    EXPECT_EQ(words.recordNodeCount, 1);
    EXPECT_EQ(words.recordTriangleCount, 1);
    // Swapped: vertex 1's position first, the extra words where they were.
    const std::vector<uint32_t> triangle = {bits(0), bits(0), bits(0), 0u,    bits(2), bits(0),
                                            bits(0), 0x1FBu,  bits(0), bits(3), bits(1), 7u};
    EXPECT_EQ(words.triangles, triangle);
    const std::vector<uint32_t> nodes = {bits(0), bits(0), bits(0), 0x1FBu, bits(2), bits(3), bits(1), 0x1FBu,
                                         bits(0), bits(0), bits(0), 0u,     bits(2), bits(3), bits(1), 0u};
    EXPECT_EQ(words.nodes, nodes);

    std::vector<uint32_t> nodeStore(16, 0xDEADBEEF), triStore(12, 0xDEADBEEF);
    CollideExport out{0, 0, nodeStore.data(), triStore.data()};
    EXPECT_EQ(b.builder.exportTo(out), 48);
    EXPECT_EQ(out.nodeCount, 2);
    EXPECT_EQ(out.triangleCount, 1);
    EXPECT_EQ(nodeStore, nodes);
}

TEST(Tavik, HundredTrianglesLeafLimitEightHasDepthThree) {
    Built b;
    buildFrom(b, soupOf(100), 8);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.builder.depth(), 3);
    EXPECT_EQ(b.treeBytes, 512);
    EXPECT_EQ(b.triangleBytes, 4800);
    EXPECT_EQ(report(b).substr(0, 24), "16 nodes; 100 triangles\n");

    CollideTreeStats stats;
    b.builder.getStatistics(stats);
    ASSERT_EQ(stats.levelCount, 5);  // D + 2: the hull bounds node alone on the last
    EXPECT_EQ(stats.levels[3].nodeCount, 8);
    EXPECT_EQ(stats.levels[3].minTriangles, 12);
    EXPECT_EQ(stats.levels[3].maxTriangles, 13);
    EXPECT_EQ(stats.levels[3].aveTriangles, 12);
    EXPECT_EQ(stats.levels[4].nodeCount, 1);
    EXPECT_EQ(stats.levels[4].minTriangles, 7);  // where node 15 would sit: half of 13

    // Each level-3 node's box holds exactly its own range of the final array.
    const auto& tris = b.builder.triangles();
    size_t start = 0;
    for (int i = 7; i < 15; ++i) {
        size_t count = (i == 7 || i == 9 || i == 11 || i == 13) ? 13 : 12;
        float minX = 1e30f;
        for (size_t t = start; t < start + count; ++t)
            for (const auto& v : tris[t].v)
                minX = std::min(minX, v.x);
        EXPECT_EQ(b.builder.nodes()[size_t(i)].min[0], minX) << "node " << i;
        start += count;
    }
}

TEST(Tavik, ComputeNodeCountDepthRule) {
    Tavik t;
    EXPECT_EQ(t.computeNodeCount(100, 8), 15);
    EXPECT_EQ(t.depth(), 3);
    EXPECT_EQ(t.computeNodeCount(8, 4), 1);  // h = 4 is not above L
    EXPECT_EQ(t.computeNodeCount(9, 4), 3);
    EXPECT_EQ(t.computeNodeCount(0, 4), 0);
    EXPECT_EQ(t.depth(), 1);  // n = 0 leaves D alone
    EXPECT_EQ(t.leafLimit(), 4);
}

TEST(Tavik, DegenerateTrianglesNeverReachTheRecord) {
    Built b;
    b.builder.addTriangle(tri(1, 1, 1, 1, 1, 1, 5, 0, 0), false, false);        // two corners equal
    b.builder.addTriangle(tri(0, 0, 0, 1, 1, 1, 2, 2, 2), false, false);        // collinear
    b.builder.addTriangle(tri(0, 0, 0, 0.009f, 0, 0, 0, 0.009f, 0), false, false);  // area below the limit
    int tree = -1, tris = -1;
    EXPECT_FALSE(b.builder.build(4, tree, tris, false, nullptr));
    EXPECT_EQ(tree, -1);  // left untouched on failure
    EXPECT_EQ(tris, -1);

    b.builder.addTriangle(tri(0, 0, 0, 0.011f, 0, 0, 0, 0.011f, 0), false, false);  // just above
    EXPECT_TRUE(b.builder.build(4, tree, tris, false, nullptr));
    EXPECT_EQ(tris, 48);
}

TEST(Tavik, NodeWordsCombineFlagsAndSkipEmptyHullBounds) {
    Built b;
    buildFrom(b, {tri(0, 0, 60, 1, 0, 60, 0, 1, 61, 0x1FB), tri(0, 0, 70, 2, 0, 70, 0, 2, 70, 0x003)}, 4);
    ASSERT_TRUE(b.ok);
    const CollideNode& root = b.builder.nodes()[0];
    EXPECT_EQ(root.flagsAnd, 0x003u);
    EXPECT_EQ(root.flagsOr, 0x1FBu);
    const CollideNode& hull = b.builder.nodes().back();
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(hull.min[a], -900000.0f);
        EXPECT_EQ(hull.max[a], -900000.0f);
    }
}

TEST(Tavik, HullBoundsSkipHighAndNanVerticesWhole) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Built b;
    buildFrom(b,
              {tri(-5, 1, 10, 3, -2, 59.5f, 100, 100, 60),  // the (100,100,60) corner is left out
               tri(-50, -50, nan, 4, 0, 20, 0, 4, 20)},
              4);
    ASSERT_TRUE(b.ok);
    const CollideNode& hull = b.builder.nodes().back();
    EXPECT_EQ(hull.min[0], -5.0f);
    EXPECT_EQ(hull.min[1], -2.0f);
    EXPECT_EQ(hull.min[2], 10.0f);
    EXPECT_EQ(hull.max[0], 4.0f);
    EXPECT_EQ(hull.max[1], 4.0f);
    EXPECT_EQ(hull.max[2], 59.5f);
    EXPECT_EQ(hull.flagsAnd, 0u);
    EXPECT_EQ(hull.flagsOr, 0u);
}

// The fast builder against the plain one, word for word. Small integer coordinates
// make equal sort keys common, which is where the two could drift apart; some soups
// are large enough for the ranges that skip the heap sort, and some carry NaN and
// signed zeros.
TEST(Tavik, FastBuildMatchesPlainBuildOnRandomSoups) {
    std::mt19937 rng(20240611);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int trial = 0; trial < 300; ++trial) {
        const int kind = trial % 4;
        const int n = trial % 25 == 0 ? 1500 + int(rng() % 3000) : 1 + int(rng() % 400);
        const int leafLimit = 4 + int(rng() % 9);
        std::uniform_int_distribution<int> grid(0, kind == 0 ? 3 : 40);
        std::uniform_real_distribution<float> real(-500.0f, 500.0f);
        auto coord = [&]() -> float {
            if (kind == 1)
                return real(rng);
            if (kind == 3 && rng() % 200 == 0)
                return rng() % 2 ? nan : -0.0f;
            return float(grid(rng)) * 0.5f;
        };
        std::vector<CollideTriangle> soup;
        std::vector<bool> swaps;
        for (int i = 0; i < n; ++i) {
            CollideTriangle t;
            for (auto& v : t.v)
                v = {coord(), coord(), coord(), 0u};
            t.extra() = rng() % 3;
            t.flags() = (rng() % 2 ? 0x1FBu : 0x3u) | (1u << (rng() % 31));
            t.material() = rng() % 32;
            soup.push_back(t);
            swaps.push_back(rng() % 2 == 0);
        }

        Tavik fast;
        std::vector<CollideTriangle> accepted;
        for (size_t i = 0; i < soup.size(); ++i) {
            fast.addTriangle(soup[i], swaps[i], false);
            CollideTriangle kept;
            if (oracle::plainAccept(soup[i], swaps[i], kept))
                accepted.push_back(kept);
        }
        oracle::PlainTree plain = oracle::plainBuild(accepted, leafLimit);
        int tree = 0, tris = 0;
        bool ok = fast.build(leafLimit, tree, tris, false, nullptr);
        ASSERT_EQ(ok, !accepted.empty()) << "trial " << trial;
        if (!ok)
            continue;
        ASSERT_EQ(fast.depth(), plain.depth) << "trial " << trial;
        ASSERT_EQ(fast.triangles().size(), plain.triangles.size()) << "trial " << trial;
        ASSERT_EQ(fast.nodes().size(), plain.nodes.size()) << "trial " << trial;
        ASSERT_EQ(std::memcmp(fast.triangles().data(), plain.triangles.data(),
                              plain.triangles.size() * sizeof(CollideTriangle)),
                  0)
            << "triangle words differ, trial " << trial << " n " << n;
        ASSERT_EQ(std::memcmp(fast.nodes().data(), plain.nodes.data(), plain.nodes.size() * sizeof(CollideNode)), 0)
            << "node words differ, trial " << trial << " n " << n;
    }
}

namespace {

// Builds the soup both ways and compares every word; false with a message on a difference.
::testing::AssertionResult sameAsPlain(const std::vector<CollideTriangle>& soup, int leafLimit, bool swap) {
    Tavik fast;
    std::vector<CollideTriangle> accepted;
    for (const CollideTriangle& t : soup) {
        fast.addTriangle(t, swap, false);
        CollideTriangle kept;
        if (oracle::plainAccept(t, swap, kept))
            accepted.push_back(kept);
    }
    oracle::PlainTree plain = oracle::plainBuild(accepted, leafLimit);
    int tree = 0, tris = 0;
    if (!fast.build(leafLimit, tree, tris, false, nullptr))
        return ::testing::AssertionFailure() << "build failed";
    if (fast.depth() != plain.depth || fast.triangles().size() != plain.triangles.size() ||
        fast.nodes().size() != plain.nodes.size())
        return ::testing::AssertionFailure() << "shape differs";
    for (size_t i = 0; i < plain.triangles.size(); ++i)
        if (std::memcmp(&fast.triangles()[i], &plain.triangles[i], sizeof(CollideTriangle)) != 0)
            return ::testing::AssertionFailure() << "triangle " << i << " differs";
    for (size_t i = 0; i < plain.nodes.size(); ++i)
        if (std::memcmp(&fast.nodes()[i], &plain.nodes[i], sizeof(CollideNode)) != 0)
            return ::testing::AssertionFailure() << "node " << i << " differs";
    return ::testing::AssertionSuccess();
}

// Grid terrain as exporters write it: two triangles a cell, corners on integer
// multiples of the spacing, so nearly every x and y key is shared by a column or row
// of cells; heights either on the grid too or with a little noise.
std::vector<CollideTriangle> gridTerrain(int cellsX, int cellsY, std::mt19937& rng, bool noisyHeight) {
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    std::uniform_int_distribution<int> step(0, 3);
    std::vector<float> height(size_t(cellsX + 1) * size_t(cellsY + 1));
    for (float& h : height)
        h = float(step(rng)) + (noisyHeight ? noise(rng) : 0.0f);
    auto corner = [&](int i, int j, uint32_t word) {
        return CollideTriangle::Vertex{float(i) * 2.0f, float(j) * 2.0f,
                                       height[size_t(j) * size_t(cellsX + 1) + size_t(i)], word};
    };
    std::vector<CollideTriangle> soup;
    for (int j = 0; j < cellsY; ++j)
        for (int i = 0; i < cellsX; ++i) {
            const uint32_t flags = (i / 8 + j / 8) % 3 == 0 ? 0x003u : 0x1FBu, material = uint32_t(i % 4);
            soup.push_back({{corner(i, j, 0), corner(i + 1, j, flags), corner(i + 1, j + 1, material)}});
            soup.push_back({{corner(i, j, 0), corner(i + 1, j + 1, flags), corner(i, j + 1, material)}});
        }
    return soup;
}

}  // namespace

// Ranges full of equal keys, where the heap sort's order among them has to come out
// exactly: tiled grids, and a handful of triangles repeated over and over (every key
// of a range equal).
TEST(Tavik, FastBuildMatchesPlainBuildWhereKeysTie) {
    std::mt19937 rng(77);
    for (int trial = 0; trial < 12; ++trial) {
        const int cellsX = 5 + int(rng() % 40), cellsY = 5 + int(rng() % 40);
        const int leafLimit = 4 + int(rng() % 9);
        EXPECT_TRUE(sameAsPlain(gridTerrain(cellsX, cellsY, rng, trial % 2 == 0), leafLimit, trial % 3 == 0))
            << "grid trial " << trial << " " << cellsX << "x" << cellsY;
    }
    for (int trial = 0; trial < 8; ++trial) {
        std::vector<CollideTriangle> shapes = {tri(0, 0, 0, 2, 0, 0, 0, 2, 1), tri(1, 1, 1, 3, 1, 1, 1, 3, 0),
                                               tri(0, 0, 0, 2, 0, 0, 0, 2, 1, 0x003, 5)};
        std::vector<CollideTriangle> soup;
        const int n = 300 + int(rng() % 1500);
        const size_t kinds = trial < 2 ? 1 : shapes.size();  // one kind: every key of every range equal
        for (int i = 0; i < n; ++i) {
            soup.push_back(shapes[rng() % kinds]);
            soup.back().material() = uint32_t(i % 32);  // copies tell apart in the words
        }
        EXPECT_TRUE(sameAsPlain(soup, 4 + int(rng() % 9), trial % 2 == 1)) << "repeat trial " << trial;
    }
}

// More than 65536 triangles with both ties and many distinct keys: too many bits for
// a rank and a position to share one 32-bit word at the top of the tree.
TEST(Tavik, FastBuildMatchesPlainBuildOnALargeSoupWithTies) {
    std::mt19937 rng(4242);
    std::uniform_real_distribution<float> real(-1000.0f, 1000.0f);
    std::vector<CollideTriangle> soup;
    for (int i = 0; i < 70000; ++i) {
        if (i % 8 == 7) {
            // The same corners in turned order and another material: ties on every
            // axis, yet the words show which of the two comes first.
            CollideTriangle t = soup[rng() % soup.size()];
            t = CollideTriangle{{{t.v[1].x, t.v[1].y, t.v[1].z, t.v[0].word},
                                 {t.v[2].x, t.v[2].y, t.v[2].z, t.v[1].word},
                                 {t.v[0].x, t.v[0].y, t.v[0].z, t.v[2].word ^ 1u}}};
            soup.push_back(t);
            continue;
        }
        const float x = real(rng), y = real(rng), z = real(rng);
        soup.push_back(tri(x, y, z, x + 1.5f, y, z + 0.25f, x, y + 1.5f, z, 0x1FB, uint32_t(i % 32)));
    }
    EXPECT_TRUE(sameAsPlain(soup, 12, true));
}
