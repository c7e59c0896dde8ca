// The scene files the repository carries are the ones their builders make: after changing a
// builder, rewrite them with `zk_make_examples .` from the repository's root.
#include "tools/examples/BundledScenes.h"

#include "host/io/SceneFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

TEST(BundledScenes, EveryFileIsItsBuiltScene)
{
    for (const auto& scene : Tam::Examples::bundledScenes()) {
        std::string built, error;
        ASSERT_TRUE(Tam::Io::zkEncodeScene(scene.build().get(), Tam::Io::zkSceneForm::Text, built, error)) << error;
        std::ifstream in(std::string(ZK_FIXTURES) + "/../../" + scene.path, std::ios::binary);
        std::ostringstream bundled;
        bundled << in.rdbuf();
        EXPECT_EQ(bundled.str(), built) << scene.path << " is out of date: run zk_make_examples";
    }
}
