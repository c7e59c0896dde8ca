// PS2 texture scaling where a golden case under tests/passes/veskoScalePs2Texture cannot say it:
// the visited lists of one pass object over runs, and that a transposed texture is still mapped
// the right way round when the result is looked at in glTF.
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

TEST(ScalePs2Texture, RunsAgainOfOnePassObjectChangeNothingMore)
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

    // What the first run prints and writes is the golden case shared_once.
    auto pass = printingPass(h);
    h.run(pass.get());
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
