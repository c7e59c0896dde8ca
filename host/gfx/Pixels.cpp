#include "host/gfx/Pixels.h"
#include "host/gfx/NoThrow.h"

#include "host/gfx/Palette.h"
#include "host/core/zkInputLimits.h"

#include <squish.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstring>

namespace Tam::Gfx {
namespace {

constexpr FormatInfo kFormats[] = {
    {kFormatL8, "ZK_GFX_TEXTURE_FORMAT_L_8", 8, "L", {8}, false, false, false, 1, 1, 0},
    {kFormatA8, "ZK_GFX_TEXTURE_FORMAT_A_8", 8, "A", {8}, false, true, false, 1, 1, 0},
    {kFormatLA44, "ZK_GFX_TEXTURE_FORMAT_LA_44_8", 8, "LA", {4, 4}, false, true, false, 1, 1, 0},
    {kFormatRGB332, "ZK_GFX_TEXTURE_FORMAT_RGB_332_8", 8, "RGB", {3, 3, 2}, false, false, false, 1, 1, 0},
    {kFormatRGB888, "ZK_GFX_TEXTURE_FORMAT_RGB_888_24", 24, "RGB", {8, 8, 8}, false, false, false, 1, 1, 0},
    {kFormatL4, "ZK_GFX_TEXTURE_FORMAT_L_4", 4, "L", {4}, false, false, false, 1, 1, 0},
    {kFormatRGBA8888, "ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32", 32, "RGBA", {8, 8, 8, 8}, false, true, false, 1, 1, 0},
    {kFormatRGBA5551, "ZK_GFX_TEXTURE_FORMAT_RGBA_5551_16", 16, "RGBA", {5, 5, 5, 1}, false, true, false, 1, 1, 0},
    // Opaque texels keep 5 bits of colour, translucent ones 4 bits and 3 of alpha.
    {kFormatGcRGB5A3, "ZK_GFX_TEXTURE_FORMAT_GC_RGB5A3_16", 16, "RGBA", {5, 5, 5, 3}, false, true, true, 4, 4, 0},
    {kFormatGcCMPR, "ZK_GFX_TEXTURE_FORMAT_GC_CMPR_4", 4, "RGBA", {5, 6, 5, 1}, false, true, true, 8, 8, 0},
    {kFormatIndexed8, "ZK_GFX_TEXTURE_FORMAT_INDEXED_8", 8, "I", {8}, true, true, false, 1, 1, 256},
    {kFormatIndexed4, "ZK_GFX_TEXTURE_FORMAT_INDEXED_4", 4, "I", {4}, true, true, false, 1, 1, 16},
};

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

std::string describe(uint32_t format) {
    const char* name = formatName(format);
    return name ? std::string(name) : "format " + std::to_string(format);
}

bool usesOrder(uint32_t format) {
    return format == kFormatRGB888 || format == kFormatRGBA8888 || format == kFormatRGBA5551;
}

bool isPackedNibbles(uint32_t format) { return format == kFormatL4 || format == kFormatIndexed4; }

uint32_t roundUp(uint32_t v, uint32_t m) { return (v + m - 1) / m * m; }

// Rounds an 8-bit value to n bits, and widens n bits back to 8 by bit replication;
// quantize(expand(q)) == q for every q, so exact values survive a round trip.
inline uint32_t quantize(uint32_t v, uint32_t bits) {
    uint32_t max = (1u << bits) - 1;
    return (v * max + 127) / 255;
}
inline uint8_t expand(uint32_t q, uint32_t bits) {
    switch (bits) {
    case 1: return q ? 255 : 0;
    case 2: return uint8_t(q * 85);
    case 3: return uint8_t(q << 5 | q << 2 | q >> 1);
    case 4: return uint8_t(q * 17);
    case 5: return uint8_t(q << 3 | q >> 2);
    case 6: return uint8_t(q << 2 | q >> 4);
    default: return uint8_t(q);
    }
}

inline uint8_t luminance(const uint8_t* p) { return uint8_t((77u * p[0] + 150u * p[1] + 29u * p[2] + 128u) >> 8); }

// --- GameCube 16-bit: big-endian words in 4x4 tiles -------------------------------------

inline size_t rgb5a3Offset(uint32_t x, uint32_t y, uint32_t paddedWidth) {
    size_t tile = size_t(y / 4) * (paddedWidth / 4) + x / 4;
    return tile * 32 + 2 * ((y % 4) * 4 + x % 4);
}

inline void decodeRGB5A3(uint16_t w, uint8_t* out) {
    if (w & 0x8000) {
        out[0] = expand(w >> 10 & 31, 5);
        out[1] = expand(w >> 5 & 31, 5);
        out[2] = expand(w & 31, 5);
        out[3] = 255;
    } else {
        out[0] = expand(w >> 8 & 15, 4);
        out[1] = expand(w >> 4 & 15, 4);
        out[2] = expand(w & 15, 4);
        out[3] = expand(w >> 12 & 7, 3);
    }
}

inline bool rgb5a3Opaque(uint8_t alpha) { return quantize(alpha, 3) == 7; }

inline uint16_t encodeRGB5A3(const uint8_t* p) {
    if (rgb5a3Opaque(p[3]))
        return uint16_t(0x8000 | quantize(p[0], 5) << 10 | quantize(p[1], 5) << 5 | quantize(p[2], 5));
    return uint16_t(quantize(p[3], 3) << 12 | quantize(p[0], 4) << 8 | quantize(p[1], 4) << 4 | quantize(p[2], 4));
}

// --- GameCube block format: 8x8 tiles of four DXT1 blocks ------------------------------
// The hardware stores the two colour words big-endian and each index row with its
// leftmost texel in the top two bits; DXT1 has both the other way round.

inline uint8_t reverseIndexPairs(uint8_t b) {
    return uint8_t((b & 0x03) << 6 | (b & 0x0c) << 2 | (b & 0x30) >> 2 | (b & 0xc0) >> 6);
}

void swapBlockLayout(const uint8_t* in, uint8_t* out) {
    out[0] = in[1];
    out[1] = in[0];
    out[2] = in[3];
    out[3] = in[2];
    for (int i = 4; i < 8; ++i)
        out[i] = reverseIndexPairs(in[i]);
}

// Byte offset of the 4x4 block whose top-left texel is (x, y).
inline size_t cmprBlockOffset(uint32_t x, uint32_t y, uint32_t paddedWidth) {
    size_t tile = size_t(y / 8) * (paddedWidth / 8) + x / 8;
    return tile * 32 + 8 * (((y / 4) % 2) * 2 + (x / 4) % 2);
}

// --- texel decoding ---------------------------------------------------------------------

bool decodeLinear(const PixelImage& img, uint8_t* out, std::string* error) {
    const uint32_t w = img.width, h = img.height;
    const bool platform = img.order == kOrderPlatform;
    const uint32_t entries = img.paletteEntryCount();
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = img.pixels.data() + size_t(y) * img.stride;
        uint8_t* o = out + size_t(y) * w * 4;
        for (uint32_t x = 0; x < w; ++x, o += 4) {
            switch (img.format) {
            case kFormatL8:
                o[0] = o[1] = o[2] = row[x];
                o[3] = 255;
                break;
            case kFormatA8:
                o[0] = o[1] = o[2] = 255;
                o[3] = row[x];
                break;
            case kFormatLA44:
                o[0] = o[1] = o[2] = expand(row[x] >> 4, 4);
                o[3] = expand(row[x] & 15, 4);
                break;
            case kFormatRGB332:
                o[0] = expand(row[x] >> 5, 3);
                o[1] = expand(row[x] >> 2 & 7, 3);
                o[2] = expand(row[x] & 3, 2);
                o[3] = 255;
                break;
            case kFormatRGB888: {
                const uint8_t* p = row + 3 * x;
                o[0] = p[platform ? 2 : 0];
                o[1] = p[1];
                o[2] = p[platform ? 0 : 2];
                o[3] = 255;
                break;
            }
            case kFormatRGBA8888: {
                const uint8_t* p = row + 4 * x;
                o[0] = p[platform ? 2 : 0];
                o[1] = p[1];
                o[2] = p[platform ? 0 : 2];
                o[3] = p[3];
                break;
            }
            case kFormatRGBA5551: {
                uint32_t v = uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
                if (platform) {
                    o[0] = expand(v >> 10 & 31, 5);
                    o[1] = expand(v >> 5 & 31, 5);
                    o[2] = expand(v & 31, 5);
                    o[3] = expand(v >> 15, 1);
                } else {
                    o[0] = expand(v >> 11 & 31, 5);
                    o[1] = expand(v >> 6 & 31, 5);
                    o[2] = expand(v >> 1 & 31, 5);
                    o[3] = expand(v & 1, 1);
                }
                break;
            }
            case kFormatIndexed8: {
                uint32_t i = row[x];
                if (i >= entries)
                    return fail(error, "texel (" + std::to_string(x) + "," + std::to_string(y) +
                                           ") uses palette entry " + std::to_string(i) + " of " +
                                           std::to_string(entries));
                std::memcpy(o, img.palette.data() + 4 * i, 4);
                break;
            }
            default: return fail(error, "cannot decode " + describe(img.format));
            }
        }
    }
    return true;
}

bool decodeNibbles(const PixelImage& img, uint8_t* out, std::string* error) {
    const size_t n = size_t(img.width) * img.height;
    const uint32_t entries = img.paletteEntryCount();
    for (size_t i = 0; i < n; ++i, out += 4) {
        uint32_t v = (img.pixels[i / 2] >> (4 * (i & 1))) & 15;
        if (img.format == kFormatL4) {
            out[0] = out[1] = out[2] = expand(v, 4);
            out[3] = 255;
        } else {
            if (v >= entries)
                return fail(error, "texel " + std::to_string(i) + " uses palette entry " + std::to_string(v) + " of " +
                                       std::to_string(entries));
            std::memcpy(out, img.palette.data() + 4 * v, 4);
        }
    }
    return true;
}

void decodeGcRGB5A3(const PixelImage& img, uint8_t* out) {
    const uint32_t pw = roundUp(img.width, 4);
    for (uint32_t y = 0; y < img.height; ++y)
        for (uint32_t x = 0; x < img.width; ++x) {
            const uint8_t* p = img.pixels.data() + rgb5a3Offset(x, y, pw);
            decodeRGB5A3(uint16_t(p[0] << 8 | p[1]), out + (size_t(y) * img.width + x) * 4);
        }
}

void decodeGcCMPR(const PixelImage& img, uint8_t* out) {
    const uint32_t pw = roundUp(img.width, 8), ph = roundUp(img.height, 8);
    uint8_t block[8], texels[64];
    for (uint32_t by = 0; by < ph; by += 4)
        for (uint32_t bx = 0; bx < pw; bx += 4) {
            swapBlockLayout(img.pixels.data() + cmprBlockOffset(bx, by, pw), block);
            squish::Decompress(texels, block, squish::kDxt1);
            for (uint32_t ty = 0; ty < 4 && by + ty < img.height; ++ty)
                for (uint32_t tx = 0; tx < 4 && bx + tx < img.width; ++tx)
                    std::memcpy(out + (size_t(by + ty) * img.width + bx + tx) * 4, texels + 4 * (ty * 4 + tx), 4);
        }
}

// --- texel encoding ---------------------------------------------------------------------

// Floyd-Steinberg on red, green and blue, snapping each to the values the target stores.
// The error for the right neighbour stays in registers; the row below collects the rest.
// `err` is scratch space of ditherScratch(w) floats, allocated by the caller.
size_t ditherScratch(uint32_t w) { return size_t(w + 2) * 3 * 2; }

void ditherColour(std::vector<uint8_t>& rgba, uint32_t w, uint32_t h, uint32_t format, std::vector<float>& err) {
    std::fill(err.begin(), err.end(), 0.0f);
    float* cur = err.data();
    float* next = err.data() + size_t(w + 2) * 3;
    const uint32_t fixedBits[3] = {format == kFormatRGB332 ? 3u : 5u, format == kFormatRGB332 ? 3u : 5u,
                                   format == kFormatRGB332 ? 2u : 5u};
    for (uint32_t y = 0; y < h; ++y) {
        std::fill(next, next + size_t(w + 2) * 3, 0.0f);
        float carry[3] = {0, 0, 0};
        uint8_t* p = rgba.data() + size_t(y) * w * 4;
        for (uint32_t x = 0; x < w; ++x, p += 4) {
            const bool translucent = format == kFormatGcRGB5A3 && !rgb5a3Opaque(p[3]);
            float* below = next + size_t(x) * 3;
            for (int c = 0; c < 3; ++c) {
                const uint32_t bits = translucent ? 4 : fixedBits[c];
                const float levels = float((1u << bits) - 1);
                const float want = std::clamp(float(p[c]) + carry[c] + cur[(x + 1) * 3 + c], 0.0f, 255.0f);
                const uint8_t got = expand(uint32_t(want * levels / 255.0f + 0.5f), bits);
                const float e = want - float(got);
                p[c] = got;
                carry[c] = e * (7.0f / 16);
                below[c] += e * (3.0f / 16);
                below[3 + c] += e * (5.0f / 16);
                below[6 + c] += e * (1.0f / 16);
            }
        }
        std::swap(cur, next);
    }
}

// Each texel is read whole before its bytes are written, and no texel takes more than the
// 4 bytes it comes from, so `rgba` may be the image's own pixel buffer.
void encodeLinear(const uint8_t* rgba, PixelImage& img) {
    const bool platform = img.order == kOrderPlatform;
    const size_t n = size_t(img.width) * img.height;
    uint8_t* o = img.pixels.data();
    const uint8_t* p = rgba;
    switch (img.format) {
    case kFormatL8:
        for (size_t i = 0; i < n; ++i, p += 4)
            o[i] = luminance(p);
        break;
    case kFormatA8:
        for (size_t i = 0; i < n; ++i, p += 4)
            o[i] = p[3];
        break;
    case kFormatLA44:
        for (size_t i = 0; i < n; ++i, p += 4)
            o[i] = uint8_t(quantize(luminance(p), 4) << 4 | quantize(p[3], 4));
        break;
    case kFormatRGB332:
        for (size_t i = 0; i < n; ++i, p += 4)
            o[i] = uint8_t(quantize(p[0], 3) << 5 | quantize(p[1], 3) << 2 | quantize(p[2], 2));
        break;
    case kFormatRGB888:
        for (size_t i = 0; i < n; ++i, p += 4, o += 3) {
            const uint8_t r = p[0], g = p[1], b = p[2];
            o[0] = platform ? b : r;
            o[1] = g;
            o[2] = platform ? r : b;
        }
        break;
    case kFormatRGBA8888:
        if (!platform) {
            if (o != p) std::memcpy(o, p, n * 4);
            break;
        }
        for (size_t i = 0; i < n; ++i, p += 4, o += 4) {
            const uint8_t r = p[0], b = p[2];
            o[0] = b;
            o[1] = p[1];
            o[2] = r;
            o[3] = p[3];
        }
        break;
    case kFormatRGBA5551:
        for (size_t i = 0; i < n; ++i, p += 4, o += 2) {
            uint32_t r = quantize(p[0], 5), g = quantize(p[1], 5), b = quantize(p[2], 5), a = p[3] >= 128;
            uint32_t v = platform ? (a << 15 | r << 10 | g << 5 | b) : (r << 11 | g << 6 | b << 1 | a);
            o[0] = uint8_t(v);
            o[1] = uint8_t(v >> 8);
        }
        break;
    case kFormatL4:
        for (size_t i = 0; i < n; ++i, p += 4) {
            const uint8_t v = uint8_t(quantize(luminance(p), 4));
            if (i & 1)
                o[i / 2] = uint8_t(o[i / 2] | v << 4);
            else
                o[i / 2] = v;
        }
        break;
    default: break;
    }
}

bool isLinearColourFormat(uint32_t format) {
    const FormatInfo* f = findFormat(format);
    return f && !f->indexed && f->tileWidth == 1;
}

void encodeGcRGB5A3(const uint8_t* rgba, PixelImage& img) {
    const uint32_t pw = roundUp(img.width, 4);
    for (uint32_t y = 0; y < img.height; ++y)
        for (uint32_t x = 0; x < img.width; ++x) {
            uint16_t v = encodeRGB5A3(rgba + (size_t(y) * img.width + x) * 4);
            uint8_t* o = img.pixels.data() + rgb5a3Offset(x, y, pw);
            o[0] = uint8_t(v >> 8);
            o[1] = uint8_t(v);
        }
}

void encodeGcCMPR(const uint8_t* rgba, PixelImage& img) {
    const uint32_t pw = roundUp(img.width, 8), ph = roundUp(img.height, 8);
    uint8_t texels[64], block[8];
    for (uint32_t by = 0; by < ph; by += 4)
        for (uint32_t bx = 0; bx < pw; bx += 4) {
            // Texels of the padding are left out of the fit; they repeat the nearest edge.
            int mask = 0;
            for (uint32_t ty = 0; ty < 4; ++ty)
                for (uint32_t tx = 0; tx < 4; ++tx) {
                    uint32_t x = std::min(bx + tx, img.width - 1), y = std::min(by + ty, img.height - 1);
                    if (bx + tx < img.width && by + ty < img.height) mask |= 1 << (ty * 4 + tx);
                    std::memcpy(texels + 4 * (ty * 4 + tx), rgba + (size_t(y) * img.width + x) * 4, 4);
                }
            if (mask == 0) mask = 1; // an all-padding block still needs valid colour words
            // The range fit: a 4096 x 4096 texture compresses in about a second, where the
            // cluster fit takes half a minute for about 1 dB of PSNR more.
            squish::CompressMasked(texels, mask, block, squish::kDxt1 | squish::kColourRangeFit);
            swapBlockLayout(block, img.pixels.data() + cmprBlockOffset(bx, by, pw));
        }
}

bool encodeIndexed(const uint8_t* rgba, PixelImage& img, std::string* error) {
    const FormatInfo* info = findFormat(img.format);
    std::vector<uint8_t> indices;
    const size_t n = size_t(img.width) * img.height;
    if (!quantizePalette(rgba, n, info->paletteEntries, img.palette, indices, error)) return false;
    if (img.format == kFormatIndexed8) {
        img.pixels = std::move(indices);
    } else {
        for (size_t i = 0; i < n; ++i)
            img.pixels[i / 2] |= uint8_t(indices[i] << (4 * (i & 1)));
    }
    return true;
}

void padPalette(std::vector<uint8_t>& palette, uint32_t entries) {
    const size_t old = palette.size() / 4;
    palette.resize(size_t(entries) * 4, 0);
    for (size_t e = old; e < entries; ++e)
        palette[4 * e + 3] = 255;
}

// Exact, index-preserving moves between the two indexed formats. False when the indices
// do not fit the target (or the palette); the caller then quantizes.
bool convertBetweenIndexed(PixelImage& image, uint32_t format) {
    const size_t n = size_t(image.width) * image.height;
    const uint32_t entries = image.paletteEntryCount();
    std::vector<uint8_t> indices(n);
    for (size_t i = 0; i < n; ++i)
        indices[i] = image.format == kFormatIndexed8 ? image.pixels[i] : (image.pixels[i / 2] >> (4 * (i & 1))) & 15;
    const uint32_t limit = std::min(entries, findFormat(format)->paletteEntries);
    for (uint8_t v : indices)
        if (v >= limit) return false;
    if (format == kFormatIndexed8) {
        image.pixels = std::move(indices);
        padPalette(image.palette, 256);
    } else {
        std::vector<uint8_t> out((n + 1) / 2, 0);
        for (size_t i = 0; i < n; ++i)
            out[i / 2] |= uint8_t(indices[i] << (4 * (i & 1)));
        image.pixels = std::move(out);
        image.palette.resize(std::min<size_t>(image.palette.size(), 16 * 4));
        padPalette(image.palette, 16);
    }
    image.format = format;
    image.order = kOrderRGBA;
    image.stride = rowStride(format, image.width);
    return true;
}

} // namespace

// --- format queries ---------------------------------------------------------------------

std::span<const FormatInfo> allFormats() { return kFormats; }

const FormatInfo* findFormat(uint32_t format) {
    for (const FormatInfo& f : kFormats)
        if (f.format == format) return &f;
    return nullptr;
}

const char* formatName(uint32_t format) {
    const FormatInfo* f = findFormat(format);
    return f ? f->name : nullptr;
}

bool formatFromName(const std::string& name, uint32_t* format) {
    for (const FormatInfo& f : kFormats)
        if (name == f.name) {
            if (format) *format = f.format;
            return true;
        }
    return false;
}

bool isIndexed(uint32_t format) {
    const FormatInfo* f = findFormat(format);
    return f && f->indexed;
}

bool hasAlpha(uint32_t format) {
    const FormatInfo* f = findFormat(format);
    return f && f->canHaveAlpha;
}

bool isUninterpreted(uint32_t format) {
    const FormatInfo* f = findFormat(format);
    return f && f->uninterpreted;
}

uint32_t bitsPerTexel(uint32_t format) {
    const FormatInfo* f = findFormat(format);
    return f ? f->bitsPerTexel : 0;
}

bool isValidOrder(uint32_t order) { return order == kOrderRGBA || order == kOrderPlatform; }

uint32_t getPlatformSpecificOrder() { return kOrderPlatform; }

bool getComponentDepths(uint32_t format, ComponentDepths* depths) {
    const FormatInfo* f = findFormat(format);
    if (!f) return false;
    ComponentDepths d{};
    for (int i = 0; i < 4 && f->components[i]; ++i) {
        uint8_t bits = f->componentBits[i];
        switch (f->components[i]) {
        case 'R': d.red = bits; break;
        case 'G': d.green = bits; break;
        case 'B': d.blue = bits; break;
        case 'A': d.alpha = bits; break;
        case 'L': d.luminance = bits; break;
        case 'I': d.index = bits; break;
        default: break;
        }
    }
    if (depths) *depths = d;
    return true;
}

bool getIndexFromComponentOrder(uint32_t format, uint32_t order, int positions[4]) {
    const bool platform = order == kOrderPlatform;
    int p[4] = {-1, -1, -1, -1};
    switch (format) {
    case kFormatL8: p[0] = p[1] = p[2] = 0; break;
    case kFormatA8: p[3] = 0; break;
    case kFormatRGB888:
    case kFormatRGBA8888:
        p[0] = platform ? 2 : 0;
        p[1] = 1;
        p[2] = platform ? 0 : 2;
        if (format == kFormatRGBA8888) p[3] = 3;
        break;
    default: return false;
    }
    if (positions) std::copy(p, p + 4, positions);
    return true;
}

uint32_t rowStride(uint32_t format, uint32_t width) {
    const FormatInfo* f = findFormat(format);
    if (!f || width > kMaxDimension) return 0;
    uint32_t padded = roundUp(width, f->tileWidth);
    return uint32_t((uint64_t(padded) * f->bitsPerTexel + 7) / 8);
}

size_t dataSize(uint32_t format, uint32_t width, uint32_t height) {
    const FormatInfo* f = findFormat(format);
    if (!f || width > kMaxDimension || height > kMaxDimension) return 0;
    if (isPackedNibbles(format)) return (size_t(width) * height + 1) / 2;
    return size_t(rowStride(format, width)) * roundUp(height, f->tileHeight);
}

// --- images -----------------------------------------------------------------------------

bool validate(const PixelImage& image, std::string* error) {
    return detail::noThrow(error, [&] {
        const FormatInfo* f = findFormat(image.format);
        if (!f) return fail(error, "unknown texture format " + std::to_string(image.format));
        if (!isValidOrder(image.order)) return fail(error, "unknown image order " + std::to_string(image.order));
        if (image.width == 0 || image.height == 0 || image.width > kMaxDimension || image.height > kMaxDimension)
            return fail(error, "bad image size " + std::to_string(image.width) + "x" + std::to_string(image.height));
        const uint32_t tight = rowStride(image.format, image.width);
        size_t need;
        if (f->bitsPerTexel >= 8 && f->tileWidth == 1) {
            if (image.stride < tight)
                return fail(error, "row stride " + std::to_string(image.stride) + " is below the " +
                                       std::to_string(tight) + " bytes a row of " + describe(image.format) + " needs");
            need = size_t(image.stride) * (image.height - 1) + tight;
        } else {
            if (image.stride != tight)
                return fail(error, "row stride " + std::to_string(image.stride) + " must be " + std::to_string(tight) +
                                       " for " + describe(image.format));
            need = dataSize(image.format, image.width, image.height);
        }
        if (image.pixels.size() < need)
            return fail(error, "pixel data is " + std::to_string(image.pixels.size()) + " bytes, " +
                                   std::to_string(need) + " needed for " + std::to_string(image.width) + "x" +
                                   std::to_string(image.height) + " " + describe(image.format));
        if (f->indexed) {
            if (image.palette.empty()) return fail(error, "indexed image has no palette");
            if (image.palette.size() % 4 != 0 || image.palette.size() > 256 * 4)
                return fail(error,
                            "palette of " + std::to_string(image.palette.size()) + " bytes is not 1..256 RGBA entries");
        }
        return true;
    });
}

bool load(PixelImage& image, const void* data, size_t size, uint32_t format, uint32_t width, uint32_t height,
          uint32_t order, std::string* error) {
    return detail::noThrow(error, [&] {
        PixelImage img;
        img.format = format;
        img.order = usesOrder(format) ? order : kOrderRGBA;
        img.width = width;
        img.height = height;
        img.stride = rowStride(format, width);
        if (!findFormat(format)) return fail(error, "unknown texture format " + std::to_string(format));
        if (!isValidOrder(order)) return fail(error, "unknown image order " + std::to_string(order));
        if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension)
            return fail(error, "bad image size " + std::to_string(width) + "x" + std::to_string(height));
        const size_t need = dataSize(format, width, height);
        if (size < need || (!data && need))
            return fail(error, "pixel data is " + std::to_string(size) + " bytes, " + std::to_string(need) +
                                   " needed for " + std::to_string(width) + "x" + std::to_string(height) + " " +
                                   describe(format));
        const uint8_t* bytes = static_cast<const uint8_t*>(data);
        img.pixels.assign(bytes, bytes + need);
        image = std::move(img);
        return true;
    });
}

bool setPalette(PixelImage& image, const void* entries, uint32_t count, std::string* error) {
    return detail::noThrow(error, [&] {
        if (count == 0 || count > 256 || !entries)
            return fail(error, "palette of " + std::to_string(count) + " entries is not 1..256");
        const uint8_t* bytes = static_cast<const uint8_t*>(entries);
        image.palette.assign(bytes, bytes + size_t(count) * 4);
        return true;
    });
}

bool decodeToRGBA(const PixelImage& image, std::vector<uint8_t>& rgba, std::string* error) {
    return detail::noThrow(error, [&] {
        if (!validate(image, error)) return false;
        std::vector<uint8_t> out(size_t(image.width) * image.height * 4);
        switch (image.format) {
        case kFormatL4:
        case kFormatIndexed4:
            if (!decodeNibbles(image, out.data(), error)) return false;
            break;
        case kFormatGcRGB5A3: decodeGcRGB5A3(image, out.data()); break;
        case kFormatGcCMPR: decodeGcCMPR(image, out.data()); break;
        default:
            if (!decodeLinear(image, out.data(), error)) return false;
        }
        rgba = std::move(out);
        return true;
    });
}

bool imageHasAlpha(const PixelImage& image) {
    return detail::noThrow(nullptr, [&] {
        if (!hasAlpha(image.format)) return false;
        if (isIndexed(image.format)) {
            if (!validate(image)) return false;
            const size_t n = size_t(image.width) * image.height;
            const uint32_t entries = image.paletteEntryCount();
            for (size_t i = 0; i < n; ++i) {
                uint32_t v =
                    image.format == kFormatIndexed8 ? image.pixels[i] : (image.pixels[i / 2] >> (4 * (i & 1))) & 15;
                if (v < entries && image.palette[4 * v + 3] != 255) return true;
            }
            return false;
        }
        std::vector<uint8_t> rgba;
        if (!decodeToRGBA(image, rgba)) return false;
        for (size_t i = 3; i < rgba.size(); i += 4)
            if (rgba[i] != 255) return true;
        return false;
    });
}

bool encodeFromRGBA(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t format, uint32_t order,
                    const ConvertOptions& options, PixelImage& image, std::string* error) {
    return detail::noThrow(error, [&] {
        if (!findFormat(format)) return fail(error, "unknown texture format " + std::to_string(format));
        if (!isValidOrder(order)) return fail(error, "unknown image order " + std::to_string(order));
        if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension)
            return fail(error, "bad image size " + std::to_string(width) + "x" + std::to_string(height));
        if (!rgba) return fail(error, "no texels to encode");

        const size_t n = size_t(width) * height;
        std::vector<uint8_t> work;
        const bool reduceColour = format == kFormatRGB332 || format == kFormatRGBA5551 || format == kFormatGcRGB5A3;
        if (!options.preserveAlpha || (options.dither && reduceColour)) {
            work.assign(rgba, rgba + n * 4);
            if (!options.preserveAlpha)
                for (size_t i = 3; i < work.size(); i += 4)
                    work[i] = 255;
            if (options.dither && reduceColour) {
                std::vector<float> scratch(ditherScratch(width));
                ditherColour(work, width, height, format, scratch);
            }
            rgba = work.data();
        }

        PixelImage img;
        img.format = format;
        img.order = usesOrder(format) ? order : kOrderRGBA;
        img.width = width;
        img.height = height;
        img.stride = rowStride(format, width);
        img.pixels.assign(dataSize(format, width, height), 0);
        switch (format) {
        case kFormatGcRGB5A3: encodeGcRGB5A3(rgba, img); break;
        case kFormatGcCMPR: encodeGcCMPR(rgba, img); break;
        case kFormatIndexed8:
        case kFormatIndexed4:
            if (!encodeIndexed(rgba, img, error)) return false;
            break;
        default: encodeLinear(rgba, img);
        }
        image = std::move(img);
        return true;
    });
}

void reserveTexels(std::vector<uint8_t>& bytes, size_t size) {
    constexpr size_t kHugePage = size_t(2) << 20;
    bytes = {};
    bytes.reserve(size);
    if (size < 2 * kHugePage) return;
    const auto start = reinterpret_cast<uintptr_t>(bytes.data());
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1), end = (start + size) & ~(kHugePage - 1);
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE); // advice only
}

bool convertImage(PixelImage& image, uint32_t format, uint32_t order, const ConvertOptions& options,
                  std::string* error) {
    return detail::noThrow(error, [&] {
        if (!validate(image, error)) return false;
        if (!findFormat(format)) return fail(error, "unknown texture format " + std::to_string(format));
        if (!isValidOrder(order)) return fail(error, "unknown image order " + std::to_string(order));
        const uint32_t targetOrder = usesOrder(format) ? order : kOrderRGBA;
        const uint32_t sourceOrder = usesOrder(image.format) ? image.order : kOrderRGBA;
        const bool tight = image.stride == rowStride(image.format, image.width);
        if (image.format == format && sourceOrder == targetOrder && tight) {
            // Alpha dropping is the only change a same-format conversion can ask for.
            if (options.preserveAlpha || !hasAlpha(format) || !imageHasAlpha(image)) return true;
        }
        if (isIndexed(image.format) && isIndexed(format) && image.format != format && options.preserveAlpha &&
            convertBetweenIndexed(image, format))
            return true;

        if (image.format == kFormatRGBA8888 && tight && isLinearColourFormat(format)) {
            // Work in the image's own buffer: fresh buffers of this size cost more than the
            // conversion itself. Scratch space comes first, so that nothing fails half-way.
            const bool dither = options.dither && (format == kFormatRGB332 || format == kFormatRGBA5551);
            std::vector<float> scratch(dither ? ditherScratch(image.width) : 0);
            std::vector<uint8_t>& rgba = image.pixels;
            rgba.resize(size_t(image.width) * image.height * 4);
            if (image.order == kOrderPlatform)
                for (size_t i = 0; i < rgba.size(); i += 4)
                    std::swap(rgba[i], rgba[i + 2]);
            if (!options.preserveAlpha)
                for (size_t i = 3; i < rgba.size(); i += 4)
                    rgba[i] = 255;
            if (dither) ditherColour(rgba, image.width, image.height, format, scratch);
            image.format = format;
            image.order = targetOrder;
            image.stride = rowStride(format, image.width);
            encodeLinear(rgba.data(), image);
            rgba.resize(dataSize(format, image.width, image.height));
            return true;
        }

        std::vector<uint8_t> decoded;
        const uint8_t* rgba;
        if (image.format == kFormatRGBA8888 && image.order == kOrderRGBA && tight) {
            rgba = image.pixels.data(); // already in the working layout
        } else {
            if (!decodeToRGBA(image, decoded, error)) return false;
            rgba = decoded.data();
        }
        PixelImage out;
        if (!encodeFromRGBA(rgba, image.width, image.height, format, targetOrder, options, out, error)) return false;
        image = std::move(out);
        return true;
    });
}

bool makeAbstract(PixelImage& image, AbstractState& state, std::string* error) {
    return detail::noThrow(error, [&] {
        state = AbstractState{};
        if (!validate(image, error)) return false;
        int positions[4];
        if (isIndexed(image.format) || getIndexFromComponentOrder(image.format, image.order, positions)) return true;
        const uint32_t target = hasAlpha(image.format) ? kFormatRGBA8888 : kFormatRGB888;
        PixelImage abstract = image;
        if (!convertImage(abstract, target, image.order, {}, error)) return false;
        state.original = std::move(image);
        state.abstractPixels = abstract.pixels;
        state.abstractFormat = target;
        state.active = true;
        image = std::move(abstract);
        return true;
    });
}

bool makeConcrete(PixelImage& image, AbstractState& state, std::string* error) {
    return detail::noThrow(error, [&] {
        if (!state.active) return true;
        if (image.format == state.abstractFormat && image.pixels == state.abstractPixels &&
            image.width == state.original.width && image.height == state.original.height) {
            image = std::move(state.original);
        } else {
            const uint32_t format = state.original.format, order = state.original.order;
            if (!convertImage(image, format, order, {}, error)) return false;
        }
        state = AbstractState{};
        return true;
    });
}

bool withinPixelLimit(uint32_t width, uint32_t height, std::string* error)
{
    const uint64_t pixels = uint64_t(width) * height, limit = Core::zkGetInputLimits().maxImagePixels;
    if (pixels <= limit) return true;
    if (error)
        *error = std::to_string(width) + "x" + std::to_string(height) + " is " + std::to_string(pixels) +
                 " pixels, more than the limit of " + std::to_string(limit) + " (zkopt --max-pixels raises it)";
    return false;
}

} // namespace Tam::Gfx
