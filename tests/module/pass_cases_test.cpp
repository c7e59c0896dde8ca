// Golden cases of the passes, as files a reviewer can read: tests/passes/CLASS/CASE.ini is a
// pipeline run by zkopt over CASE.zks.json (or the folder's scene.zks.json when the case has no
// scene of its own). CASE.out holds exactly what the run prints on standard output, where
// "0x????????" stands for any eight hex digits (node addresses differ from run to run); CASE.status,
// when present, the exit status (0 otherwise); CASE.after.zks.json, when present, the scene the
// run writes.
#include "Run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct PassCase {
    fs::path ini;
    std::string name() const { return ini.parent_path().filename().string() + "_" + ini.stem().string(); }
    friend void PrintTo(const PassCase& c, std::ostream* os) { *os << c.ini.string(); }
};

std::vector<PassCase> discoverCases()
{
    std::vector<PassCase> cases;
    for (const auto& entry : fs::recursive_directory_iterator(ZK_PASS_CASES))
        if (entry.path().extension() == ".ini") cases.push_back({entry.path()});
    std::sort(cases.begin(), cases.end(), [](const PassCase& a, const PassCase& b) { return a.ini < b.ini; });
    return cases;
}

// Whether actual equals expected, where each "0x????????" of expected matches any eight hex digits.
bool matchesGolden(const std::string& expected, const std::string& actual)
{
    static const std::string wildcard = "0x????????";
    std::size_t e = 0, a = 0;
    while (e < expected.size()) {
        if (expected.compare(e, wildcard.size(), wildcard) == 0) {
            if (actual.compare(a, 2, "0x") != 0) return false;
            for (std::size_t k = 2; k < wildcard.size(); ++k)
                if (a + k >= actual.size() || !std::isxdigit(static_cast<unsigned char>(actual[a + k]))) return false;
            e += wildcard.size();
            a += wildcard.size();
            continue;
        }
        if (a >= actual.size() || expected[e] != actual[a]) return false;
        ++e, ++a;
    }
    return a == actual.size();
}

class PassCases : public testing::TestWithParam<PassCase> {};

TEST_P(PassCases, PrintExactlyTheGoldenLines)
{
    const fs::path ini = GetParam().ini;
    const fs::path dir = ini.parent_path();
    const std::string stem = ini.stem().string();
    fs::path scene = dir / (stem + ".zks.json");
    if (!fs::exists(scene)) scene = dir / "scene.zks.json";
    const fs::path out = fs::path(scratchDirectory("pass_cases")) / (GetParam().name() + ".zks.json");

    RunResult r = runZkopt({"run", "--config", ini.string(), scene.string(), out.string()});

    const fs::path statusFile = dir / (stem + ".status");
    const int expectedStatus = fs::exists(statusFile) ? std::stoi(readFile(statusFile.string())) : 0;
    EXPECT_EQ(r.status, expectedStatus) << r.err;
    const std::string golden = readFile((dir / (stem + ".out")).string());
    EXPECT_TRUE(matchesGolden(golden, r.out)) << "expected:\n" << golden << "printed:\n" << r.out;
    const fs::path after = dir / (stem + ".after.zks.json");
    if (fs::exists(after)) {
        EXPECT_EQ(readFile(out.string()), readFile(after.string()));
    }
}

INSTANTIATE_TEST_SUITE_P(Golden, PassCases, testing::ValuesIn(discoverCases()),
                         [](const testing::TestParamInfo<PassCase>& info) {
                             std::string n = info.param.name();
                             std::replace_if(n.begin(), n.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return n;
                         });

TEST(PassCases, GoldenWildcardMatchesOnlyEightHexDigits)
{
    EXPECT_TRUE(matchesGolden("Geometry 0x???????? \"a\"\n", "Geometry 0x0012abcd \"a\"\n"));
    EXPECT_FALSE(matchesGolden("Geometry 0x???????? \"a\"\n", "Geometry 0x0012abcz \"a\"\n"));
    EXPECT_FALSE(matchesGolden("done\n", "done\nmore\n"));
}

} // namespace
