#include "geometry/strip/StripBuilder.h"
#include "tests/unit/strip_builder_oracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <random>
#include <set>
#include <vector>

namespace Tam::OptExtension {
namespace {

struct Built {
    std::vector<int32_t> indices;
    int strips = 0;
    int duplicates = 0;
    int dropped = 0;
};

template <typename Fn>
Built build(Fn fn, const std::vector<int32_t>& tris) {
    Built b;
    const int count = static_cast<int>(tris.size() / 3);
    std::vector<int32_t> out(6 * tris.size() / 3 + 1, -12345);
    const int n = fn(tris.data(), count, out.data(), b.strips, b.duplicates, b.dropped);
    // The builder must stay inside the room the caller was asked for.
    EXPECT_EQ(out.back(), -12345);
    b.indices.assign(out.begin(), out.begin() + n);
    return b;
}

Built fast(const std::vector<int32_t>& tris) { return build(stripTriangleList, tris); }
Built oracle(const std::vector<int32_t>& tris) { return build(Oracle::stripTriangleList, tris); }

std::vector<int32_t> grid(int w, int h) {
    std::vector<int32_t> t;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = y * (w + 1) + x, b = a + 1, c = a + w + 1, d = c + 1;
            t.insert(t.end(), {a, b, c, b, d, c});
        }
    return t;
}

// The triangles a strip draws, as vertex sets, skipping the joining ones.
std::multiset<std::array<int32_t, 3>> drawnTriangles(const std::vector<int32_t>& s) {
    std::multiset<std::array<int32_t, 3>> out;
    for (size_t k = 0; k + 2 < s.size(); ++k) {
        std::array<int32_t, 3> t{s[k], s[k + 1], s[k + 2]};
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) continue;
        std::sort(t.begin(), t.end());
        out.insert(t);
    }
    return out;
}

TEST(StripBuilder, SmallListsGiveTheDocumentedSequences) {
    Built one = fast({0, 1, 2});
    EXPECT_EQ(one.indices, (std::vector<int32_t>{2, 1, 0}));
    EXPECT_EQ(one.strips, 1);
    EXPECT_EQ(one.duplicates, 0);
    EXPECT_EQ(one.dropped, 0);

    Built disjoint = fast({0, 1, 2, 3, 4, 5});
    EXPECT_EQ(disjoint.indices, (std::vector<int32_t>{2, 1, 0, 0, 5, 5, 4, 3}));
    EXPECT_EQ(disjoint.strips, 2);
    EXPECT_EQ(disjoint.duplicates, 2);

    // The second strip starts where the first ended, so it is not reversed
    // and needs one repeated index only.
    Built sharing = fast({0, 1, 2, 0, 3, 4});
    EXPECT_EQ(sharing.indices, (std::vector<int32_t>{2, 1, 0, 0, 0, 3, 4}));
    EXPECT_EQ(sharing.strips, 2);
    EXPECT_EQ(sharing.duplicates, 1);
}

TEST(StripBuilder, RepeatedTrianglesAreDroppedOnlyInTheSameCyclicOrder) {
    Built twice = fast({0, 1, 2, 0, 1, 2});
    EXPECT_EQ(twice.indices, (std::vector<int32_t>{2, 1, 0}));
    EXPECT_EQ(twice.dropped, 1);
    EXPECT_EQ(twice.strips, 1);

    Built rotated = fast({1, 2, 0, 0, 1, 2});
    EXPECT_EQ(rotated.dropped, 1);
    EXPECT_EQ(rotated.indices, (std::vector<int32_t>{2, 1, 0}));

    // Opposite winding is a different triangle: both are kept and joined.
    Built opposite = fast({0, 1, 2, 0, 2, 1});
    EXPECT_EQ(opposite.dropped, 0);
    EXPECT_EQ(opposite.indices.size(), 4u);
}

// The two-sided triangle 012/021 joins into the strip 1-0-2-1, whose free edges
// 01 and 12 are each listed twice. Both entries count towards its neighbours, so
// it scores 44 rather than 42 in the next sweep, and the later merges end in two
// strips; counting each edge once would give one strip, 1-0-2-1-3-0.
TEST(StripBuilder, AnEdgeListedTwiceCountsTwiceAmongTheNeighbours) {
    const std::vector<int32_t> tris{0, 1, 2, 3, 0, 1, 0, 2, 1, 2, 3, 1};
    const Built b = fast(tris);
    EXPECT_EQ(b.indices, (std::vector<int32_t>{0, 1, 3, 3, 3, 2, 1, 0, 2}));
    EXPECT_EQ(b.strips, 2);
    EXPECT_EQ(b.duplicates, 1);
    EXPECT_EQ(b.dropped, 0);
    EXPECT_EQ(oracle(tris).indices, b.indices);
}

TEST(StripBuilder, EmptyInputWritesNothingAndCountersOnlyGrow) {
    int strips = 7, dups = 8, dropped = 9;
    int32_t out[1] = {42};
    EXPECT_EQ(stripTriangleList(nullptr, 0, out, strips, dups, dropped), 0);
    EXPECT_EQ(out[0], 42);
    EXPECT_EQ(strips, 7);
    EXPECT_EQ(dups, 8);
    EXPECT_EQ(dropped, 9);

    const int32_t tris[] = {0, 1, 2, 3, 4, 5, 3, 4, 5};
    int32_t buf[18];
    EXPECT_EQ(stripTriangleList(tris, 3, buf, strips, dups, dropped), 8);
    EXPECT_EQ(strips, 9);
    EXPECT_EQ(dups, 10);
    EXPECT_EQ(dropped, 10);
}

TEST(StripBuilder, GridIsDrawnCompletelyInFewStrips) {
    const std::vector<int32_t> tris = grid(12, 9);
    Built b = fast(tris);
    std::multiset<std::array<int32_t, 3>> want;
    for (size_t k = 0; k < tris.size(); k += 3) {
        std::array<int32_t, 3> t{tris[k], tris[k + 1], tris[k + 2]};
        std::sort(t.begin(), t.end());
        want.insert(t);
    }
    EXPECT_EQ(drawnTriangles(b.indices), want);
    EXPECT_EQ(b.dropped, 0);
    // Every strip but the first costs one or two joining indices.
    EXPECT_GE(b.duplicates, b.strips - 1);
    EXPECT_LE(b.duplicates, 2 * (b.strips - 1));
    EXPECT_EQ(b.indices.size(), tris.size() / 3 + 2 * b.strips + b.duplicates);
    // 216 triangles: far fewer strips than triangles.
    EXPECT_LT(b.strips, 20);
}

std::vector<int32_t> randomMesh(std::mt19937& rng, int kind) {
    auto pick = [&](int n) { return static_cast<int32_t>(rng() % static_cast<unsigned>(n)); };
    std::vector<int32_t> t;
    switch (kind) {
        case 0:  // grid in its natural order
            t = grid(1 + pick(12), 1 + pick(12));
            break;
        case 1: {  // shuffled, rotated grid with repeated and flipped triangles
            const std::vector<int32_t> g = grid(1 + pick(10), 1 + pick(10));
            std::vector<int> order(g.size() / 3);
            for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
            std::shuffle(order.begin(), order.end(), rng);
            for (int i : order) {
                const int r = pick(3);
                for (int j = 0; j < 3; ++j) t.push_back(g[3 * i + (j + r) % 3]);
                if (pick(6) == 0) t.insert(t.end(), {g[3 * i], g[3 * i + 1], g[3 * i + 2]});
                if (pick(6) == 0) t.insert(t.end(), {g[3 * i], g[3 * i + 2], g[3 * i + 1]});
            }
            break;
        }
        case 2: {  // dense random triangles over few vertices, some negative
            const int nv = 4 + pick(12);
            const int nt = 1 + pick(50);
            for (int i = 0; i < nt; ++i) {
                const int32_t a = pick(nv) - 3, b = pick(nv) - 3, c = pick(nv) - 3;
                if (a != b && b != c && a != c) t.insert(t.end(), {a, b, c});
            }
            break;
        }
        case 3: {  // closed bands, some two-sided: strips whose end edges meet or repeat
            const int around = 3 + pick(8), rows = 1 + pick(3);
            const bool twoSided = pick(2) == 0;
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < around; ++x) {
                    const int32_t a = y * around + x, b = y * around + (x + 1) % around;
                    const int32_t c = a + around, d = b + around;
                    t.insert(t.end(), {a, b, c, b, d, c});
                    if (twoSided) t.insert(t.end(), {a, c, b, b, c, d});
                }
            break;
        }
        default: {  // soup: every triangle on its own vertices, some repeated
            const int nt = 1 + pick(40);
            for (int i = 0; i < nt; ++i) {
                const int32_t a = 3 * i;
                t.insert(t.end(), {a, a + 1, a + 2});
                if (pick(4) == 0) t.insert(t.end(), {a + 1, a + 2, a});
            }
            break;
        }
    }
    return t;
}

TEST(StripBuilder, MatchesThePlainProcedureOnRandomMeshes) {
    std::mt19937 rng(20240611);
    int compared = 0;
    for (int it = 0; it < 500; ++it) {
        const std::vector<int32_t> tris = randomMesh(rng, it % 5);
        if (tris.empty()) continue;
        const Built a = fast(tris), b = oracle(tris);
        ASSERT_EQ(a.indices, b.indices) << "mesh " << it;
        ASSERT_EQ(a.strips, b.strips) << "mesh " << it;
        ASSERT_EQ(a.duplicates, b.duplicates) << "mesh " << it;
        ASSERT_EQ(a.dropped, b.dropped) << "mesh " << it;
        ++compared;
    }
    EXPECT_GT(compared, 450);
}

TEST(StripBuilder, MatchesThePlainProcedureOnALargerShuffledGrid) {
    std::mt19937 rng(7);
    std::vector<int32_t> g = grid(40, 30);
    // Renumber the vertices at random: the pool order depends on the numbers.
    std::vector<int32_t> perm(41 * 31);
    for (size_t i = 0; i < perm.size(); ++i) perm[i] = static_cast<int32_t>(i);
    std::shuffle(perm.begin(), perm.end(), rng);
    for (int32_t& v : g) v = perm[v];
    const Built a = fast(g), b = oracle(g);
    EXPECT_EQ(a.indices, b.indices);
    EXPECT_EQ(a.strips, b.strips);
    EXPECT_EQ(a.duplicates, b.duplicates);
}

}  // namespace
}  // namespace Tam::OptExtension
