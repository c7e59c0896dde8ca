// The texture fix-ups on 4096 x 4096 images, run through the host as zkopt runs them: the colour
// filter under NTSC and then PAL on a photo-like RGBA image and on one holding every 8-bit colour
// (the worst case), and the GameCube alpha pass on an
// RGBA image with binary alpha (block-compressed, format 34) and with soft alpha (format 21).
//
// Each iteration works on a fresh copy of the image (copied outside the timing). Counters: the
// share of hot pixels for the filter; for format 34 the PSNR of the decoded result against the
// source, over the colour of the texels that are drawn (alpha survives exactly).
#include "image/veskoImageAlphaGamecube.h"
#include "image/veskoNTSCFilter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

using namespace Tam::OptExtension;

namespace {

constexpr int kSize = 4096;

// Smooth shapes, gradients and grain, with saturated patches: what a painted or photographed
// texture looks like to the filter and the compressor. alphaOf decides each texel's alpha.
template <class Alpha>
zkSmartPointer<zkImage> photo(Alpha alphaOf)
{
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> grain(-6, 6);
    std::vector<uint8_t> bytes(std::size_t(kSize) * kSize * 4);
    uint8_t* p = bytes.data();
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x, p += 4) {
            const float u = float(x) / kSize, v = float(y) / kSize;
            const float hue = std::sin(9.0f * u + 4.0f * std::cos(7.0f * v)) * 0.5f + 0.5f;
            const float light = 0.35f + 0.6f * (std::sin(23.0f * u * v + 3.0f * u) * 0.5f + 0.5f);
            const bool vivid = std::sin(31.0f * u) * std::sin(17.0f * v) > 0.7f;
            auto channel = [&](float c, float shade) {
                return uint8_t(std::clamp(255.0f * c * shade + float(grain(rng)), 0.0f, 255.0f));
            };
            // Vivid patches keep their full brightness: saturated reds and magentas.
            const float shade = vivid ? 1.0f : light;
            p[0] = channel(vivid ? 1.0f : 0.4f + 0.5f * hue, shade);
            p[1] = channel(vivid ? 0.05f : 0.3f + 0.4f * (1.0f - hue), shade);
            p[2] = channel(vivid ? 0.6f * hue : 0.2f + 0.5f * hue * hue, shade);
            p[3] = alphaOf(u, v);
        }
    auto image = zkCreate<zkImage>();
    image->setName("photo");
    image->load(bytes.data(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, kSize, kSize, ZK_GFX_IMAGE_ORDER_RGBA);
    return image;
}

const zkImage& opaquePhoto()
{
    static zkSmartPointer<zkImage> image = photo([](float, float) { return uint8_t(255); });
    return *image;
}

// Every 8-bit colour once: many more hot pixels than in a painted or photographed texture.
const zkImage& allColours()
{
    static zkSmartPointer<zkImage> image = [] {
        std::vector<uint8_t> bytes(std::size_t(kSize) * kSize * 4);
        for (uint32_t i = 0; i < uint32_t(kSize) * kSize; ++i) {
            bytes[4 * i] = uint8_t(i >> 16);
            bytes[4 * i + 1] = uint8_t(i >> 8);
            bytes[4 * i + 2] = uint8_t(i);
            bytes[4 * i + 3] = 255;
        }
        auto made = zkCreate<zkImage>();
        made->load(bytes.data(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, kSize, kSize, ZK_GFX_IMAGE_ORDER_RGBA);
        return made;
    }();
    return *image;
}

// Leaf-like cut-outs: alpha 0 or 255.
const zkImage& cutOutPhoto()
{
    static zkSmartPointer<zkImage> image = photo([](float u, float v) {
        return std::sin(40.0f * u) * std::cos(37.0f * v) > -0.3f ? uint8_t(255) : uint8_t(0);
    });
    return *image;
}

const zkImage& softPhoto()
{
    static zkSmartPointer<zkImage> image = photo([](float u, float v) { return uint8_t(255.0f * (0.5f + 0.5f * std::sin(5.0f * u + v))); });
    return *image;
}

struct Run {
    zkOptInterface host;
    zkSmartPointer<zkOptVisitObject> pass;
    explicit Run(const char* className)
    {
        veskoNTSCFilter::arkRegister();
        veskoImageAlphaGamecube::arkRegister();
        host.setSink([](const std::string&) {});
        pass = zkSmartPointer<zkOptVisitObject>::adopt(zkOptVisitObject::dynamicCast(host.createOptBase(className)));
    }
};

// Runs the pass's visit over a texture holding a fresh copy of source per iteration.
zkSmartPointer<zkTextureAttr> visitCopies(benchmark::State& state, Run& run, const zkImage& source)
{
    auto texture = zkCreate<zkTextureAttr>();
    for (auto _ : state) {
        state.PauseTiming();
        auto copy = zkCreate<zkImage>();
        copy->copyFrom(&source, true);
        texture->setImage(copy, 0);
        state.ResumeTiming();
        run.pass->visitor(texture.get());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kSize) * kSize);
    return texture;
}

void colourFilter(benchmark::State& state, bool ntsc, const zkImage& source)
{
    Run run("veskoNTSCFilter");
    static_cast<veskoNTSCFilter*>(run.pass.get())->_ntsc = ntsc;
    run.pass->configure(0);
    auto texture = visitCopies(state, run, source);
    long long hot = 0;
    const uint8_t* a = source.getData();
    const uint8_t* b = texture->getImage(0)->getData();
    for (std::size_t i = 0; i < std::size_t(kSize) * kSize; ++i) hot += std::memcmp(a + 4 * i, b + 4 * i, 3) != 0;
    state.counters["changed%"] = 100.0 * double(hot) / (double(kSize) * kSize);
}

// NTSC first: configuring a PAL filter switches the whole process.
void BM_ColourFilterNtsc(benchmark::State& state) { colourFilter(state, true, opaquePhoto()); }
void BM_ColourFilterNtscAllColours(benchmark::State& state) { colourFilter(state, true, allColours()); }
void BM_ColourFilterPal(benchmark::State& state) { colourFilter(state, false, opaquePhoto()); }
void BM_ColourFilterPalAllColours(benchmark::State& state) { colourFilter(state, false, allColours()); }

double drawnColourPsnr(const zkImage& source, const zkImage& result)
{
    PixelImage a, b;
    std::vector<uint8_t> x, y;
    if (!source.getPixelImage(a) || !result.getPixelImage(b) || !decodeToRGBA(a, x) || !decodeToRGBA(b, y)) return 0;
    double sum = 0;
    long long n = 0;
    for (std::size_t i = 0; i < x.size(); i += 4) {
        if (x[i + 3] == 0) continue;
        for (int c = 0; c < 3; ++c) {
            const double d = double(x[i + c]) - double(y[i + c]);
            sum += d * d;
        }
        n += 3;
    }
    return n == 0 || sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * double(n) / sum);
}

void gamecube(benchmark::State& state, const zkImage& source)
{
    Run run("veskoImageAlphaGamecube");
    run.pass->configure(0);
    auto texture = visitCopies(state, run, source);
    state.counters["format"] = texture->getImage(0)->getFormat();
    state.counters["PSNR_dB"] = drawnColourPsnr(source, *texture->getImage(0));
}

void BM_GamecubeBinaryAlpha(benchmark::State& state) { gamecube(state, cutOutPhoto()); }
void BM_GamecubeSoftAlpha(benchmark::State& state) { gamecube(state, softPhoto()); }

} // namespace

BENCHMARK(BM_ColourFilterNtsc)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ColourFilterNtscAllColours)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ColourFilterPal)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ColourFilterPalAllColours)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_GamecubeBinaryAlpha)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_GamecubeSoftAlpha)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

BENCHMARK_MAIN();
