#include "DriverCase.h"

#include "host/io/SceneFile.h"
#include "host/zkhost.h"

#include <gtest/gtest.h>

using namespace Tam::Core;
using namespace Tam::Sg;

std::string writeFlagScene(const std::string& folder)
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

DriverCase::DriverCase(const std::string& name, const std::string& ini)
    : folder(scratchDirectory(name)), input(writeFlagScene(folder)), config(folder + "/p.ini"),
      output(folder + "/out.zks"), report(folder + "/report.json")
{
    writeFile(config, ini);
}

RunResult DriverCase::run(const std::vector<std::string>& options, const std::vector<std::string>& before) const
{
    std::vector<std::string> args = before;
    for (const std::string& a : {std::string("run"), std::string("--config"), config, std::string("--report"), report})
        args.push_back(a);
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(input);
    args.push_back(output);
    return runZkopt(args);
}
