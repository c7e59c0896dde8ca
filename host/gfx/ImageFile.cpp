#include "host/gfx/ImageFile.h"

#include "host/gfx/Png.h"

#include <stb_image.h>

#include <climits>

namespace Tam::Gfx {

namespace {

bool isPng(const uint8_t* data, std::size_t size)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    return size >= 8 && std::equal(signature, signature + 8, data);
}

uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

// The bytes an uncompressed TGA or BMP of this size needs, or 0 where the format compresses (or
// is neither). The general decoder reads missing bytes as zeros, so without this a header alone
// would pass for a whole image.
uint64_t uncompressedBytes(const uint8_t* data, std::size_t size, uint64_t width, uint64_t height)
{
    if (size >= 18 && (data[2] == 1 || data[2] == 2 || data[2] == 3) && data[1] <= 1) {
        // TGA: header, id, colour map, then the texels as they lie.
        const uint64_t mapBytes = data[1] ? uint64_t(le16(data + 5)) * ((data[7] + 7u) / 8) : 0;
        return 18 + data[0] + mapBytes + width * height * ((data[16] + 7u) / 8);
    }
    if (size >= 34 && data[0] == 'B' && data[1] == 'M') {
        // BMP: rows of whole 32-bit words from the pixel offset, unless run-length compressed.
        const uint32_t compression = le32(data + 30), bits = le16(data + 28);
        if (compression != 0 && compression != 3) return 0;
        return le32(data + 10) + (width * bits + 31) / 32 * 4 * height;
    }
    return 0;
}

} // namespace

bool imageFileCanHold(const uint8_t* data, std::size_t size, uint32_t width, uint32_t height, std::string* error)
{
    if (!withinPixelLimit(width, height, error)) return false;
    const uint64_t pixels = uint64_t(width) * height;
    const uint64_t exact = uncompressedBytes(data, size, width, height);
    if (exact ? exact <= size : pixels <= uint64_t(size) * kMaxPixelsPerFileByte) return true;
    if (error)
        *error = std::to_string(width) + "x" + std::to_string(height) + " is more than its " + std::to_string(size) +
                 " bytes can hold";
    return false;
}

bool decodeImageFile(const uint8_t* data, std::size_t size, PixelImage& image, std::string* error)
{
    if (!data || size == 0) {
        if (error) *error = "empty image data";
        return false;
    }
    if (isPng(data, size)) return decodePng(data, size, image, error);
    if (size > static_cast<std::size_t>(INT_MAX)) {
        if (error) *error = "image file too large";
        return false;
    }
    int width = 0, height = 0, channels = 0;
    // Check the header first, so a file that claims a huge size is refused before any allocation.
    if (!stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels)) {
        if (error) *error = std::string("not an image format we read (") + stbi_failure_reason() + ")";
        return false;
    }
    if (width <= 0 || height <= 0 || width > static_cast<int>(kMaxDimension) ||
        height > static_cast<int>(kMaxDimension)) {
        if (error) *error = "image dimensions out of range";
        return false;
    }
    if (!imageFileCanHold(data, size, uint32_t(width), uint32_t(height), error)) return false;
    stbi_uc* rgba = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
    if (!rgba) {
        if (error) *error = std::string("damaged image (") + stbi_failure_reason() + ")";
        return false;
    }
    bool ok = load(image, rgba, static_cast<std::size_t>(width) * height * 4, kFormatRGBA8888,
                   static_cast<uint32_t>(width), static_cast<uint32_t>(height), kOrderRGBA, error);
    stbi_image_free(rgba);
    return ok;
}

} // namespace Tam::Gfx
