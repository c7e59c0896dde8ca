// PNG output checked with libpng itself, PNG input round trips, and refusal of bad files.
#include "host/gfx/Png.h"
#include "tests/harness/TempFolder.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>

using namespace Tam::Gfx;
namespace fs = std::filesystem;

namespace {

struct PngFacts {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = -1, paletteCount = 0;
};

// Header facts straight from libpng; plain data only around setjmp.
bool readFacts(const char* path, PngFacts* facts) {
    FILE* fp = std::fopen(path, "rb");
    if (!fp) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(fp);
        return false;
    }
    png_init_io(png, fp);
    png_read_info(png, info);
    png_get_IHDR(png, info, &facts->width, &facts->height, &facts->bitDepth, &facts->colourType, nullptr, nullptr,
                 nullptr);
    png_colorp palette;
    if (!png_get_PLTE(png, info, &palette, &facts->paletteCount)) facts->paletteCount = 0;
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(fp);
    return true;
}

// The file's texels as RGBA, through libpng's own simplified reader.
std::vector<uint8_t> readColours(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return {};
    return rgba;
}

// 5x3 texels with opaque, translucent and transparent ones.
std::vector<uint8_t> pattern() {
    std::vector<uint8_t> rgba;
    for (int i = 0; i < 15; ++i)
        rgba.insert(rgba.end(), {uint8_t(i * 17), uint8_t(255 - i * 17), uint8_t(i % 3 * 120),
                                 uint8_t(i % 5 == 0   ? 0
                                         : i % 5 == 1 ? 128
                                                      : 255)});
    return rgba;
}

class GfxPng : public ::testing::Test {
  protected:
    Tam::Test::TempFolder folder;
    const fs::path& dir = folder.path();
};

} // namespace

TEST_F(GfxPng, EveryFormatWritesAPngOfTheRightKind) {
    const auto source = pattern();
    for (const FormatInfo& f : allFormats()) {
        SCOPED_TRACE(f.name);
        PixelImage img;
        ASSERT_TRUE(encodeFromRGBA(source.data(), 5, 3, f.format, kOrderPlatform, {}, img));
        const std::string path = (dir / (std::string(f.name) + ".png")).string();
        std::string error;
        ASSERT_TRUE(savePng(img, path, &error)) << error;

        PngFacts facts;
        ASSERT_TRUE(readFacts(path.c_str(), &facts));
        EXPECT_EQ(facts.width, 5u);
        EXPECT_EQ(facts.height, 3u);
        if (f.indexed) {
            EXPECT_EQ(facts.colourType, PNG_COLOR_TYPE_PALETTE);
            EXPECT_EQ(facts.bitDepth, f.format == kFormatIndexed4 ? 4 : 8);
            EXPECT_EQ(facts.paletteCount, f.format == kFormatIndexed4 ? 16 : 256);
        } else {
            EXPECT_EQ(facts.colourType, f.canHaveAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB);
            EXPECT_EQ(facts.bitDepth, 8);
        }
        std::vector<uint8_t> want;
        ASSERT_TRUE(decodeToRGBA(img, want));
        EXPECT_EQ(readColours(path), want);
    }
    // Only the finished files are left: no temporary names.
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_EQ(entry.path().extension(), ".png") << entry.path();
        ++files;
    }
    EXPECT_EQ(files, allFormats().size());
}

TEST_F(GfxPng, ImagesReadBackAsTheyWereWritten) {
    const auto source = pattern();
    for (uint32_t format :
         {uint32_t(kFormatIndexed4), uint32_t(kFormatIndexed8), uint32_t(kFormatRGBA8888), uint32_t(kFormatRGB888)}) {
        SCOPED_TRACE(formatName(format));
        PixelImage img, back;
        ASSERT_TRUE(encodeFromRGBA(source.data(), 5, 3, format, kOrderRGBA, {}, img));
        const std::string path = (dir / "a.png").string();
        ASSERT_TRUE(savePng(img, path)); // overwrites the previous round's file
        std::string error;
        ASSERT_TRUE(loadPng(path, back, &error)) << error;
        EXPECT_EQ(back.format, format);
        EXPECT_EQ(back.width, 5u);
        EXPECT_EQ(back.height, 3u);
        EXPECT_EQ(back.pixels, img.pixels);
        EXPECT_EQ(back.palette, img.palette);
    }
}

TEST_F(GfxPng, BrokenInputIsRefusedNotCrashedOn) {
    PixelImage img, out;
    const auto source = pattern();
    ASSERT_TRUE(encodeFromRGBA(source.data(), 5, 3, kFormatIndexed4, kOrderRGBA, {}, img));
    std::vector<uint8_t> good;
    ASSERT_TRUE(encodePng(img, good));
    ASSERT_TRUE(decodePng(good.data(), good.size(), out));

    std::string error;
    EXPECT_FALSE(decodePng(nullptr, 0, out, &error));
    EXPECT_EQ(error, "not a PNG file");
    for (size_t n = 0; n < good.size(); ++n) {
        error.clear();
        EXPECT_FALSE(decodePng(good.data(), n, out, &error)) << n;
        EXPECT_FALSE(error.empty()) << n;
    }
    std::vector<uint8_t> corrupt = good;
    corrupt[corrupt.size() - 20] ^= 0x40; // inside the image data: its CRC no longer matches
    EXPECT_FALSE(decodePng(corrupt.data(), corrupt.size(), out, &error));
    EXPECT_EQ(out.pixels, img.pixels); // the last good result is untouched

    // A header that claims 30000x30000 texels over a few bytes of data.
    std::vector<uint8_t> huge = good;
    const uint8_t size[8] = {0, 0, 0x75, 0x30, 0, 0, 0x75, 0x30};
    std::copy(size, size + 8, huge.begin() + 16);
    uLong crc = crc32(0, huge.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        huge[29 + i] = uint8_t(crc >> (24 - 8 * i));
    EXPECT_FALSE(decodePng(huge.data(), huge.size(), out, &error));
    EXPECT_EQ(error, "bad PNG: 30000x30000 is 900000000 pixels, more than the limit of 67108864 (zkopt --max-pixels "
                     "raises it)");

    EXPECT_FALSE(loadPng((dir / "missing.png").string(), out, &error));
    EXPECT_EQ(error, "cannot open " + (dir / "missing.png").string() + ": No such file or directory");
    EXPECT_FALSE(savePng(img, (dir / "no" / "such.png").string(), &error));
    EXPECT_EQ(error, (dir / "no" / "such.png").string() + ": cannot write (No such file or directory)");
}
