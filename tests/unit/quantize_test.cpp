// The palette quantizer against its plain reference. The pass itself is golden cases under
// tests/passes/zkQuantizeVesko.
#include "image/PaletteQuantizer.h"
#include "quantize_oracle.h"
#include "tools/examples/TextureSamples.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>

using namespace Tam;
using namespace Tam::Test;
using namespace Tam::Examples;
using Tam::OptExtension::PaletteQuantizer;

namespace {

struct Quantized {
    bool learnt = false;
    std::vector<uint8_t> palette, indices;
};

Quantized quantizeFast(const std::vector<uint8_t>& picture, int width, int height, bool alpha, bool reduce)
{
    auto q = std::make_unique<PaletteQuantizer>();
    Quantized out;
    out.learnt = q->initialise(picture.data(), int(picture.size()), 2, alpha);
    if (out.learnt) q->learn();
    q->unbias();
    out.palette.resize(1024);
    q->writePalette(out.palette.data());
    q->buildIndex();
    const int b = alpha ? 4 : 3;
    out.indices.resize(reduce ? std::size_t(width / 2) * (height / 2) : std::size_t(width) * height);
    if (reduce) q->mapReduced(out.indices.data(), width, height, width * b);
    else q->mapPixels(out.indices.data(), width, height, width * b);
    return out;
}

// Random pixels drawn from a few colours: exact palettes.
std::vector<uint8_t> fewColours(int width, int height, int bytes, int colours, uint32_t seed)
{
    std::vector<uint8_t> table = randomPixels(colours, 1, bytes, seed), pixels;
    uint32_t r = seed;
    for (int i = 0; i < width * height; ++i) {
        r = r * 1103515245u + 12345u;
        const int c = int((r >> 16) % colours);
        pixels.insert(pixels.end(), table.begin() + c * bytes, table.begin() + (c + 1) * bytes);
    }
    return pixels;
}

} // namespace

TEST(QuantizeOracle, FastQuantizerGivesTheReferencePalettesAndIndices)
{
    struct Case {
        std::vector<uint8_t> pixels;
        int width, height;
        bool alpha;
    };
    std::vector<Case> cases;
    uint32_t seed = 1;
    for (int i = 0; i < 120; ++i, ++seed) {
        const int w = 1 + int(seed * 37 % 61), h = 1 + int(seed * 53 % 47);
        const bool alpha = i % 2 != 0;
        cases.push_back({randomPixels(w, h, alpha ? 4 : 3, seed), w, h, alpha});
    }
    // Small RGBA pictures whose length is below one learning step: the sample position wraps more
    // than once.
    for (int pixels = 384; pixels <= 496; pixels += 16, ++seed)
        cases.push_back({randomPixels(pixels, 1, 4, seed), pixels, 1, true});
    for (int i = 0; i < 30; ++i, ++seed) {
        const int w = 8 + i * 3, h = 64 - i;
        cases.push_back({photoLikeRGB(w, h, seed), w, h, false});
        cases.push_back({softAlphaRGBA(h, w, seed), h, w, true});
        cases.push_back({fewColours(w, h, i % 2 ? 4 : 3, 1 + i * 9, seed), w, h, i % 2 != 0});
    }
    // Lengths that are multiples of the first prime strides.
    cases.push_back({photoLikeRGB(499, 2, 7), 499, 2, false});
    cases.push_back({photoLikeRGB(499, 491, 8), 499, 491, false});
    cases.push_back({photoLikeRGB(256, 256, 9), 256, 256, false});
    cases.push_back({softAlphaRGBA(256, 128, 10), 256, 128, true});

    int learnt = 0;
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const Case& k = cases[c];
        for (bool reduce : {false, true}) {
            SCOPED_TRACE("case " + std::to_string(c) + " " + std::to_string(k.width) + "x" + std::to_string(k.height) +
                         (k.alpha ? " RGBA" : " RGB") + (reduce ? " reduced" : ""));
            const OracleQuantized expected = quantizeByOracle(k.pixels.data(), k.width, k.height, k.alpha, reduce);
            const Quantized actual = quantizeFast(k.pixels, k.width, k.height, k.alpha, reduce);
            ASSERT_EQ(actual.learnt, expected.learnt);
            ASSERT_EQ(actual.palette, expected.palette);
            ASSERT_EQ(actual.indices, expected.indices);
            learnt += actual.learnt;
        }
    }
    EXPECT_GT(cases.size(), 200u);
    EXPECT_GT(learnt, 250) << "most cases must exercise learning, not only exact palettes";
}

TEST(QuantizeOracle, LearntPalettesKeepTheFixedEntriesAndFollowTheColours)
{
    const std::vector<uint8_t> photo = photoLikeRGB(128, 128, 3);
    const Quantized q = quantizeFast(photo, 128, 128, false, false);
    ASSERT_TRUE(q.learnt);
    // Neurons 0 to 2 never move: black transparent, white, black opaque.
    const uint8_t fixed[12] = {0, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255};
    EXPECT_EQ(0, std::memcmp(q.palette.data(), fixed, 12));
    double error = 0;
    for (std::size_t p = 0; p < q.indices.size(); ++p)
        for (int c = 0; c < 3; ++c) {
            // Palette bytes are in reverse order against the pixel bytes.
            const double d = double(photo[p * 3 + c]) - q.palette[q.indices[p] * 4 + 2 - c];
            error += d * d;
        }
    EXPECT_LT(error / (q.indices.size() * 3.0), 40.0) << "mean squared error of a learnt palette";
}

TEST(QuantizeOracle, ReducedMappingAveragesBlocksOverTheirVisiblePixels)
{
    // Three 2x2 blocks: two colours averaging to M1; a colour beside two transparent pixels,
    // which count for alpha only (M2); and M1 and M2 themselves, so both are palette colours.
    const uint8_t a[4] = {10, 20, 30, 255}, b[4] = {30, 40, 50, 255}, c[4] = {100, 0, 0, 255}, t[4] = {9, 9, 9, 0};
    const uint8_t m1[4] = {20, 30, 40, 255}, m2[4] = {100, 0, 0, 127};
    const uint8_t* rows[2][6] = {{a, b, c, t, m1, m2}, {a, b, t, c, m2, m1}};
    std::vector<uint8_t> pixels;
    for (auto& row : rows)
        for (const uint8_t* px : row) pixels.insert(pixels.end(), px, px + 4);
    const Quantized q = quantizeFast(pixels, 6, 2, true, true);
    ASSERT_FALSE(q.learnt);
    ASSERT_EQ(q.indices.size(), 3u);
    auto entryIs = [&](int index, const uint8_t* rgba) {
        const uint8_t* e = &q.palette[index * 4];
        return e[0] == rgba[2] && e[1] == rgba[1] && e[2] == rgba[0] && e[3] == rgba[3];
    };
    EXPECT_TRUE(entryIs(q.indices[0], m1));
    EXPECT_TRUE(entryIs(q.indices[1], m2));

    // Odd sizes drop the last column and row: 5x3 gives 2x1.
    const std::vector<uint8_t> odd = randomPixels(5, 3, 3, 4);
    EXPECT_EQ(quantizeFast(odd, 5, 3, false, true).indices.size(), 2u);
}
