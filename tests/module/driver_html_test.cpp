// zkopt run --html and zkopt view: the page is written however the run ends, and nothing a scene
// names can break out of the page's data block. (The page itself is checked in Chromium:
// tests/html.)
#include "DriverCase.h"

#include "host/io/SceneFile.h"
#include "host/zkhost.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace Tam::Core;
using namespace Tam::Sg;

namespace {

// The data block the page's script reads.
nlohmann::json pageData(const std::string& page)
{
    const std::string open = "<script type=\"application/json\" id=\"zk-data\">";
    std::size_t from = page.find(open);
    if (from == std::string::npos) return nullptr;
    from += open.size();
    return nlohmann::json::parse(page.substr(from, page.find("</script>", from) - from));
}

} // namespace

TEST(DriverHtml, ViewKeepsSceneTextInsideTheDataBlock)
{
    const std::string folder = scratchDirectory("html_view");
    const std::string hostile = "</script><script>alert(1)</script><!--";
    auto image = zkCreate<Tam::Gfx::zkImage>();
    const uint8_t texel[4] = {1, 2, 3, 255};
    image->load(texel, Tam::Gfx::kFormatRGBA8888, 1, 1);
    image->setName(hostile.c_str());
    auto texture = zkCreate<Tam::Attrs::zkTextureAttr>();
    texture->setImage(image, 0);
    auto set = zkCreate<zkAttrSet>();
    set->appendAttr(texture);
    auto scene = zkCreate<zkSceneInfo>();
    scene->setRoot(set);
    auto file = zkCreate<zkFileInfo>();
    file->getInfoList()->append(scene);
    std::string error, input = folder + "/" + "in.zks";
    ASSERT_TRUE(Tam::Io::zkWriteScene(file, input, error)) << error;

    RunResult r = runZkopt({"view", input, "--html", folder + "/view.html"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string page = readFile(folder + "/view.html");
    EXPECT_EQ(page.find(hostile), std::string::npos);
    nlohmann::json data = pageData(page);
    ASSERT_TRUE(data.is_object());
    EXPECT_TRUE(data["run"].is_null());
    EXPECT_TRUE(data["before"].is_null());
    ASSERT_EQ(data["after"]["images"].size(), 1u);
    EXPECT_EQ(data["after"]["images"][0]["name"], hostile);
    EXPECT_EQ(data["after"]["stats"]["nodes"], 1);

    r = runZkopt({"view", input, "--html", folder + "/no/such/folder/view.html"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zkopt: " + folder + "/no/such/folder/view.html: cannot write (No such file or directory)\n");
}

TEST(DriverHtml, RunWritesThePageHoweverItEnds)
{
    DriverCase ok("html_run", "[pipeline]\npasses = veskoRemoveNodeFlags\n[veskoRemoveNodeFlags]\n_flagsToRemove = 0x20\n");
    const std::string page = ok.folder + "/r.html";
    RunResult r = ok.run({"--html", page});
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json data = pageData(readFile(page));
    EXPECT_EQ(data["run"], nlohmann::json::parse(readFile(ok.report)));
    EXPECT_EQ(data["before"]["stats"]["nodes"], 2);
    EXPECT_EQ(data["after"]["stats"]["nodes"], 2);

    // A config that names no pass: the page says why, with nothing to show of the scene.
    DriverCase bad("html_bad", "[pipeline]\npasses = zkNoSuchPass\n");
    r = bad.run({"--html", bad.folder + "/r.html"});
    ASSERT_EQ(r.status, 2);
    data = pageData(readFile(bad.folder + "/r.html"));
    EXPECT_EQ(data["run"]["status"], 2);
    EXPECT_NE(data["run"]["error"].get<std::string>().find("zkNoSuchPass"), std::string::npos);
    EXPECT_TRUE(data["before"].is_null());

    // Nowhere to write the page: an error naming it, in the JSON report as well.
    r = bad.run({"--html", bad.folder + "/missing/r.html"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(nlohmann::json::parse(readFile(bad.report))["error"],
              bad.folder + "/missing/r.html: cannot write (No such file or directory)");
}
