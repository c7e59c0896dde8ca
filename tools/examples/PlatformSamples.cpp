#include "tools/examples/PlatformSamples.h"

#include "tools/examples/PlatformScene.h"

#include <algorithm>
#include <cmath>

namespace Tam::Examples {

namespace {

zkSmartPointer<zkFileInfo> fileOf(const char* name, zkGroup* root)
{
    auto scene = zkCreate<zkSceneInfo>();
    scene->setName(name);
    scene->setRoot(root);
    auto file = zkCreate<zkFileInfo>();
    file->setName(name);
    file->getInfoList()->append(scene);
    return file;
}

zkSmartPointer<zkGroup> group(const char* name)
{
    auto g = zkCreate<zkGroup>();
    g->setName(name);
    return g;
}

zkSmartPointer<zkAttr> blend(int source, int destination)
{
    auto f = zkCreate<zkBlendFunctionAttr>();
    f->setFactors(source, destination);
    return f;
}

zkSmartPointer<zkAttr> blendOn()
{
    auto s = zkCreate<zkBlendStateAttr>();
    s->setEnabled(true);
    return s;
}

const std::array<std::array<float, 2>, 4> kWholeTexture{{{0, 0}, {1, 0}, {0, 1}, {1, 1}}};

// Overlapping leaves: ellipses of varied green, hard-edged.
Texel foliage(int x, int y)
{
    static const int leaves[][5] = {{20, 18, 14, 7, 0}, {44, 22, 13, 8, 1}, {30, 40, 16, 9, 2},
                                    {50, 48, 10, 6, 1}, {12, 46, 11, 7, 2}, {34, 10, 9, 5, 0}};
    for (const auto& l : leaves) {
        const float dx = float(x - l[0]) / float(l[2]), dy = float(y - l[1]) / float(l[3]);
        if (dx * dx + dy * dy > 1.0f) continue;
        const float vein = std::fabs(dy) < 0.12f ? 30.0f : 0.0f;
        return Texel{uint8_t(40 + 15 * l[4] + vein), uint8_t(110 + 30 * l[4] - 20 * dx + vein), uint8_t(30 + 8 * l[4]),
                     255};
    }
    return Texel{20, 60, 20, 0};
}

Texel lattice(int x, int y)
{
    const bool slat = (x + y) % 16 < 3 || (x - y + 32) % 16 < 3;
    return Texel{150, 110, 70, slat ? uint8_t(255) : uint8_t(0)};
}

// Full red on the left through magenta to full blue on the right, darker towards the bottom.
Texel posterColour(int x, int y)
{
    const float across = float(x) / 63.0f, shade = 1.0f - 0.5f * float(y) / 31.0f;
    const float r = std::min(1.0f, 2.0f * (1.0f - across)), b = std::min(1.0f, 2.0f * across);
    return Texel{uint8_t(255.0f * r * shade + 0.5f), 0, uint8_t(255.0f * b * shade + 0.5f), 255};
}

// The banner: colour bands from top to bottom, an arrow near the top pointing up, and a marker
// square in the top-left corner, so that its orientation is plain to see.
uint8_t bannerIndex(int x, int y)
{
    if (x < 6 && y < 6) return 14;
    const int tip = 12, headEnd = 40;
    if (y >= tip && y < headEnd && std::abs(x - 16) <= (y - tip) / 2) return 15;
    if (y >= headEnd && y < 100 && std::abs(x - 16) <= 3) return 15;
    return uint8_t(y / 16);
}

zkSmartPointer<zkImage> bannerImage(const char* name, int width, int height)
{
    auto image = byteImage(name, ZK_GFX_TEXTURE_FORMAT_INDEXED_8, width, height,
                           [&](int x, int y) { return bannerIndex(x * 32 / width, y * 128 / height); });
    std::vector<uint8_t> entries(256 * 4, 255);
    static const uint8_t bands[8][3] = {{30, 60, 160}, {40, 80, 170}, {50, 100, 180}, {60, 120, 190},
                                        {70, 140, 200}, {80, 160, 210}, {90, 180, 220}, {100, 200, 230}};
    for (int i = 0; i < 8; ++i)
        for (int c = 0; c < 3; ++c) entries[4 * i + c] = bands[i][c];
    const uint8_t marker[3] = {220, 30, 30}, arrow[3] = {250, 220, 40};
    for (int c = 0; c < 3; ++c) {
        entries[4 * 14 + c] = marker[c];
        entries[4 * 15 + c] = arrow[c];
    }
    auto clut = zkCreate<zkClut>();
    clut->configure(ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 256, entries.data());
    image->setClut(clut);
    return image;
}

// A quad of the given size in the xy plane, mapped corner to corner.
zkSmartPointer<zkGeometry> quad(const char* name, zkGroup* parent, float width, float height)
{
    auto geometry = texturedQuad(name, parent, kWholeTexture);
    zkVertexArray* array = geometry->getGeometryAttr(0)->getVertexArray();
    for (int v = 0; v < 4; ++v) {
        const float* p = array->getPosition(v);
        array->setPosition(v, zkVec3f{p[0] * width, p[1] * height, 0.0f});
    }
    return geometry;
}

} // namespace

zkSmartPointer<zkFileInfo> buildPlatformsExample()
{
    auto root = group("platforms");
    auto bush = texturedSet("foliage", root, textureOf(rgbaImage("foliage.png", 64, 64, foliage)),
                            {blendOn(), blend(4, 5)});
    quad("bush", bush, 2, 2);
    auto fence = texturedSet("fence$nat", root, textureOf(rgbaImage("fence.png", 32, 32, lattice)),
                             {blendOn(), blend(4, 5)});
    quad("fence", fence, 2, 2);
    auto fx = zkCreate<zkUserInfo>();
    fx->setName("fx");
    fx->setStringProperty("force_additive", "1");
    root->appendChild(fx);
    quad("spark", texturedSet("sparks", fx, nullptr, {blendOn(), blend(4, 5)}), 0.5f, 0.5f);
    auto poster = rgbaImage("poster.png", 64, 32, posterColour);
    poster->convert(ZK_GFX_TEXTURE_FORMAT_RGB_888_24, ZK_GFX_IMAGE_ORDER_RGBA);
    quad("poster_quad", texturedSet("poster", root, textureOf(poster)), 2, 1);
    quad("banner_quad", texturedSet("banner", root, textureOf(bannerImage("banner.png", 32, 128))), 1, 4);
    return fileOf("platforms", root);
}

zkSmartPointer<zkFileInfo> buildBlendCases()
{
    auto root = group("root");
    auto alphas = [](const char* name, int transparent, uint8_t rest) {
        return textureOf(rgbaImage(name, 4, 4, [=](int x, int y) {
            return Texel{90, 140, 60, y * 4 + x < transparent ? uint8_t(0) : rest};
        }));
    };
    quad("leaves_quad", texturedSet("leaves", root, alphas("leaves.png", 8, 255), {blendOn(), blend(4, 5)}), 1, 1);
    texturedSet("inverse", root, alphas("inverse.png", 4, 255), {blend(5, 4)});
    texturedSet("smoke", root, alphas("smoke.png", 4, 128), {blend(4, 5)});
    texturedSet("sparse", root, alphas("sparse.png", 1, 255), {blend(4, 5)});
    texturedSet("wall$nat", root, alphas("wall.png", 8, 255), {blend(4, 5)});
    texturedSet("Zone_Shadow_03", root, alphas("shadow.png", 8, 255), {blend(4, 5)});
    auto off = zkCreate<zkUserInfo>();
    off->setName("calm");
    off->setStringProperty("force_additive", "0");
    root->appendChild(off);
    auto on = zkCreate<zkUserInfo>();
    on->setName("bright");
    on->setStringProperty("force_additive", "1");
    off->appendChild(on);
    texturedSet("glow", on, nullptr, {blend(4, 5)});
    return fileOf("blend", root);
}

zkSmartPointer<zkFileInfo> buildColourFilterCases()
{
    auto root = group("root");
    auto texture = zkCreate<zkTextureAttr>();
    const Texel mixed[4] = {{255, 0, 0, 255}, {255, 255, 255, 255}, {0, 0, 0, 255}, {255, 0, 255, 255}};
    texture->setImage(rgbaImage("red", 2, 2, [](int, int) { return Texel{255, 0, 0, 255}; }), 0);
    texture->setImage(rgbaImage("mixed", 2, 2, [&](int x, int y) { return mixed[y * 2 + x]; }), 1);
    texture->setImage(rgbaImage("grey", 2, 2, [](int, int) { return Texel{128, 128, 128, 255}; }), 2);
    texture->setImage(bannerImage("palettized", 2, 2), 3);
    texturedSet("set", root, texture);
    return fileOf("colours", root);
}

zkSmartPointer<zkFileInfo> buildPs2Cases()
{
    auto root = group("root");
    auto tall = textureOf(byteImage("tall", ZK_GFX_TEXTURE_FORMAT_L_8, 16, 80, [](int x, int y) { return uint8_t(x + 3 * y); }));
    quad("first_quad", texturedSet("first", root, tall), 1, 5);
    quad("second_quad", texturedSet("second", root, tall), 1, 5);
    auto narrow = textureOf(bannerImage("narrow", 16, 40));
    narrow->getImage(0)->convert(ZK_GFX_TEXTURE_FORMAT_INDEXED_4, ZK_GFX_IMAGE_ORDER_RGBA);
    quad("narrow_quad", texturedSet("nibbles", root, narrow), 1, 2.5f);
    auto rgba = textureOf(rgbaImage("rgba", 8, 100, [](int, int) { return Texel{1, 2, 3, 255}; }));
    quad("rgba_quad", texturedSet("wide_format", root, rgba), 1, 12);
    return fileOf("ps2", root);
}

} // namespace Tam::Examples
