// Animation import over long captures: its cost must grow with the key count, not its square
// (an hour at 30 frames a second is 108000 keys per channel).
#include "host/io/AssimpImport.h"
#include "host/zkhost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A BVH capture of one joint with the given number of frames: a key per frame in every channel.
std::string capture(const fs::path& dir, int frames)
{
    const std::string path = (dir / ("capture" + std::to_string(frames) + ".bvh")).string();
    std::ofstream out(path);
    out << "HIERARCHY\nROOT hip\n{\n OFFSET 0 0 0\n CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation "
           "Yrotation\n End Site\n {\n  OFFSET 0 1 0\n }\n}\nMOTION\nFrames: "
        << frames << "\nFrame Time: 0.033333\n";
    for (int f = 0; f < frames; ++f) out << f % 7 << " 0 " << f % 5 << " " << f % 90 << " 0 0\n";
    return path;
}

double cpuSecondsToImport(const std::string& path)
{
    double best = 1e9;
    for (int round = 0; round < 2; ++round) {
        std::string error;
        const std::clock_t start = std::clock();
        auto file = Tam::Io::zkImportScene(path, error);
        best = std::min(best, double(std::clock() - start) / CLOCKS_PER_SEC);
        EXPECT_TRUE(file) << error;
    }
    return best;
}

} // namespace

TEST(AnimationImport, GrowsLinearlyWithTheKeyCount)
{
    const fs::path dir = fs::temp_directory_path() / ("zk_capture_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const double small = cpuSecondsToImport(capture(dir, 10000));
    const double large = cpuSecondsToImport(capture(dir, 80000));
    fs::remove_all(dir);
    // Eight times the keys: linear work takes about eight times as long, quadratic sixty-four.
    EXPECT_LT(large, 20 * std::max(small, 0.002)) << small << " s, then " << large << " s";
}
