// Image files as art tools write them: PNG through the PNG reader (palettes kept), and JPEG, TGA,
// BMP, PSD and GIF through a general decoder, as RGBA 8888.
#pragma once
#include "host/gfx/Pixels.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Tam::Gfx {

// Decodes a whole image file held in memory. False, with the reason in error, for a format no
// reader knows, damaged data, or dimensions over the pixel library's limit.
bool decodeImageFile(const uint8_t* data, std::size_t size, PixelImage& image, std::string* error = nullptr);

} // namespace Tam::Gfx
