// zkImageExternalVesko and veskoTextureStatistics over images built here: the files written and
// where, the lines printed, the external references the output keeps, and a glTF export that
// refers to the files.
#include "host/gfx/Png.h"
#include "host/io/SceneFile.h"
#include "image/veskoTextureStatistics.h"
#include "image/zkImageExternalVesko.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/TextureSamples.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <set>

using namespace Tam::OptExtension;
using Tam::Test::PassHarness;
namespace fs = std::filesystem;

namespace {

// w x h random RGBA texels.
zkSmartPointer<zkImage> rgbaImage(const char* name, int w, int h)
{
    return Tam::Examples::makeImage(name, ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, w, h, Tam::Examples::randomPixels(w, h, 4, 1));
}

// A textured attribute set under the harness's root whose texture holds the images in order
// (the visit meets them in that order).
zkSmartPointer<zkTextureAttr> addTexture(PassHarness& scene, std::initializer_list<zkImage*> images)
{
    auto texture = zkCreate<zkTextureAttr>();
    int i = 0;
    for (zkImage* image : images) texture->setImage(image, i++);
    auto bind = zkCreate<zkTextureBindAttr>();
    bind->setTexture(texture);
    auto set = zkCreate<zkAttrSet>();
    set->setName("material");
    set->appendAttr(bind);
    scene.root->appendChild(set);
    return texture;
}

// A fresh folder standing for the one the output goes to, inside a fresh parent folder so that
// a file escaping it would be seen.
struct OutputFolder {
    fs::path parent, path;
    explicit OutputFolder(const std::string& name)
    {
        parent = fs::temp_directory_path() / ("zk_external_" + name);
        fs::remove_all(parent);
        path = parent / "out";
        fs::create_directories(path);
    }
    ~OutputFolder() { fs::remove_all(parent); }
    // Every file below the parent folder, relative to the output folder.
    std::set<std::string> files() const
    {
        std::set<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(parent))
            if (e.is_regular_file()) found.insert(fs::relative(e.path(), path).generic_string());
        return found;
    }
};

// A harness scene whose run writes into a fresh output folder.
struct OutputScene : OutputFolder {
    PassHarness scene;
    explicit OutputScene(const std::string& name) : OutputFolder(name) { scene.host.setBaseDirectory(path.string()); }
};

zkSmartPointer<zkImageExternalVesko> externalPass(PassHarness& scene, const char* subDirectory = nullptr,
                                                  bool force = true)
{
    auto pass = scene.create<zkImageExternalVesko>();
    pass->setImageSubDirectory(subDirectory);
    pass->setForcePngUsage(force);
    EXPECT_TRUE(scene.configure(pass.get())) << scene.printed;
    return pass;
}

std::vector<zkExternalImageEntry*> entriesOf(const zkFileInfo* file)
{
    std::vector<zkExternalImageEntry*> entries;
    for (int i = 0; i < file->getInfoList()->getCount(); ++i)
        if (auto* e = zkExternalImageEntry::dynamicCast(file->getInfoList()->get(i))) entries.push_back(e);
    return entries;
}

} // namespace

TEST(ExternalImages, FileNamesKeepOnlyTheBaseNameSoNoImageNameWritesOutsideTheOutputFolder)
{
    OutputScene out("names");
    PassHarness& scene = out.scene;
    auto rock = rgbaImage("c:/art/rock.tga", 2, 2);
    auto unnamed = rgbaImage("", 2, 2);
    auto up = rgbaImage("../../escape.tga", 2, 2);
    auto absolute = rgbaImage("/tmp/absolute.tga", 2, 2);
    auto drive = rgbaImage("d:..\\..\\drive.bmp", 2, 2);
    auto dots = rgbaImage("..", 2, 2);
    auto longExtension = rgbaImage("maps/sky.jpeg", 2, 2);
    addTexture(scene, {rock, unnamed, up, absolute, drive, dots, longExtension});

    EXPECT_EQ(scene.run(externalPass(scene)),
              "saving image file <rock.png>\n"
              "saving image file <DefaultImageName.png>\n"
              "saving image file <escape.png>\n"
              "saving image file <absolute.png>\n"
              "saving image file <drive.png>\n"
              "saving image file <..png>\n"
              "saving image file <sky.jpeg.png>\n");
    EXPECT_EQ(out.files(), (std::set<std::string>{"rock.png", "DefaultImageName.png", "escape.png", "absolute.png",
                                                  "drive.png", "..png", "sky.jpeg.png"}));
    EXPECT_FALSE(fs::exists("/tmp/absolute.png"));
}

TEST(ExternalImages, ASubDirectoryTakesTheFilesWhileMessagesAndEntryNamesKeepThePlainName)
{
    OutputScene out("subdir");
    PassHarness& scene = out.scene;
    fs::create_directory(out.path / "tex");
    auto rock = rgbaImage("c:/art/rock.tga", 2, 2);
    addTexture(scene, {rock});

    EXPECT_EQ(scene.run(externalPass(scene, "tex")), "saving image file <rock.png>\n");
    EXPECT_EQ(out.files(), (std::set<std::string>{"tex/rock.png"}));
    auto entries = entriesOf(scene.file);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->getImage(), rock.get());
    EXPECT_STREQ(entries[0]->directoryName.c_str(), "rock.png");
    EXPECT_STREQ(entries[0]->entryName.c_str(), "rock.png");
    EXPECT_STREQ(entries[0]->getFilePath(), "tex/rock.png");
    EXPECT_EQ(scene.host.getExternalEntry(rock), entries[0]);
}

TEST(ExternalImages, TwoImagesOfOneBaseNameWriteOneFileAndTheLaterWins)
{
    OutputScene out("same_name");
    PassHarness& scene = out.scene;
    auto first = rgbaImage("a/wall.tga", 1, 1);
    auto second = rgbaImage("b/wall.tga", 3, 2);
    addTexture(scene, {first, second});

    EXPECT_EQ(scene.run(externalPass(scene)), "saving image file <wall.png>\nsaving image file <wall.png>\n");
    Tam::Gfx::PixelImage back;
    ASSERT_TRUE(Tam::Gfx::loadPng((out.path / "wall.png").string(), back));
    EXPECT_EQ(back.width, 3u);
    EXPECT_EQ(entriesOf(scene.file).size(), 2u);
}

TEST(ExternalImages, WithoutForcePngUsageNoEntryIsMadeButTheFileIsWritten)
{
    OutputScene out("no_entries");
    PassHarness& scene = out.scene;
    addTexture(scene, {rgbaImage("rock.tga", 2, 2)});
    const int infosBefore = scene.file->getInfoList()->getCount();

    EXPECT_EQ(scene.run(externalPass(scene, nullptr, false)), "saving image file <rock.png>\n");
    EXPECT_EQ(out.files(), (std::set<std::string>{"rock.png"}));
    EXPECT_EQ(scene.host.getExternalEntries().getCount(), 0);
    EXPECT_EQ(scene.file->getInfoList()->getCount(), infosBefore);
}

TEST(ExternalImages, ASubDirectoryThatIsAFileRefusesConfigureWithTheExactLine)
{
    OutputFolder out("refused");
    std::FILE* f = std::fopen((out.path / "notafolder").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    PassHarness scene;
    scene.host.setBaseDirectory(out.path.string());
    // A missing one is the golden case missing_sub_directory.
    auto pass = scene.create<zkImageExternalVesko>();
    pass->setImageSubDirectory("notafolder");
    EXPECT_FALSE(scene.configure(pass.get()));
    EXPECT_EQ(scene.printed, "ERROR: The directory notafolder does not exist\n");
    auto plain = scene.create<zkImageExternalVesko>();
    EXPECT_TRUE(scene.configure(plain.get())); // no sub-directory: the output folder itself
}

TEST(ExternalImages, WrittenFilesDecodeToTheImagesTexels)
{
    OutputScene out("decode");
    PassHarness& scene = out.scene;
    auto rgba = rgbaImage("colour.tga", 5, 3);
    auto indexed = zkCreate<zkImage>();
    indexed->setName("indexed.bmp");
    const uint8_t texels[6] = {0, 1, 2, 3, 1, 0};
    ASSERT_TRUE(indexed->load(texels, ZK_GFX_TEXTURE_FORMAT_INDEXED_8, 3, 2));
    auto clut = zkCreate<zkClut>();
    const uint8_t entries[16] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 255, 9, 9, 9, 0};
    ASSERT_TRUE(clut->configure(ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 4, entries));
    indexed->setClut(clut);
    addTexture(scene, {rgba, indexed});
    scene.run(externalPass(scene));

    Tam::Gfx::PixelImage back;
    ASSERT_TRUE(Tam::Gfx::loadPng((out.path / "colour.png").string(), back));
    EXPECT_EQ(back.width, 5u);
    EXPECT_EQ(back.height, 3u);
    EXPECT_EQ(back.pixels, std::vector<uint8_t>(rgba->getData(), rgba->getData() + rgba->getDataSize()));

    ASSERT_TRUE(Tam::Gfx::loadPng((out.path / "indexed.png").string(), back));
    EXPECT_EQ(back.format, static_cast<uint32_t>(ZK_GFX_TEXTURE_FORMAT_INDEXED_8));
    EXPECT_EQ(std::vector<uint8_t>(back.pixels.begin(), back.pixels.begin() + 3), std::vector<uint8_t>({0, 1, 2}));
    EXPECT_EQ(std::vector<uint8_t>(back.pixels.begin() + back.stride, back.pixels.begin() + back.stride + 3),
              std::vector<uint8_t>({3, 1, 0}));
    EXPECT_EQ(std::vector<uint8_t>(back.palette.begin(), back.palette.begin() + 16),
              std::vector<uint8_t>(entries, entries + 16));
}

TEST(ExternalImages, TheWrittenSceneKeepsItsEntriesAndASecondRunReusesThem)
{
    OutputFolder out("scene");
    auto rock = rgbaImage("rock.tga", 2, 2);
    std::string error;
    const std::string path = (out.path / "scene.zks.json").string();
    {
        PassHarness scene;
        scene.host.setBaseDirectory(out.path.string());
        addTexture(scene, {rock});
        scene.run(externalPass(scene));
        ASSERT_TRUE(Tam::Io::zkWriteScene(scene.file, path, error)) << error;
    }
    zkSmartPointer<zkFileInfo> read = Tam::Io::zkReadScene(path, error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(entriesOf(read).size(), 1u);
    zkImage* image = entriesOf(read)[0]->getImage();
    ASSERT_NE(image, nullptr);
    EXPECT_STREQ(image->getName(), "rock.tga");

    PassHarness again(read);
    again.host.setBaseDirectory(out.path.string());
    EXPECT_EQ(again.host.getExternalEntry(image), entriesOf(read)[0]);
    again.run(externalPass(again, "", true));
    EXPECT_EQ(entriesOf(read).size(), 1u);
}

TEST(ExternalImages, AGltfExportRefersToTheFilesInsteadOfCarryingThePixels)
{
    OutputScene out("gltf");
    PassHarness& scene = out.scene;
    fs::create_directory(out.path / "tex");
    auto geometry = zkCreate<zkGeometry>();
    auto array = zkCreate<zkVertexArray>();
    array->configure(zkVertexFormat::POSITION | 1u << zkVertexFormat::TEXCOORD_SHIFT, 3, 0);
    array->setPosition(1, {1, 0, 0});
    array->setPosition(2, {0, 1, 0});
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array);
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_LIST, 1, 0);
    geometry->appendAttr(attr);
    addTexture(scene, {rgbaImage("c:/art/rock face.tga", 2, 2)});
    static_cast<zkAttrSet*>(scene.root->getChild(0))->appendChild(geometry);
    scene.run(externalPass(scene, "tex"));

    std::string error, text;
    const std::string path = (out.path / "scene.gltf").string();
    ASSERT_TRUE(Tam::Io::zkWriteScene(scene.file, path, error)) << error;
    ASSERT_TRUE(Tam::Io::zkReadWholeFile(path, text, error));
    nlohmann::json doc = nlohmann::json::parse(text);
    ASSERT_EQ(doc["images"].size(), 1u);
    EXPECT_EQ(doc["images"][0]["uri"], "tex/rock%20face.png");
    EXPECT_FALSE(doc["images"][0].contains("bufferView"));
    EXPECT_TRUE(fs::exists(out.path / "tex" / "rock face.png"));
    EXPECT_FALSE(doc["asset"].contains("extras")) << doc["asset"].dump();
}

TEST(TextureStatistics, RowsShowAddressSizeDepthFormatBytesAndNameAndTheCountersCoverOneRun)
{
    PassHarness scene;
    auto wood = rgbaImage("c:/art/wood.tga", 256, 256);
    auto small = zkCreate<zkImage>();
    small->setName("small");
    const uint8_t rgb[12] = {};
    ASSERT_TRUE(small->load(rgb, ZK_GFX_TEXTURE_FORMAT_RGB_888_24, 2, 2));
    addTexture(scene, {wood, small});
    const auto address = [](const zkImage* i) {
        char text[16];
        std::snprintf(text, sizeof text, "%10x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(i)));
        return std::string(text);
    };
    const std::string smallRow = address(small) + "     2      2     3      5           12 small\n";
    const std::string total = "             Total Size: 262156 in 2 textures\n";

    auto stats = scene.pass<veskoTextureStatistics>();
    EXPECT_EQ(scene.run(stats), "WIDTH HEIGHT DEPTH FORMAT SIZE (bytes) NAME\n" + address(wood) +
                                    "   256    256     4      7       262144 wood.tga\n" + smallRow + total);
    EXPECT_EQ(stats->_iTextureTotalSize, 262156);
    EXPECT_EQ(stats->_iTextureCount, 2);

    stats->_useFullPath = true;
    EXPECT_EQ(scene.run(stats), "WIDTH HEIGHT DEPTH FORMAT SIZE (bytes) NAME\n" + address(wood) +
                                    "   256    256     4      7       262144 c:/art/wood.tga\n" + smallRow + total);
    EXPECT_EQ(stats->_iTextureTotalSize, 262156);
    EXPECT_EQ(stats->_iTextureCount, 2);
}
