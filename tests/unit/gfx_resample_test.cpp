// Resizing, flips, rotations and component histograms.
#include "host/gfx/Histogram.h"
#include "host/gfx/Resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using namespace Tam::Gfx;

namespace {

PixelImage solid(uint32_t w, uint32_t h, std::array<uint8_t, 4> colour, uint32_t format = kFormatRGBA8888) {
    std::vector<uint8_t> rgba;
    for (uint32_t i = 0; i < w * h; ++i)
        rgba.insert(rgba.end(), colour.begin(), colour.end());
    PixelImage img;
    EXPECT_TRUE(encodeFromRGBA(rgba.data(), w, h, format, kOrderRGBA, {}, img));
    return img;
}

// Levels that 5-bit formats store exactly.
constexpr uint8_t kLevels[3] = {0, 132, 255};

// A w x h image whose texel (x, y) has red level x and green level y.
PixelImage ramp(uint32_t w, uint32_t h, uint32_t format = kFormatRGBA8888) {
    std::vector<uint8_t> rgba;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            rgba.insert(rgba.end(), {kLevels[x], kLevels[y], 0, 255});
    PixelImage img;
    EXPECT_TRUE(encodeFromRGBA(rgba.data(), w, h, format, kOrderRGBA, {}, img));
    return img;
}

std::pair<int, int> texelXY(const PixelImage& img, uint32_t x, uint32_t y) {
    std::vector<uint8_t> rgba;
    EXPECT_TRUE(decodeToRGBA(img, rgba));
    const uint8_t* p = &rgba[(size_t(y) * img.width + x) * 4];
    auto level = [](uint8_t v) { return int(std::find(kLevels, kLevels + 3, v) - kLevels); };
    return {level(p[0]), level(p[1])};
}

} // namespace

TEST(GfxResize, HalvingGivesTheMipmapSizesWithEveryFilter) {
    for (uint32_t f = 0; f < kFilterTypeCount; ++f) {
        SCOPED_TRACE(filterName(f));
        ResizeSettings s;
        s.filter = FilterType(f);
        PixelImage img = solid(256, 64, {200, 100, 50, 255});
        ASSERT_TRUE(scale(img, s));
        EXPECT_EQ(img.width, 128u);
        EXPECT_EQ(img.height, 32u);
        // Normalised weights: a flat image stays flat, exactly.
        std::vector<uint8_t> rgba;
        ASSERT_TRUE(decodeToRGBA(img, rgba));
        for (size_t i = 0; i < rgba.size(); i += 4)
            ASSERT_EQ((std::array<uint8_t, 4>{rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]}),
                      (std::array<uint8_t, 4>{200, 100, 50, 255}));

        PixelImage column = solid(1, 64, {1, 2, 3, 4});
        s.widthFactor = 1.0f;
        ASSERT_TRUE(scale(column, s));
        EXPECT_EQ(column.width, 1u);
        EXPECT_EQ(column.height, 32u);
        s.widthFactor = 0.5f; // a 1-pixel dimension does not shrink below 1 either
        PixelImage odd = solid(5, 1, {9, 9, 9, 9});
        ASSERT_TRUE(scale(odd, s));
        EXPECT_EQ(odd.width, 2u);
        EXPECT_EQ(odd.height, 1u);
    }
}

TEST(GfxResize, FiltersWeighTheTexelsTheyCover) {
    // Columns 0, 100, 200, 60: box halving averages pairs, point sampling takes the first.
    std::vector<uint8_t> rgba;
    for (uint8_t v : {0, 100, 200, 60})
        rgba.insert(rgba.end(), {v, v, v, 255});
    PixelImage img;
    ASSERT_TRUE(load(img, rgba.data(), rgba.size(), kFormatRGBA8888, 4, 1));
    ResizeSettings s;
    s.heightFactor = 1.0f;
    s.filter = kFilterBox;
    PixelImage box = img;
    ASSERT_TRUE(scale(box, s));
    EXPECT_EQ(box.pixels, (std::vector<uint8_t>{50, 50, 50, 255, 130, 130, 130, 255}));
    s.filter = kFilterPoint;
    PixelImage point = img;
    ASSERT_TRUE(scale(point, s));
    EXPECT_EQ(point.pixels, (std::vector<uint8_t>{0, 0, 0, 255, 200, 200, 200, 255}));
    // Triangle at half size: taps at -0.25, 0.25 (weight 0.75 each) and -0.75, 0.75
    // (0.25 each) around the centre; the border repeats. Left: (0*.25+0*.75+100*.75+200*.25)/2.
    s.filter = kFilterTriangle;
    PixelImage tri = img;
    ASSERT_TRUE(scale(tri, s));
    EXPECT_EQ(tri.pixels[0], 63);  // 62.5 rounds up
    EXPECT_EQ(tri.pixels[4], 118); // (100*.25 + 200*.75 + 60*.75 + 60*.25) / 2
}

TEST(GfxResize, OtherFormatsComeBackInTheirOwnFormat) {
    PixelImage img = solid(8, 8, {255, 0, 0, 255}, kFormatRGBA5551);
    PixelImage copy;
    ASSERT_TRUE(resampledCopy(img, 16, 4, kFilterMitchell, copy));
    EXPECT_EQ(copy.format, uint32_t(kFormatRGBA5551));
    ASSERT_EQ(copy.pixels.size(), 16u * 4 * 2);
    for (size_t i = 0; i < copy.pixels.size(); i += 2)
        ASSERT_EQ(copy.pixels[i] | copy.pixels[i + 1] << 8, 0xF801);

    // Indexed images keep their palette and sample the nearest texel's index.
    std::vector<uint8_t> indices(16);
    for (int i = 0; i < 16; ++i)
        indices[size_t(i)] = uint8_t(i);
    PixelImage pal;
    ASSERT_TRUE(load(pal, indices.data(), indices.size(), kFormatIndexed8, 4, 4));
    std::vector<uint8_t> entries(16 * 4, 255);
    ASSERT_TRUE(setPalette(pal, entries.data(), 16));
    ASSERT_TRUE(scale(pal, ResizeSettings{kFilterLanczos3, 0.5f, 0.5f}));
    EXPECT_EQ(pal.pixels, (std::vector<uint8_t>{5, 7, 13, 15}));
    EXPECT_EQ(pal.paletteEntryCount(), 16u);
}

TEST(GfxResize, BadRequestsAreRefused) {
    PixelImage img = solid(4, 4, {0, 0, 0, 255});
    std::string error;
    EXPECT_FALSE(scale(img, ResizeSettings{kFilterMitchell, 0.0f, 0.5f}, &error));
    EXPECT_EQ(error, "scale factors 0.000000, 0.500000 do not give a size for 4x4");
    PixelImage out;
    EXPECT_FALSE(resampledCopy(img, 0, 4, kFilterBox, out, &error));
    EXPECT_EQ(error, "bad image size 0x4");
    EXPECT_FALSE(resampledCopy(img, 4, 4, FilterType(42), out, &error));
    EXPECT_EQ(error, "unknown filter type 42");
    EXPECT_FALSE(rotate(img, 45.0, &error));
    EXPECT_EQ(error, "cannot rotate by 45.000000 degrees, only by multiples of 90");
    EXPECT_EQ(img.width, 4u);
}

// Rows run down while t runs up, so the transpose in texture coordinates mirrors the stored
// texels about the other diagonal: stored (x, y) comes from (W-1-y, H-1-x).
TEST(GfxTransform, FlipThenQuarterTurnTransposes) {
    for (uint32_t format : {uint32_t(kFormatRGBA8888), uint32_t(kFormatRGB888), uint32_t(kFormatGcRGB5A3)}) {
        SCOPED_TRACE(formatName(format));
        PixelImage img = ramp(3, 2, format);
        ASSERT_TRUE(flipV(img));
        EXPECT_EQ(texelXY(img, 2, 0), (std::pair<int, int>{2, 1}));
        ASSERT_TRUE(rotate(img, 90.0));
        ASSERT_EQ(img.width, 2u);
        ASSERT_EQ(img.height, 3u);
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < 2; ++x)
                EXPECT_EQ(texelXY(img, x, y), (std::pair<int, int>{2 - int(y), 1 - int(x)}));
        ASSERT_TRUE(rotate(img, -90.0));
        ASSERT_TRUE(rotate(img, 180.0));
        EXPECT_EQ(texelXY(img, 0, 0), (std::pair<int, int>{2, 0}));
    }
}

TEST(GfxTransform, FourBitImagesMoveWholeTexels) {
    const uint8_t packed[2] = {0x21, 0x03}; // 3x1: indices 1, 2, 3
    PixelImage img;
    ASSERT_TRUE(load(img, packed, 2, kFormatIndexed4, 3, 1));
    std::vector<uint8_t> entries(16 * 4, 255);
    ASSERT_TRUE(setPalette(img, entries.data(), 16));
    ASSERT_TRUE(rotate(img, 90.0)); // a column, top to bottom 3, 2, 1
    EXPECT_EQ(img.width, 1u);
    EXPECT_EQ(img.height, 3u);
    EXPECT_EQ(img.pixels, (std::vector<uint8_t>{0x23, 0x01}));
    ASSERT_TRUE(flipV(img));
    EXPECT_EQ(img.pixels, (std::vector<uint8_t>{0x21, 0x03}));
}

TEST(GfxHistogram, CountsOneComponentPerBin) {
    std::vector<uint8_t> rgba;
    for (uint8_t a : {0, 0, 24, 25, 229, 230, 255, 255, 255})
        rgba.insert(rgba.end(), {10, 20, 30, a});
    PixelImage img;
    ASSERT_TRUE(load(img, rgba.data(), rgba.size(), kFormatRGBA8888, 3, 3));
    IntHistogram h;
    std::string error;
    EXPECT_FALSE(computeHistogram(img, kComponentAlpha, h, &error));
    EXPECT_EQ(error, "histogram is not initialized");
    ASSERT_TRUE(h.initialize(0, 256, 256));
    ASSERT_TRUE(computeHistogram(img, kComponentAlpha, h));
    EXPECT_EQ(h.getSampleCount(0), 2u);
    EXPECT_EQ(h.getSampleCount(24), 1u);
    EXPECT_EQ(h.getSampleCount(25), 1u);
    EXPECT_EQ(h.getSampleCount(255), 3u);
    EXPECT_EQ(h.getTotalSampleCount(), 9u);

    ASSERT_TRUE(h.initialize(0, 256, 8)); // 32 values a bin
    ASSERT_TRUE(computeHistogram(img, kComponentAlpha, h));
    EXPECT_EQ(h.getSampleCount(0), 4u);
    EXPECT_EQ(h.getSampleCount(7), 5u);
    EXPECT_EQ(h.getSampleCount(8), 0u);

    // Formats without alpha count as opaque; indexed images can count indices.
    ASSERT_TRUE(convertImage(img, kFormatRGB888, kOrderRGBA));
    ASSERT_TRUE(h.initialize(0, 256, 256));
    ASSERT_TRUE(computeHistogram(img, kComponentAlpha, h));
    EXPECT_EQ(h.getSampleCount(255), 9u);
    EXPECT_FALSE(computeHistogram(img, kComponentIndex, h, &error));
    EXPECT_EQ(error, "image of ZK_GFX_TEXTURE_FORMAT_RGB_888_24 has no index component");
    EXPECT_FALSE(h.initialize(0, 4, 5));
}
