// Bundled example scenes are saved from scenes the tests build; a test keeps the two in step.
#pragma once
#include "host/io/SceneFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace Tam::Test {

// Expects the file at relativePath (from the repository's root) to be the scene's text form; with
// ZK_UPDATE_SAMPLE set in the environment, writes it there instead.
inline void expectBundledScene(const std::string& relativePath, const Sg::zkFileInfo* scene)
{
    const std::string path = std::string(ZK_FIXTURES) + "/../../" + relativePath;
    std::string built, error;
    ASSERT_TRUE(Io::zkEncodeScene(scene, Io::zkSceneForm::Text, built, error)) << error;
    if (std::getenv("ZK_UPDATE_SAMPLE")) {
        ASSERT_TRUE(Io::zkAtomicWrite(path, built, error)) << error;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bundled;
    bundled << in.rdbuf();
    EXPECT_EQ(bundled.str(), built) << relativePath << " is out of date: run with ZK_UPDATE_SAMPLE=1";
}

} // namespace Tam::Test
