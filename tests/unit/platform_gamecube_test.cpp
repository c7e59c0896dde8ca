// GameCube alpha formats: the block-compressed image still looks like the picture. Which format
// each kind of image ends in is golden cases under tests/passes/veskoImageAlphaGamecube.
#include "image/veskoImageAlphaGamecube.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/PlatformScene.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Tam::OptExtension;
using namespace Tam::Test;
using namespace Tam::Examples;

namespace {

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
