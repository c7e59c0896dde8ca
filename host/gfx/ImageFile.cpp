#include "host/gfx/ImageFile.h"

#include "host/gfx/Png.h"

#include <stb_image.h>

#include <climits>

namespace Tam::Gfx {

static bool isPng(const uint8_t* data, std::size_t size)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    return size >= 8 && std::equal(signature, signature + 8, data);
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
