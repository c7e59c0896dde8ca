// The bundled sample scene is the one the tests build, saved; the demo runs over it.
#include "sample_scene.h"

#include "tests/unit/bundled_scene.h"

// After changing the sample scene, run this test with ZK_UPDATE_SAMPLE=1 to rewrite the file.
TEST(SampleScene, BundledFileIsTheBuiltScene)
{
    Tam::Test::expectBundledScene("sample.zks.json", Tam::Test::buildSampleScene().get());
}
