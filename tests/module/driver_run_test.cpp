// zkopt run, info and convert as a user runs them: configs, reports, exit statuses, files.
#include "Run.h"

#include "host/io/SceneFile.h"
#include "host/zkhost.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

using namespace Tam::Core;
using namespace Tam::Sg;

namespace {

// A scene of three groups with flags, saved where the test says.
std::string writeScene(const std::string& folder)
{
    auto file = zkCreate<zkFileInfo>();
    auto scene = zkCreate<zkSceneInfo>();
    auto root = zkCreate<zkGroup>();
    root->setName("root");
    root->setFlags(0x30);
    auto child = zkCreate<zkGroup>();
    child->setName("child");
    child->setFlags(0x21);
    root->appendChild(child);
    scene->setRoot(root);
    file->getInfoList()->append(scene);
    std::string path = folder + "/in.zks.json", error;
    EXPECT_TRUE(Tam::Io::zkWriteScene(file, path, error)) << error;
    return path;
}

struct Case {
    std::string folder, input, config, output, report;
    explicit Case(const std::string& name, const std::string& ini)
        : folder(scratchDirectory(name)), input(writeScene(folder)), config(folder + "/p.ini"),
          output(folder + "/out.zks"), report(folder + "/report.json")
    {
        writeFile(config, ini);
    }
    RunResult run() const { return runZkopt({"run", "--config", config, "--report", report, input, output}); }
};

} // namespace

TEST(DriverRun, RunsPassesInOrderWithFieldsFromTheirSectionsAndReportsThem)
{
    Case c("order", "[pipeline]\n"
                    "passes = veskoRemoveNodeFlags:report veskoRemoveNodeFlags\n"
                    "[report]\n_flagsToRemove = 0x20\n_reportOnly = true\n"
                    "[veskoRemoveNodeFlags]\n_flagsToRemove = 32\n");
    RunResult r = c.run();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "zkGroup \"root\" matches (0x30)\nzkGroup \"child\" matches (0x21)\n");

    auto report = nlohmann::json::parse(readFile(c.report));
    EXPECT_EQ(report["ok"], true);
    EXPECT_EQ(report["input"], c.input);
    ASSERT_EQ(report["passes"].size(), 2u);
    const auto& first = report["passes"][0];
    EXPECT_EQ(first["class"], "veskoRemoveNodeFlags");
    EXPECT_EQ(first["section"], "report");
    EXPECT_EQ(first["configured"], true);
    EXPECT_EQ(first["applied"], true);
    EXPECT_TRUE(first["seconds"].is_number());
    EXPECT_EQ(first["output"], "zkGroup \"root\" matches (0x30)\nzkGroup \"child\" matches (0x21)\n");
    EXPECT_EQ(first["fields"], nlohmann::json::parse(R"({"_flagsToRemove": 32, "_reportOnly": true})"));
    EXPECT_EQ(report["passes"][1]["section"], "veskoRemoveNodeFlags");

    RunResult info = runZkopt({"info", c.output});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("zkGroup \"root\" flags 0x10\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("zkGroup \"child\" flags 0x01\n"), std::string::npos) << info.out;
}

TEST(DriverRun, ConfigMistakesNameTheFileAndLineAndExitWithTwo)
{
    struct Bad {
        const char* ini;
        const char* message;
    } cases[] = {
        {"[pipeline]\npasses = zkWeldVesko zkStripVesk\n", "p.ini:2: unknown pass 'zkStripVesk'"},
        {"[pipeline]\npasses = zkWeldVesko:fast\n", "p.ini:2: no section [fast] for 'zkWeldVesko:fast'"},
        {"[pipeline]\npasses = zkWeldVesko\n[zkWeldVesko]\n_weldVerts = maybe\n",
         "p.ini:4: zkWeldVesko._weldVerts: expected true or false, got 'maybe'"},
        {"[pipeline]\npasses = zkUseMipmapVesko\n[zkUseMipmapVesko]\n_minFilter = Blurry\n",
         "p.ini:4: zkUseMipmapVesko._minFilter: expected a number or one of Nearest Linear NearestMipmapNearest "
         "NearestMipmapLinear LinearMipmapNearest LinearMipmapLinear, got 'Blurry'"},
        {"[pipeline]\nsteps = zkWeldVesko\n", "p.ini:1: [pipeline] has no 'passes' key"},
        {"[pipeline]\npasses = zkWeldVesko\ndrive.XY = /tmp\n", "p.ini:3: expected 'drive.X = folder', got 'drive.XY = /tmp'"},
        {"passes = x\n", "p.ini:1: key 'passes' before any [section]"},
    };
    for (const Bad& bad : cases) {
        Case c("bad", bad.ini);
        RunResult r = c.run();
        EXPECT_EQ(r.status, 2) << bad.ini;
        EXPECT_NE(r.err.find(c.folder + "/" + bad.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(c.output));
    }
}

TEST(DriverRun, UnusedKeysAreWarningsAndTheRunGoesOn)
{
    Case c("unused", "[pipeline]\npasses = veskoRemoveNodeFlags\n[veskoRemoveNodeFlags]\n_flagsToRemvoe = 1\n");
    RunResult r = c.run();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(c.config + ":4: warning: [veskoRemoveNodeFlags] _flagsToRemvoe was not used by any pass"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(std::filesystem::exists(c.output));
}

TEST(DriverRun, AFailingPassExitsWithOneAndLeavesTheOutputUnwritten)
{
    Case c("fail", "[pipeline]\npasses = veskoRemoveNodeFlags zkImageExternalVesko veskoRemoveNodeFlags:never\n"
                   "[zkImageExternalVesko]\n_imageSubDirectory = no/such/folder\n[never]\n");
    writeFile(c.output, "previous");
    RunResult r = c.run();
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "ERROR: The directory no/such/folder does not exist\n");
    EXPECT_EQ(readFile(c.output), "previous");
    auto report = nlohmann::json::parse(readFile(c.report));
    EXPECT_EQ(report["ok"], false);
    ASSERT_EQ(report["passes"].size(), 2u);
    EXPECT_EQ(report["passes"][1]["configured"], false);
    EXPECT_EQ(report["passes"][1]["applied"], false);
}

TEST(DriverRun, BadInputFilesExitWithTwoAndNameTheFile)
{
    Case c("input", "[pipeline]\npasses = veskoRemoveNodeFlags\n");
    writeFile(c.input, "{ not a scene");
    RunResult r = c.run();
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.input), std::string::npos) << r.err;
    EXPECT_EQ(runZkopt({"info", c.folder + "/missing.zks"}).status, 2);
    EXPECT_EQ(runZkopt({"run", "--config", c.config, c.input}).status, 2);
}

TEST(DriverRun, ConvertBetweenTheTwoFormsKeepsTheScene)
{
    Case c("convert", "[pipeline]\npasses = veskoRemoveNodeFlags\n");
    std::string binary = c.folder + "/scene.zks", text = c.folder + "/again.zks.json";
    ASSERT_EQ(runZkopt({"convert", c.input, binary}).status, 0);
    ASSERT_EQ(runZkopt({"convert", binary, text}).status, 0);
    EXPECT_EQ(readFile(text), readFile(c.input));
}

TEST(DriverRun, DemoPipelineBuildsAHullThatTheOutputCarries)
{
    std::string folder = scratchDirectory("demo");
    std::string examples = ZK_FIXTURES "/../../examples";
    std::string output = folder + "/sample.out.zks";
    RunResult r = runZkopt({"run", "--config", examples + "/demo.ini", examples + "/sample.zks.json", output});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("clip flags Found 2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Found Invisable node: ledge_clip\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Stripping: Triangles "), std::string::npos);

    RunResult info = runZkopt({"info", output});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("] zkCollideHull \"\"\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("      _mNumTriangles = "), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find("ledge_clip"), std::string::npos) << "collision-only nodes leave the scene";
    EXPECT_NE(info.out.find("textures/hero_diffuse.tga"), std::string::npos) << "images are listed";
}
