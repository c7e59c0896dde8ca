// The bundled sample scenes are the ones the tests build, saved; the demo runs over them.
#include "sample_scene.h"
#include "texture_samples.h"

#include "tests/unit/bundled_scene.h"

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
