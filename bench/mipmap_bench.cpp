// A full mipmap chain of a 4096x4096 RGBA texture, built by the mipmap pass as zkopt runs it, with
// the default filter: the base converted to the level format, thirteen halvings, and every level
// converted back. Target: under 0.3 s. Report CPU time beside wall time, the machine is shared.
#include "image/zkUseMipmapVesko.h"
#include "tools/examples/TextureSamples.h"

#include <benchmark/benchmark.h>

using namespace Tam::OptExtension;

namespace {

constexpr int kSize = 4096;

void BM_MipmapChain(benchmark::State& state)
{
    zkUseMipmapVesko::arkRegister();
    const std::vector<uint8_t> pixels = Tam::Examples::softAlphaRGBA(kSize, kSize, 5);
    int levels = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto file = zkCreate<zkFileInfo>();
        auto root = zkCreate<zkGroup>();
        auto info = zkCreate<zkSceneInfo>();
        info->setRoot(root);
        file->getInfoList()->append(info);
        zkTextureAttr* texture =
            Tam::Examples::attachTexture(root.get(), Tam::Examples::makeImage("big.tga", 7, kSize, kSize, pixels).get());
        texture->setMipmapTag(1);
        zkOptInterface run;
        run.setFile(file);
        run.setSink([](const std::string&) {});
        auto pass = zkSmartPointer<zkUseMipmapVesko>::adopt(
            zkUseMipmapVesko::dynamicCast(run.createOptBase("zkUseMipmapVesko")));
        state.ResumeTiming();

        if (!run.applyPass(pass)) {
            state.SkipWithError("the pass failed");
            break;
        }

        state.PauseTiming();
        levels = texture->getImageCount();
        file = nullptr;
        state.ResumeTiming();
    }
    state.counters["levels"] = levels;
}

} // namespace

BENCHMARK(BM_MipmapChain)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_MAIN();
