// The bundled texture scene is the one the tests build, saved; `zkopt demo` runs the texture
// pipeline over it.
#include "texture_samples.h"

#include "host/io/SceneFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

// After changing the texture scene, run this test with ZK_UPDATE_SAMPLE=1 to rewrite the file.
TEST(TextureScene, BundledFileIsTheBuiltScene)
{
    const std::string path = std::string(ZK_FIXTURES) + "/../../examples/textures.zks.json";
    std::string built, error;
    auto scene = Tam::Test::buildTextureScene();
    ASSERT_TRUE(Tam::Io::zkEncodeScene(scene.get(), Tam::Io::zkSceneForm::Text, built, error)) << error;
    if (std::getenv("ZK_UPDATE_SAMPLE")) {
        ASSERT_TRUE(Tam::Io::zkAtomicWrite(path, built, error)) << error;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bundled;
    bundled << in.rdbuf();
    EXPECT_EQ(bundled.str(), built) << "examples/textures.zks.json is out of date: run with ZK_UPDATE_SAMPLE=1";
}
