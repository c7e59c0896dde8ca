#include "host/gfx/Png.h"
#include "host/gfx/NoThrow.h"
#include "host/io/SceneFile.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

namespace Tam::Gfx {
namespace {

// The most deflate expands: 258 bytes from a length code of as little as two bits, repeated.
constexpr uint64_t kMaxDeflateRatio = 1032;

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

// libpng reports errors by longjmp. The functions that call setjmp below hold only plain
// data, so that no destructor is skipped; everything owned is set up before them.
struct PngErrorText {
    char text[256];
};

void onPngError(png_structp png, png_const_charp message) {
    auto* err = static_cast<PngErrorText*>(png_get_error_ptr(png));
    std::snprintf(err->text, sizeof err->text, "%s", message ? message : "libpng error");
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// --- writing ----------------------------------------------------------------------------

struct WriteJob {
    uint32_t width, height;
    int bitDepth, colourType;
    png_bytep* rows;
    png_color* palette;
    int paletteCount;
    png_byte* trans;
    int transCount;
    std::vector<uint8_t>* out;
};

void onPngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* job = static_cast<WriteJob*>(png_get_io_ptr(png));
    job->out->insert(job->out->end(), data, data + length);
}

void onPngFlush(png_structp) {}

bool runPngWrite(WriteJob* job, PngErrorText* err) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, err, onPngError, onPngWarning);
    if (!png) {
        std::snprintf(err->text, sizeof err->text, "cannot create a PNG writer");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        if (!info) std::snprintf(err->text, sizeof err->text, "cannot create PNG info");
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, job, onPngWrite, onPngFlush);
    png_set_IHDR(png, info, job->width, job->height, job->bitDepth, job->colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job->paletteCount > 0) png_set_PLTE(png, info, job->palette, job->paletteCount);
    if (job->transCount > 0) png_set_tRNS(png, info, job->trans, job->transCount, nullptr);
    png_write_info(png, info);
    png_write_image(png, job->rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// --- reading ----------------------------------------------------------------------------

struct MemorySource {
    const uint8_t* data;
    size_t size, position;
};

void onPngRead(png_structp png, png_bytep out, png_size_t length) {
    auto* src = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > src->size - src->position) png_error(png, "PNG data is truncated");
    std::memcpy(out, src->data + src->position, length);
    src->position += length;
}

struct ReadHeader {
    png_uint_32 width, height;
    int bitDepth, colourType;
    size_t storedRowBytes; // a row as the file stores it, before the transformations
    bool interlaced;
    int channels; // after the transformations chosen for the colour type
    png_color palette[256];
    int paletteCount;
    png_byte trans[256];
    int transCount;
};

// First half: signature, header and palette, and the transformations to 8-bit samples.
bool readPngHeader(png_structp png, png_infop info, ReadHeader* h) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    int interlace = PNG_INTERLACE_NONE;
    png_get_IHDR(png, info, &h->width, &h->height, &h->bitDepth, &h->colourType, &interlace, nullptr, nullptr);
    h->storedRowBytes = png_get_rowbytes(png, info);
    h->interlaced = interlace != PNG_INTERLACE_NONE;
    h->paletteCount = 0;
    h->transCount = 0;
    if (h->colourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) && count > 0) {
            h->paletteCount = count > 256 ? 256 : count;
            std::memcpy(h->palette, palette, sizeof(png_color) * size_t(h->paletteCount));
        }
        png_bytep trans = nullptr;
        int transCount = 0;
        if (png_get_tRNS(png, info, &trans, &transCount, nullptr) && trans && transCount > 0) {
            h->transCount = transCount > 256 ? 256 : transCount;
            std::memcpy(h->trans, trans, size_t(h->transCount));
        }
        if (h->bitDepth < 8) png_set_packing(png);
    } else {
        png_set_strip_16(png);
        png_set_expand(png);
        png_set_gray_to_rgb(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    h->channels = png_get_channels(png, info);
    return true;
}

// Owns a reader; setjmp happens in the functions above, below this frame.
struct ReadStructs {
    explicit ReadStructs(PngErrorText* err)
        : png(png_create_read_struct(PNG_LIBPNG_VER_STRING, err, onPngError, onPngWarning)),
          info(png ? png_create_info_struct(png) : nullptr) {}
    ~ReadStructs() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    ReadStructs(const ReadStructs&) = delete;
    ReadStructs& operator=(const ReadStructs&) = delete;
    png_structp png;
    png_infop info;
};

bool readPngRows(png_structp png, png_infop info, png_bytep* rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

// Row by row, the buffer growing only as rows arrive: a stream that ends early has cost only the
// rows it held. For images stored without interlacing.
bool readPngRowsGrowing(png_structp png, png_infop info, std::vector<uint8_t>* texels, size_t rowBytes,
                        png_uint_32 height) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (png_uint_32 y = 0; y < height; ++y) {
        texels->resize(size_t(y + 1) * rowBytes);
        png_read_row(png, texels->data() + size_t(y) * rowBytes, nullptr);
    }
    png_read_end(png, info);
    return true;
}

} // namespace

bool encodePng(const PixelImage& image, std::vector<uint8_t>& png, std::string* error) {
    return detail::noThrow(error, [&] {
        if (!validate(image, error)) return false;
        const uint32_t w = image.width, h = image.height;
        std::vector<uint8_t> texels; // rows in the PNG's own sample layout
        size_t rowBytes;
        WriteJob job{};
        job.width = w;
        job.height = h;
        png_color palette[256];
        png_byte trans[256];

        if (isIndexed(image.format)) {
            const bool four = image.format == kFormatIndexed4;
            const uint32_t entries = std::min<uint32_t>(image.paletteEntryCount(), four ? 16 : 256);
            job.colourType = PNG_COLOR_TYPE_PALETTE;
            job.bitDepth = four ? 4 : 8;
            rowBytes = four ? (w + 1) / 2 : w;
            texels.assign(rowBytes * h, 0);
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t x = 0; x < w; ++x) {
                    uint32_t v;
                    if (four) {
                        size_t i = size_t(y) * w + x;
                        v = (image.pixels[i / 2] >> (4 * (i & 1))) & 15;
                        // The PNG puts the leftmost texel of a byte in the high nibble.
                        texels[y * rowBytes + x / 2] |= uint8_t(v << (x % 2 ? 0 : 4));
                    } else {
                        v = image.pixels[size_t(y) * image.stride + x];
                        texels[y * rowBytes + x] = uint8_t(v);
                    }
                    if (v >= entries)
                        return fail(error, "texel (" + std::to_string(x) + "," + std::to_string(y) +
                                               ") uses palette entry " + std::to_string(v) + " of " +
                                               std::to_string(entries));
                }
            int transCount = 0;
            for (uint32_t e = 0; e < entries; ++e) {
                const uint8_t* p = image.paletteEntry(e);
                palette[e] = {p[0], p[1], p[2]};
                trans[e] = p[3];
                if (p[3] != 255) transCount = int(e) + 1;
            }
            job.palette = palette;
            job.paletteCount = int(entries);
            job.trans = trans;
            job.transCount = transCount;
        } else {
            std::vector<uint8_t> rgba;
            if (!decodeToRGBA(image, rgba, error)) return false;
            job.bitDepth = 8;
            if (hasAlpha(image.format)) {
                job.colourType = PNG_COLOR_TYPE_RGBA;
                rowBytes = size_t(w) * 4;
                texels = std::move(rgba);
            } else {
                job.colourType = PNG_COLOR_TYPE_RGB;
                rowBytes = size_t(w) * 3;
                texels.resize(rowBytes * h);
                for (size_t i = 0, n = size_t(w) * h; i < n; ++i)
                    std::memcpy(&texels[3 * i], &rgba[4 * i], 3);
            }
        }
        std::vector<png_bytep> rows(h);
        for (uint32_t y = 0; y < h; ++y)
            rows[y] = texels.data() + y * rowBytes;
        job.rows = rows.data();
        std::vector<uint8_t> out;
        job.out = &out;
        PngErrorText err{};
        if (!runPngWrite(&job, &err)) return fail(error, std::string("PNG encoding failed: ") + err.text);
        png = std::move(out);
        return true;
    });
}

bool savePng(const PixelImage& image, const std::string& path, std::string* error) {
    return detail::noThrow(error, [&] {
        std::vector<uint8_t> bytes;
        if (!encodePng(image, bytes, error)) return false;
        std::string why;
        if (!Io::zkAtomicWrite(path, bytes.data(), bytes.size(), why)) return fail(error, why);
        return true;
    });
}

bool decodePng(const uint8_t* data, size_t size, PixelImage& image, std::string* error) {
    return detail::noThrow(error, [&] {
        if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return fail(error, "not a PNG file");
        PngErrorText err{};
        ReadStructs r(&err);
        if (!r.png || !r.info) return fail(error, "cannot create a PNG reader");
        png_set_user_limits(r.png, kMaxDimension, kMaxDimension);
        MemorySource source{data, size, 0};
        png_set_read_fn(r.png, &source, onPngRead);

        auto header = std::make_unique<ReadHeader>();
        if (!readPngHeader(r.png, r.info, header.get())) return fail(error, std::string("bad PNG: ") + err.text);
        const bool indexed = header->colourType == PNG_COLOR_TYPE_PALETTE;
        if (indexed && header->paletteCount == 0) return fail(error, "bad PNG: palettized image without a palette");
        const uint32_t w = header->width, h = header->height, channels = uint32_t(header->channels);
        if ((indexed && channels != 1) || (!indexed && channels != 3 && channels != 4))
            return fail(error, "bad PNG: unexpected sample layout");
        std::string why;
        if (!withinPixelLimit(w, h, &why)) return fail(error, "bad PNG: " + why);
        // Deflate expands data at most 1032 times, so the rows as stored, filter bytes aside,
        // cannot exceed 1032 times the file: a header that claims more is refused at once.
        if (uint64_t(header->storedRowBytes) * h > uint64_t(size) * kMaxDeflateRatio)
            return fail(error, "bad PNG: " + std::to_string(w) + "x" + std::to_string(h) + " is more than its " +
                                   std::to_string(size) + " bytes can hold");
        std::vector<uint8_t> texels;
        const size_t rowBytes = size_t(w) * channels;
        if (!header->interlaced) {
            if (!readPngRowsGrowing(r.png, r.info, &texels, rowBytes, h))
                return fail(error, std::string("bad PNG: ") + err.text);
        } else {
            // Every pass of an interlaced image touches the whole image.
            texels.resize(rowBytes * h);
            std::vector<png_bytep> rows(h);
            for (uint32_t y = 0; y < h; ++y)
                rows[y] = texels.data() + size_t(y) * rowBytes;
            if (!readPngRows(r.png, r.info, rows.data())) return fail(error, std::string("bad PNG: ") + err.text);
        }

        PixelImage img;
        img.width = w;
        img.height = h;
        if (indexed) {
            const uint32_t entries = uint32_t(header->paletteCount);
            for (uint8_t v : texels)
                if (v >= entries)
                    return fail(error, "bad PNG: texel uses palette entry " + std::to_string(v) + " of " +
                                           std::to_string(entries));
            // Full-size palettes, like the ones the converter makes; extra entries are opaque black.
            const uint32_t full = header->bitDepth <= 4 ? 16 : 256;
            img.palette.assign(size_t(std::max(entries, full)) * 4, 0);
            for (uint32_t e = entries; e < full; ++e)
                img.palette[4 * e + 3] = 255;
            for (uint32_t e = 0; e < entries; ++e) {
                img.palette[4 * e] = header->palette[e].red;
                img.palette[4 * e + 1] = header->palette[e].green;
                img.palette[4 * e + 2] = header->palette[e].blue;
                img.palette[4 * e + 3] = int(e) < header->transCount ? header->trans[e] : 255;
            }
            if (header->bitDepth <= 4) {
                img.format = kFormatIndexed4;
                img.pixels.assign((texels.size() + 1) / 2, 0);
                for (size_t i = 0; i < texels.size(); ++i)
                    img.pixels[i / 2] |= uint8_t(texels[i] << (4 * (i & 1)));
            } else {
                img.format = kFormatIndexed8;
                img.pixels = std::move(texels);
            }
        } else {
            img.format = channels == 4 ? kFormatRGBA8888 : kFormatRGB888;
            img.pixels = std::move(texels);
        }
        img.stride = rowStride(img.format, w);
        image = std::move(img);
        return true;
    });
}

bool loadPng(const std::string& path, PixelImage& image, std::string* error) {
    return detail::noThrow(error, [&] {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return fail(error, "cannot open " + path + ": " + std::strerror(errno));
        std::vector<uint8_t> bytes;
        uint8_t buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        const bool readError = std::ferror(f);
        std::fclose(f);
        if (readError) return fail(error, "cannot read " + path);
        std::string why;
        if (!decodePng(bytes.data(), bytes.size(), image, &why)) return fail(error, path + ": " + why);
        return true;
    });
}

} // namespace Tam::Gfx
