// The bundled sample scenes are the ones the tests build, saved; the demo runs over them.
#include "sample_scene.h"
#include "texture_samples.h"

#include "host/io/SceneFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace Tam::Test {

void expectBundledScene(const std::string& relativePath, const Sg::zkFileInfo* scene)
{
    const std::string path = std::string(ZK_FIXTURES) + "/../../" + relativePath;
    std::string built, error;
    ASSERT_TRUE(Tam::Io::zkEncodeScene(scene, Tam::Io::zkSceneForm::Text, built, error)) << error;
    if (std::getenv("ZK_UPDATE_SAMPLE")) {
        ASSERT_TRUE(Tam::Io::zkAtomicWrite(path, built, error)) << error;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bundled;
    bundled << in.rdbuf();
    EXPECT_EQ(bundled.str(), built) << relativePath << " is out of date: run with ZK_UPDATE_SAMPLE=1";
}

} // namespace Tam::Test

// After changing the sample scene, run this test with ZK_UPDATE_SAMPLE=1 to rewrite the file.
TEST(SampleScene, BundledFileIsTheBuiltScene)
{
    Tam::Test::expectBundledScene("examples/sample.zks.json", Tam::Test::buildSampleScene().get());
}

// The texture pipeline's scene (zkopt demo runs examples/textures.ini over it).
TEST(SampleScene, BundledTextureFileIsTheBuiltScene)
{
    Tam::Test::expectBundledScene("examples/textures.zks.json", Tam::Test::buildTextureScene().get());
}
