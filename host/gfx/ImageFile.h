// Image files as art tools write them: PNG through the PNG reader (palettes kept), and JPEG, TGA,
// BMP, PSD and GIF through a general decoder, as RGBA 8888.
#pragma once
#include "host/gfx/Pixels.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Tam::Gfx {

// Image files other than PNG may claim at most this many pixels per byte of file. Their
// compressions stay far below it (run-length TGA and BMP near 130, Huffman-coded JPEG near 512,
// GIF's 12-bit LZW near 2700), so only a header that lies about its size is refused.
inline constexpr uint64_t kMaxPixelsPerFileByte = 4096;

// Whether a file of size bytes can hold the width x height image its header claims: within the
// pixel limit, every byte present for an uncompressed TGA or BMP, and kMaxPixelsPerFileByte for
// the compressed formats. False with the reason in error.
bool imageFileCanHold(const uint8_t* data, std::size_t size, uint32_t width, uint32_t height,
                      std::string* error = nullptr);

// Decodes a whole image file held in memory. False, with the reason in error, for a format no
// reader knows, damaged data, dimensions over the pixel library's limit, or a size the file
// cannot hold (imageFileCanHold): nothing is allocated for the image before that check.
bool decodeImageFile(const uint8_t* data, std::size_t size, PixelImage& image, std::string* error = nullptr);

} // namespace Tam::Gfx
