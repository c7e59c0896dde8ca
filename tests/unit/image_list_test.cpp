// The image list test shared by the quantizer and the mipmap pass, and the registry words they read.
#include "image/zkQuantizeVesko.h"
#include "image/zkUseMipmapVesko.h"
#include "tests/harness/PassHarness.h"
#include "tests/harness/TempFolder.h"
#include "tools/examples/TextureSamples.h"

#include <gtest/gtest.h>


using namespace Tam;
using namespace Tam::Test;
using namespace Tam::Examples;
using Tam::OptExtension::zkQuantizeVesko;
using Tam::OptExtension::zkUseMipmapVesko;

namespace {

// The list file of one test, in a folder removed when the tests end.
std::string writeList(const std::string& text)
{
    static TempFolder folder;
    const std::string name = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".txt";
    folder.write(name, text);
    return folder / name;
}

// Textures with these image names; the quantizer in 4-bit mode prints one line per treated RGB
// image ("is NOT indexed") and the list's line for a skipped one.
struct ListScene {
    PassHarness h;
    explicit ListScene(std::initializer_list<const char*> names)
    {
        for (const char* name : names) attachTexture(h.root.get(), makeImage(name, 5, 2, 2, randomPixels(2, 2, 3, 1)).get());
    }
    std::string quantize(std::initializer_list<std::pair<std::string, std::string>> keys)
    {
        auto pass = h.create<zkQuantizeVesko>();
        pass->_eightBitTofourBitOnly = true;
        EXPECT_TRUE(h.configure(pass.get(), h.section("q", keys)));
        return h.run(pass.get());
    }
};

} // namespace

TEST(ImageList, ExcludeSkipsListedImagesByFileName)
{
    const std::string list = writeList("# textures the artists tuned by hand\nmaps/wood.tga\n\n  stone.tga  \n");
    ListScene s({"c:/art/wood.tga", "wood.tga", "Wood.tga", "wood.png", "d:\\walls\\stone.tga"});
    EXPECT_EQ(s.quantize({{"imageListFilename", list}}),
              "zkQuantizeVesko: (c:/art/wood.tga) excluded from mipmap generation\n"
              "zkQuantizeVesko: (wood.tga) excluded from mipmap generation\n"
              "zkQuantizeVesko: (Wood.tga) is NOT indexed, skipping image\n"
              "zkQuantizeVesko: (wood.png) is NOT indexed, skipping image\n"
              "zkQuantizeVesko: (d:\\walls\\stone.tga) excluded from mipmap generation\n");
}

TEST(ImageList, IncludeTreatsOnlyListedImages)
{
    const std::string list = writeList("wood.tga\n");
    ListScene s({"wood.tga", "stone.tga"});
    const std::string expected = "zkQuantizeVesko: (wood.tga) is NOT indexed, skipping image\n"
                                 "zkQuantizeVesko: (stone.tga) not included in mipmap generation\n";
    EXPECT_EQ(s.quantize({{"imageListFilename", list}, {"isExclude", "include"}}), expected);
    EXPECT_EQ(s.quantize({{"imageListFilename", list}, {"isExclude", "Include"}}), expected);
    EXPECT_EQ(s.quantize({{"imageListFilename", list}, {"isExclude", "EXCLUDE"}}),
              "zkQuantizeVesko: (wood.tga) excluded from mipmap generation\n"
              "zkQuantizeVesko: (stone.tga) is NOT indexed, skipping image\n");
    // Words other than the two change nothing: the default is exclude.
    for (const char* word : {"yes", "1", "excluded"})
        EXPECT_EQ(s.quantize({{"imageListFilename", list}, {"isExclude", word}}),
                  "zkQuantizeVesko: (wood.tga) excluded from mipmap generation\n"
                  "zkQuantizeVesko: (stone.tga) is NOT indexed, skipping image\n")
            << word;
    // Include mode without a list skips every named texture; a missing file is no list.
    EXPECT_EQ(s.quantize({{"isExclude", "include"}, {"imageListFilename", "/nonexistent/list.txt"}}),
              "zkQuantizeVesko: (wood.tga) not included in mipmap generation\n"
              "zkQuantizeVesko: (stone.tga) not included in mipmap generation\n");
}

TEST(ImageList, OnlyImageZeroDecidesForTheTexture)
{
    const std::string list = writeList("listed.tga\n");
    ListScene s({"base.tga"});
    auto* texture = Attrs::zkTextureBindAttr::dynamicCast(Sg::zkAttrSet::dynamicCast(s.h.root->getChild(0))->getAttr(0))
                        ->getTexture();
    texture->setImage(makeImage("listed.tga", 5, 2, 2, randomPixels(2, 2, 3, 2)), 1);
    EXPECT_EQ(s.quantize({{"imageListFilename", list}}),
              "zkQuantizeVesko: (base.tga) is NOT indexed, skipping image\n"
              "zkQuantizeVesko: (listed.tga) is NOT indexed, skipping image\n");
}

TEST(ImageList, MipmapPassSharesTheTestWithItsOwnName)
{
    const std::string list = writeList("wood.tga\n");
    PassHarness h;
    attachTexture(h.root.get(), makeImage("wood.tga", 7, 2, 2, randomPixels(2, 2, 4, 1)).get())->setMipmapTag(1);
    auto pass = h.create<zkUseMipmapVesko>();
    ASSERT_TRUE(h.configure(pass.get(), h.section("m", {{"imageListFilename", list}})));
    EXPECT_EQ(pass->getImageList()->getCount(), 1);
    EXPECT_STREQ(pass->getImageListFilename()->c_str(), list.c_str());
    EXPECT_EQ(h.run(pass.get()), "zkUseMipmapVesko: (wood.tga) excluded from mipmap generation\n");
}

TEST(ImageList, FilterWordsAreExactAndAnUnknownOneRefusesConfigure)
{
    PassHarness h;
    auto pass = h.create<zkUseMipmapVesko>();
    ASSERT_TRUE(h.configure(pass.get(), h.section("words", {{"minFilter", "LinearMipmapNearest"}, {"magFilter", "Nearest"}})));
    EXPECT_EQ(pass->_minFilter, 4);
    EXPECT_EQ(pass->_magFilter, 0);
    EXPECT_EQ(h.printed, "zkUseMipmapVesko::configure: we are here...\n");

    // The refusal goes to standard output, not to the run's report, and stops before the list
    // settings are read.
    auto bad = h.create<zkUseMipmapVesko>();
    h.printed.clear();
    testing::internal::CaptureStdout();
    const bool configured = h.configure(bad.get(), h.section("bad", {{"minFilter", "linear"}, {"isExclude", "include"}}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "zkUseMipmapVesko: Format linear not recognized\n");
    EXPECT_FALSE(configured);
    EXPECT_EQ(bad->_minFilter, -1);
    EXPECT_TRUE(bad->getIsExclude());
    EXPECT_EQ(h.printed, "zkUseMipmapVesko::configure: we are here...\n");

    auto empty = h.create<zkUseMipmapVesko>();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(h.configure(empty.get(), h.section("empty", {{"magFilter", ""}})));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "zkUseMipmapVesko: Format  not recognized\n");
    EXPECT_EQ(empty->_minFilter, 3);
    EXPECT_EQ(empty->_magFilter, -1);
}
