// zkopt run, info and convert as a user runs them: configs, reports, exit statuses, files.
#include "DriverCase.h"

#include "host/io/SceneFile.h"
#include "host/zkhost.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

using namespace Tam::Core;
using namespace Tam::Sg;

using Case = DriverCase;

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

TEST(DriverRun, UnusedKeysAreWarningsInTheReportAndTheRunGoesOn)
{
    Case c("unused", "[pipeline]\npasses = veskoRemoveNodeFlags\n[veskoRemoveNodeFlags]\nflagsToRemove = 1\n");
    RunResult r = c.run();
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string warning = c.config + ":4: warning: [veskoRemoveNodeFlags] flagsToRemove was not used by any pass";
    EXPECT_NE(r.err.find("zkopt: " + warning + "\n"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(c.output));
    auto report = nlohmann::json::parse(readFile(c.report));
    EXPECT_EQ(report["warnings"], nlohmann::json::array({warning}));
    EXPECT_EQ(report["ok"], true);
    EXPECT_EQ(report["status"], 0);
    EXPECT_EQ(report["config"], c.config);
    EXPECT_EQ(report["output"], c.output);
    EXPECT_EQ(report["outputWritten"], true);
    EXPECT_EQ(report["error"], nullptr);
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
    EXPECT_EQ(report["status"], 1);
    EXPECT_EQ(report["outputWritten"], false);
    EXPECT_EQ(report["error"], "zkImageExternalVesko failed");
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
