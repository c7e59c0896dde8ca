// 8-bit quantization of a 1024x1024 photo-like RGB image and a soft-alpha RGBA image, ours beside
// libimagequant at its default settings, on the same pixels. Time covers the whole palettization:
// palette, search index and one index per pixel (libimagequant: quantize and remap). The PSNR
// counter compares the mapped image with the original over all channels (RGBA: colours
// premultiplied by alpha); report CPU time beside wall time, the machine is shared.
#include "image/PaletteQuantizer.h"
#include "tools/examples/TextureSamples.h"

#include <benchmark/benchmark.h>
#include <libimagequant.h>

#include <cmath>
#include <memory>

using Tam::OptExtension::PaletteQuantizer;

namespace {

constexpr int kSize = 1024;

struct Picture {
    std::vector<uint8_t> pixels; // R,G,B or R,G,B,A
    std::vector<uint8_t> rgba;   // the same as R,G,B,A, for libimagequant
    int bytes;
};

const Picture& picture(bool alpha)
{
    static const auto make = [](bool a) {
        Picture p;
        p.bytes = a ? 4 : 3;
        p.pixels = a ? Tam::Examples::softAlphaRGBA(kSize, kSize, 21) : Tam::Examples::photoLikeRGB(kSize, kSize, 21);
        for (std::size_t i = 0; i < p.pixels.size(); i += p.bytes) {
            p.rgba.insert(p.rgba.end(), &p.pixels[i], &p.pixels[i] + 3);
            p.rgba.push_back(a ? p.pixels[i + 3] : 255);
        }
        return p;
    };
    static const Picture rgb = make(false), rgba = make(true);
    return alpha ? rgba : rgb;
}

// PSNR over the channels the picture has. With alpha, colours are compared premultiplied, so that
// the colour of a transparent pixel, which nobody sees, does not count. Palette entries are R,G,B,A,
// or B,G,R,A when reversedColour.
double psnr(const Picture& p, const std::vector<uint8_t>& indices, const uint8_t* palette, bool reversedColour)
{
    double sum = 0;
    for (std::size_t i = 0; i < indices.size(); ++i) {
        const uint8_t* source = &p.pixels[i * p.bytes];
        const uint8_t* entry = &palette[indices[i] * 4];
        const double sourceAlpha = p.bytes == 4 ? source[3] / 255.0 : 1.0;
        const double entryAlpha = p.bytes == 4 ? entry[3] / 255.0 : 1.0;
        for (int c = 0; c < p.bytes; ++c) {
            const int entryByte = reversedColour && c < 3 ? 2 - c : c;
            const double d = c < 3 ? source[c] * sourceAlpha - entry[entryByte] * entryAlpha
                                   : double(source[c]) - entry[entryByte];
            sum += d * d;
        }
    }
    const double mse = sum / (double(indices.size()) * p.bytes);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

void BM_QuantizeOurs(benchmark::State& state)
{
    const bool alpha = state.range(0) != 0;
    const Picture& p = picture(alpha);
    auto quantizer = std::make_unique<PaletteQuantizer>();
    std::vector<uint8_t> indices(std::size_t(kSize) * kSize), palette(1024);
    for (auto _ : state) {
        if (quantizer->initialise(p.pixels.data(), int(p.pixels.size()), 2, alpha)) quantizer->learn();
        quantizer->unbias();
        quantizer->writePalette(palette.data());
        quantizer->buildIndex();
        quantizer->mapPixels(indices.data(), kSize, kSize, kSize * p.bytes);
        benchmark::DoNotOptimize(indices.data());
    }
    state.SetLabel(alpha ? "RGBA" : "RGB");
    state.counters["PSNR"] = psnr(p, indices, palette.data(), true);
}

void BM_QuantizeLibimagequant(benchmark::State& state)
{
    const bool alpha = state.range(0) != 0;
    const Picture& p = picture(alpha);
    std::vector<uint8_t> indices(std::size_t(kSize) * kSize), palette(1024, 0);
    for (auto _ : state) {
        liq_attr* attr = liq_attr_create();
        liq_image* image = liq_image_create_rgba(attr, p.rgba.data(), kSize, kSize, 0);
        liq_result* result = nullptr;
        if (liq_image_quantize(image, attr, &result) != LIQ_OK) {
            state.SkipWithError("quantization failed");
            break;
        }
        liq_write_remapped_image(result, image, indices.data(), indices.size());
        const liq_palette* entries = liq_get_palette(result);
        for (unsigned i = 0; i < entries->count; ++i) {
            const liq_color c = entries->entries[i];
            const uint8_t bytes[4] = {c.r, c.g, c.b, c.a};
            std::copy(bytes, bytes + 4, &palette[i * 4]);
        }
        benchmark::DoNotOptimize(indices.data());
        liq_result_destroy(result);
        liq_image_destroy(image);
        liq_attr_destroy(attr);
    }
    state.SetLabel(alpha ? "RGBA" : "RGB");
    state.counters["PSNR"] = psnr(p, indices, palette.data(), false);
}

} // namespace

BENCHMARK(BM_QuantizeOurs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_QuantizeLibimagequant)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_MAIN();
