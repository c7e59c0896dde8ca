// The bundled scenes of the texture fix-ups are the ones built in platform_samples.cpp, saved.
// After changing a builder, run these tests with ZK_UPDATE_SAMPLE=1 to rewrite the files.
#include "tests/unit/platform_samples.h"

#include "host/io/SceneFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

void expectBundled(const std::string& relativePath, const Tam::Sg::zkFileInfo* scene)
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

} // namespace

TEST(PlatformSamples, BundledFilesAreTheBuiltScenes)
{
    expectBundled("examples/platforms.zks.json", Tam::Test::buildPlatformsExample().get());
    expectBundled("tests/passes/veskoBlendToAlphaTest/scene.zks.json", Tam::Test::buildBlendCases().get());
    expectBundled("tests/passes/veskoNTSCFilter/scene.zks.json", Tam::Test::buildColourFilterCases().get());
    expectBundled("tests/passes/veskoScalePs2Texture/scene.zks.json", Tam::Test::buildPs2Cases().get());
}
