// The mipmap pass through the host: level counts and sizes, names, filters and the tag.
#include "host/io/SceneFile.h"
#include "image/zkUseMipmapVesko.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/TextureSamples.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

using namespace Tam;
using namespace Tam::Test;
using namespace Tam::Examples;
using Tam::OptExtension::zkUseMipmapVesko;

namespace {

struct MipmapScene {
    PassHarness h;
    Attrs::zkTextureAttr* add(const char* name, int format, int w, int hgt, int tag = 1)
    {
        const int bytes = format == 5 ? 3 : 4;
        auto* texture = attachTexture(h.root.get(), makeImage(name, format, w, hgt, randomPixels(w, hgt, bytes, 7)).get());
        texture->setMipmapTag(tag);
        return texture;
    }
    std::string run(bool forDXT = false, bool taggedOnly = true)
    {
        auto pass = h.create<zkUseMipmapVesko>();
        pass->_forDXT = forDXT;
        pass->mipmapTaggedOnly = taggedOnly;
        EXPECT_TRUE(h.configure(pass.get()));
        return h.run(pass.get());
    }
};

std::vector<std::pair<int, int>> levelSizes(const Attrs::zkTextureAttr* texture)
{
    std::vector<std::pair<int, int>> sizes;
    for (int i = 0; i < texture->getImageCount(); ++i)
        sizes.emplace_back(texture->getImage(i)->getWidth(), texture->getImage(i)->getHeight());
    return sizes;
}

using Sizes = std::vector<std::pair<int, int>>;

} // namespace

TEST(MipmapPass, BuildsOneLevelPerHalvingOfTheLongerEdge)
{
    MipmapScene s;
    auto* dot = s.add("dot.tga", 7, 1, 1);
    auto* strip = s.add("c:/tex/grass.tga", 5, 256, 64);
    EXPECT_EQ(s.run(), "Setting Filter Type to 6\n"
                       "Setting Filter Type to 6\n"
                       "zkUseMipmapVesko: generating mipmap level 1.\n"
                       "zkUseMipmapVesko: generating mipmap level 2.\n"
                       "zkUseMipmapVesko: generating mipmap level 3.\n"
                       "zkUseMipmapVesko: generating mipmap level 4.\n"
                       "zkUseMipmapVesko: generating mipmap level 5.\n"
                       "zkUseMipmapVesko: generating mipmap level 6.\n"
                       "zkUseMipmapVesko: generating mipmap level 7.\n"
                       "zkUseMipmapVesko: generating mipmap level 8.\n");
    EXPECT_EQ(levelSizes(dot), (Sizes{{1, 1}}));
    EXPECT_EQ(dot->getImage(0)->getFormat(), 7);
    EXPECT_EQ(levelSizes(strip), (Sizes{{256, 64}, {128, 32}, {64, 16}, {32, 8}, {16, 4}, {8, 2}, {4, 1}, {2, 1}, {1, 1}}));
    // Levels go back to the base's format and keep the directory part of its name.
    for (int i = 0; i < strip->getImageCount(); ++i) EXPECT_EQ(strip->getImage(i)->getFormat(), 5);
    EXPECT_STREQ(strip->getImage(0)->getName(), "c:/tex/grass.tga");
    EXPECT_STREQ(strip->getImage(1)->getName(), "c:/tex/grass-1.tga");
    EXPECT_STREQ(strip->getImage(8)->getName(), "c:/tex/grass-8.tga");
    EXPECT_EQ(strip->getMipmapTag(), 0);

    // The tag is cleared: a second run leaves the textures alone.
    EXPECT_EQ(s.run(), "");
    EXPECT_EQ(strip->getImageCount(), 9);
}

TEST(MipmapPass, ForDxtStopsEdgesAtEightTexels)
{
    MipmapScene s;
    auto* square = s.add("square", 7, 64, 64);
    auto* small = s.add("small.png", 7, 4, 4);
    auto* wide = s.add("wide.png", 7, 32, 2);
    s.run(true);
    EXPECT_EQ(levelSizes(square), (Sizes{{64, 64}, {32, 32}, {16, 16}, {8, 8}, {8, 8}, {8, 8}, {8, 8}}));
    EXPECT_STREQ(square->getImage(3)->getName(), "square-3");
    EXPECT_EQ(levelSizes(small), (Sizes{{4, 4}, {2, 2}, {1, 1}}));
    EXPECT_EQ(levelSizes(wide), (Sizes{{32, 2}, {16, 1}, {8, 1}, {8, 1}, {8, 1}, {8, 1}}));
}

TEST(MipmapPass, FiltersAndTagsDecideWhichTexturesAreTreated)
{
    MipmapScene s;
    auto* tagged = s.add("tagged.tga", 7, 4, 4, 1);
    tagged->setMinFilter(0);
    tagged->setMagFilter(0);
    auto* untagged = s.add("untagged.tga", 7, 4, 4, 0);
    EXPECT_EQ(s.run(), "Setting Filter Type to 6\n"
                       "zkUseMipmapVesko: generating mipmap level 1.\n"
                       "zkUseMipmapVesko: generating mipmap level 2.\n");
    EXPECT_EQ(untagged->getImageCount(), 1);
    EXPECT_EQ(untagged->getMinFilter(), 1);
    EXPECT_EQ(tagged->getMinFilter(), 0);
    EXPECT_EQ(tagged->getMagFilter(), 0);

    s.run(false, false);
    EXPECT_EQ(untagged->getImageCount(), 3);
    EXPECT_EQ(untagged->getMinFilter(), 3);
    EXPECT_EQ(untagged->getMagFilter(), 1);
    EXPECT_EQ(tagged->getImageCount(), 3) << "built once, then untagged: rebuilt from the base";
}

TEST(MipmapPass, SkipsPalettizedTexturesKeepingTheirTag)
{
    MipmapScene s;
    auto image = makeImage("pal.tga", 65536, 4, 4, std::vector<uint8_t>(16, 0));
    auto clut = zkCreate<Gfx::zkClut>();
    clut->configure(7, 256, nullptr);
    image->setClut(clut);
    auto* texture = attachTexture(s.h.root.get(), image.get());
    texture->setMipmapTag(1);
    EXPECT_EQ(s.run(), "zkUseMipmapVesko: (pal.tga) skipping palettized image\n");
    EXPECT_EQ(texture->getImageCount(), 1);
    EXPECT_EQ(texture->getMipmapTag(), 1);
}

TEST(MipmapPass, ResizerFilterIsTheFieldsValue)
{
    MipmapScene s;
    auto* texture = s.add("box.tga", 7, 2, 2);
    std::vector<uint8_t> checker = {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255};
    texture->getImage(0)->load(checker.data(), 7, 2, 2);
    auto pass = s.h.create<zkUseMipmapVesko>();
    pass->setFilterType(Opt::zkResizeImage::FILTER_BOX);
    ASSERT_TRUE(s.h.configure(pass.get()));
    EXPECT_NE(s.h.run(pass.get()).find("Setting Filter Type to 1\n"), std::string::npos);
    const uint8_t* level = texture->getImage(1)->getData();
    EXPECT_NEAR(level[0], 128, 1) << "a box filter averages the checker to grey";
}

TEST(MipmapPass, LevelsSurviveBothSceneForms)
{
    MipmapScene s;
    auto* texture = s.add("wall.tga", 5, 16, 8);
    s.run();
    ASSERT_EQ(texture->getImageCount(), 5);
    for (auto form : {Io::zkSceneForm::Binary, Io::zkSceneForm::Text}) {
        std::string bytes, error;
        ASSERT_TRUE(Io::zkEncodeScene(s.h.file.get(), form, bytes, error)) << error;
        auto read = Io::zkDecodeScene(bytes, form, "levels", error);
        ASSERT_NE(read, nullptr) << error;
        std::vector<Gfx::zkImage*> images;
        zkVisitReachable(read.get(), Attrs::zkTextureAttr::getClassTypeSafe(), [&](zkObject* o) {
            auto* t = static_cast<Attrs::zkTextureAttr*>(o);
            for (int i = 0; i < t->getImageCount(); ++i) images.push_back(t->getImage(i));
        });
        ASSERT_EQ(images.size(), 5u);
        for (int i = 0; i < 5; ++i) {
            const Gfx::zkImage* before = texture->getImage(i);
            EXPECT_STREQ(images[i]->getName(), before->getName());
            EXPECT_EQ(images[i]->getWidth(), before->getWidth());
            EXPECT_EQ(images[i]->getFormat(), before->getFormat());
            ASSERT_EQ(images[i]->getDataSize(), before->getDataSize());
            EXPECT_EQ(0, std::memcmp(images[i]->getData(), before->getData(), before->getDataSize()));
        }
    }
}
