// No exception leaves a pass: whatever a pass throws from whichever operation, zkopt names the pass
// and its section, exits with 1, writes the report and leaves the output alone. --verify-each names
// the pass after which the scene stopped being one a reader would accept.
#include "DriverCase.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace {

// The test pass library after the real one, so that pipelines mix both.
const std::vector<std::string> kBothLibraries = {"--plugin", ZK_MODULE_PATH, "--plugin", ZK_TEST_PASSES};

std::string throwingPipeline(int where, int what)
{
    return "[pipeline]\npasses = veskoRemoveNodeFlags zkThrowingTestPass:boom veskoRemoveNodeFlags:after\n"
           "[veskoRemoveNodeFlags]\n_flagsToRemove = 0x10\n_reportOnly = true\n"
           "[boom]\n_throwIn = " + std::to_string(where) + "\n_throwWhat = " + std::to_string(what) + "\n"
           "[after]\n_flagsToRemove = 0x1\n_reportOnly = true\n";
}

} // namespace

TEST(DriverGuard, AnExceptionFromAnyPassOperationEndsTheRunWithOneAndNamesThePass)
{
    struct Throw {
        int where, what;
        std::string message, printed;
    } cases[] = {
        {1, 0, "zkThrowingTestPass: internal error: thrown on purpose (section [boom], during configure)", ""},
        {2, 1, "zkThrowingTestPass: internal error: std::bad_alloc (section [boom], during apply)", ""},
        {3, 2, "zkThrowingTestPass: internal error: an exception that is not a std::exception (section [boom], during apply)",
         "dispatch root\n"},
        {4, 1, "zkThrowingTestPass: internal error: std::bad_alloc (section [boom], during apply)",
         "dispatch root\ndispatch child\n"},
    };
    for (const Throw& t : cases) {
        DriverCase c("throw", throwingPipeline(t.where, t.what));
        writeFile(c.output, "previous");
        RunResult r = c.run({}, kBothLibraries);
        EXPECT_EQ(r.status, 1) << t.message << "\n" << r.err;
        EXPECT_EQ(r.out, "zkGroup \"root\" matches (0x30)\n" + t.printed) << "the pass after never runs";
        EXPECT_NE(r.err.find("zkopt: " + t.message + "\n"), std::string::npos) << r.err;
        EXPECT_EQ(readFile(c.output), "previous");

        auto report = nlohmann::json::parse(readFile(c.report));
        EXPECT_EQ(report["status"], 1);
        EXPECT_EQ(report["ok"], false);
        EXPECT_EQ(report["outputWritten"], false);
        EXPECT_EQ(report["error"], t.message);
        ASSERT_EQ(report["passes"].size(), 2u);
        EXPECT_EQ(report["passes"][0]["applied"], true);
        EXPECT_EQ(report["passes"][1]["class"], "zkThrowingTestPass");
        EXPECT_EQ(report["passes"][1]["applied"], false);
        EXPECT_EQ(report["passes"][1]["configured"], t.where != 1);
        EXPECT_EQ(report["passes"][1]["error"], t.message);
        EXPECT_EQ(report["passes"][1]["output"], t.printed);
        EXPECT_EQ(report["passes"][1]["fields"]["_throwIn"], t.where);
    }
}

TEST(DriverGuard, APassThatThrowsNothingRunsAsAnyOther)
{
    DriverCase c("nothrow", throwingPipeline(0, 0));
    RunResult r = c.run({}, kBothLibraries);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "zkGroup \"root\" matches (0x30)\ndispatch root\ndispatch child\nzkGroup \"child\" matches (0x21)\n");
    EXPECT_EQ(nlohmann::json::parse(readFile(c.report))["ok"], true);
}

TEST(DriverGuard, TestPassesAreOnlyThereWhenTheirLibraryIsLoaded)
{
    DriverCase c("nolib", throwingPipeline(0, 0));
    RunResult r = c.run();
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.config + ":2: unknown pass 'zkThrowingTestPass'"), std::string::npos) << r.err;
    // A library that cannot be loaded is reported like any other failure of the run.
    r = c.run({}, {"--plugin", c.folder + "/none.so"});
    EXPECT_EQ(r.status, 2);
    auto report = nlohmann::json::parse(readFile(c.report));
    EXPECT_EQ(report["error"].get<std::string>().rfind("cannot load the pass library: " + c.folder + "/none.so", 0), 0u)
        << report["error"];
    EXPECT_EQ(report["ok"], false);
    // Nor does an exception from a library's registration escape.
    r = runProgram("/usr/bin/env", {"ZK_TEST_PASSES_REFUSE=1", ZK_ZKOPT_PATH, "--plugin", ZK_TEST_PASSES, "list"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, std::string("zkopt: ") + ZK_TEST_PASSES + ": the library's registration failed: refused on purpose\n");
    r = runZkopt({"--plugin", ZK_MODULE_PATH, "--plugin", ZK_TEST_PASSES, "list"});
    EXPECT_NE(r.out.find("\nzkThrowingTestPass : zkOptTraverseGraph\n"), std::string::npos);
    EXPECT_EQ(r.out.rfind("veskoTextureStatistics : zkOptVisitObject\n", 0), 0u) << "the real library comes first";
}

TEST(DriverGuard, VerifyEachNamesThePassAfterWhichTheSceneBroke)
{
    const std::string ini = "[pipeline]\npasses = veskoRemoveNodeFlags zkBreakSceneTestPass veskoRemoveNodeFlags:after\n"
                            "[after]\n_reportOnly = true\n_flagsToRemove = 0x20\n";
    DriverCase c("verify", ini);
    RunResult r = c.run({"--verify-each"}, kBothLibraries);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "") << "the pass after the break never runs";
    const std::string prefix = "the scene is inconsistent after zkBreakSceneTestPass: ";
    EXPECT_NE(r.err.find("zkopt: " + prefix), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(c.output));
    auto report = nlohmann::json::parse(readFile(c.report));
    EXPECT_EQ(report["status"], 1);
    EXPECT_EQ(report["error"].get<std::string>().rfind(prefix, 0), 0u) << report["error"];
    ASSERT_EQ(report["passes"].size(), 2u);
    EXPECT_EQ(report["passes"][0]["verified"], true);
    EXPECT_EQ(report["passes"][1]["verified"], false);

    // Unverified, the run goes on and the broken scene is refused only when it is written: exit 2,
    // and the report says the output was not written.
    r = c.run({}, kBothLibraries);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out, "zkGroup \"root\" matches (0x30)\nzkGroup \"child\" matches (0x21)\n");
    report = nlohmann::json::parse(readFile(c.report));
    EXPECT_EQ(report["status"], 2);
    EXPECT_EQ(report["ok"], false);
    EXPECT_EQ(report["outputWritten"], false);
    EXPECT_EQ(report["passes"].size(), 3u);
    EXPECT_FALSE(report["passes"][0].contains("verified"));
    EXPECT_FALSE(std::filesystem::exists(c.output));
}
