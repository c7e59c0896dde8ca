// The bundled scenes of the texture fix-ups are the ones built in platform_samples.cpp, saved.
// After changing a builder, run this test with ZK_UPDATE_SAMPLE=1 to rewrite the files.
#include "tests/unit/platform_samples.h"
#include "tests/unit/bundled_scene.h"

#include <gtest/gtest.h>

using Tam::Test::expectBundledScene;

TEST(PlatformSamples, BundledFilesAreTheBuiltScenes)
{
    expectBundledScene("examples/platforms.zks.json", Tam::Test::buildPlatformsExample().get());
    expectBundledScene("tests/passes/veskoBlendToAlphaTest/scene.zks.json", Tam::Test::buildBlendCases().get());
    expectBundledScene("tests/passes/veskoNTSCFilter/scene.zks.json", Tam::Test::buildColourFilterCases().get());
    expectBundledScene("tests/passes/veskoScalePs2Texture/scene.zks.json", Tam::Test::buildPs2Cases().get());
}
