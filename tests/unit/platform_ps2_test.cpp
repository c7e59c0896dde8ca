// PS2 texture scaling: which textures change and how, the coordinates of the geometry drawn with
// them, the visited lists that make every change happen once, the progress text, and that a
// transposed texture is still mapped the right way round when the result is looked at in glTF.
#include "image/veskoScalePs2Texture.h"
#include "host/io/Base64.h"
#include "host/io/GltfExport.h"
#include "host/gfx/Png.h"
#include "tests/harness/PassHarness.h"
#include "tests/harness/TempFolder.h"
#include "tools/examples/PlatformScene.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>


using namespace Tam::OptExtension;
using namespace Tam::Test;
using namespace Tam::Examples;

namespace {

// Texel bytes that tell every position apart along each axis.
uint8_t pattern(int x, int y) { return uint8_t(x * 3 + y * 7); }

std::string setName(const zkAttrSet* set, int attr)
{
    char text[128];
    std::snprintf(text, sizeof text, "zkAttrSet 0x%08x \"%s\" attr %d...",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(set)), set->getName(), attr);
    return text;
}

const std::array<std::array<float, 2>, 4> kCornerUVs{{{0.1f, 0.2f}, {0.9f, 0.2f}, {0.1f, 0.8f}, {0.9f, 0.8f}}};

std::array<float, 2> uvOf(const zkGeometry* quad, int v)
{
    const float* uv = quad->getGeometryAttr(0)->getVertexArray()->getTextureCoord(0, v);
    return {uv[0], uv[1]};
}

zkSmartPointer<veskoScalePs2Texture> printingPass(PassHarness& h, bool rotate = true)
{
    auto pass = h.create<veskoScalePs2Texture>();
    pass->setPrintProgress(true);
    pass->setTextureRotationState(rotate);
    EXPECT_TRUE(h.configure(pass.get()));
    return pass;
}

} // namespace

TEST(ScalePs2Texture, TransposesATallTextureAndSwapsTheCoordinatesDrawnWithIt)
{
    PassHarness h;
    auto image = byteImage("bark", ZK_GFX_TEXTURE_FORMAT_L_8, 64, 128, pattern);
    auto texture = textureOf(image);
    texture->setWrapS(1);
    auto set = texturedSet("trunk", h.root, texture);
    auto quad = texturedQuad("quad", set, kCornerUVs);

    EXPECT_EQ(h.run(printingPass(h)), setName(set, 0) +
                                          "img \"bark\" format ZK_GFX_TEXTURE_FORMAT_L_8 (64,128)...texture flipped"
                                          "...zkGeometry \"quad\" flipped.\n");
    const zkImage* turned = texture->getImage(0);
    ASSERT_NE(turned, image.get());
    EXPECT_EQ(turned->getName(), std::string("bark"));
    ASSERT_EQ(turned->getWidth(), 128);
    ASSERT_EQ(turned->getHeight(), 64);
    // Rows run down while t runs up: the transpose in (s, t) takes stored (x, y) from (63-y, 127-x).
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) ASSERT_EQ(turned->getData()[y * 128 + x], pattern(63 - y, 127 - x));
    EXPECT_EQ(texture->getUpdate(), 1);
    EXPECT_EQ(texture->getWrapS(), 0);
    EXPECT_EQ(texture->getWrapT(), 1);
    for (int v = 0; v < 4; ++v) EXPECT_EQ(uvOf(quad, v), (std::array<float, 2>{kCornerUVs[v][1], kCornerUVs[v][0]}));
}

TEST(ScalePs2Texture, SizeRuleFormatsAndWidening)
{
    PassHarness h;
    auto rgba = rgbaImage("rgba", 32, 256, [](int, int) { return Texel{1, 2, 3, 4}; });
    auto l8 = byteImage("short", ZK_GFX_TEXTURE_FORMAT_L_8, 32, 64, pattern);
    auto nibbles = zkCreate<zkImage>();
    nibbles->setName("nibbles");
    nibbles->load(std::vector<uint8_t>(32 * 64 / 2, 0x21).data(), ZK_GFX_TEXTURE_FORMAT_INDEXED_4, 32, 64);
    auto clut = zkCreate<zkClut>();
    clut->configure(ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 16, std::vector<uint8_t>(64, 200).data());
    nibbles->setClut(clut);
    auto odd = byteImage("odd", ZK_GFX_TEXTURE_FORMAT_L_8, 100, 65, pattern);
    zkSmartPointer<zkAttrSet> sets[4];
    int i = 0;
    for (zkImage* image : {rgba.get(), l8.get(), nibbles.get(), odd.get()}) {
        sets[i] = texturedSet(image->getName(), h.root, textureOf(image));
        texturedQuad("quad", sets[i++], kCornerUVs);
    }

    EXPECT_EQ(h.run(printingPass(h, false)),
              setName(sets[2], 0) + "img \"nibbles\" format ZK_GFX_TEXTURE_FORMAT_INDEXED_4 (32,64)...scaled to 64x64.\n" +
                  setName(sets[3], 0) + "img \"odd\" format ZK_GFX_TEXTURE_FORMAT_L_8 (100,65)...scaled to 128x65.\n");
    auto sizeOf = [&](int k) {
        const zkImage* image = zkTextureBindAttr::dynamicCast(sets[k]->getAttr(0))->getTexture()->getImage(0);
        return std::array<int, 3>{image->getWidth(), image->getHeight(), image->getFormat()};
    };
    EXPECT_EQ(sizeOf(0), (std::array<int, 3>{32, 256, ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32}));
    EXPECT_EQ(sizeOf(1), (std::array<int, 3>{32, 64, ZK_GFX_TEXTURE_FORMAT_L_8}));
    EXPECT_EQ(sizeOf(2), (std::array<int, 3>{64, 64, ZK_GFX_TEXTURE_FORMAT_INDEXED_4}));
    EXPECT_EQ(sizeOf(3), (std::array<int, 3>{128, 65, ZK_GFX_TEXTURE_FORMAT_L_8}));
    // Widening leaves the coordinates alone.
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(uvOf(zkGeometry::dynamicCast(sets[k]->getChild(0)), 1), kCornerUVs[1]);
}

TEST(ScalePs2Texture, SharedTexturesAndGeometryChangeOnceAcrossSetsAndRuns)
{
    PassHarness h;
    auto shared = textureOf(byteImage("shared", ZK_GFX_TEXTURE_FORMAT_L_8, 16, 100, pattern));
    auto own = textureOf(byteImage("own", ZK_GFX_TEXTURE_FORMAT_RGB_332_8, 8, 80, pattern));
    auto first = texturedSet("first", h.root, shared);
    auto a = texturedQuad("a", first, kCornerUVs);
    auto second = texturedSet("second", h.root, shared);
    auto b = texturedQuad("b", second, kCornerUVs);
    // A set binding two transposed textures over one geometry: the geometry is swapped once.
    auto both = texturedSet("both", h.root, own);
    auto bind = zkCreate<zkTextureBindAttr>();
    bind->setTexture(shared);
    both->appendAttr(bind);
    auto c = texturedQuad("c", both, kCornerUVs);
    auto plain = texturedSet("plain", h.root, textureOf(byteImage("fine", ZK_GFX_TEXTURE_FORMAT_L_8, 16, 16, pattern)));

    auto pass = printingPass(h);
    EXPECT_EQ(h.run(pass.get()),
              setName(first, 0) + "img \"shared\" format ZK_GFX_TEXTURE_FORMAT_L_8 (16,100)...texture flipped"
                                  "...zkGeometry \"a\" flipped.\n" +
                  setName(second, 0) + "img \"shared\" format ZK_GFX_TEXTURE_FORMAT_L_8 (100,16)..."
                                       "additional geometry instance flipped...zkGeometry \"b\" flipped.\n" +
                  setName(both, 0) + "img \"own\" format ZK_GFX_TEXTURE_FORMAT_RGB_332_8 (8,80)...texture flipped"
                                     "...zkGeometry \"c\" flipped.\n" +
                  setName(both, 1) + "img \"shared\" format ZK_GFX_TEXTURE_FORMAT_L_8 (100,16)..."
                                     "additional geometry instance flipped...zkGeometry \"c\" skipped because this has "
                                     "already been visited.\n");
    EXPECT_EQ(shared->getImage(0)->getWidth(), 100);
    EXPECT_EQ(own->getImage(0)->getWidth(), 80);
    for (const zkGeometry* quad : {a.get(), b.get(), c.get()})
        EXPECT_EQ(uvOf(quad, 1), (std::array<float, 2>{kCornerUVs[1][1], kCornerUVs[1][0]}));
    EXPECT_EQ(pass->getVisitedTextureList()->getCount(), 3);
    EXPECT_EQ(pass->getTextureWasFlippedList()->getCount(), 3);

    // The same pass object again: every texture is known and marked, every geometry visited.
    const std::string again = h.run(pass.get());
    EXPECT_EQ(again.find("texture flipped"), std::string::npos);
    EXPECT_EQ(again.find("\" flipped"), std::string::npos);
    EXPECT_NE(again.find("\"a\" skipped because this has already been visited"), std::string::npos);
    EXPECT_EQ(shared->getImage(0)->getWidth(), 100);
    EXPECT_EQ(uvOf(a, 1), (std::array<float, 2>{kCornerUVs[1][1], kCornerUVs[1][0]}));

    // A new pass object starts with empty lists: the shared texture, now wide, stays as it is,
    // and no geometry is swapped back.
    EXPECT_EQ(h.run(printingPass(h)), "");
    EXPECT_EQ(uvOf(b, 1), (std::array<float, 2>{kCornerUVs[1][1], kCornerUVs[1][0]}));
}

TEST(ScalePs2Texture, WithoutProgressNothingIsPrinted)
{
    PassHarness h;
    auto set = texturedSet("s", h.root, textureOf(byteImage("tall", ZK_GFX_TEXTURE_FORMAT_A_8, 8, 128, pattern)));
    texturedQuad("q", set, kCornerUVs);
    EXPECT_EQ(h.run(h.pass<veskoScalePs2Texture>()), "");
    EXPECT_EQ(zkTextureBindAttr::dynamicCast(set->getAttr(0))->getTexture()->getImage(0)->getWidth(), 128);
}

// Looked at in a glTF viewer, the quad must show the same part of the picture at each corner
// before and after: the exported image is sampled at the exported coordinates of each corner.
TEST(ScalePs2Texture, GltfExportShowsTheTransposedTextureTheRightWayRound)
{
    PassHarness h;
    auto texture = textureOf(byteImage("bark", ZK_GFX_TEXTURE_FORMAT_L_8, 64, 128, pattern));
    auto set = texturedSet("trunk", h.root, texture);
    texturedQuad("quad", set, kCornerUVs);
    std::array<uint8_t, 4> before;
    for (int v = 0; v < 4; ++v) {
        // The host's t runs up from the last row.
        const int x = int(kCornerUVs[v][0] * 64), y = int((1.0f - kCornerUVs[v][1]) * 128);
        before[v] = pattern(x, y);
    }
    h.run(printingPass(h));

    Tam::Test::TempFolder folder;
    std::string error;
    ASSERT_TRUE(Tam::Io::zkExportGltf(h.file.get(), folder / "out.gltf", Tam::Io::zkGltfForm::Embedded, error)) << error;
    const nlohmann::json doc = nlohmann::json::parse(folder.read("out.gltf"));
    const std::string uri = doc["buffers"][0]["uri"];
    std::vector<uint8_t> buffer;
    ASSERT_TRUE(Tam::Io::zkBase64Decode(uri.substr(uri.find(',') + 1), buffer));
    auto view = [&](int index) {
        const auto& v = doc["bufferViews"][index];
        return buffer.data() + v.value("byteOffset", 0);
    };
    const auto& imageView = doc["bufferViews"][int(doc["images"][0]["bufferView"])];
    PixelImage png;
    ASSERT_TRUE(decodePng(view(doc["images"][0]["bufferView"]), imageView["byteLength"], png));
    std::vector<uint8_t> rgba;
    ASSERT_TRUE(decodeToRGBA(png, rgba));
    ASSERT_EQ(png.width, 128u);
    ASSERT_EQ(png.height, 64u);
    const auto& accessor = doc["accessors"][int(doc["meshes"][0]["primitives"][0]["attributes"]["TEXCOORD_0"])];
    const float* uvs = reinterpret_cast<const float*>(view(accessor["bufferView"]) + accessor.value("byteOffset", 0));
    for (int v = 0; v < 4; ++v) {
        const int x = int(uvs[2 * v] * 128), y = int(uvs[2 * v + 1] * 64);
        EXPECT_EQ(rgba[(std::size_t(y) * 128 + x) * 4], before[v]) << "corner " << v;
    }
}

// The host's report of a failed internal check reaches the handler in force, which may ask for
// the report to be ignored from then on; setting an empty handler puts the default back.
TEST(ReportError, GoesToTheHandlerInForceAndAnswersWhatItSaid)
{
    std::vector<std::string> seen;
    auto previous = zkSetReportHandler([&](const char* file, int line, const char* message) {
        seen.push_back(std::string(file) + ":" + std::to_string(line) + ": " + message);
        return seen.size() > 1 ? ZK_REPORT_IGNORE_ALWAYS : ZK_REPORT_CONTINUE;
    });
    EXPECT_EQ(zkReportError("a.cpp", 3, "first"), ZK_REPORT_CONTINUE);
    EXPECT_EQ(zkReportError("b.cpp", 4, "second"), ZK_REPORT_IGNORE_ALWAYS);
    EXPECT_EQ(seen, (std::vector<std::string>{"a.cpp:3: first", "b.cpp:4: second"}));
    EXPECT_TRUE(zkSetReportHandler(previous));
    EXPECT_TRUE(zkSetReportHandler({}));
    EXPECT_EQ(zkReportError("c.cpp", 5, "to standard error"), ZK_REPORT_CONTINUE);
    EXPECT_EQ(seen.size(), 2u);
}
