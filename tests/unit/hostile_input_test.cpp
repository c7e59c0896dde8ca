// Inputs that lie about their size: images whose headers claim more pixels than their files hold,
// scenes whose shared nodes make every walk exponential, typed lists holding the wrong class, and
// what killed writers leave behind.
#include "host/core/zkInputLimits.h"
#include "host/gfx/ImageFile.h"
#include "host/gfx/Png.h"
#include "host/io/SceneFile.h"
#include "host/zkhost.h"
#include "tests/harness/TempFolder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <random>

using namespace Tam::Core;
using namespace Tam::Gfx;
using namespace Tam::Sg;
namespace fs = std::filesystem;

namespace {

// Sets limits for one test and puts the process's own back afterwards.
struct LimitsFor {
    explicit LimitsFor(uint64_t pixels, uint64_t objects = zkInputLimits{}.maxExpandedObjects)
    {
        zkSetInputLimits({pixels, objects});
    }
    ~LimitsFor() { zkSetInputLimits(saved); }
    zkInputLimits saved = zkGetInputLimits();
};

void putBig32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 3; i >= 0; --i) out.push_back(uint8_t(v >> (8 * i)));
}

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data)
{
    putBig32(png, uint32_t(data.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    putBig32(png, uint32_t(crc32(0, png.data() + start, uInt(png.size() - start))));
}

// An 8-bit RGBA PNG header claiming width x height, then payload as its image data.
std::vector<uint8_t> pngClaiming(uint32_t width, uint32_t height, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}, header;
    putBig32(header, width);
    putBig32(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", payload);
    chunk(png, "IEND", {});
    return png;
}

// Runs work in a child process of its own and answers how far the child's peak resident size
// rose above where it started: what work allocated and touched. -1 when work answered false.
double peakGrowthInChild(const std::function<bool()>& work)
{
    int channel[2];
    if (pipe(channel) != 0) return -2;
    const pid_t child = fork();
    if (child == 0) {
        long pages = 0, resident = 0;
        std::ifstream("/proc/self/statm") >> pages >> resident;
        const double before = double(resident) * double(sysconf(_SC_PAGESIZE));
        double grown = -1;
        if (work()) {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            grown = double(usage.ru_maxrss) * 1024 - before;
        }
        _exit(write(channel[1], &grown, sizeof grown) == sizeof grown ? 0 : 1);
    }
    close(channel[1]);
    double grown = -2;
    if (child < 0 || read(channel[0], &grown, sizeof grown) != sizeof grown) grown = -2;
    close(channel[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    return grown;
}

} // namespace

TEST(HostileInput, ImagesClaimingMoreThanTheirFilesHoldAreRefusedBeforeAllocating)
{
    PixelImage image;
    std::string error;
    // An 18-byte TGA header claiming 16384x16384 uncompressed texels.
    const uint8_t tga[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0x40, 32, 8};
    EXPECT_FALSE(decodeImageFile(tga, sizeof tga, image, &error));
    EXPECT_EQ(error, "16384x16384 is 268435456 pixels, more than the limit of 67108864 (zkopt --max-pixels raises it)");

    // With the limit raised, the files' own sizes still refuse them.
    LimitsFor raised(uint64_t(1) << 31);
    EXPECT_FALSE(decodeImageFile(tga, sizeof tga, image, &error));
    EXPECT_EQ(error, "16384x16384 is more than its 18 bytes can hold");
    // Uncompressed texels must all be there, however small the claim.
    uint8_t smallTga[18];
    std::copy(tga, tga + 18, smallTga);
    smallTga[13] = smallTga[15] = 0, smallTga[12] = smallTga[14] = 64;
    EXPECT_FALSE(decodeImageFile(smallTga, sizeof smallTga, image, &error));
    EXPECT_EQ(error, "64x64 is more than its 18 bytes can hold");
    // A 44-byte file that a general decoder takes for an 18505x1798 image.
    std::string pnm = "P6\n18505 1798\n255\n";
    pnm.resize(44, '\0');
    EXPECT_FALSE(decodeImageFile(reinterpret_cast<const uint8_t*>(pnm.data()), pnm.size(), image, &error));
    EXPECT_EQ(error, "18505x1798 is more than its 44 bytes can hold");

    // A 500 KB PNG that claims 32768x32768 RGBA texels (4 GiB).
    std::vector<uint8_t> noise(500000);
    std::mt19937 random(7);
    for (uint8_t& b : noise) b = uint8_t(random());
    const std::vector<uint8_t> png = pngClaiming(32768, 32768, noise);
    EXPECT_FALSE(decodePng(png.data(), png.size(), image, &error));
    EXPECT_EQ(error, "bad PNG: 32768x32768 is more than its " + std::to_string(png.size()) + " bytes can hold");
}

TEST(HostileInput, TruncatedPngCostsOnlyTheRowsItHolds)
{
    // 8192x8192 RGBA is within every bound for a file of this size, but the data holds 16 rows.
    LimitsFor raised(uint64_t(1) << 31);
    const size_t rowBytes = 8192 * 4 + 1;
    std::vector<uint8_t> rows(rowBytes * 16, 0);
    std::vector<uint8_t> packed(compressBound(uLong(rows.size())));
    uLongf packedSize = uLongf(packed.size());
    ASSERT_EQ(compress(packed.data(), &packedSize, rows.data(), uLong(rows.size())), Z_OK);
    packed.resize(packedSize);
    packed.resize(300000, 0); // padding, so that the file could back the claim
    const std::vector<uint8_t> png = pngClaiming(8192, 8192, packed);

    const double grown = peakGrowthInChild([&] {
        PixelImage image;
        std::string error;
        return !decodePng(png.data(), png.size(), image, &error) && error.rfind("bad PNG: ", 0) == 0;
    });
    EXPECT_GE(grown, 0) << "the truncated PNG was not refused";
    // The whole image would be 256 MiB.
    EXPECT_LT(grown, 32e6);
}

namespace {

// A scene whose groups each list the next group twice: 2^levels paths reach the last one.
zkSmartPointer<zkFileInfo> doublingScene(int levels)
{
    auto file = zkCreate<zkFileInfo>();
    auto scene = zkCreate<zkSceneInfo>();
    zkSmartPointer<zkGroup> below;
    for (int level = levels; level >= 0; --level) {
        auto group = zkCreate<zkGroup>();
        group->setName(("g" + std::to_string(level)).c_str());
        if (below) {
            group->appendChild(below);
            group->appendChild(below);
        }
        below = group;
    }
    scene->setRoot(below);
    file->getInfoList()->append(scene);
    return file;
}

} // namespace

TEST(HostileInput, SharedNodesAreCountedOncePerPathAndRefusedAboveTheLimit)
{
    Tam::Test::TempFolder folder;
    const fs::path& dir = folder.path();
    std::string error;
    // 60 levels: a walk would visit 2^61 - 1 groups (and the three objects above them); counting
    // them must not.
    const std::string deep = (dir / "deep.zks.json").string();
    ASSERT_TRUE(Tam::Io::zkWriteScene(doublingScene(60), deep, error)) << error;
    EXPECT_FALSE(Tam::Io::zkReadScene(deep, error));
    EXPECT_NE(error.find(deep + ": object "), std::string::npos) << error;
    EXPECT_NE(error.find(" (zkGroup): \"g1\" is shared: 2 references reach it by 2 paths, and the scene expands "
                         "to 2305843009213693954 objects counted once per path, more than the limit of "
                         "16777216 (zkopt --max-scene-objects raises it)"),
              std::string::npos)
        << error;

    // 10 levels expand to 2^11 - 1 groups and three objects above them.
    const std::string small = (dir / "small.zks").string();
    ASSERT_TRUE(Tam::Io::zkWriteScene(doublingScene(10), small, error)) << error;
    LimitsFor tight(zkInputLimits{}.maxImagePixels, 2049);
    EXPECT_FALSE(Tam::Io::zkReadScene(small, error));
    EXPECT_NE(error.find("expands to 2050 objects"), std::string::npos) << error;
}

TEST(HostileInput, TypedListsTakeOnlyItemsOfTheirClass)
{
    const std::string text = R"({"magic": "zk-scene", "version": 1, "objects": [
        {"id": 1, "class": "zkFileInfo", "fields": {"infos": 2}},
        {"id": 2, "class": "zkObjectList", "fields": {"items": [3]}},
        {"id": 3, "class": "zkAttrList", "fields": {"items": [4]}},
        {"id": 4, "class": "zkGroup", "fields": {"name": "g"}}]})";
    std::string error;
    EXPECT_FALSE(Tam::Io::zkDecodeScene(text, Tam::Io::zkSceneForm::Text, "list.zks.json", error));
    EXPECT_EQ(error, "list.zks.json: object 3 (zkAttrList), field items[0]: refers to object 4 (zkGroup), which is "
                     "not a zkAttr");
}

TEST(HostileInput, AtomicWritesClearWhatKilledWritersLeftAndPngsFollowTheUmask)
{
    Tam::Test::TempFolder folder;
    const fs::path& dir = folder.path();
    // A writer that is gone: a child that has exited and been reaped.
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const fs::path stale = dir / (".out.png.tmp-" + std::to_string(gone) + "-0");
    const fs::path live = dir / (".out.png.tmp-" + std::to_string(getppid()) + "-0");
    std::ofstream(stale) << "half";
    std::ofstream(live) << "still being written";

    PixelImage image;
    image.width = image.height = 1;
    image.stride = 4;
    image.pixels = {1, 2, 3, 255};
    const mode_t saved = umask(027);
    std::string error;
    const bool written = savePng(image, (dir / "out.png").string(), &error);
    umask(saved);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(fs::status(dir / "out.png").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
}

TEST(HostileInput, TextScenesAreReadInLittleMoreThanTheirOwnSize)
{
    // 1M floats: about 10 MB of text in one array, the shape of a large mesh's positions.
    auto file = zkCreate<zkFileInfo>();
    auto values = zkCreate<zkFloatList>();
    for (int i = 0; i < 1000000; ++i) values->append(float(i % 1000) * 0.37f - 100.0f);
    values->set(7, -std::numeric_limits<float>::infinity());
    file->getInfoList()->append(values);
    const std::string path = (fs::temp_directory_path() / ("zk_big_" + std::to_string(getpid()) + ".zks.json")).string();
    std::string error;
    ASSERT_TRUE(Tam::Io::zkWriteScene(file, path, error)) << error;
    const auto size = fs::file_size(path);
    values = nullptr;
    file = nullptr;

    const double grown = peakGrowthInChild([&] {
        std::string why;
        auto back = Tam::Io::zkReadScene(path, why);
        auto* list = back ? zkFloatList::dynamicCast(back->getInfoList()->get(0)) : nullptr;
        return list && list->getCount() == 1000000 && list->get(7) == -std::numeric_limits<float>::infinity() &&
               list->get(2999) == float(999) * 0.37f - 100.0f;
    });
    fs::remove(path);
    EXPECT_GE(grown, 0) << "the scene did not read back as written";
    // The document of JSON values this reader once built took over six times the file; the bound
    // leaves room for a sanitizer's allocator, which keeps freed blocks for a while.
    EXPECT_LT(grown, 3.0 * double(size));
}
