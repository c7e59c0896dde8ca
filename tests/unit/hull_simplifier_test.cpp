#include "collision/HostClock.h"
#include "collision/HullSimplifier.h"
#include "collision/Tavik.h"
#include "tests/harness/TempFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

using namespace Tam::OptExtension;
namespace fs = std::filesystem;

namespace {

CollideTriangle tri(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t flags = 0x1FB,
                    uint32_t material = 0, float z = 0.0f) {
    return CollideTriangle{{{x0, y0, z, 0u}, {x1, y1, z, flags}, {x2, y2, z, material}}};
}

// A scratch folder standing in for the mapped log drive.
struct LogDir : Tam::Test::TempFolder {
    HullLogSettings settings(const std::string& user = "tester") const {
        HullLogSettings s;
        std::string folder = path().string();
        s.resolveDirectory = [folder](const std::string& dir) {
            return dir == kHullLogDirectory ? folder : std::string();
        };
        s.userName = user;
        s.date = [] { return std::string("01/02/03"); };
        s.time = [] { return std::string("04:05:06"); };
        return s;
    }
    std::string log(const std::string& user = "tester") const { return read(user + ".log"); }
};

HullSimplifierCounts simplify(const std::vector<CollideTriangle>& soup, std::vector<CollideTriangle>& out,
                              HullLogSettings log = {}) {
    HullSimplifier s;
    s.setLog(std::move(log));
    for (const CollideTriangle& t : soup)
        s.addTriangle(t);
    s.process("scene.zks");
    s.obtainResults(out);
    return s.counts();
}

double area(const CollideTriangle& t) {
    double ux = t.v[1].x - t.v[0].x, uy = t.v[1].y - t.v[0].y;
    double vx = t.v[2].x - t.v[0].x, vy = t.v[2].y - t.v[0].y;
    return 0.5 * (ux * vy - uy * vx);  // signed: negative means the face flipped
}

// Square (0,0)-(8,8) cut into four faces around its centre.
std::vector<CollideTriangle> squareFan(uint32_t flagsOfLast = 0x1FB) {
    return {tri(0, 0, 8, 0, 4, 4), tri(8, 0, 8, 8, 4, 4), tri(8, 8, 0, 8, 4, 4),
            tri(0, 8, 0, 0, 4, 4, flagsOfLast)};
}

}  // namespace

TEST(HullSimplifier, FanAroundCentreCollapsesToTwoAndLogsEveryStage) {
    LogDir dir;
    std::vector<CollideTriangle> out;
    HullSimplifierCounts c = simplify(squareFan(), out, dir.settings());

    EXPECT_EQ(c.collapses, 1);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_DOUBLE_EQ(area(out[0]) + area(out[1]), 64.0);
    for (const CollideTriangle& t : out) {
        EXPECT_GT(area(t), 0.0);
        EXPECT_EQ(t.flags(), 0x1FBu);
        for (const auto& v : t.v)
            EXPECT_FALSE(v.x == 4.0f && v.y == 4.0f) << "centre survived";
    }

    const std::string stamp = "[01/02/03 04:05:06] ";
    EXPECT_EQ(dir.log(), stamp + "LOG FILE OPENED\n" +
                              stamp + "===============\n\n" +
                              stamp + "PROCESSING: scene.zks\n\n" +
                              stamp + "WELDING POINTS...\n" +
                              stamp + "   PreWeld Tris  (4)\n" +
                              stamp + "   PostWeld Tris (4)\n" +
                              stamp + "BUILDING HALF EDGES...\n" +
                              stamp + "   Unsafe Count (0)\n" +
                              stamp + "COLLAPSING VALID HALF EDGES...\n" +
                              stamp + "   Total Edges (8)\n" +
                              stamp + "OBTAINING RESULTS...\n" +
                              stamp + "   Final Points (6)\n" +
                              stamp + "   Final Tris   (2)\n" +
                              stamp + "   Final Collapsed Points      (0)\n" +
                              stamp + "   Final Collapsed From Unsafe (0)\n\n" +
                              stamp + " ===> FINAL SAVINGS: (2) tris (0.024000) KB\n\n" +
                              stamp + "COLLIDE HULL OPTIMIZATION COMPLETE\n");
}

TEST(HullSimplifier, DifferentFlagsKeepTheFanApart) {
    std::vector<CollideTriangle> out;
    HullSimplifierCounts c = simplify(squareFan(0x003), out);
    // The odd face keeps its own three corners, so the centre has no closed fan.
    EXPECT_EQ(c.postWeldPoints, 5 + 3);
    EXPECT_EQ(c.collapses, 0);
    EXPECT_EQ(out.size(), 4u);
}

TEST(HullSimplifier, WeldToleranceMaterialAndNormal) {
    // Second triangle's corners sit 0.5 off the first's shared edge.
    auto pair = [](float off, uint32_t material, float flip) {
        return std::vector<CollideTriangle>{
            tri(0, 0, 10, 0, 0, 10),
            flip > 0 ? tri(10 + off, 0, 10 + off, 10, 0 + off, 10, 0x1FB, material)
                     : tri(10 + off, 0, 0 + off, 10, 10 + off, 10, 0x1FB, material)};
    };
    std::vector<CollideTriangle> out;
    EXPECT_EQ(simplify(pair(0.5f, 0, 1), out).postWeldPoints, 4);
    EXPECT_EQ(simplify(pair(1.0f, 0, 1), out).postWeldPoints, 6);  // 1.0 apart is not within
    EXPECT_EQ(simplify(pair(0.5f, 3, 1), out).postWeldPoints, 6);  // other material
    EXPECT_EQ(simplify(pair(0.5f, 0, -1), out).postWeldPoints, 6); // facing the other way

    HullSimplifierCounts c = simplify(pair(0.5f, 0, 1), out);
    EXPECT_EQ(c.preWeldFaces, 2);
    EXPECT_EQ(c.postWeldFaces, 2);
    ASSERT_EQ(out.size(), 2u);
    // Welded corners take the position of the first corner in x order.
    EXPECT_EQ(out[1].v[0].x, 10.0f);
    EXPECT_EQ(out[1].v[1].x, 10.5f);
    EXPECT_EQ(out[1].v[2].x, 0.0f);
    EXPECT_EQ(out[1].v[2].y, 10.0f);
}

TEST(HullSimplifier, ThirdFaceOnAnEdgeIsCutLoose) {
    LogDir dir;
    std::vector<CollideTriangle> out;
    HullSimplifierCounts c = simplify(
        {tri(0, 0, 10, 0, 5, 5), tri(10, 0, 0, 0, 5, -5), tri(0, 0, 10, 0, 5, 8, 0x1FB, 0)}, out,
        dir.settings());
    EXPECT_EQ(c.unsafeFaces, 1);
    EXPECT_EQ(c.postWeldPoints, 5);
    EXPECT_EQ(out.size(), 3u);
    EXPECT_NE(dir.log().find("] BUILDING HALF EDGES...\n[01/02/03 04:05:06]    Unsafe Count (1)\n"),
              std::string::npos);
}

TEST(HullSimplifier, FlatGridLosesTrianglesButKeepsItsShape) {
    std::vector<CollideTriangle> soup;
    const int cells = 8;
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            float x = float(i) * 4, y = float(j) * 4;
            soup.push_back(tri(x, y, x + 4, y, x + 4, y + 4, 0x1FB, 5, 2.0f));
            soup.push_back(tri(x, y, x + 4, y + 4, x, y + 4, 0x1FB, 5, 2.0f));
        }
    }
    LogDir dir;
    std::vector<CollideTriangle> out;
    HullSimplifierCounts c = simplify(soup, out, dir.settings());
    EXPECT_EQ(c.preWeldFaces, 128);
    EXPECT_EQ(c.postWeldPoints, 81);
    // Every point but the four corners lies inside or on a straight side, so all of
    // them go and the square ends as two triangles.
    EXPECT_EQ(c.collapses, 77);
    EXPECT_EQ(c.finalTriangles, 2);
    EXPECT_EQ(int(out.size()), c.finalTriangles);

    double total = 0;
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (const CollideTriangle& t : out) {
        EXPECT_GT(area(t), 0.0) << "a face folded over";
        EXPECT_EQ(t.material(), 5u);
        total += area(t);
        for (const auto& v : t.v) {
            EXPECT_EQ(v.z, 2.0f);
            minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
            minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
        }
    }
    EXPECT_DOUBLE_EQ(total, 32.0 * 32.0);
    EXPECT_EQ(minX, 0.0f);
    EXPECT_EQ(maxX, 32.0f);
    EXPECT_EQ(minY, 0.0f);
    EXPECT_EQ(maxY, 32.0f);

    EXPECT_NE(dir.log().find("]  ===> FINAL SAVINGS: (126) tris (1.512000) KB\n\n"), std::string::npos);
}

TEST(HullSimplifier, NoLogWithoutUserOrMappedDrive) {
    LogDir dir;
    std::vector<CollideTriangle> out;
    EXPECT_EQ(simplify(squareFan(), out, dir.settings("")).finalTriangles, 2);
    HullLogSettings unmapped = dir.settings();
    unmapped.resolveDirectory = [](const std::string&) { return std::string(); };
    EXPECT_EQ(simplify(squareFan(), out, unmapped).finalTriangles, 2);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(HullSimplifier, MergingBuilderTakesTheSurvivorsOrFailsWithNone) {
    LogDir dir;
    Tavik merged;
    merged.setHullLog(dir.settings());
    for (const CollideTriangle& t : squareFan())
        merged.addTriangle(t, false, true);
    int tree = 0, tris = 0;
    ASSERT_TRUE(merged.build(4, tree, tris, true, nullptr));
    EXPECT_EQ(tris, 2 * 48);
    EXPECT_EQ(merged.exportWords().recordTriangleCount, 2);
    EXPECT_EQ(dir.log().find("PROCESSING"), std::string::npos);  // no name given

    // Passes the builder's area test but is too thin for a normal: dropped on input.
    Tavik sliver;
    sliver.setHullLog(dir.settings("sliver"));
    sliver.addTriangle(CollideTriangle{{{0, 0, 0, 0}, {1000, 0, 0, 0}, {1000, 1e-4f, 0, 0}}}, false, true);
    tree = tris = -1;
    EXPECT_FALSE(sliver.build(4, tree, tris, true, "thin"));
    EXPECT_EQ(tris, -1);
    EXPECT_NE(dir.log("sliver").find("   PreWeld Tris  (0)\n"), std::string::npos);
}

TEST(HostClock, EightCharacterDateAndTimeAndAnAccountName) {
    auto shaped = [](const std::string& text, char sep) {
        if (text.size() != 8 || text[2] != sep || text[5] != sep)
            return false;
        for (int i : {0, 1, 3, 4, 6, 7})
            if (!std::isdigit(static_cast<unsigned char>(text[size_t(i)])))
                return false;
        return true;
    };
    EXPECT_TRUE(shaped(zkDateString(), '/')) << zkDateString();
    EXPECT_TRUE(shaped(zkTimeString(), ':')) << zkTimeString();
    EXPECT_FALSE(zkUserName().empty());
}
