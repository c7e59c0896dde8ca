// GameCube alpha formats: which format each kind of image ends in, and that the block-compressed
// one still looks like the picture.
#include "image/veskoImageAlphaGamecube.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/PlatformScene.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Tam::OptExtension;
using namespace Tam::Test;
using namespace Tam::Examples;

namespace {

// A smooth picture with the given alpha everywhere except texel 0, which gets firstAlpha.
zkSmartPointer<zkImage> picture(const char* name, uint8_t alpha, uint8_t firstAlpha)
{
    return rgbaImage(name, 32, 16, [=](int x, int y) {
        return Texel{uint8_t(x * 8), uint8_t(y * 16), uint8_t(200 - x * 3), x == 0 && y == 0 ? firstAlpha : alpha};
    });
}

// An 8-bit indexed image whose palette entry 1 is translucent; used says whether a texel uses it.
zkSmartPointer<zkImage> palettized(const char* name, bool used)
{
    auto image = byteImage(name, ZK_GFX_TEXTURE_FORMAT_INDEXED_8, 8, 8, [=](int x, int y) {
        return uint8_t(used && x == 3 && y == 5 ? 1 : (x + y) % 2 * 2);
    });
    std::vector<uint8_t> entries(256 * 4, 255);
    entries[4 * 1 + 3] = 100;
    entries[4 * 2 + 0] = 0;
    auto clut = zkCreate<zkClut>();
    clut->configure(ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 256, entries.data());
    image->setClut(clut);
    return image;
}

std::vector<int> formatsAfter(PassHarness& h, std::initializer_list<zkSmartPointer<zkImage>> images, bool allowDXT)
{
    auto texture = zkCreate<zkTextureAttr>();
    int i = 0;
    for (const auto& image : images) texture->setImage(image, i++);
    texturedSet("set", h.root, texture);
    auto pass = h.create<veskoImageAlphaGamecube>();
    pass->_allowDXT = allowDXT;
    EXPECT_TRUE(h.configure(pass.get()));
    EXPECT_EQ(h.run(pass.get()), "");
    std::vector<int> formats;
    for (int k = 0; k < texture->getImageCount(); ++k) formats.push_back(texture->getImage(k)->getFormat());
    return formats;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (i % 4 == 3) continue;
        const double d = double(a[i]) - double(b[i]);
        sum += d * d;
        ++n;
    }
    return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / (sum / double(n)));
}

} // namespace

TEST(ImageAlphaGamecube, ChoosesTheFormatByHowAlphaIsUsed)
{
    auto rgb = picture("rgb", 255, 255);
    ASSERT_TRUE(rgb->convert(ZK_GFX_TEXTURE_FORMAT_RGB_888_24, ZK_GFX_IMAGE_ORDER_RGBA));
    {
        PassHarness h;
        EXPECT_EQ(formatsAfter(h,
                               {picture("binary", 255, 0), picture("soft", 255, 128), rgb,
                                palettized("pal used", true), palettized("pal unused", false)},
                               true),
                  (std::vector<int>{34, 21, 34, 21, 34}));
    }
    {
        PassHarness h;
        EXPECT_EQ(formatsAfter(h, {picture("binary", 0, 255), picture("soft", 255, 254)}, false),
                  (std::vector<int>{21, 21}));
    }
}

TEST(ImageAlphaGamecube, BlockCompressionKeepsThePictureAndItsCutOut)
{
    PassHarness h;
    auto source = rgbaImage("leaf", 64, 64, [](int x, int y) {
        const bool inside = (x - 32) * (x - 32) + (y - 32) * (y - 32) < 24 * 24;
        return Texel{uint8_t(40 + x), uint8_t(120 + y), uint8_t(30 + (x + y) / 2), inside ? uint8_t(255) : uint8_t(0)};
    });
    PixelImage before;
    std::vector<uint8_t> original, decoded;
    ASSERT_TRUE(source->getPixelImage(before) && decodeToRGBA(before, original));
    EXPECT_EQ(formatsAfter(h, {source}, true), (std::vector<int>{34}));
    EXPECT_EQ(source->getName(), std::string("leaf"));
    EXPECT_EQ(source->getDataSize(), 64 * 64 / 2);
    PixelImage after;
    ASSERT_TRUE(source->getPixelImage(after) && decodeToRGBA(after, decoded));
    ASSERT_EQ(decoded.size(), original.size());
    for (std::size_t i = 3; i < decoded.size(); i += 4) ASSERT_EQ(decoded[i], original[i]) << "texel " << i / 4;
    // Colours only matter where the texel is drawn.
    for (std::size_t i = 3; i < decoded.size(); i += 4) {
        if (original[i] != 0) continue;
        std::fill(original.begin() + i - 3, original.begin() + i, 0);
        std::fill(decoded.begin() + i - 3, decoded.begin() + i, 0);
    }
    EXPECT_GT(psnr(original, decoded), 35.0);
}
