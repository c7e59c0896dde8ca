// The palette quantizer against its plain reference, and the quantizer pass through the host.
#include "image/PaletteQuantizer.h"
#include "image/zkQuantizeVesko.h"
#include "quantize_oracle.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/TextureSamples.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>

using namespace Tam;
using namespace Tam::Test;
using namespace Tam::Examples;
using Tam::OptExtension::PaletteQuantizer;
using Tam::OptExtension::zkQuantizeVesko;

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

namespace {

struct QuantizeScene {
    PassHarness h;
    std::string run(std::initializer_list<std::pair<std::string, std::string>> fields = {})
    {
        auto pass = h.create<zkQuantizeVesko>();
        for (const auto& [name, value] : fields) {
            if (name == "_isReduce") pass->_isReduce = value == "true";
            if (name == "_alphaPallete") pass->_alphaPallete = value == "true";
            if (name == "_eightBitTofourBitOnly") pass->_eightBitTofourBitOnly = value == "true";
        }
        EXPECT_TRUE(h.configure(pass.get()));
        return h.run(pass.get());
    }
    Attrs::zkTextureAttr* add(const char* name, int format, int w, int hgt, const std::vector<uint8_t>& pixels)
    {
        return attachTexture(h.root.get(), makeImage(name, format, w, hgt, pixels).get());
    }
};

} // namespace

TEST(QuantizePass, ChoosesPaletteOr5551BySizeAndAlpha)
{
    QuantizeScene s;
    auto* tiny = s.add("tiny.tga", 5, 16, 16, photoLikeRGB(16, 16, 1));
    auto* small = s.add("small.tga", 5, 16, 32, photoLikeRGB(16, 32, 2));
    auto* decal = s.add("decal.tga", 7, 64, 64, softAlphaRGBA(64, 64, 3));
    EXPECT_EQ(s.run(), "zkQuantizeVesko: (tiny.tga) converted to 5551\n"
                       "zkQuantizeVesko: (small.tga) converted to Pal8\n"
                       "zkQuantizeVesko: (decal.tga) converted to 5551\n");
    EXPECT_EQ(tiny->getImage(0)->getFormat(), 8);
    EXPECT_EQ(small->getImage(0)->getFormat(), 65536);
    EXPECT_EQ(small->getImage(0)->getClut()->getEntryCount(), 256);
    EXPECT_EQ(decal->getImage(0)->getFormat(), 8);

    // With alpha palettes a small RGBA image stays RGBA and a large one is palettized.
    QuantizeScene a;
    auto* icon = a.add("icon.tga", 7, 8, 8, iconRGBA(8, 8));
    auto* big = a.add("decal.tga", 7, 64, 64, softAlphaRGBA(64, 64, 3));
    EXPECT_EQ(a.run({{"_alphaPallete", "true"}}), "zkQuantizeVesko: (decal.tga) converted to Pal8\n");
    EXPECT_EQ(icon->getImage(0)->getFormat(), 7);
    EXPECT_EQ(big->getImage(0)->getFormat(), 65536);
    EXPECT_EQ(a.run({{"_alphaPallete", "true"}}), "zkQuantizeVesko: (decal.tga) is indexed, skipping image\n");
}

TEST(QuantizePass, ExactPaletteGivesEveryPixelItsOwnColour)
{
    QuantizeScene s;
    std::vector<uint8_t> pixels = fewColours(32, 32, 4, 200, 5);
    for (std::size_t p = 0; p < pixels.size(); p += 4) pixels[p + 3] = pixels[p + 3] < 128 ? 255 : pixels[p + 3];
    for (std::size_t p = 0; p < pixels.size(); p += 4 * 7) std::memcpy(&pixels[p], "\x05\x06\x07\x00", 4);
    auto* texture = s.add("glass.tga", 7, 32, 32, pixels);
    EXPECT_EQ(s.run({{"_alphaPallete", "true"}}), "zkQuantizeVesko: (glass.tga) converted to Pal8\n");
    const Gfx::zkImage* image = texture->getImage(0);
    ASSERT_EQ(image->getFormat(), 65536);
    for (int p = 0; p < 32 * 32; ++p) {
        const uint8_t* entry = image->getClut()->getEntry(image->getData()[p]);
        // Palettes hold R,G,B,A like the source pixels; transparent pixels are looked up as
        // colour 0 and find the transparent entry.
        ASSERT_EQ(0, std::memcmp(entry, &pixels[p * 4], 4)) << "pixel " << p;
    }
}

TEST(QuantizePass, LeavesEnvironmentAndSphereMapsAlone)
{
    QuantizeScene s;
    auto* water = s.add("maps/Water_ENV.tga", 5, 32, 32, environmentRGB(32, 32));
    auto* sphere = s.add("MySphereImage", 7, 32, 32, softAlphaRGBA(32, 32, 1));
    EXPECT_EQ(s.run(), "");
    EXPECT_EQ(water->getImage(0)->getFormat(), 5);
    EXPECT_EQ(sphere->getImage(0)->getFormat(), 7);
}

TEST(QuantizePass, ReduceHalvesEachDimension)
{
    QuantizeScene s;
    auto* even = s.add("even.tga", 5, 64, 32, photoLikeRGB(64, 32, 1));
    auto* odd = s.add("odd.tga", 5, 65, 33, photoLikeRGB(65, 33, 2));
    s.run({{"_isReduce", "true"}});
    EXPECT_EQ(even->getImage(0)->getWidth(), 32);
    EXPECT_EQ(even->getImage(0)->getHeight(), 16);
    EXPECT_EQ(odd->getImage(0)->getWidth(), 32);
    EXPECT_EQ(odd->getImage(0)->getHeight(), 16);
    EXPECT_EQ(odd->getImage(0)->getDataSize(), 32 * 16);
}

namespace {

// An 8-bit indexed image whose palette entry i is (i, 255 - i, 0, alpha).
zkSmartPointer<Gfx::zkImage> indexed(const char* name, const std::vector<uint8_t>& indices, int alpha = 255)
{
    auto image = makeImage(name, 65536, int(indices.size()), 1, indices);
    std::vector<uint8_t> entries;
    for (int i = 0; i < 256; ++i) entries.insert(entries.end(), {uint8_t(i), uint8_t(255 - i), 0, uint8_t(alpha)});
    auto clut = zkCreate<Gfx::zkClut>();
    clut->configure(7, 256, entries.data());
    image->setClut(clut);
    return image;
}

} // namespace

TEST(QuantizePass, FourBitModePacksImagesOfSixteenColours)
{
    QuantizeScene s;
    std::vector<uint8_t> sixteen;
    for (int i = 0; i < 40; ++i) sixteen.push_back(uint8_t(i * 7 % 16 * 3));
    auto* ok = attachTexture(s.h.root.get(), indexed("sixteen.tga", sixteen).get());
    std::vector<uint8_t> seventeen = sixteen;
    seventeen.push_back(200);
    attachTexture(s.h.root.get(), indexed("seventeen.tga", seventeen).get());
    // Indices 1 and 2 share one colour: they share one new entry.
    auto shared = indexed("shared.tga", {5, 1, 2});
    std::memcpy(shared->getClut()->getEntry(2), shared->getClut()->getEntry(1), 4);
    auto* three = attachTexture(s.h.root.get(), shared.get());
    attachTexture(s.h.root.get(), indexed("glass.tga", {1, 2}, 128).get());
    s.add("rgb.tga", 5, 4, 4, photoLikeRGB(4, 4, 1));
    auto fourBit = makeImage("nibbles.tga", 65537, 2, 1, {0x10});
    auto clut = zkCreate<Gfx::zkClut>();
    clut->configure(7, 16, nullptr);
    fourBit->setClut(clut);
    attachTexture(s.h.root.get(), fourBit.get());

    EXPECT_EQ(s.run({{"_eightBitTofourBitOnly", "true"}}),
              "zkQuantizeVesko: (sixteen.tga) converted to Pal4\n"
              "zkQuantizeVesko: (seventeen.tga) is indexed8 but has more than 16 colors, skipping image\n"
              "zkQuantizeVesko: (shared.tga) converted to Pal4\n"
              "zkQuantizeVesko: (glass.tga) is indexed8 but has alpha and the options were set to not do alpha "
              "textures, skipping image\n"
              "zkQuantizeVesko: (rgb.tga) is NOT indexed, skipping image\n"
              "zkQuantizeVesko: (nibbles.tga) is indexed but not pal8, skipping image\n");

    const Gfx::zkImage* packed = ok->getImage(0);
    ASSERT_EQ(packed->getFormat(), 65537);
    ASSERT_EQ(packed->getClut()->getEntryCount(), 16);
    for (int i = 0; i < 40; ++i) {
        const int nibble = packed->getData()[i / 2] >> (i % 2 ? 4 : 0) & 15;
        EXPECT_EQ(packed->getClut()->getEntry(nibble)[0], sixteen[i]) << "pixel " << i;
    }
    // Three pixels, two colours: low nibble first, the third pixel alone in the second byte, and
    // the unused entries filled with opaque red.
    const Gfx::zkImage* small = three->getImage(0);
    ASSERT_EQ(small->getDataSize(), 2);
    EXPECT_EQ(small->getData()[0], 0x10);
    EXPECT_EQ(small->getData()[1], 0x01);
    const uint8_t filler[4] = {255, 0, 0, 255};
    EXPECT_EQ(0, std::memcmp(small->getClut()->getEntry(2), filler, 4));
    EXPECT_EQ(0, std::memcmp(small->getClut()->getEntry(15), filler, 4));
}

TEST(QuantizePass, FourBitModeRefusesScrewyPalettes)
{
    QuantizeScene s;
    auto image = indexed("short.tga", {1, 2, 3});
    auto clut = zkCreate<Gfx::zkClut>();
    clut->configure(7, 16, nullptr);
    image->setClut(clut);
    auto* texture = attachTexture(s.h.root.get(), image.get());
    EXPECT_EQ(s.run({{"_eightBitTofourBitOnly", "true"}}),
              "zkQuantizeVesko: (short.tga) is indexed, pal8, but screwy skipping image\n");
    EXPECT_EQ(texture->getImage(0), image.get());
}
