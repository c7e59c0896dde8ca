// zkopt given inputs a user would not mean or an attacker would: FIFOs and folders for files,
// repeated config keys, names with control characters, images that cannot be written, and
// scenes over the limits its options set.
#include "DriverCase.h"

#include "host/io/SceneFile.h"
#include "host/zkhost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(HostileInputRun, InputsThatAreNoRegularFilesAreRefusedAtOnce)
{
    DriverCase c("nonregular", "[pipeline]\npasses = veskoRemoveNodeFlags\n");
    const std::string fifo = c.folder + "/pipe.zks.json", fifoObj = c.folder + "/pipe.obj";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(fifoObj.c_str(), 0600), 0);
    // Reading any of these as a file would block for ever or read nothing.
    for (const std::string& input : {fifo, fifoObj}) {
        RunResult r = runZkopt({"info", input});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "zkopt: " + input + ": cannot read (not a regular file)\n");
    }
    RunResult r = runZkopt({"run", "--config", fifo, c.input, c.output});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("zkopt: " + fifo + ": cannot read (not a regular file)\n"), std::string::npos) << r.err;
}

TEST(HostileInputRun, TheLastOfARepeatedKeyIsTheOneChecked)
{
    DriverCase fixed("lastwins", "[pipeline]\npasses = veskoRemoveNodeFlags\n[veskoRemoveNodeFlags]\n"
                                 "_flagsToRemove = lots\n_flagsToRemove = 0x20\n");
    RunResult r = fixed.run();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
}

TEST(HostileInputRun, ControlCharactersInNamesAreEscapedAndConvertKeepsNoSceneWithoutItsImages)
{
    const std::string folder = scratchDirectory("controlnames");
    auto file = Tam::Core::zkCreate<Tam::Sg::zkFileInfo>();
    auto image = Tam::Core::zkCreate<Tam::Gfx::zkImage>();
    Tam::Gfx::PixelImage pixels;
    pixels.width = pixels.height = 1;
    pixels.stride = 4;
    pixels.pixels = {1, 2, 3, 255};
    ASSERT_TRUE(image->setPixelImage(pixels));
    image->setName("wall\x1b[2J\n.tga");
    file->getInfoList()->append(image);
    const std::string input = folder + "/in.zks";
    std::string why;
    ASSERT_TRUE(Tam::Io::zkWriteScene(file, input, why)) << why;

    RunResult r = runZkopt({"info", input});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"wall\\u001b[2J\\n.tga\""), std::string::npos) << r.out;

    // The image's file cannot be made (a folder holds its name): no scene is written either.
    const std::string images = folder + "/images", output = folder + "/out.zks.json";
    fs::create_directories(images + "/0_wall_[2J_.png");
    r = runZkopt({"convert", "--images", images, input, output});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("zkopt: image \"wall\\u001b[2J\\n.tga\": "), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(output));
}

TEST(HostileInputRun, LimitOptionsApplyToEveryCommandThatReads)
{
    DriverCase c("limits", "[pipeline]\npasses = veskoRemoveNodeFlags\n");
    // The scene: the file object, its info list, the scene info and two groups.
    RunResult r = runZkopt({"info", "--max-scene-objects", "4", c.input});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zkopt: " + c.input + ": object 1 (zkFileInfo): the scene expands to 5 objects counted once "
                     "per path, more than the limit of 4 (zkopt --max-scene-objects raises it)\n");
    r = c.run({"--max-scene-objects", "5"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = c.run({}, {"--max-pixels", "0"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("zkopt: option --max-pixels needs a positive whole number, not '0'\n"), std::string::npos)
        << r.err;
}
