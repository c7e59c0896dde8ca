// Converting and halving a 4096x4096 RGBA image: the sizes the texture passes meet at
// their largest. Target: each operation under 0.3 s.
#include "host/gfx/Pixels.h"
#include "host/gfx/Resample.h"

#include <benchmark/benchmark.h>

using namespace Tam::Gfx;

namespace {

constexpr uint32_t kSize = 4096;

const PixelImage& sourceImage() {
    static const PixelImage image = [] {
        PixelImage img;
        std::vector<uint8_t> rgba(size_t(kSize) * kSize * 4);
        uint32_t seed = 12345;
        for (size_t i = 0; i < rgba.size(); i += 4) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t x = uint32_t(i / 4 % kSize), y = uint32_t(i / 4 / kSize);
            rgba[i] = uint8_t(x ^ y);
            rgba[i + 1] = uint8_t(x + (seed >> 28));
            rgba[i + 2] = uint8_t(y);
            rgba[i + 3] = uint8_t(seed >> 24 < 16 ? 0 : 255);
        }
        load(img, rgba.data(), rgba.size(), kFormatRGBA8888, kSize, kSize);
        return img;
    }();
    return image;
}

void convertTo(benchmark::State& state, uint32_t format, uint32_t order, bool dither) {
    const PixelImage& source = sourceImage();
    for (auto _ : state) {
        state.PauseTiming();
        PixelImage img = source;
        state.ResumeTiming();
        if (!convertImage(img, format, order, {true, dither})) state.SkipWithError("conversion failed");
        benchmark::DoNotOptimize(img.pixels.data());
    }
}

void halve(benchmark::State& state) {
    const PixelImage& source = sourceImage();
    ResizeSettings settings;
    settings.filter = FilterType(state.range(0));
    state.SetLabel(filterName(settings.filter));
    for (auto _ : state) {
        state.PauseTiming();
        PixelImage img = source;
        state.ResumeTiming();
        if (!scale(img, settings)) state.SkipWithError("resize failed");
        benchmark::DoNotOptimize(img.pixels.data());
    }
}

} // namespace

BENCHMARK_CAPTURE(convertTo, platform_order, kFormatRGBA8888, kOrderPlatform, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertTo, rgb888, kFormatRGB888, kOrderRGBA, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertTo, rgba5551, kFormatRGBA5551, kOrderPlatform, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertTo, rgba5551_dithered, kFormatRGBA5551, kOrderPlatform, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertTo, gc_rgb5a3, kFormatGcRGB5A3, kOrderRGBA, false)->Unit(benchmark::kMillisecond);
BENCHMARK(halve)
    ->Arg(kFilterBox)
    ->Arg(kFilterTriangle)
    ->Arg(kFilterMitchell)
    ->Arg(kFilterLanczos3)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
