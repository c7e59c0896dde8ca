// The bundled sample scene is the one the tests build, saved; the demo runs over it.
#include "sample_scene.h"

#include "host/io/SceneFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

// After changing the sample scene, run this test with ZK_UPDATE_SAMPLE=1 to rewrite the file.
TEST(SampleScene, BundledFileIsTheBuiltScene)
{
    const std::string path = std::string(ZK_FIXTURES) + "/../../examples/sample.zks.json";
    std::string built, error;
    auto scene = Tam::Test::buildSampleScene();
    ASSERT_TRUE(Tam::Io::zkEncodeScene(scene.get(), Tam::Io::zkSceneForm::Text, built, error)) << error;
    if (std::getenv("ZK_UPDATE_SAMPLE")) {
        ASSERT_TRUE(Tam::Io::zkAtomicWrite(path, built, error)) << error;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bundled;
    bundled << in.rdbuf();
    EXPECT_EQ(bundled.str(), built) << "examples/sample.zks.json is out of date: run with ZK_UPDATE_SAMPLE=1";
}
