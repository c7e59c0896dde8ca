#include "host/gfx/zkImage.h"

#include "host/gfx/Histogram.h"
#include "host/gfx/Png.h"
#include "host/gfx/Resample.h"
#include "host/utils/zkIntHistogram.h"

#include "host/core/zkHostClass.h"

#include <cstring>

namespace Tam::Gfx {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkClut)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkImage)

namespace {
int entrySizeOf(int format)
{
    const FormatInfo* f = findFormat(static_cast<uint32_t>(format));
    return f && f->bitsPerTexel % 8 == 0 ? static_cast<int>(f->bitsPerTexel / 8) : 0;
}
} // namespace

bool zkClut::configure(int format, int count, const void* bytes)
{
    int size = entrySizeOf(format);
    if (size == 0 || count < 0) return false;
    entryFormat = static_cast<ZK_GFX_TEXTURE_FORMAT>(format);
    entryCount = count;
    entries.assign(std::size_t(size) * count, 0);
    if (bytes && !entries.empty()) std::memcpy(entries.data(), bytes, entries.size());
    return true;
}

int zkClut::getEntrySize() const { return entrySizeOf(entryFormat); }

uint8_t* zkClut::getEntry(int i)
{
    int size = getEntrySize();
    if (i < 0 || i >= entryCount || std::size_t(i + 1) * size > entries.size()) return nullptr;
    return entries.data() + std::size_t(i) * size;
}
const uint8_t* zkClut::getEntry(int i) const { return const_cast<zkClut*>(this)->getEntry(i); }

bool zkClut::isConsistent(std::string& field, std::string& problem) const
{
    int size = getEntrySize();
    if (size == 0) {
        field = "entryFormat";
        problem = "format " + std::to_string(entryFormat) + " has no whole-byte entries";
        return false;
    }
    if (entryCount < 0 || entries.size() != std::size_t(size) * entryCount) {
        field = "entries";
        problem = "holds " + std::to_string(entries.size()) + " bytes where " + std::to_string(entryCount) +
                  " entries of " + std::to_string(size) + " bytes need " +
                  std::to_string(std::size_t(size) * (entryCount > 0 ? entryCount : 0));
        return false;
    }
    return true;
}

int zkImage::getComponentBits(int component) const
{
    switch (component) {
    case ZK_GFX_IMAGE_CMPNT_RED: return redBits;
    case ZK_GFX_IMAGE_CMPNT_GREEN: return greenBits;
    case ZK_GFX_IMAGE_CMPNT_BLUE: return blueBits;
    case ZK_GFX_IMAGE_CMPNT_ALPHA: return alphaBits;
    default: return 0;
    }
}

void zkImage::takeFormatDepths()
{
    ComponentDepths d{};
    getComponentDepths(static_cast<uint32_t>(format), &d);
    redBits = d.red;
    greenBits = d.green;
    blueBits = d.blue;
    alphaBits = d.alpha;
}

bool zkImage::load(const void* data, int f, int w, int h) { return load(data, f, w, h, order); }

bool zkImage::load(const void* data, int f, int w, int h, int o)
{
    if (!findFormat(static_cast<uint32_t>(f)) || !isValidOrder(static_cast<uint32_t>(o)) || w < 0 || h < 0 ||
        uint32_t(w) > kMaxDimension || uint32_t(h) > kMaxDimension)
        return false;
    std::size_t size = dataSize(uint32_t(f), uint32_t(w), uint32_t(h));
    if (w && h && size == 0) return false;
    format = static_cast<ZK_GFX_TEXTURE_FORMAT>(f);
    order = static_cast<ZK_GFX_IMAGE_ORDER>(o);
    width = w;
    height = h;
    stride = static_cast<int32_t>(rowStride(uint32_t(f), uint32_t(w)));
    pixels.assign(size, 0);
    if (data && size) std::memcpy(pixels.data(), data, size);
    takeFormatDepths();
    if (!isIndexed()) clut = nullptr;
    return true;
}

bool zkImage::copyFrom(const zkImage* other, bool copyClut)
{
    if (!other) return false;
    if (other == this) return true;
    name = other->name;
    format = other->format;
    order = other->order;
    width = other->width;
    height = other->height;
    stride = other->stride;
    reserveTexels(pixels, other->pixels.size());
    pixels.assign(other->pixels.begin(), other->pixels.end());
    redBits = other->redBits;
    greenBits = other->greenBits;
    blueBits = other->blueBits;
    alphaBits = other->alphaBits;
    if (copyClut && other->clut)
        clut = zkSmartPointer<zkClut>::adopt(static_cast<zkClut*>(other->clut->createCopy(COPY_DEEP)));
    else
        clut = other->clut;
    return true;
}

bool zkImage::isIndexed(int f) { return Gfx::isIndexed(static_cast<uint32_t>(f)); }
bool zkImage::hasAlpha(int f) { return Gfx::hasAlpha(static_cast<uint32_t>(f)); }
bool zkImage::isUninterpreted(int f) { return Gfx::isUninterpreted(static_cast<uint32_t>(f)); }
int zkImage::getPlatformSpecificOrder() { return static_cast<int>(Gfx::getPlatformSpecificOrder()); }

bool zkImage::getIndexFromComponentOrder(int o, int positions[4]) const
{
    return Gfx::getIndexFromComponentOrder(static_cast<uint32_t>(format), static_cast<uint32_t>(o), positions);
}

bool zkImage::getPixelImage(PixelImage& out) const
{
    // Palettes of the pixel operations are RGBA bytes, four per entry.
    if (clut && clut->getEntrySize() != 4) return false;
    out.format = static_cast<uint32_t>(format);
    out.order = static_cast<uint32_t>(order);
    out.width = static_cast<uint32_t>(width);
    out.height = static_cast<uint32_t>(height);
    out.stride = static_cast<uint32_t>(stride);
    out.pixels = pixels;
    out.palette.clear();
    if (clut) out.palette = clut->entries;
    return true;
}

bool zkImage::takePixelImage(PixelImage& out)
{
    if (clut && clut->getEntrySize() != 4) return false;
    zkDataBlock texels = std::move(pixels);
    pixels.clear();
    getPixelImage(out);
    out.pixels = std::move(texels);
    return true;
}

bool zkImage::setPixelImage(const PixelImage& in)
{
    PixelImage copy = in;
    return setPixelImage(std::move(copy));
}

bool zkImage::setPixelImage(PixelImage&& in)
{
    if (!findFormat(in.format) || in.width > kMaxDimension || in.height > kMaxDimension) return false;
    format = static_cast<ZK_GFX_TEXTURE_FORMAT>(in.format);
    order = static_cast<ZK_GFX_IMAGE_ORDER>(in.order);
    width = static_cast<int32_t>(in.width);
    height = static_cast<int32_t>(in.height);
    stride = static_cast<int32_t>(in.stride);
    pixels = std::move(in.pixels);
    takeFormatDepths();
    if (in.palette.empty()) {
        clut = nullptr;
    } else {
        auto palette = zkCreate<zkClut>(getMemoryPool());
        palette->configure(ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, static_cast<int>(in.paletteEntryCount()),
                           in.palette.data());
        clut = palette;
    }
    return true;
}

bool zkImage::convert(int newFormat, int newOrder, bool keepAlpha, bool dither)
{
    ConvertOptions options;
    options.preserveAlpha = keepAlpha;
    options.dither = dither;
    return transform([&](PixelImage& image) {
        return convertImage(image, static_cast<uint32_t>(newFormat), static_cast<uint32_t>(newOrder), options);
    });
}

bool zkImage::transform(const std::function<bool(PixelImage&)>& operation)
{
    // The pixel operations leave their argument untouched when they fail, so the texels are
    // borrowed rather than copied and go back whatever the answer.
    PixelImage image;
    if (!takePixelImage(image)) return false;
    bool done = operation(image);
    return setPixelImage(std::move(image)) && done;
}

// flipV, rotate and resampleFrom make this image from another one, or from itself.
template <class Operation>
static bool transformed(zkImage& target, const zkImage* source, Operation operation)
{
    if (!source || source == &target) return target.transform(operation);
    PixelImage image;
    if (!source->getPixelImage(image) || !operation(image)) return false;
    return target.setPixelImage(std::move(image));
}

bool zkImage::flipV(const zkImage* source)
{
    return transformed(*this, source, [](PixelImage& image) { return Gfx::flipV(image); });
}

bool zkImage::rotate(const zkImage* source, double degrees)
{
    return transformed(*this, source, [degrees](PixelImage& image) { return Gfx::rotate(image, degrees); });
}

bool zkImage::resampleFrom(const zkImage* source, int newWidth, int newHeight)
{
    if (newWidth <= 0 || newHeight <= 0) return false;
    return transformed(*this, source, [&](PixelImage& image) {
        PixelImage out;
        if (!resampledCopy(image, static_cast<uint32_t>(newWidth), static_cast<uint32_t>(newHeight), kFilterMitchell, out))
            return false;
        image = std::move(out);
        return true;
    });
}

bool zkImage::computeHistogram(int component, Utils::zkIntHistogram* histogram) const
{
    PixelImage image;
    if (!histogram || !getPixelImage(image)) return false;
    return Gfx::computeHistogram(image, static_cast<uint32_t>(component), histogram->histogram());
}

bool zkImage::saveAsPNG(const char* path, std::string* error) const
{
    PixelImage image;
    if (!getPixelImage(image)) {
        if (error) *error = "the image's texels do not match its format";
        return false;
    }
    return savePng(image, path ? path : "", error);
}

bool zkImage::loadPNG(const char* path, std::string* error)
{
    PixelImage image;
    if (!loadPng(path ? path : "", image, error)) return false;
    return setPixelImage(image);
}

void zkImage::makeAbstract(zkMetaObject*)
{
    // Byte-addressable texels stay as they are, without copying them out and back.
    int positions[4];
    if (isIndexed() || getIndexFromComponentOrder(order, positions)) return;
    auto state = std::make_shared<AbstractState>();
    if (transform([&](PixelImage& image) { return Gfx::makeAbstract(image, *state); })) m_abstract = state;
}

void zkImage::makeConcrete(zkMetaObject*)
{
    if (!m_abstract) return;
    transform([&](PixelImage& image) { return Gfx::makeConcrete(image, *m_abstract); });
    m_abstract = nullptr;
}

bool zkImage::isConsistent(std::string& field, std::string& problem) const
{
    const uint32_t f = static_cast<uint32_t>(format);
    if (!findFormat(f)) {
        field = "format";
        problem = "is no texture format (" + std::to_string(format) + ")";
        return false;
    }
    if (!isValidOrder(static_cast<uint32_t>(order))) {
        field = "order";
        problem = "is no image order (" + std::to_string(order) + ")";
        return false;
    }
    if (width < 0 || height < 0 || uint32_t(width) > kMaxDimension || uint32_t(height) > kMaxDimension) {
        field = width < 0 || uint32_t(width) > kMaxDimension ? "width" : "height";
        problem = "size " + std::to_string(width) + "x" + std::to_string(height) + " is out of range";
        return false;
    }
    // Rows may be padded only where a row is whole bytes of whole texels.
    const uint32_t tight = rowStride(f, uint32_t(width));
    const bool linearBytes = bitsPerTexel(f) % 8 == 0 && !Gfx::isUninterpreted(f);
    if (stride < 0 || uint32_t(stride) < tight || (uint32_t(stride) != tight && !linearBytes)) {
        field = "stride";
        problem = "is " + std::to_string(stride) + ", " + std::to_string(tight) + " expected for width " +
                  std::to_string(width);
        return false;
    }
    const std::size_t need =
        uint32_t(stride) == tight ? dataSize(f, uint32_t(width), uint32_t(height)) : std::size_t(stride) * height;
    if (pixels.size() != need) {
        field = "pixels";
        problem = "holds " + std::to_string(pixels.size()) + " bytes where " + std::to_string(width) + "x" +
                  std::to_string(height) + " texels of format " + std::to_string(format) + " need " +
                  std::to_string(need);
        return false;
    }
    ComponentDepths d{};
    getComponentDepths(f, &d);
    const int32_t expected[4] = {d.red, d.green, d.blue, d.alpha};
    const int32_t stored[4] = {redBits, greenBits, blueBits, alphaBits};
    static const char* const names[4] = {"redBits", "greenBits", "blueBits", "alphaBits"};
    for (int c = 0; c < 4; ++c)
        if (expected[c] != stored[c]) {
            field = names[c];
            problem = "is " + std::to_string(stored[c]) + ", format " + std::to_string(format) + " has " +
                      std::to_string(expected[c]);
            return false;
        }
    if (isIndexed() && !clut) {
        field = "clut";
        problem = "is missing for an indexed format";
        return false;
    }
    return true;
}

} // namespace Tam::Gfx
