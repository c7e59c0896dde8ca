// Texture formats: table facts, exact round trips through RGBA 8888, byte layouts,
// palettes and refusals.
#include "host/gfx/Pixels.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

using namespace Tam::Gfx;

namespace {

PixelImage fromRGBA(const std::vector<uint8_t>& rgba, uint32_t w, uint32_t h, uint32_t format,
                    uint32_t order = kOrderRGBA, ConvertOptions options = {}) {
    PixelImage img;
    std::string error;
    EXPECT_TRUE(encodeFromRGBA(rgba.data(), w, h, format, order, options, img, &error)) << error;
    return img;
}

std::vector<uint8_t> toRGBA(const PixelImage& img) {
    std::vector<uint8_t> rgba;
    std::string error;
    EXPECT_TRUE(decodeToRGBA(img, rgba, &error)) << error;
    return rgba;
}

// Every stored code of a linear 8- or 16-bit format decodes to a colour that encodes
// back to the same code.
void expectAllCodesRoundTrip(uint32_t format, uint32_t order, uint32_t bytesPerCode) {
    const uint32_t codes = 1u << (8 * bytesPerCode);
    std::vector<uint8_t> raw(size_t(codes) * bytesPerCode);
    for (uint32_t c = 0; c < codes; ++c)
        for (uint32_t b = 0; b < bytesPerCode; ++b)
            raw[c * bytesPerCode + b] = uint8_t(c >> (8 * b));
    PixelImage img;
    ASSERT_TRUE(load(img, raw.data(), raw.size(), format, codes / 256, 256, order));
    PixelImage back = fromRGBA(toRGBA(img), img.width, img.height, format, order);
    EXPECT_EQ(back.pixels, raw) << formatName(format) << " order " << order;
}

// A plain DXT1 decoder reading the GameCube layout: big-endian colour words, index rows
// with the leftmost texel in the top bits. Independent of the library's codec.
std::array<uint8_t, 4> cmprTexel(const uint8_t* block, int x, int y) {
    auto unpack = [](uint16_t c) {
        int r = c >> 11, g = c >> 5 & 63, b = c & 31;
        return std::array<int, 3>{r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2};
    };
    uint16_t c0 = uint16_t(block[0] << 8 | block[1]), c1 = uint16_t(block[2] << 8 | block[3]);
    auto a = unpack(c0), b = unpack(c1);
    int index = block[4 + y] >> (6 - 2 * x) & 3;
    std::array<uint8_t, 4> out{0, 0, 0, 255};
    for (int k = 0; k < 3; ++k) {
        int v = index == 0   ? a[k]
                : index == 1 ? b[k]
                : c0 > c1    ? (index == 2 ? (2 * a[k] + b[k]) / 3 : (a[k] + 2 * b[k]) / 3)
                             : (index == 2 ? (a[k] + b[k]) / 2 : 0);
        out[k] = uint8_t(v);
    }
    if (c0 <= c1 && index == 3) out[3] = 0;
    return out;
}

} // namespace

// The table's entries are data; the lookups around them are what can break.
TEST(GfxFormats, NamesLookUpBothWaysAndUnknownFormatsHaveNone) {
    EXPECT_STREQ(formatName(7), "ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32");
    EXPECT_EQ(formatName(3), nullptr);
    uint32_t f = 0;
    EXPECT_TRUE(formatFromName("ZK_GFX_TEXTURE_FORMAT_INDEXED_4", &f));
    EXPECT_EQ(f, 65537u);
    EXPECT_FALSE(hasAlpha(99));
    EXPECT_EQ(bitsPerTexel(99), 0u);
}

TEST(GfxFormats, ComponentPositionsFollowTheOrder) {
    int p[4];
    ASSERT_TRUE(getIndexFromComponentOrder(7, getPlatformSpecificOrder(), p));
    EXPECT_EQ((std::array<int, 4>{p[0], p[1], p[2], p[3]}), (std::array<int, 4>{2, 1, 0, 3}));
    ASSERT_TRUE(getIndexFromComponentOrder(5, kOrderRGBA, p));
    EXPECT_EQ((std::array<int, 4>{p[0], p[1], p[2], p[3]}), (std::array<int, 4>{0, 1, 2, -1}));
    EXPECT_FALSE(getIndexFromComponentOrder(8, kOrderRGBA, p)); // 5-bit components are not bytes
}

TEST(GfxConvert, EveryCodeOfThePackedFormatsRoundTrips) {
    expectAllCodesRoundTrip(kFormatRGB332, kOrderRGBA, 1);
    expectAllCodesRoundTrip(kFormatLA44, kOrderRGBA, 1);
    expectAllCodesRoundTrip(kFormatL8, kOrderRGBA, 1);
    expectAllCodesRoundTrip(kFormatA8, kOrderRGBA, 1);
    expectAllCodesRoundTrip(kFormatRGBA5551, kOrderRGBA, 2);
    expectAllCodesRoundTrip(kFormatRGBA5551, kOrderPlatform, 2);
}

TEST(GfxConvert, ReducedFormatsKeepTheirPrecision) {
    const std::vector<uint8_t> c = {255, 128, 64, 200, 100, 100, 100, 127, 16, 32, 48, 0};
    auto check = [&](uint32_t format, std::vector<uint8_t> want) {
        EXPECT_EQ(toRGBA(fromRGBA(c, 3, 1, format)), want) << formatName(format);
    };
    check(kFormatL8, {159, 159, 159, 255, 100, 100, 100, 255, 29, 29, 29, 255});
    check(kFormatA8, {255, 255, 255, 200, 255, 255, 255, 127, 255, 255, 255, 0});
    check(kFormatLA44, {153, 153, 153, 204, 102, 102, 102, 119, 34, 34, 34, 0});
    check(kFormatRGB332, {255, 146, 85, 255, 109, 109, 85, 255, 0, 36, 85, 255});
    check(kFormatL4, {153, 153, 153, 255, 102, 102, 102, 255, 34, 34, 34, 255});
    check(kFormatRGB888, {255, 128, 64, 255, 100, 100, 100, 255, 16, 32, 48, 255});
    check(kFormatRGBA8888, c);
    check(kFormatRGBA5551, {255, 132, 66, 255, 99, 99, 99, 0, 16, 33, 49, 0});
    check(kFormatGcRGB5A3, {255, 136, 68, 182, 102, 102, 102, 109, 17, 34, 51, 0});
}

TEST(GfxConvert, OrderSwapsRedAndBlueBytes) {
    const std::vector<uint8_t> c = {1, 2, 3, 4};
    EXPECT_EQ(fromRGBA(c, 1, 1, kFormatRGBA8888, kOrderPlatform).pixels, (std::vector<uint8_t>{3, 2, 1, 4}));
    EXPECT_EQ(fromRGBA(c, 1, 1, kFormatRGB888, kOrderPlatform).pixels, (std::vector<uint8_t>{3, 2, 1}));
    EXPECT_EQ(fromRGBA(c, 1, 1, kFormatRGB888).pixels, (std::vector<uint8_t>{1, 2, 3}));
    const std::vector<uint8_t> red = {255, 0, 0, 255};
    EXPECT_EQ(fromRGBA(red, 1, 1, kFormatRGBA5551).pixels, (std::vector<uint8_t>{0x01, 0xF8}));
    EXPECT_EQ(fromRGBA(red, 1, 1, kFormatRGBA5551, kOrderPlatform).pixels, (std::vector<uint8_t>{0x00, 0xFC}));

    PixelImage img = fromRGBA(c, 1, 1, kFormatRGBA8888);
    ASSERT_TRUE(convertImage(img, kFormatRGBA8888, kOrderPlatform));
    EXPECT_EQ(img.pixels, (std::vector<uint8_t>{3, 2, 1, 4}));
    ASSERT_TRUE(convertImage(img, kFormatL8, kOrderPlatform)); // order means nothing to L8
    EXPECT_EQ(img.order, uint32_t(kOrderRGBA));
}

TEST(GfxConvert, Gamecube16BitIsTiledBigEndianAndKeepsPartialAlpha) {
    // Every word round-trips except translucent words with full alpha, which read as opaque.
    std::vector<uint8_t> raw(65536 * 2);
    for (uint32_t c = 0; c < 65536; ++c) {
        raw[2 * c] = uint8_t(c >> 8);
        raw[2 * c + 1] = uint8_t(c);
    }
    PixelImage img;
    ASSERT_TRUE(load(img, raw.data(), raw.size(), kFormatGcRGB5A3, 256, 256));
    PixelImage back = fromRGBA(toRGBA(img), 256, 256, kFormatGcRGB5A3);
    int differing = 0;
    for (uint32_t c = 0; c < 65536; ++c) {
        uint32_t was = uint32_t(raw[2 * c]) << 8 | raw[2 * c + 1],
                 now = uint32_t(back.pixels[2 * c]) << 8 | back.pixels[2 * c + 1];
        if (was != now) {
            ++differing;
            EXPECT_EQ(was & 0xF000, 0x7000u) << std::hex << was;
        }
    }
    EXPECT_EQ(differing, 4096);

    // 5x1: two 4x4 tiles of 32 bytes; texel 4 starts the second tile.
    std::vector<uint8_t> rgba(5 * 4, 0);
    rgba[0] = 255, rgba[3] = 255;   // opaque red
    rgba[16] = 255, rgba[19] = 128; // translucent red
    PixelImage gc = fromRGBA(rgba, 5, 1, kFormatGcRGB5A3);
    ASSERT_EQ(gc.pixels.size(), 64u);
    EXPECT_EQ(gc.pixels[0], 0xFC);
    EXPECT_EQ(gc.pixels[1], 0x00);
    EXPECT_EQ(gc.pixels[32], 0x4F);
    EXPECT_EQ(gc.pixels[33], 0x00);
    auto decoded = toRGBA(gc);
    EXPECT_EQ((std::vector<uint8_t>(decoded.begin() + 16, decoded.end())), (std::vector<uint8_t>{255, 0, 0, 146}));
}

TEST(GfxConvert, GamecubeBlocksKeepOneBitAlphaInHardwareLayout) {
    // 8x8: four 4x4 blocks: red and black halves / white with one transparent texel /
    // green / blue with alpha 128, which counts as opaque.
    auto want = [](int x, int y) -> std::array<uint8_t, 4> {
        switch ((y / 4) * 2 + x / 4) {
        case 0: return x % 4 < 2 ? std::array<uint8_t, 4>{255, 0, 0, 255} : std::array<uint8_t, 4>{0, 0, 0, 255};
        case 1:
            return x % 4 == 3 && y % 4 == 0 ? std::array<uint8_t, 4>{0, 0, 0, 0}
                                            : std::array<uint8_t, 4>{255, 255, 255, 255};
        case 2: return {0, 255, 0, 255};
        default: return {0, 0, 255, 255};
        }
    };
    std::vector<uint8_t> rgba(8 * 8 * 4);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            auto c = want(x, y);
            if (c[3] == 0) c = {90, 90, 90, 127};
            if (x >= 4 && y >= 4) c[3] = 128;
            std::memcpy(&rgba[(y * 8 + x) * 4], c.data(), 4);
        }
    PixelImage img = fromRGBA(rgba, 8, 8, kFormatGcCMPR);
    ASSERT_EQ(img.pixels.size(), 32u);
    auto decoded = toRGBA(img);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            int block = (y / 4) * 2 + x / 4;
            EXPECT_EQ(cmprTexel(img.pixels.data() + 8 * block, x % 4, y % 4), want(x, y)) << x << "," << y;
            const uint8_t* p = &decoded[(y * 8 + x) * 4];
            EXPECT_EQ((std::array<uint8_t, 4>{p[0], p[1], p[2], p[3]}), want(x, y)) << x << "," << y;
        }

    // Sizes that are not multiples of 8 pad to whole tiles.
    std::vector<uint8_t> small(10 * 9 * 4, 255);
    PixelImage padded = fromRGBA(small, 10, 9, kFormatGcCMPR);
    EXPECT_EQ(padded.pixels.size(), 4u * 32);
    EXPECT_EQ(toRGBA(padded), small);
}

TEST(GfxConvert, IndexedImagesGetExactPalettesInFirstAppearanceOrder) {
    // An order-100 image: bytes B,G,R,A. Palette byte 0 must be pixel byte 2.
    const std::vector<uint8_t> bgra = {10, 20, 30, 255, 40, 50, 60, 128, 10, 20, 30, 255};
    PixelImage img;
    ASSERT_TRUE(load(img, bgra.data(), bgra.size(), kFormatRGBA8888, 3, 1, kOrderPlatform));
    ASSERT_TRUE(convertImage(img, kFormatIndexed8, kOrderPlatform));
    EXPECT_EQ(img.pixels, (std::vector<uint8_t>{0, 1, 0}));
    ASSERT_EQ(img.paletteEntryCount(), 256u);
    EXPECT_EQ((std::vector<uint8_t>(img.palette.begin(), img.palette.begin() + 12)),
              (std::vector<uint8_t>{30, 20, 10, 255, 60, 50, 40, 128, 0, 0, 0, 255}));
    EXPECT_TRUE(imageHasAlpha(img));

    // Index-preserving moves between 8 and 4 bits; 3 texels pack into 2 bytes, low nibble first.
    ASSERT_TRUE(convertImage(img, kFormatIndexed4, kOrderRGBA));
    EXPECT_EQ(img.pixels, (std::vector<uint8_t>{0x10, 0x00}));
    EXPECT_EQ(img.paletteEntryCount(), 16u);
    ASSERT_TRUE(convertImage(img, kFormatRGBA8888, kOrderRGBA));
    EXPECT_EQ(img.pixels, (std::vector<uint8_t>{30, 20, 10, 255, 60, 50, 40, 128, 30, 20, 10, 255}));
}

TEST(GfxConvert, MedianCutSharesEntriesWhenColoursDoNotFit) {
    // 32 grey levels 8 apart into 16 entries: each entry takes two neighbours, error 4.
    std::vector<uint8_t> rgba;
    for (int v = 0; v < 256; v += 8)
        rgba.insert(rgba.end(), {uint8_t(v), uint8_t(v), uint8_t(v), 255});
    PixelImage img = fromRGBA(rgba, 32, 1, kFormatIndexed4);
    auto back = toRGBA(img);
    int worst = 0;
    for (size_t i = 0; i < back.size(); ++i)
        worst = std::max(worst, std::abs(int(back[i]) - int(rgba[i])));
    EXPECT_EQ(worst, 4);
}

TEST(GfxConvert, OptionsDropAlphaAndDither) {
    std::vector<uint8_t> rgba(16 * 16 * 4);
    for (size_t i = 0; i < rgba.size(); i += 4)
        rgba[i] = rgba[i + 1] = rgba[i + 2] = 4, rgba[i + 3] = 0;
    auto mean = [](const std::vector<uint8_t>& px) {
        double s = 0;
        for (size_t i = 0; i < px.size(); i += 4)
            s += px[i];
        return s / double(px.size() / 4);
    };
    auto plain = toRGBA(fromRGBA(rgba, 16, 16, kFormatRGBA5551));
    EXPECT_EQ(mean(plain), 0.0); // 4 rounds down to 0 in 5 bits
    EXPECT_EQ(plain[3], 0);
    auto dithered = toRGBA(fromRGBA(rgba, 16, 16, kFormatRGBA5551, kOrderRGBA, {true, true}));
    EXPECT_NEAR(mean(dithered), 4.0, 0.5);
    auto opaque = toRGBA(fromRGBA(rgba, 16, 16, kFormatRGBA5551, kOrderRGBA, {false, false}));
    EXPECT_EQ(opaque[3], 255);
}

TEST(GfxConvert, AbstractFormsAreByteAddressableAndRestoreExactly) {
    std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 0, 255, 0};
    PixelImage img = fromRGBA(rgba, 2, 1, kFormatRGBA5551, kOrderPlatform);
    const std::vector<uint8_t> original = img.pixels;
    AbstractState state;
    ASSERT_TRUE(makeAbstract(img, state));
    EXPECT_EQ(img.format, uint32_t(kFormatRGBA8888));
    EXPECT_EQ(img.pixels, (std::vector<uint8_t>{0, 0, 255, 255, 255, 0, 0, 0}));
    ASSERT_TRUE(makeConcrete(img, state));
    EXPECT_EQ(img.format, uint32_t(kFormatRGBA5551));
    EXPECT_EQ(img.pixels, original);

    ASSERT_TRUE(makeAbstract(img, state));
    img.pixels[2] = 0; // red texel loses its red
    ASSERT_TRUE(makeConcrete(img, state));
    EXPECT_EQ(toRGBA(img), (std::vector<uint8_t>{0, 0, 0, 255, 0, 0, 255, 0}));
}

TEST(GfxConvert, BadImagesAreRefusedWithAReason) {
    const std::vector<uint8_t> ten(10, 0);
    PixelImage img;
    std::string error;
    EXPECT_FALSE(load(img, ten.data(), ten.size(), kFormatRGBA8888, 2, 2, kOrderRGBA, &error));
    EXPECT_EQ(error, "pixel data is 10 bytes, 16 needed for 2x2 ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32");
    EXPECT_FALSE(load(img, ten.data(), ten.size(), 3, 2, 2, kOrderRGBA, &error));
    EXPECT_EQ(error, "unknown texture format 3");
    EXPECT_FALSE(load(img, ten.data(), ten.size(), kFormatL8, 0, 2, kOrderRGBA, &error));
    EXPECT_EQ(error, "bad image size 0x2");

    ASSERT_TRUE(load(img, ten.data(), 4, kFormatIndexed8, 2, 2));
    std::vector<uint8_t> rgba;
    EXPECT_FALSE(decodeToRGBA(img, rgba, &error));
    EXPECT_EQ(error, "indexed image has no palette");
    img.pixels[3] = 1;
    const uint8_t entry[4] = {1, 2, 3, 255};
    ASSERT_TRUE(setPalette(img, entry, 1));
    EXPECT_FALSE(convertImage(img, kFormatRGBA8888, kOrderRGBA, {}, &error));
    EXPECT_EQ(error, "texel (1,1) uses palette entry 1 of 1");
    EXPECT_EQ(img.format, uint32_t(kFormatIndexed8)); // untouched

    img.pixels.resize(3); // truncated after loading
    EXPECT_FALSE(convertImage(img, kFormatRGBA8888, kOrderRGBA, {}, &error));
    EXPECT_EQ(error, "pixel data is 3 bytes, 4 needed for 2x2 ZK_GFX_TEXTURE_FORMAT_INDEXED_8");
    img.pixels.resize(4);
    EXPECT_FALSE(convertImage(img, kFormatRGBA8888, 7, {}, &error));
    EXPECT_EQ(error, "unknown image order 7");
}

TEST(GfxConvert, InPlaceConversionMatchesAFreshEncoding) {
    // 7x3 texels, an odd count so that 4-bit packing ends mid-byte.
    std::vector<uint8_t> rgba;
    for (int i = 0; i < 21; ++i)
        rgba.insert(rgba.end(), {uint8_t(i * 12), uint8_t(250 - i * 11), uint8_t(i * i), uint8_t(i * 40)});
    for (const FormatInfo& f : allFormats()) {
        for (uint32_t order : {uint32_t(kOrderRGBA), uint32_t(kOrderPlatform)})
            for (bool dither : {false, true}) {
                SCOPED_TRACE(std::string(f.name) + " order " + std::to_string(order) + (dither ? " dithered" : ""));
                const ConvertOptions options{!dither, dither};
                PixelImage img = fromRGBA(rgba, 7, 3, kFormatRGBA8888, kOrderPlatform);
                ASSERT_TRUE(convertImage(img, f.format, order, options));
                PixelImage fresh = fromRGBA(rgba, 7, 3, f.format, order, options);
                EXPECT_EQ(img.pixels, fresh.pixels);
                EXPECT_EQ(img.palette, fresh.palette);
                EXPECT_EQ(img.stride, fresh.stride);
            }
    }
}
