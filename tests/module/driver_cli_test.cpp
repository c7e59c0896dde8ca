// The command line as people use it: help, version, options in any place, clear refusals; convert's
// image folder; the demo from an installed tree.
#include "DriverCase.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

TEST(DriverCli, VersionAndHelpForEachCommand)
{
    RunResult r = runZkopt({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "zkopt 0.1.0\n");

    for (const char* command : {"run", "list", "info", "convert", "demo"}) {
        RunResult help = runZkopt({"help", command});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("usage: zkopt ") + command, 0), 0u) << help.out;
        RunResult dashed = runZkopt({command, "--help"});
        EXPECT_EQ(dashed.status, 0);
        EXPECT_EQ(dashed.out, help.out) << command;
    }
    r = runZkopt({"help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: zkopt [--plugin PATH]... COMMAND", 0), 0u) << r.out;
    r = runZkopt({"help", "frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("zkopt: help: unknown command 'frobnicate'\n"), std::string::npos) << r.err;
}

TEST(DriverCli, OptionsMayFollowThePositionalArguments)
{
    DriverCase c("order", "[pipeline]\npasses = veskoRemoveNodeFlags\n");
    RunResult r = runZkopt({"run", c.input, "--report", c.report, c.output, "--config", c.config, "--verify-each"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(c.output));
    EXPECT_EQ(nlohmann::json::parse(readFile(c.report))["passes"][0]["verified"], true);

    const std::string images = c.folder + "/images";
    r = runZkopt({"convert", c.input, c.folder + "/again.zks.json", "--images", images});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_directory(images));
}

TEST(DriverCli, MistakesSayWhatIsWrong)
{
    DriverCase c("mistakes", "[pipeline]\npasses = veskoRemoveNodeFlags\n");
    struct Bad {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"run", c.input, c.output, "--config"}, "option --config needs a value"},
        {{"run", "--config", "--report", "r.json", c.input, c.output}, "option --config needs a value"},
        {{"run", "--config", c.config, c.input, ""}, "run: OUTPUT is empty"},
        {{"run", "--config", c.config, "", c.output}, "run: INPUT is empty"},
        {{"run", "--config", c.config, c.input}, "run needs INPUT OUTPUT, got 1 argument"},
        {{"run", c.input, c.output}, "run needs --config FILE"},
        {{"run", "--frob", c.input, c.output}, "unknown option '--frob' for run"},
        {{"list", "--yaml"}, "unknown option '--yaml' for list"},
        {{"list", "--json", "--markdown"}, "list: give --json or --markdown, not both"},
        {{"demo", "extra"}, "demo takes no arguments, got 1 argument"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"--plugin"}, "option --plugin needs a value"},
    };
    for (const Bad& bad : cases) {
        RunResult r = runZkopt(bad.args);
        EXPECT_EQ(r.status, 2) << bad.message;
        EXPECT_EQ(r.err.rfind("zkopt: " + bad.message + "\nusage: zkopt", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(c.output));
    EXPECT_FALSE(std::filesystem::exists(c.report)) << "no report before the command line is read";
}

TEST(DriverCli, ConvertChecksTheImageFolderBeforeWritingTheScene)
{
    DriverCase c("images", "");
    const std::string output = c.folder + "/scene.zks";
    RunResult r = runZkopt({"convert", "--images", c.config, c.input, output});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("zkopt: " + c.config + ": cannot create the folder (Not a directory)\n"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_EQ(r.out, "");
}

// cmake --install puts zkopt, its libraries and the examples where the installed zkopt looks; the
// tree still works once moved.
TEST(DriverCli, DemoRunsFromAnInstalledAndMovedTree)
{
    const std::string folder = scratchDirectory("install");
    RunResult install = runProgram("/usr/bin/env", {"cmake", "--install", ZK_BINARY_DIR, "--prefix", folder + "/first"});
    ASSERT_EQ(install.status, 0) << install.out << install.err;
    std::filesystem::rename(folder + "/first", folder + "/moved");
    const std::string work = folder + "/work";
    std::filesystem::create_directory(work);
    RunResult r = runProgram(folder + "/moved/bin/zkopt", {"demo", "--verify-each"}, work);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("zkopt demo: running " + folder + "/moved/share/zkopt/examples/demo.ini"), std::string::npos)
        << r.out;
    auto report = nlohmann::json::parse(readFile(work + "/zkopt-demo/demo.report.json"));
    EXPECT_EQ(report["ok"], true);
    EXPECT_TRUE(std::filesystem::exists(work + "/zkopt-demo/demo.out.zks.json"));
}
