// zkopt run --out-dir (one worker per scene) and zkopt ninja, as a pipeline engineer runs them.
#include "DriverCase.h"

#include "host/io/SceneFile.h"
#include "host/zkhost.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kCourtyard = std::string(ZK_PASS_CASES) + "/zkDeinstanceGeometryVesko/scene.zks.json";
const std::string kPoster = std::string(ZK_PASS_CASES) + "/veskoNTSCFilter/scene.zks.json";

void copyTo(const std::string& from, const fs::path& to)
{
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// Every file under folder, by its path there.
std::vector<std::string> filesUnder(const fs::path& folder)
{
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (!e.is_directory()) files.push_back(e.path().lexically_relative(folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

bool readsBack(const std::string& path)
{
    std::string error;
    return Tam::Io::zkReadScene(path, error).get() != nullptr;
}

} // namespace

TEST(Batch, GoodBrokenAndFailingScenesGiveTheirOutcomesSummaryAndReport)
{
    const std::string dir = scratchDirectory("batch_outcomes");
    const std::string in = dir + "/in", out = dir + "/out", report = dir + "/report.json", config = dir + "/p.ini";
    const std::string scene = writeFlagScene(dir);
    copyTo(scene, in + "/ok/scene.zks.json");
    copyTo(scene, in + "/bad/scene.zks.json");
    writeFile(in + "/broken.zks.json", "{");
    writeFile(in + "/notes.txt", "not a scene");
    // The image folder is taken beside each output: there for "ok", missing for "bad".
    writeFile(config, "[pipeline]\npasses = veskoRemoveNodeFlags zkImageExternalVesko\n"
                      "[veskoRemoveNodeFlags]\n_flagsToRemove = 0x20\n[zkImageExternalVesko]\n_imageSubDirectory = imgs\n");
    fs::create_directories(out + "/ok/imgs");

    RunResult r = runZkopt({"run", "--config", config, "--out-dir", out, "--jobs", "2", "--report", report, in});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(filesUnder(out), (std::vector<std::string>{"ok/scene.zks"}));
    EXPECT_TRUE(readsBack(out + "/ok/scene.zks"));
    EXPECT_NE(r.out.find("zkopt: 3 scenes in "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 written, 1 failed, 1 refused, 0 skipped\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("failed:\n  " + in + "/bad/scene.zks.json: zkImageExternalVesko failed\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("refused:\n  " + in + "/broken.zks.json: "), std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find(in + "/broken.zks.json: " + in), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("zkopt: failed: " + in + "/bad/scene.zks.json: zkImageExternalVesko failed\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("time per pass class, all scenes:\n"), std::string::npos) << r.out;

    auto json = nlohmann::json::parse(readFile(report));
    EXPECT_EQ(json["status"], 2);
    EXPECT_EQ(json["summary"]["written"], 1);
    EXPECT_EQ(json["summary"]["failed"], 1);
    EXPECT_EQ(json["summary"]["refused"], 1);
    ASSERT_EQ(json["scenes"].size(), 3u);
    // Sorted by path: bad, broken, ok; each with the report its own run wrote.
    EXPECT_EQ(json["scenes"][0]["result"], "failed");
    EXPECT_EQ(json["scenes"][0]["report"]["passes"][1]["configured"], false);
    EXPECT_EQ(json["scenes"][1]["result"], "refused");
    EXPECT_EQ(json["scenes"][2]["result"], "written");
    EXPECT_EQ(json["scenes"][2]["output"], out + "/ok/scene.zks");
    EXPECT_EQ(json["scenes"][2]["report"]["passes"].size(), 2u);
    EXPECT_EQ(json["summary"]["passSeconds"].size(), 2u);

    // Without the refused file a failure is status 1, and all written is 0.
    EXPECT_EQ(runZkopt({"run", "--config", config, "--out-dir", out + "/bad", in + "/bad"}).status, 1);
    EXPECT_EQ(runZkopt({"run", "--config", config, "--out-dir", out + "/ok", in + "/ok/scene.zks.json"}).status, 0);
    // Two inputs that would write one output are refused before anything runs.
    copyTo(scene, dir + "/again/in.zks.json");
    RunResult twice = runZkopt({"run", "--config", config, "--out-dir", dir + "/none", scene, dir + "/again/in.zks.json"});
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.err.find("would both write " + dir + "/none/in.zks"), std::string::npos) << twice.err;
    // A config mistake stops the batch before any scene, naming the file and line.
    writeFile(config, "[pipeline]\npasses = zkNoSuchPass\n");
    RunResult bad = runZkopt({"run", "--config", config, "--out-dir", dir + "/none", in});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find(config + ":2: "), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists(dir + "/none"));
}

TEST(Batch, OutputsEqualOneRunPerSceneByteForByte)
{
    // De-instancing numbers its copies with a process-wide counter and the colour filter switches
    // the process to PAL: a second scene run in the same process would come out differently.
    const std::string dir = scratchDirectory("batch_identical");
    const std::string in = dir + "/in", config = dir + "/p.ini";
    copyTo(kCourtyard, in + "/a/courtyard.zks.json");
    copyTo(kCourtyard, in + "/b/courtyard.zks.json");
    copyTo(kPoster, in + "/poster.zks.json");
    writeFile(config, "[pipeline]\npasses = veskoNTSCFilter zkDeinstanceGeometryVesko\n[veskoNTSCFilter]\n_ntsc = false\n"
                      "[zkDeinstanceGeometryVesko]\n");
    RunResult batch = runZkopt({"run", "--config", config, "--out-dir", dir + "/batch", "--jobs", "1", in});
    ASSERT_EQ(batch.status, 0) << batch.err << batch.out;
    for (const std::string scene : {"a/courtyard", "b/courtyard", "poster"}) {
        const std::string single = dir + "/single/" + scene + ".zks";
        fs::create_directories(fs::path(single).parent_path());
        RunResult one = runZkopt({"run", "--config", config, in + "/" + scene + ".zks.json", single});
        ASSERT_EQ(one.status, 0) << one.err;
        EXPECT_EQ(readFile(dir + "/batch/" + scene + ".zks"), readFile(single)) << scene;
    }
}

TEST(Batch, InterruptStopsTheWorkersAndLeavesOnlyWholeOutputs)
{
    const std::string dir = scratchDirectory("batch_interrupt");
    const std::string in = dir + "/in", out = dir + "/out", config = dir + "/p.ini";
    const int scenes = 40;
    for (int i = 0; i < scenes; ++i) copyTo(kCourtyard, in + "/s" + std::to_string(100 + i) + ".zks.json");
    writeFile(config, "[pipeline]\npasses = zkDeinstanceGeometryVesko veskoReinstanceGeometry\n");
    const std::string log = dir + "/stdout";
    pid_t pid = fork();
    if (pid == 0) {
        // A process group of its own, as a shell gives a command, for Ctrl-C to reach it whole.
        setpgid(0, 0);
        if (!std::freopen(log.c_str(), "w", stdout) || !std::freopen((dir + "/stderr").c_str(), "w", stderr)) _exit(127);
        execl(ZK_ZKOPT_PATH, ZK_ZKOPT_PATH, "run", "--config", config.c_str(), "--out-dir", out.c_str(), "--jobs", "2",
              in.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    setpgid(pid, pid);
    auto written = [&] {
        std::size_t n = 0;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(out, ec))
            n += e.path().extension() == ".zks";
        return n;
    };
    for (int wait = 0; wait < 1000 && written() < 4; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(kill(-pid, SIGINT), 0);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130) << readFile(dir + "/stderr");

    // Every file left is a whole scene; no temporary or work file stays behind.
    std::vector<std::string> left = filesUnder(out);
    for (const std::string& file : left) {
        EXPECT_EQ(fs::path(file).extension(), ".zks") << file;
        EXPECT_TRUE(readsBack(out + "/" + file)) << file;
    }
    EXPECT_GE(left.size(), 4u);
    EXPECT_LT(left.size(), std::size_t(scenes));
    const std::string said = readFile(log);
    EXPECT_NE(said.find("zkopt: interrupted: 40 scenes in "), std::string::npos) << said;
    EXPECT_NE(said.find(": " + std::to_string(left.size()) + " written, 0 failed, 0 refused, " +
                        std::to_string(scenes - left.size()) + " skipped\n"),
              std::string::npos)
        << said;
}

TEST(Batch, NinjaBuildsEveryScenesAndRebuildsExactlyWhatChanged)
{
    if (!fs::exists("/usr/bin/ninja")) GTEST_SKIP() << "ninja is missing: scripts/setup installs ninja-build";
    const std::string dir = scratchDirectory("batch_ninja");
    const std::string in = dir + "/in", out = dir + "/out", config = dir + "/p.ini", list = dir + "/images.txt";
    copyTo(writeFlagScene(dir), in + "/flags.zks.json");
    writeFile(in + "/crate.obj", "mtllib crate.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n"
                                 "usemtl wood\nf 1/1 2/2 3/3\n");
    writeFile(in + "/crate.mtl", "newmtl wood\nKd 1 1 1\nmap_Kd textures/crate.png\n");
    fs::create_directories(in + "/textures");
    writeFile(in + "/textures/crate.png", "not decoded by this test");
    writeFile(list, "crate.png\n");
    writeFile(config, "[pipeline]\npasses = zkWeldVesko zkQuantizeVesko\n[zkQuantizeVesko]\nimageListFilename = " + list +
                          "\nisExclude = exclude\n");

    RunResult made = runZkopt({"ninja", "--config", config, "--out-dir", out, in});
    ASSERT_EQ(made.status, 0) << made.err;
    RunResult first = runProgram("/usr/bin/ninja", {"-C", out});
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_TRUE(readsBack(out + "/crate.obj.zks"));
    EXPECT_TRUE(readsBack(out + "/flags.zks"));

    // What the depfile listed, as Ninja keeps it.
    RunResult deps = runProgram("/usr/bin/ninja", {"-C", out, "-t", "deps", "crate.obj.zks"});
    for (const std::string& file : {in + "/crate.obj", in + "/crate.mtl", in + "/textures/crate.png", config, list})
        EXPECT_NE(deps.out.find("    " + file + "\n"), std::string::npos) << file << "\n" << deps.out;
    EXPECT_NE(deps.out.find("libZKOptExtensionVesko.so\n"), std::string::npos) << deps.out;

    RunResult again = runProgram("/usr/bin/ninja", {"-C", out});
    EXPECT_NE(again.out.find("ninja: no work to do."), std::string::npos) << again.out;

    // A texture newer than the output reruns that one scene.
    fs::last_write_time(in + "/textures/crate.png", fs::file_time_type::clock::now() + std::chrono::seconds(5));
    RunResult changed = runProgram("/usr/bin/ninja", {"-C", out});
    EXPECT_EQ(changed.status, 0);
    EXPECT_NE(changed.out.find("[1/1] zkopt " + in + "/crate.obj"), std::string::npos) << changed.out;
}

// The options that bound an import reach every scene's zkopt, in a batch and in Ninja's edges: a
// hanging import is cut at the second given, not at the default two minutes.
TEST(Batch, WorkersAndNinjaEdgesGetTheImportOptions)
{
    const std::string dir = scratchDirectory("batch_forwarded"), config = dir + "/p.ini";
    copyTo(std::string(ZK_FIXTURES) + "/import/assimp-loop.ply", dir + "/in/loop.ply");
    writeFile(config, "[pipeline]\npasses = zkWeldVesko\n");
    RunResult batch = runZkopt({"run", "--config", config, "--out-dir", dir + "/out", "--import-timeout", "1", dir + "/in"});
    EXPECT_EQ(batch.status, 2) << batch.err;
    EXPECT_NE(batch.out.find("loop.ply: the importer did not finish in 1 s"), std::string::npos) << batch.out;

    if (!fs::exists("/usr/bin/ninja")) GTEST_SKIP() << "ninja is missing: scripts/setup installs ninja-build";
    ASSERT_EQ(runZkopt({"ninja", "--config", config, "--out-dir", dir + "/nj", "--import-timeout", "1", dir + "/in"}).status, 0);
    RunResult ninja = runProgram("/usr/bin/ninja", {"-C", dir + "/nj"});
    EXPECT_NE(ninja.status, 0);
    EXPECT_NE((ninja.out + ninja.err).find("did not finish in 1 s"), std::string::npos) << ninja.out << ninja.err;
}
