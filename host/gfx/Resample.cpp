#include "host/gfx/Resample.h"
#include "host/gfx/NoThrow.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Tam::Gfx {
namespace {

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

// --- filter kernels ---------------------------------------------------------------------

double mitchellNetravali(double x, double b, double c) {
    x = std::fabs(x);
    if (x < 1) return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) / 6;
    if (x < 2)
        return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x + (8 * b + 24 * c)) / 6;
    return 0;
}

double sinc(double x) {
    if (std::fabs(x) < 1e-9) return 1;
    x *= std::numbers::pi;
    return std::sin(x) / x;
}

struct Kernel {
    const char* name;
    double radius;
    double (*weight)(double);
};

const Kernel kKernels[kFilterTypeCount] = {
    {"Point", 0.5, [](double x) { return x >= -0.5 && x < 0.5 ? 1.0 : 0.0; }},
    {"Box", 0.5, [](double x) { return x >= -0.5 && x < 0.5 ? 1.0 : 0.0; }},
    {"Triangle", 1.0, [](double x) { return std::max(0.0, 1 - std::fabs(x)); }},
    {"Hermite", 1.0,
     [](double x) {
         x = std::fabs(x);
         return x < 1 ? (2 * x - 3) * x * x + 1 : 0.0;
     }},
    {"Bell", 1.5,
     [](double x) {
         x = std::fabs(x);
         if (x < 0.5) return 0.75 - x * x;
         if (x < 1.5) return 0.5 * (x - 1.5) * (x - 1.5);
         return 0.0;
     }},
    {"BSpline", 2.0, [](double x) { return mitchellNetravali(x, 1, 0); }},
    {"Mitchell", 2.0, [](double x) { return mitchellNetravali(x, 1.0 / 3, 1.0 / 3); }},
    {"Lanczos3", 3.0, [](double x) { return std::fabs(x) < 3 ? sinc(x) * sinc(x / 3) : 0.0; }},
    {"CatmullRom", 2.0, [](double x) { return mitchellNetravali(x, 0, 0.5); }},
};

// Which source texels make one output texel along an axis, and how much each counts.
struct Contributions {
    std::vector<uint32_t> first; // per output texel
    std::vector<uint32_t> count;
    uint32_t maxCount = 0;
    std::vector<float> weights; // maxCount per output texel
};

Contributions contributions(uint32_t srcSize, uint32_t dstSize, FilterType filter) {
    const Kernel& k = kKernels[filter];
    const double scale = double(dstSize) / srcSize;
    // Shrinking widens the kernel so that every source texel is seen; point sampling
    // stays a single tap.
    const double stretch = filter == kFilterPoint ? 1.0 : std::max(1.0, 1.0 / scale);
    const double support = k.radius * stretch;
    Contributions c;
    c.maxCount = uint32_t(std::ceil(2 * support)) + 2;
    c.first.resize(dstSize);
    c.count.resize(dstSize);
    c.weights.assign(size_t(dstSize) * c.maxCount, 0.0f);
    std::vector<double> w(c.maxCount);
    for (uint32_t i = 0; i < dstSize; ++i) {
        const double center = (i + 0.5) / scale;
        const long lo = long(std::floor(center - support));
        const long hi = long(std::ceil(center + support));
        const long first = std::max(0L, lo), last = std::min(long(srcSize) - 1, hi);
        std::fill(w.begin(), w.end(), 0.0);
        double sum = 0;
        for (long j = lo; j <= hi; ++j) {
            double v = k.weight((j + 0.5 - center) / stretch);
            if (v == 0) continue;
            long clamped = std::clamp(j, first, last); // edges repeat the border texel
            w[size_t(clamped - first)] += v;
            sum += v;
        }
        uint32_t n = uint32_t(last - first + 1);
        if (std::fabs(sum) < 1e-12) { // no tap hit: take the nearest texel
            std::fill(w.begin(), w.end(), 0.0);
            long nearest = std::clamp(long(std::floor(center)), first, last);
            w[size_t(nearest - first)] = 1;
            sum = 1;
        }
        // Trim zero weights at both ends so that the inner loops stay short.
        uint32_t b = 0, e = n;
        while (b + 1 < e && w[b] == 0)
            ++b;
        while (e > b + 1 && w[e - 1] == 0)
            --e;
        c.first[i] = uint32_t(first) + b;
        c.count[i] = e - b;
        for (uint32_t t = b; t < e; ++t)
            c.weights[size_t(i) * c.maxCount + (t - b)] = float(w[t] / sum);
    }
    return c;
}

inline uint8_t toByte(float v) { return uint8_t(std::clamp(v + 0.5f, 0.0f, 255.0f)); }

// --- texel planes for flips and rotations -------------------------------------------------
// Texels as whole bytes: linear formats keep their bytes, 4-bit ones take one byte per
// texel, the tiled GameCube formats go through RGBA.

struct Plane {
    uint32_t width = 0, height = 0, texelBytes = 0;
    std::vector<uint8_t> bytes;
};

bool toPlane(const PixelImage& img, Plane& plane, std::string* error) {
    if (!validate(img, error)) return false;
    const FormatInfo* f = findFormat(img.format);
    plane.width = img.width;
    plane.height = img.height;
    if (f->uninterpreted) {
        plane.texelBytes = 4;
        return decodeToRGBA(img, plane.bytes, error);
    }
    const size_t n = size_t(img.width) * img.height;
    if (f->bitsPerTexel == 4) {
        plane.texelBytes = 1;
        plane.bytes.resize(n);
        for (size_t i = 0; i < n; ++i)
            plane.bytes[i] = (img.pixels[i / 2] >> (4 * (i & 1))) & 15;
        return true;
    }
    plane.texelBytes = f->bitsPerTexel / 8;
    const size_t row = size_t(img.width) * plane.texelBytes;
    plane.bytes.resize(row * img.height);
    for (uint32_t y = 0; y < img.height; ++y)
        std::memcpy(plane.bytes.data() + y * row, img.pixels.data() + size_t(y) * img.stride, row);
    return true;
}

bool fromPlane(const Plane& plane, PixelImage& img, std::string* error) {
    const FormatInfo* f = findFormat(img.format);
    if (f->uninterpreted) {
        PixelImage out;
        if (!encodeFromRGBA(plane.bytes.data(), plane.width, plane.height, img.format, img.order, {}, out, error))
            return false;
        img.pixels = std::move(out.pixels);
    } else if (f->bitsPerTexel == 4) {
        const size_t n = size_t(plane.width) * plane.height;
        img.pixels.assign((n + 1) / 2, 0);
        for (size_t i = 0; i < n; ++i)
            img.pixels[i / 2] |= uint8_t(plane.bytes[i] << (4 * (i & 1)));
    } else {
        img.pixels = plane.bytes;
    }
    img.width = plane.width;
    img.height = plane.height;
    img.stride = rowStride(img.format, img.width);
    return true;
}

} // namespace

const char* filterName(uint32_t filter) { return filter < kFilterTypeCount ? kKernels[filter].name : nullptr; }

bool resample4(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, size_t srcStride, uint8_t* dst,
               uint32_t dstWidth, uint32_t dstHeight, size_t dstStride, FilterType filter, std::string* error) {
    return detail::noThrow(error, [&] {
        if (filter >= kFilterTypeCount) return fail(error, "unknown filter type " + std::to_string(uint32_t(filter)));
        if (!src || !dst || srcWidth == 0 || srcHeight == 0 || dstWidth == 0 || dstHeight == 0 ||
            srcWidth > kMaxDimension || srcHeight > kMaxDimension || dstWidth > kMaxDimension ||
            dstHeight > kMaxDimension)
            return fail(error, "bad resample size " + std::to_string(srcWidth) + "x" + std::to_string(srcHeight) +
                                   " to " + std::to_string(dstWidth) + "x" + std::to_string(dstHeight));
        if (srcStride < size_t(srcWidth) * 4 || dstStride < size_t(dstWidth) * 4)
            return fail(error, "row stride below 4 bytes per texel");

        const Contributions cx = contributions(srcWidth, dstWidth, filter);
        const Contributions cy = contributions(srcHeight, dstHeight, filter);
        // Each output row: blend the source rows it covers, then filter that row across.
        // The blend keeps eight sums in registers over all taps; fixed-size inner loops let
        // the compiler turn them into vector operations.
        std::vector<float> column(size_t(srcWidth) * 4);
        std::vector<const uint8_t*> rows(cy.maxCount);
        const size_t rowValues = size_t(srcWidth) * 4;
        for (uint32_t y = 0; y < dstHeight; ++y) {
            const float* wy = cy.weights.data() + size_t(y) * cy.maxCount;
            const uint32_t taps = cy.count[y];
            for (uint32_t t = 0; t < taps; ++t)
                rows[t] = src + size_t(cy.first[y] + t) * srcStride;
            float* col = column.data();
            size_t i = 0;
#if defined(__SSE2__)
            const __m128i zero = _mm_setzero_si128();
            for (; i + 8 <= rowValues; i += 8) {
                __m128 lo = _mm_setzero_ps(), hi = _mm_setzero_ps();
                for (uint32_t t = 0; t < taps; ++t) {
                    __m128i bytes =
                        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[t] + i)), zero);
                    const __m128 w = _mm_set1_ps(wy[t]);
                    lo = _mm_add_ps(lo, _mm_mul_ps(w, _mm_cvtepi32_ps(_mm_unpacklo_epi16(bytes, zero))));
                    hi = _mm_add_ps(hi, _mm_mul_ps(w, _mm_cvtepi32_ps(_mm_unpackhi_epi16(bytes, zero))));
                }
                _mm_storeu_ps(col + i, lo);
                _mm_storeu_ps(col + i + 4, hi);
            }
#else
            for (; i + 8 <= rowValues; i += 8) {
                float acc[8] = {};
                for (uint32_t t = 0; t < taps; ++t) {
                    const uint8_t* r = rows[t] + i;
                    const float w = wy[t];
                    for (int k = 0; k < 8; ++k)
                        acc[k] += w * float(r[k]);
                }
                for (int k = 0; k < 8; ++k)
                    col[i + k] = acc[k];
            }
#endif
            for (; i < rowValues; ++i) {
                float acc = 0;
                for (uint32_t t = 0; t < taps; ++t)
                    acc += wy[t] * float(rows[t][i]);
                col[i] = acc;
            }
            uint8_t* out = dst + size_t(y) * dstStride;
            for (uint32_t x = 0; x < dstWidth; ++x, out += 4) {
                const float* wx = cx.weights.data() + size_t(x) * cx.maxCount;
                const float* in = col + size_t(cx.first[x]) * 4;
                float acc[4] = {};
                for (uint32_t t = 0; t < cx.count[x]; ++t, in += 4)
                    for (int k = 0; k < 4; ++k)
                        acc[k] += wx[t] * in[k];
                for (int k = 0; k < 4; ++k)
                    out[k] = toByte(acc[k]);
            }
        }
        return true;
    });
}

bool scaledSize(uint32_t width, uint32_t height, const ResizeSettings& settings, uint32_t* newWidth,
                uint32_t* newHeight, std::string* error) {
    return detail::noThrow(error, [&] {
        auto apply = [](uint32_t size, float factor, uint32_t* out) {
            if (!(factor > 0.0f) || !std::isfinite(factor)) return false;
            if (factor == 1.0f) {
                *out = size;
                return true;
            }
            double v = std::floor(double(size) * double(factor) + 1e-6);
            if (v > kMaxDimension) return false;
            *out = std::max<uint32_t>(1, uint32_t(v));
            return true;
        };
        uint32_t w = 0, h = 0;
        if (!apply(width, settings.widthFactor, &w) || !apply(height, settings.heightFactor, &h))
            return fail(error, "scale factors " + std::to_string(settings.widthFactor) + ", " +
                                   std::to_string(settings.heightFactor) + " do not give a size for " +
                                   std::to_string(width) + "x" + std::to_string(height));
        if (newWidth) *newWidth = w;
        if (newHeight) *newHeight = h;
        return true;
    });
}

bool resampledCopy(const PixelImage& source, uint32_t width, uint32_t height, FilterType filter, PixelImage& out,
                   std::string* error) {
    return detail::noThrow(error, [&] {
        if (!validate(source, error)) return false;
        if (filter >= kFilterTypeCount) return fail(error, "unknown filter type " + std::to_string(uint32_t(filter)));
        if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension)
            return fail(error, "bad image size " + std::to_string(width) + "x" + std::to_string(height));

        if (isIndexed(source.format)) {
            Plane plane, result;
            if (!toPlane(source, plane, error)) return false;
            result.width = width;
            result.height = height;
            result.texelBytes = 1;
            result.bytes.resize(size_t(width) * height);
            for (uint32_t y = 0; y < height; ++y) {
                uint32_t sy = uint32_t((uint64_t(y) * 2 + 1) * source.height / (uint64_t(height) * 2));
                for (uint32_t x = 0; x < width; ++x) {
                    uint32_t sx = uint32_t((uint64_t(x) * 2 + 1) * source.width / (uint64_t(width) * 2));
                    result.bytes[size_t(y) * width + x] = plane.bytes[size_t(sy) * source.width + sx];
                }
            }
            PixelImage img = source;
            if (!fromPlane(result, img, error)) return false;
            out = std::move(img);
            return true;
        }

        if (source.format == kFormatRGBA8888) { // filter the stored bytes directly
            PixelImage img;
            img.format = source.format;
            img.order = source.order;
            img.width = width;
            img.height = height;
            img.stride = width * 4;
            reserveTexels(img.pixels, size_t(width) * height * 4);
            img.pixels.resize(size_t(width) * height * 4);
            if (!resample4(source.pixels.data(), source.width, source.height, source.stride, img.pixels.data(), width,
                           height, img.stride, filter, error))
                return false;
            out = std::move(img);
            return true;
        }

        std::vector<uint8_t> rgba, resized(size_t(width) * height * 4);
        if (!decodeToRGBA(source, rgba, error)) return false;
        if (!resample4(rgba.data(), source.width, source.height, size_t(source.width) * 4, resized.data(), width,
                       height, size_t(width) * 4, filter, error))
            return false;
        return encodeFromRGBA(resized.data(), width, height, source.format, source.order, {}, out, error);
    });
}

bool scale(PixelImage& image, const ResizeSettings& settings, std::string* error) {
    return detail::noThrow(error, [&] {
        if (!validate(image, error)) return false;
        uint32_t w, h;
        if (!scaledSize(image.width, image.height, settings, &w, &h, error)) return false;
        if (w == image.width && h == image.height) return true;
        PixelImage out;
        if (!resampledCopy(image, w, h, settings.filter, out, error)) return false;
        image = std::move(out);
        return true;
    });
}

bool flipV(PixelImage& image, std::string* error) {
    return detail::noThrow(error, [&] {
        Plane plane;
        if (!toPlane(image, plane, error)) return false;
        const size_t row = size_t(plane.width) * plane.texelBytes;
        for (uint32_t y = 0; y < plane.height / 2; ++y)
            std::swap_ranges(plane.bytes.begin() + long(y * row), plane.bytes.begin() + long((y + 1) * row),
                             plane.bytes.begin() + long((plane.height - 1 - y) * row));
        PixelImage out = image;
        if (!fromPlane(plane, out, error)) return false;
        image = std::move(out);
        return true;
    });
}

bool rotate(PixelImage& image, double degrees, std::string* error) {
    return detail::noThrow(error, [&] {
        const double quarters = degrees / 90.0;
        if (!std::isfinite(quarters) || std::fabs(quarters - std::round(quarters)) > 1e-9)
            return fail(error, "cannot rotate by " + std::to_string(degrees) + " degrees, only by multiples of 90");
        const int turns = int(((long long)std::llround(quarters) % 4 + 4) % 4);
        Plane plane;
        if (!toPlane(image, plane, error)) return false;
        if (turns == 0) return true;
        const uint32_t W = plane.width, H = plane.height, tb = plane.texelBytes;
        Plane out;
        out.texelBytes = tb;
        out.width = turns == 2 ? W : H;
        out.height = turns == 2 ? H : W;
        out.bytes.resize(plane.bytes.size());
        for (uint32_t y = 0; y < out.height; ++y)
            for (uint32_t x = 0; x < out.width; ++x) {
                uint32_t sx, sy;
                switch (turns) {
                case 1:
                    sx = W - 1 - y;
                    sy = x;
                    break;
                case 2:
                    sx = W - 1 - x;
                    sy = H - 1 - y;
                    break;
                default:
                    sx = y;
                    sy = H - 1 - x;
                    break;
                }
                std::memcpy(out.bytes.data() + (size_t(y) * out.width + x) * tb,
                            plane.bytes.data() + (size_t(sy) * W + sx) * tb, tb);
            }
        PixelImage result = image;
        if (!fromPlane(out, result, error)) return false;
        image = std::move(result);
        return true;
    });
}

} // namespace Tam::Gfx
