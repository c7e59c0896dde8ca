// zkImageExternalVesko through zkopt run: the PNG files land beside the output scene (or in its
// sub-directory), whatever the image names say, and the output refers to them.
#include "Run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

const std::string kScene = std::string(ZK_PASS_CASES) + "/zkImageExternalVesko/scene.zks.json";

std::set<std::string> filesBelow(const fs::path& folder)
{
    std::set<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) found.insert(fs::relative(e.path(), folder).generic_string());
    return found;
}

} // namespace

TEST(ExternalImagesRun, FilesGoBesideTheOutputAndTheOutputRecordsThem)
{
    const fs::path folder = scratchDirectory("external_images_run");
    fs::create_directories(folder / "out" / "tex");
    const std::string config = (folder / "run.ini").string();
    writeFile(config, "[pipeline]\npasses = zkImageExternalVesko\n[zkImageExternalVesko]\n_imageSubDirectory = tex\n");

    RunResult r = runZkopt({"run", "--config", config, kScene, (folder / "out" / "scene.zks.json").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "saving image file <rock.png>\nsaving image file <DefaultImageName.png>\nsaving image file <up.png>\n");
    EXPECT_EQ(filesBelow(folder), (std::set<std::string>{"run.ini", "out/scene.zks.json", "out/tex/rock.png",
                                                         "out/tex/DefaultImageName.png", "out/tex/up.png"}));
    nlohmann::json scene = nlohmann::json::parse(readFile((folder / "out" / "scene.zks.json").string()));
    std::vector<std::string> paths;
    for (const auto& object : scene["objects"])
        if (object["class"] == "zkExternalImageEntry") paths.push_back(object["fields"]["filePath"]);
    EXPECT_EQ(paths, (std::vector<std::string>{"tex/rock.png", "tex/DefaultImageName.png", "tex/up.png"}));
}
