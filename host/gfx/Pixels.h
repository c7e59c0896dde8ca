// Texture formats, pixel storage and conversion between formats.
//
// A PixelImage is plain data: the host's image object wraps one. Every operation here
// answers bool and, on failure, leaves a one-line reason in the optional error string
// and the image untouched. Nothing throws.
//
// Storage conventions
// - Formats of 8 bits per texel and more store rows of `stride` bytes (stride may be
//   larger than the texels need; conversions always produce tight rows).
// - The 4-bit formats (L4, 4-bit indexed) store width*height texels as one run of
//   nibbles with no row padding, first texel of a pair in the low nibble: a 3-pixel image
//   is 2 bytes. `stride` is then the bytes a row spans, rounded up.
// - The two GameCube formats are tiled in hardware order (see the format table).
//   Their `stride` is the bytes one texel row of the padded image takes.
// - Palettes hold RGBA entries, 4 bytes each, byte 0 red ... byte 3 alpha (255 opaque).
//   8-bit indexed images carry 256 entries and 4-bit ones 16 when this library makes them.
// - Image order 0 stores colour bytes as R,G,B(,A); order 100, the platform order, as
//   B,G,R(,A), i.e. an ARGB word in little-endian memory. So with order 100, pixel byte 2
//   is red, and red is palette byte 0: colours copied byte-wise from an order-100 image
//   into a palette go in reverse, which is what the palette quantizer relies on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace Tam::Gfx {

// ZK_GFX_TEXTURE_FORMAT values.
enum TextureFormat : uint32_t {
    kFormatL8 = 0,           // 8-bit luminance
    kFormatA8 = 1,           // 8-bit alpha; reads as white with that alpha
    kFormatLA44 = 2,         // luminance in the high nibble, alpha in the low one
    kFormatRGB332 = 4,       // red bits 7-5, green 4-2, blue 1-0
    kFormatRGB888 = 5,       // 3 bytes, order-dependent byte order
    kFormatL4 = 6,           // 4-bit luminance, packed like the 4-bit indexed format
    kFormatRGBA8888 = 7,     // 4 bytes, order-dependent byte order
    kFormatRGBA5551 = 8,     // 16-bit little-endian word, order-dependent layout
    kFormatGcRGB5A3 = 21,    // GameCube: big-endian words in 4x4 tiles, 555 opaque or 3444 translucent
    kFormatGcCMPR = 34,      // GameCube: 8x8 tiles of four DXT1 blocks, 1-bit alpha
    kFormatIndexed8 = 65536, // 8-bit palette index
    kFormatIndexed4 = 65537, // 4-bit palette index
};

// ZK_GFX_IMAGE_ORDER values that pixel data can be stored in.
enum ImageOrder : uint32_t {
    kOrderRGBA = 0,       // bytes R,G,B,A; 5551 word R:15-11 G:10-6 B:5-1 A:0
    kOrderPlatform = 100, // bytes B,G,R,A; 5551 word A:15 R:14-10 G:9-5 B:4-0
};

// ZK_GFX_IMAGE_CMPNT values.
enum ImageComponent : uint32_t {
    kComponentRed = 0,
    kComponentGreen = 1,
    kComponentBlue = 2,
    kComponentAlpha = 3,
    kComponentLuminance = 4,
    kComponentIndex = 5,
};

struct FormatInfo {
    uint32_t format;
    const char* name; // the meta-enum name
    uint32_t bitsPerTexel;
    const char* components;   // component letters in storage order (order 0), e.g. "RGBA", "LA", "I"
    uint8_t componentBits[4]; // depth of each listed component
    bool indexed;
    bool canHaveAlpha;              // the format can store non-opaque texels
    bool uninterpreted;             // texels have no fixed per-component layout (tiled or block-coded)
    uint32_t tileWidth, tileHeight; // 1x1 for linear formats
    uint32_t paletteEntries;        // entries a palette of this format is given (0: no palette)
};

// All known formats, in ascending format number.
std::span<const FormatInfo> allFormats();
// nullptr for an unknown format number.
const FormatInfo* findFormat(uint32_t format);
// The meta-enum name, or nullptr.
const char* formatName(uint32_t format);
bool formatFromName(const std::string& name, uint32_t* format);

// Format queries; unknown formats answer false / 0.
bool isIndexed(uint32_t format);
bool hasAlpha(uint32_t format); // the format can carry alpha (indexed: through its palette)
bool isUninterpreted(uint32_t format);
uint32_t bitsPerTexel(uint32_t format);
bool isValidOrder(uint32_t order);
// The order that the target platform reads colour words in.
uint32_t getPlatformSpecificOrder();
// Bit depths of red, green, blue and alpha, and of luminance and index, for a format;
// 0 for a component the format does not store. False for an unknown format.
struct ComponentDepths {
    uint8_t red, green, blue, alpha, luminance, index;
};
bool getComponentDepths(uint32_t format, ComponentDepths* depths);
// Byte positions of red, green, blue and alpha within one texel for formats whose
// components are whole bytes (L8 gives 0 for red, green and blue; A8 gives 0 for alpha);
// -1 for a component that is absent. False when the format's components are not whole bytes.
bool getIndexFromComponentOrder(uint32_t format, uint32_t order, int positions[4]);

// Tight row stride and total data size of an image, 0 for an unknown format or overflow.
uint32_t rowStride(uint32_t format, uint32_t width);
size_t dataSize(uint32_t format, uint32_t width, uint32_t height);

// Images are refused above this edge length, so that sizes never overflow.
inline constexpr uint32_t kMaxDimension = 32768;

// Makes bytes an empty buffer with room for size bytes. Texel buffers of textures are tens of
// megabytes and are filled once: such buffers ask the kernel for huge pages, which spares one
// page fault per 4 KB (most of the time a mipmap chain or a copy of a 4K texture would take).
void reserveTexels(std::vector<uint8_t>& bytes, size_t size);

// Whether width x height stays within the process's pixel limit (zkInputLimits::maxImagePixels);
// false with "WxH is N pixels, more than the limit of M" in error.
bool withinPixelLimit(uint32_t width, uint32_t height, std::string* error = nullptr);

struct PixelImage {
    uint32_t format = kFormatRGBA8888;
    uint32_t order = kOrderRGBA;
    uint32_t width = 0, height = 0, stride = 0;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> palette; // RGBA entries

    uint32_t paletteEntryCount() const { return uint32_t(palette.size() / 4); }
    const uint8_t* paletteEntry(uint32_t index) const {
        return index < paletteEntryCount() ? palette.data() + 4 * index : nullptr;
    }
};

// Fills `image` with a copy of `size` bytes of tight pixel data. The palette is cleared;
// indexed formats need setPalette afterwards.
bool load(PixelImage& image, const void* data, size_t size, uint32_t format, uint32_t width, uint32_t height,
          uint32_t order = kOrderRGBA, std::string* error = nullptr);
// `count` RGBA entries; at most 256.
bool setPalette(PixelImage& image, const void* entries, uint32_t count, std::string* error = nullptr);
// Checks format, order, size, stride, buffer length and palette; index values are
// checked where texels are read.
bool validate(const PixelImage& image, std::string* error = nullptr);

// True when some texel is not fully opaque (indexed: some used entry).
bool imageHasAlpha(const PixelImage& image);

// Texels as tight RGBA bytes (R,G,B,A), row 0 first.
bool decodeToRGBA(const PixelImage& image, std::vector<uint8_t>& rgba, std::string* error = nullptr);

// The converter's two option flags.
struct ConvertOptions {
    // Keep the source's alpha where the target can hold it (1-bit targets threshold at 128).
    // Off: every texel of the result is opaque.
    bool preserveAlpha = true;
    // Floyd-Steinberg error diffusion of red, green and blue when the target holds fewer
    // than 8 bits of them (RGB 332, 5551, GameCube 16-bit). Alpha is never dithered.
    bool dither = false;
};

// Makes `image` from tight RGBA bytes in the given format and order. Indexed targets get a
// palette from quantizePalette.
bool encodeFromRGBA(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t format, uint32_t order,
                    const ConvertOptions& options, PixelImage& image, std::string* error = nullptr);

// Converts in place; on success the image holds `format` in `order` (order is kept as 0
// for formats it does not apply to). Same format and order: nothing changes.
bool convertImage(PixelImage& image, uint32_t format, uint32_t order, const ConvertOptions& options = {},
                  std::string* error = nullptr);

// Some passes walk pixel bytes directly. makeAbstract gives formats whose components are
// not whole bytes (2, 4, 6, 8, 21, 34) a byte-addressable form, RGBA 8888 or RGB 888 in
// the same order; makeConcrete puts the original format back, restoring the original
// bytes exactly when the texels were not changed. Other formats are left as they are.
struct AbstractState {
    bool active = false;
    PixelImage original;
    std::vector<uint8_t> abstractPixels;
    uint32_t abstractFormat = 0;
};
bool makeAbstract(PixelImage& image, AbstractState& state, std::string* error = nullptr);
bool makeConcrete(PixelImage& image, AbstractState& state, std::string* error = nullptr);

} // namespace Tam::Gfx
