#include "geometry/Welder.h"
#include "tests/unit/welder_oracle.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace Tam::OptExtension {
namespace {

// Vertex arrays as the passes will hand them over: separate streams, each
// optional except positions.
struct Mesh {
    std::vector<float> pos, nrm, uv;
    WeldVertexView view() const {
        WeldVertexView v;
        v.vertexCount = pos.size() / 3;
        v.positions = pos.data();
        v.normals = nrm.empty() ? nullptr : nrm.data();
        v.texCoords = uv.empty() ? nullptr : uv.data();
        return v;
    }
};

using Ints = std::vector<int32_t>;

TEST(Welder, TolerancesOfPositionNormalAndTexCoord) {
    // x within the window, y beyond the position tolerance: kept apart.
    Mesh apart{{0, 0, 0, 0.00015f, 0.001f, 0}, {}, {}};
    EXPECT_EQ(weldVertices(apart.view()).source, (Ints{0, 1}));

    // Normals are merged down to a dot product of exactly 0.9.
    Mesh normals{{0, 0, 0, 0, 0, 0, 0, 0, 0},
                 {0, 0, 1, 0, 0.436f, 0.9f, 0, 0, -1},
                 {}};
    WeldResult n = weldVertices(normals.view());
    EXPECT_EQ(n.remap, (Ints{0, 0, 1}));
    EXPECT_EQ(n.source, (Ints{0, 2}));

    // du = 0.01 is still inside the texture tolerance, 0.02 is not.
    Mesh uv{{0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, {0, 0, 0.01f, 0, 0.02f, 0}};
    WeldResult t = weldVertices(uv.view());
    EXPECT_EQ(t.remap, (Ints{0, 0, 1}));
    EXPECT_EQ(t.source, (Ints{0, 2}));

    // Without normals and texture coordinates only positions decide.
    Mesh posOnly{normals.pos, {}, {}};
    EXPECT_EQ(weldVertices(posOnly.view()).source, (Ints{0}));
}

TEST(Welder, IndexListIsRewrittenThroughTheRemap) {
    // Vertex 3 repeats vertex 0: list 0,1,2, 2,1,3 becomes 0,1,2, 2,1,0.
    Mesh m{{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0}, {}, {}};
    WeldResult r = weldVertices(m.view());
    EXPECT_EQ(r.source, (Ints{0, 1, 2}));
    Ints list{0, 1, 2, 2, 1, 3};
    for (int32_t& v : list) v = r.remap[v];
    EXPECT_EQ(list, (Ints{0, 1, 2, 2, 1, 0}));

    WeldResult empty = weldVertices(WeldVertexView{});
    EXPECT_TRUE(empty.remap.empty());
    EXPECT_TRUE(empty.source.empty());
}

TEST(Welder, ComparesWithRepresentativesOnlyAndPrefersSmallestX) {
    // A chain 0.00008 apart: the third vertex is too far from the first
    // representative and is not compared with the merged second one.
    Mesh chain{{0, 0, 0, 0.00008f, 0, 0, 0.00016f, 0, 0}, {}, {}};
    EXPECT_EQ(weldVertices(chain.view()).remap, (Ints{0, 0, 1}));

    // Two representatives match the last vertex: the smaller x wins even
    // though it came later.
    Mesh byX{{0.00009f, 0, 0, -0.00009f, 0, 0, 0, 0, 0}, {}, {}};
    EXPECT_EQ(weldVertices(byX.view()).remap, (Ints{0, 1, 1}));

    // On equal x the earlier representative wins.
    Mesh byOrder{{0, 0.00009f, 0, 0, -0.00009f, 0, 0, 0, 0}, {}, {}};
    EXPECT_EQ(weldVertices(byOrder.view()).remap, (Ints{0, 1, 0}));
}

TEST(Welder, InterleavedArraysAreReadThroughStrides) {
    // pos xyz, normal xyz, uv, colour rgba: 12 floats per vertex. The colour
    // differs and must not matter.
    const std::vector<float> data{
        1, 2, 3, 0, 0, 1, 0.5f, 0.5f, 1, 0, 0, 1,  //
        4, 5, 6, 0, 0, 1, 0.5f, 0.5f, 1, 1, 1, 1,  //
        1, 2, 3, 0, 0, 1, 0.5f, 0.5f, 0, 1, 0, 1,  //
        1, 2, 3, 0, 0, 1, 0.7f, 0.5f, 0, 0, 1, 1,  //
    };
    WeldVertexView v;
    v.vertexCount = 4;
    v.positions = data.data();
    v.normals = data.data() + 3;
    v.texCoords = data.data() + 6;
    v.positionStride = v.normalStride = v.texCoordStride = 12 * sizeof(float);
    WeldResult r = weldVertices(v);
    EXPECT_EQ(r.remap, (Ints{0, 1, 0, 2}));
    EXPECT_EQ(r.source, (Ints{0, 1, 3}));
}

// Points clustered on a lattice a little coarser than the tolerance, so that
// near matches, window edges and ties are frequent.
Mesh randomMesh(std::mt19937& rng, int kind) {
    std::uniform_int_distribution<int> cell(0, 6);
    std::uniform_real_distribution<float> jitter(-0.00012f, 0.00012f);
    const int count = 1 + static_cast<int>(rng() % 300);
    const float step = kind == 3 ? 1024.0f : 0.00015f;  // large coordinates too
    Mesh m;
    for (int i = 0; i < count; ++i) {
        for (int a = 0; a < 3; ++a) {
            float x = cell(rng) * step;
            if (kind == 3 && a == 0) x += 0.00006103515625f * cell(rng);  // float ulps near 1024
            if (kind != 3 && rng() % 3 == 0) x += jitter(rng);
            if (rng() % 11 == 0) x = -x;
            m.pos.push_back(x);
        }
        if (kind == 1 || kind == 2) {
            static const float dirs[][3] = {{0, 0, 1}, {0, 0.436f, 0.9f}, {0, 0.6f, 0.8f}, {0, 0, -1}};
            const auto& d = dirs[rng() % 4];
            m.nrm.insert(m.nrm.end(), d, d + 3);
        }
        if (kind == 2) {
            m.uv.push_back(0.005f * static_cast<float>(rng() % 4));
            m.uv.push_back(0.0f);
        }
    }
    return m;
}

TEST(Welder, MatchesTheOrderedMultimapOnRandomClouds) {
    std::mt19937 rng(99);
    for (int it = 0; it < 400; ++it) {
        const Mesh m = randomMesh(rng, it % 4);
        const WeldResult a = weldVertices(m.view());
        const WeldResult b = Oracle::weldVertices(m.view());
        ASSERT_EQ(a.remap, b.remap) << "cloud " << it;
        ASSERT_EQ(a.source, b.source) << "cloud " << it;
    }
}

TEST(Welder, MatchesTheOrderedMultimapOnAWeldedSoup) {
    // A triangle soup of a 30x30 grid: every corner appears up to six times.
    Mesh m;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const float c[4][2] = {{float(x), float(y)}, {float(x + 1), float(y)},
                                   {float(x), float(y + 1)}, {float(x + 1), float(y + 1)}};
            for (int k : {0, 1, 2, 1, 3, 2}) m.pos.insert(m.pos.end(), {c[k][0] * 0.01f, c[k][1] * 0.01f, 0});
        }
    const WeldResult a = weldVertices(m.view());
    EXPECT_EQ(a.source.size(), 31u * 31u);
    EXPECT_EQ(a.remap, Oracle::weldVertices(m.view()).remap);
}

}  // namespace
}  // namespace Tam::OptExtension
