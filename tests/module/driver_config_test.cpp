// zkopt run checks the whole pipeline before the first pass runs: every mistake names the file and
// line, exits with 2, prints nothing of any pass and writes no output, but does write the report.
#include "DriverCase.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace {

const char* const kFilterNames = "expected one of Nearest=0 Linear=1 NearestMipmapNearest=2 NearestMipmapLinear=3 "
                                 "LinearMipmapNearest=4 LinearMipmapLinear=5, got ";

// A config whose first pass would print a line for each node, then the lines given.
std::string afterAPrintingPass(const std::string& passes, const std::string& rest)
{
    return "[pipeline]\npasses = veskoRemoveNodeFlags:show " + passes + "\n[show]\n_flagsToRemove = 0x20\n_reportOnly = true\n" +
           rest;
}

void expectRefused(const std::string& ini, const std::string& message)
{
    DriverCase c("refused", ini);
    writeFile(c.output, "previous");
    RunResult r = c.run();
    EXPECT_EQ(r.status, 2) << ini;
    EXPECT_EQ(r.out, "") << "no pass may run: " << ini;
    EXPECT_NE(r.err.find("zkopt: " + message + "\n"), std::string::npos) << "expected: " << message << "\ngot:\n" << r.err;
    EXPECT_EQ(readFile(c.output), "previous");
    auto report = nlohmann::json::parse(readFile(c.report));
    EXPECT_EQ(report["status"], 2);
    EXPECT_EQ(report["ok"], false);
    EXPECT_EQ(report["outputWritten"], false);
    EXPECT_EQ(report["error"], message);
    EXPECT_EQ(report["passes"], nlohmann::json::array());
}

} // namespace

TEST(DriverConfig, PassNamesAreThePassesThatListShows)
{
    const std::string at = scratchDirectory("refused") + "/p.ini:2: ";
    expectRefused("[pipeline]\npasses = zkWeldVesko zkStripVesk\n", at + "unknown pass 'zkStripVesk'");
    // Host classes are passes to the host, not to a pipeline.
    expectRefused("[pipeline]\npasses = zkWeldVesko zkResizeImage\n", at + "unknown pass 'zkResizeImage'");
    expectRefused("[pipeline]\npasses = zkOptBase\n", at + "unknown pass 'zkOptBase'");
    expectRefused("[pipeline]\npasses = zkGroup\n", at + "unknown pass 'zkGroup'");
    expectRefused("[pipeline]\npasses = zkWeldVesko:fast\n", at + "no section [fast] for 'zkWeldVesko:fast'");
    expectRefused("[pipeline]\npasses = zkWeldVesko:\n", at + "empty settings label in 'zkWeldVesko:'");
}

TEST(DriverConfig, SectionsAndFieldKeysMustBelongToAPassOfThePipeline)
{
    const std::string file = scratchDirectory("refused") + "/p.ini:";
    expectRefused(afterAPrintingPass("zkWeldVesko", "[zkWledVesko]\n_weldVerts = true\n"),
                  file + "6: section [zkWledVesko] is the settings of no pass in the pipeline");
    expectRefused(afterAPrintingPass("zkWeldVesko", "[zkWeldVesko]\n_wledVerts = true\n"),
                  file + "7: [zkWeldVesko] _wledVerts: no such field in zkWeldVesko");
    expectRefused(afterAPrintingPass("zkStripVesko", "[zkStripVesko]\n_totalTriangles = 5\n"),
                  file + "7: zkStripVesko._totalTriangles: a counter that the pass reads back; a config cannot set it");
}

TEST(DriverConfig, EveryFieldValueIsCheckedAgainstItsKindAndRange)
{
    struct Bad {
        const char* pass;
        const char* key;
        const char* value;
        std::string why;
    } cases[] = {
        {"zkWeldVesko", "_weldVerts", "maybe", "expected true or false, got 'maybe'"},
        {"veskoRemoveNodeFlags", "_flagsToRemove", "2147483648", "'2147483648' does not fit the field (-2147483648 to 2147483647)"},
        {"veskoRemoveNodeFlags", "_flagsToRemove", "0x80000000", "'0x80000000' does not fit the field (-2147483648 to 2147483647)"},
        {"veskoRemoveNodeFlags", "_flagsToRemove", "99999999999999999999", "'99999999999999999999' does not fit the field (-2147483648 to 2147483647)"},
        {"veskoRemoveNodeFlags", "_flagsToRemove", "12abc", "expected an integer, got '12abc'"},
        {"zkReduceBlendWeightsWeldVesko", "_blendWeightCount", "-1", "'-1' does not fit the field (0 to 4294967295)"},
        {"zkReduceBlendWeightsWeldVesko", "_blendWeightCount", "4294967296", "'4294967296' does not fit the field (0 to 4294967295)"},
        {"zkReduceBlendWeightsWeldVesko", "_blendWeightMin", "nan", "expected a finite number, got 'nan'"},
        {"zkReduceBlendWeightsWeldVesko", "_blendWeightMin", "-inf", "expected a finite number, got '-inf'"},
        {"zkReduceBlendWeightsWeldVesko", "_blendWeightMin", "1e39", "'1e39' does not fit a float (largest 3.4028235e+38)"},
        {"zkReduceBlendWeightsWeldVesko", "_blendWeightMin", "0.5.1", "expected a number, got '0.5.1'"},
        {"zkUseMipmapVesko", "_minFilter", "9", std::string(kFilterNames) + "'9'"},
        {"zkUseMipmapVesko", "_minFilter", "-1", std::string(kFilterNames) + "'-1'"},
        {"zkUseMipmapVesko", "_magFilter", "Blurry", std::string(kFilterNames) + "'Blurry'"},
    };
    const std::string file = scratchDirectory("refused") + "/p.ini:7: ";
    for (const Bad& bad : cases)
        expectRefused(afterAPrintingPass(bad.pass, std::string("[") + bad.pass + "]\n" + bad.key + " = " + bad.value + "\n"),
                      file + bad.pass + "." + bad.key + ": " + bad.why);
}

TEST(DriverConfig, GoodValuesOfEveryKindAreTaken)
{
    DriverCase c("good", afterAPrintingPass("zkUseMipmapVesko zkReduceBlendWeightsWeldVesko",
                                            "[zkUseMipmapVesko]\n_minFilter = 5\n_magFilter = Nearest\n"
                                            "[zkReduceBlendWeightsWeldVesko]\n_blendWeightCount = 0x4\n"
                                            "_blendWeightMin = 1e-3\n_weldVerts = off\n"));
    RunResult r = c.run();
    ASSERT_EQ(r.status, 0) << r.err;
    auto report = nlohmann::json::parse(readFile(c.report));
    EXPECT_EQ(report["passes"][1]["fields"]["_minFilter"], 5);
    EXPECT_EQ(report["passes"][1]["fields"]["_magFilter"], 0);
    EXPECT_EQ(report["passes"][2]["fields"]["_blendWeightCount"], 4);
    EXPECT_EQ(report["passes"][2]["fields"]["_blendWeightMin"], 0.001);
    EXPECT_EQ(report["passes"][2]["fields"]["_weldVerts"], false);
}

TEST(DriverConfig, DriveFoldersMustExist)
{
    const std::string folder = scratchDirectory("refused");
    expectRefused("[pipeline]\npasses = zkWeldVesko\ndrive.X = /no/such/folder\n",
                  folder + "/p.ini:3: drive.X: /no/such/folder: not a folder (No such file or directory)");
    expectRefused("[pipeline]\npasses = zkWeldVesko\ndrive.X = " + folder + "/p.ini\n",
                  folder + "/p.ini:3: drive.X: " + folder + "/p.ini: not a folder (Not a directory)");
    expectRefused("[pipeline]\npasses = zkWeldVesko\ndrive.XY = /tmp\n",
                  folder + "/p.ini:3: expected 'drive.X = folder', got 'drive.XY = /tmp'");
}

TEST(DriverConfig, SyntaxMistakesAndUnreadableConfigs)
{
    const std::string folder = scratchDirectory("refused");
    expectRefused("passes = x\n", folder + "/p.ini:1: key 'passes' before any [section]");
    expectRefused("[pipeline]\nsteps = zkWeldVesko\n", folder + "/p.ini:1: [pipeline] has no 'passes' key");
    expectRefused("[pipeline\npasses = zkWeldVesko\n", folder + "/p.ini:1: malformed section header '[pipeline'");

    DriverCase c("unreadable", "");
    std::filesystem::remove(c.config);
    std::filesystem::create_directory(c.config);
    RunResult r = c.run();
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("zkopt: " + c.config + ": cannot read (Is a directory)\n"), std::string::npos) << r.err;
    EXPECT_EQ(nlohmann::json::parse(readFile(c.report))["error"], c.config + ": cannot read (Is a directory)");
    std::filesystem::remove(c.config);
    r = c.run();
    EXPECT_NE(r.err.find("zkopt: " + c.config + ": cannot read (No such file or directory)\n"), std::string::npos) << r.err;
}

TEST(DriverConfig, CommentsFollowWhiteSpaceAndAByteOrderMarkIsSkipped)
{
    const std::string drive = scratchDirectory("comment-drive");
    DriverCase c("comments", "\xEF\xBB\xBF[pipeline] ; the passes\n"
                             "passes = veskoRemoveNodeFlags zkImageExternalVesko # then the images\n"
                             "drive.X = " + drive + " ; logs\n"
                             "[veskoRemoveNodeFlags]\n"
                             "_flagsToRemove = 0x20\t; invisible\n"
                             "_reportOnly = true;not a comment\n"
                             "[zkImageExternalVesko]\n"
                             "  # indented comment\n"
                             "_imageSubDirectory = images#1;2 ; where they go\n");
    std::filesystem::create_directory(c.folder + "/images#1;2");
    RunResult r = c.run();
    // "true;not" is one word, so the bool is refused: ';' inside a word is no comment.
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.config + ":6: veskoRemoveNodeFlags._reportOnly: expected true or false, got 'true;not a comment'"),
              std::string::npos)
        << r.err;

    writeFile(c.config, readFile(c.config).replace(readFile(c.config).find(";not a comment"), 14, ""));
    r = c.run();
    ASSERT_EQ(r.status, 0) << r.err;
    auto report = nlohmann::json::parse(readFile(c.report));
    EXPECT_EQ(report["warnings"], nlohmann::json::array());
    EXPECT_EQ(report["passes"][0]["fields"]["_flagsToRemove"], 32);
    EXPECT_EQ(report["passes"][1]["fields"]["_imageSubDirectory"], "images#1;2");
    EXPECT_EQ(r.out, "zkGroup \"root\" matches (0x30)\nzkGroup \"child\" matches (0x21)\n");
}

TEST(DriverConfig, TheOutputAndReportPlacesAreCheckedBeforeAnyPassRuns)
{
    DriverCase c("places", afterAPrintingPass("", ""));
    auto runTo = [&](const std::string& output) {
        return runZkopt({"run", "--config", c.config, "--report", c.report, c.input, output});
    };
    struct Place {
        std::string output, message;
    } places[] = {
        {c.folder + "/out.obj", c.folder + "/out.obj: not a scene file name to write (expected .zks, .zks.json, .gltf or .glb)"},
        {c.folder + "/none/out.zks", c.folder + "/none/out.zks: cannot write (No such file or directory)"},
        {c.folder + "/p.ini/out.zks", c.folder + "/p.ini/out.zks: cannot write (Not a directory)"},
        {c.folder + "/dir.zks", c.folder + "/dir.zks: cannot write (Is a directory)"},
    };
    std::filesystem::create_directory(c.folder + "/dir.zks");
    for (const Place& p : places) {
        RunResult r = runTo(p.output);
        EXPECT_EQ(r.status, 2) << p.output;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("zkopt: " + p.message + "\n"), std::string::npos) << r.err;
        auto report = nlohmann::json::parse(readFile(c.report));
        EXPECT_EQ(report["error"], p.message);
        EXPECT_EQ(report["ok"], false);
    }

    // With no place for the report there is nothing to tell CI: refused before anything else.
    RunResult r = runZkopt({"run", "--config", c.config, "--report", c.folder + "/none/r.json", c.input, c.output});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("zkopt: " + c.folder + "/none/r.json: cannot write (No such file or directory)\n"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(c.output));
}
