// zkopt list: what users see of the pass classes.
#include "Run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

TEST(DriverList, JsonListsTheThirtyOnePassesWithTheirFieldsAndDefaults)
{
    RunResult r = runZkopt({"list", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto listed = nlohmann::ordered_json::parse(r.out);
    auto expected = nlohmann::ordered_json::parse(readFile(ZK_FIXTURES "/pass_classes.json"));
    ASSERT_EQ(listed.size(), 31u);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(listed[i], expected[i]) << "class #" << i + 1;
    // The collision record is a class of the library but not a pass.
    EXPECT_EQ(r.out.find("zkCollideHull\""), std::string::npos);
}

TEST(DriverList, TextListShowsEachClassWithItsBaseAndFields)
{
    RunResult r = runZkopt({"list"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("zkWeldVesko : zkOptTraverseGraph\n"
                         "    _weldVerts                   bool                         true\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("    _imageList                   object zkStringObjList       null\n"), std::string::npos);
}

TEST(DriverList, BadCommandLinesExitWithTwo)
{
    EXPECT_EQ(runZkopt({}).status, 2);
    RunResult r = runZkopt({"list", "--yaml"});
    EXPECT_EQ(r.status, 2);
    r = runZkopt({"frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("zkopt: unknown command 'frobnicate'"), std::string::npos);
    r = runZkopt({"--plugin", "/nonexistent/lib.so", "list"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot load the pass library"), std::string::npos);
}
