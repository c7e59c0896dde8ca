#include "tools/examples/BundledScenes.h"

#include "tools/examples/PlatformSamples.h"
#include "tools/examples/SampleScene.h"
#include "tools/examples/SceneExample.h"
#include "tools/examples/TextureSamples.h"

namespace Tam::Examples {

const std::vector<BundledScene>& bundledScenes()
{
    static const std::vector<BundledScene> scenes = {
        {"examples/sample.zks.json", buildSampleScene},
        {"examples/textures.zks.json", buildTextureScene},
        {"examples/platforms.zks.json", buildPlatformsExample},
        {"examples/scene.zks.json", buildSceneExample},
        {"tests/passes/veskoBlendToAlphaTest/scene.zks.json", buildBlendCases},
        {"tests/passes/veskoNTSCFilter/scene.zks.json", buildColourFilterCases},
        {"tests/passes/veskoScalePs2Texture/scene.zks.json", buildPs2Cases},
    };
    return scenes;
}

} // namespace Tam::Examples
