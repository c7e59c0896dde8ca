// The host's image objects and image passes as texture passes use them.
#include "host/gfx/ImageFile.h"
#include "host/zkhost.h"
#include "tests/harness/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Tam::Core;
using namespace Tam::Gfx;
using namespace Tam::Opt;

namespace {

zkSmartPointer<zkImage> gradient(int w, int h, int alpha = 255)
{
    std::vector<uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(static_cast<std::size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(x * 255 / (w > 1 ? w - 1 : 1));
            p[1] = static_cast<uint8_t>(y * 255 / (h > 1 ? h - 1 : 1));
            p[2] = 40;
            p[3] = static_cast<uint8_t>(alpha);
        }
    auto image = zkCreate<zkImage>();
    image->setName("gradient.tga");
    EXPECT_TRUE(image->load(rgba.data(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, w, h));
    return image;
}

template <class T>
zkSmartPointer<T> pass(zkOptInterface& run, const char* name)
{
    return zkSmartPointer<T>::adopt(static_cast<T*>(run.createOptBase(name)));
}

} // namespace

TEST(ImageHost, ResizerHalvesByDefaultAndKeepsADimensionWhoseFactorIsOne)
{
    zkOptInterface run;
    auto resizer = pass<zkResizeImage>(run, "zkResizeImage");
    ASSERT_TRUE(resizer);
    for (int filter = zkResizeImage::FILTER_POINT; filter <= zkResizeImage::FILTER_LANCZOS3; ++filter) {
        resizer->setFilterType(static_cast<zkResizeImage::FilterType>(filter));
        auto image = gradient(256, 64);
        ASSERT_TRUE(resizer->scale(image)) << filter;
        EXPECT_EQ(image->getWidth(), 128) << filter;
        EXPECT_EQ(image->getHeight(), 32) << filter;
    }
    resizer->setScale(0.5f, 1.0f);
    auto strip = gradient(8, 1);
    ASSERT_TRUE(resizer->scale(strip));
    EXPECT_EQ(strip->getWidth(), 4);
    EXPECT_EQ(strip->getHeight(), 1);
}

TEST(ImageHost, ConverterChangesFormatInPlaceAndPlatformOrderSwapsRedAndBlue)
{
    zkOptInterface run;
    auto converter = pass<zkConvertImage>(run, "zkConvertImage");
    auto image = gradient(4, 4);
    const uint8_t red = image->getData()[4 * 3]; // texel (3, 0)
    ASSERT_TRUE(converter->convertImage(image, ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, zkImage::getPlatformSpecificOrder()));
    EXPECT_EQ(image->getOrder(), 100);
    EXPECT_EQ(image->getData()[4 * 3 + 2], red);
    ASSERT_TRUE(converter->convertImage(image, ZK_GFX_TEXTURE_FORMAT_RGB_888_24, 0));
    EXPECT_EQ(image->getFormat(), ZK_GFX_TEXTURE_FORMAT_RGB_888_24);
    EXPECT_EQ(image->getDataSize(), 4 * 4 * 3);
    EXPECT_EQ(image->getData()[3 * 3], red);
    EXPECT_FALSE(converter->convertImage(image, 12345, 0));
    EXPECT_EQ(image->getFormat(), ZK_GFX_TEXTURE_FORMAT_RGB_888_24);
}

TEST(ImageHost, IndexedConversionMakesAPaletteAndPngKeepsIt)
{
    auto image = gradient(16, 16);
    ASSERT_TRUE(image->convert(65536, 0));
    ASSERT_TRUE(image->isIndexed());
    ASSERT_NE(image->getClut(), nullptr);
    EXPECT_LE(image->getClut()->getEntryCount(), 256);

    Tam::Test::TempFolder folder;
    const std::string path = folder / "image.png";
    std::string error;
    ASSERT_TRUE(image->saveAsPNG(path.c_str(), &error)) << error;
    auto back = zkCreate<zkImage>();
    ASSERT_TRUE(back->loadPNG(path.c_str(), &error)) << error;
    EXPECT_EQ(back->getFormat(), 65536);
    EXPECT_EQ(back->getWidth(), 16);
    EXPECT_EQ(back->pixels, image->pixels);
    std::filesystem::remove(path);
    EXPECT_FALSE(back->loadPNG(path.c_str(), &error));
}

TEST(ImageHost, FlipRotateAndResampleBuildFromASourceImage)
{
    auto source = gradient(4, 2);
    auto flipped = zkCreate<zkImage>();
    ASSERT_TRUE(flipped->flipV(source));
    EXPECT_EQ(flipped->getData()[1], source->getData()[4 * 4 + 1]); // green of row 1 is now row 0
    auto turned = zkCreate<zkImage>();
    ASSERT_TRUE(turned->rotate(source, 90));
    EXPECT_EQ(turned->getWidth(), 2);
    EXPECT_EQ(turned->getHeight(), 4);
    auto small = zkCreate<zkImage>();
    ASSERT_TRUE(small->resampleFrom(source, 2, 1));
    EXPECT_EQ(small->getDataSize(), 2 * 1 * 4);
    EXPECT_FALSE(small->resampleFrom(source, 0, 1));
}

TEST(ImageHost, AbstractImagesHandBackTheirOwnTexelsWhenUnchanged)
{
    auto image = gradient(8, 8);
    ASSERT_TRUE(image->convert(ZK_GFX_TEXTURE_FORMAT_RGBA_5551_16, 0));
    zkDataBlock original = image->pixels;
    image->makeAbstract(zkImage::getClassTypeSafe());
    EXPECT_NE(image->getFormat(), ZK_GFX_TEXTURE_FORMAT_RGBA_5551_16);
    EXPECT_EQ(image->getDataSize(), 8 * 8 * 4);
    image->makeConcrete(zkImage::getClassTypeSafe());
    EXPECT_EQ(image->getFormat(), ZK_GFX_TEXTURE_FORMAT_RGBA_5551_16);
    EXPECT_EQ(image->pixels, original);
}

TEST(ImageHost, SphereMapShowsTheViewerSideAtTheCentreTheSidesHalfwayAndTheBackAtTheRim)
{
    // Each face a solid colour: red channel = face number * 40.
    auto cube = zkCreate<Tam::Attrs::zkTextureCubeAttr>();
    for (int face = 0; face < 6; ++face) {
        std::vector<uint8_t> rgba(4 * 4 * 4);
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            rgba[i] = static_cast<uint8_t>(face * 40);
            rgba[i + 3] = 255;
        }
        auto image = zkCreate<zkImage>();
        ASSERT_TRUE(image->load(rgba.data(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 4, 4));
        cube->setCubeImage(face, image);
    }
    auto maker = zkCreate<Tam::Sg::zkCreateSphereMap>();
    maker->size = 32;
    ASSERT_TRUE(maker->create(cube));
    zkImage* sphere = cube->getImage(0);
    ASSERT_NE(sphere, nullptr);
    EXPECT_EQ(sphere->getWidth(), 32);
    auto red = [&](int x, int y) { return sphere->getData()[(y * 32 + x) * 4]; };
    EXPECT_EQ(red(16, 16), 4 * 40); // the centre reflects straight back at the viewer: +z
    EXPECT_EQ(red(16, 4), 2 * 40);  // 45 degrees up the ball reflects straight up: +y
    EXPECT_EQ(red(27, 16), 0 * 40); // and to the right: +x
    EXPECT_EQ(red(4, 16), 1 * 40);  // and to the left: -x
    EXPECT_EQ(red(16, 0), 5 * 40);  // the rim shows what lies behind the ball: -z

    cube->setCubeImage(3, nullptr);
    auto other = zkCreate<Tam::Attrs::zkTextureCubeAttr>();
    EXPECT_FALSE(maker->create(other));
}

TEST(ImageHost, ImageListFilesGiveOneEntryPerLineAndFileNamesDropTheirFolders)
{
    Tam::Test::TempFolder folder;
    const std::string path = folder / "list.txt";
    folder.write("list.txt", "# skip these\n  art/wall.tga  \n\nC:\\textures\\Floor.TGA\r\nsky.png");
    Tam::Core::zkFile file;
    ASSERT_TRUE(file.open(path.c_str(), "r"));
    auto list = zkCreate<zkStringObjList>();
    list->appendString("stale");
    EXPECT_EQ(zkImageUtils::parseTextFile(&file, list), 3);
    EXPECT_EQ(list->getString(0)->str(), "art/wall.tga");
    EXPECT_EQ(zkImageUtils::getFileName(list->getString(1)->c_str()), "Floor.TGA");
    EXPECT_EQ(zkImageUtils::getFileName(list->getString(2)->c_str()), "sky.png");
    EXPECT_EQ(zkImageUtils::getFileName(nullptr), "");
}

TEST(ImageHost, ImageFilesOtherThanPngDecodeToRgbaAndUnknownBytesAreRefused)
{
    // A 2x1 uncompressed 32-bit TGA, bottom-up: blue-green-red-alpha texels.
    const uint8_t tga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 32, 8,
                           10, 20, 30, 255, 40, 50, 60, 128};
    PixelImage image;
    std::string error;
    ASSERT_TRUE(decodeImageFile(tga, sizeof tga, image, &error)) << error;
    EXPECT_EQ(image.format, 7u);
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{30, 20, 10, 255, 60, 50, 40, 128}));

    const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_FALSE(decodeImageFile(junk, sizeof junk, image, &error));
    EXPECT_EQ(error.rfind("not an image format we read (", 0), 0u) << error;
    EXPECT_FALSE(decodeImageFile(nullptr, 0, image, &error));
}
