// PNG reading and writing through libpng.
//
// Writing: 8-bit indexed images become palettized PNGs of bit depth 8, 4-bit indexed ones
// of bit depth 4 (palette alphas go into a tRNS chunk); formats that can carry alpha are
// written as 8-bit RGBA, the others as 8-bit RGB. Files are written beside the target
// under a temporary name and renamed over it only when complete.
//
// Reading: palettized PNGs of bit depth 1 to 4 give 4-bit indexed images, of depth 8
// 8-bit indexed ones, their palettes filled up to 16 or 256 entries with opaque black; all
// others give RGB 888 or RGBA 8888 (16-bit samples are cut to 8 bits, grey is widened to
// RGB, tRNS becomes alpha). Colour bytes are in order 0.
// Broken or truncated input is refused with libpng's message; nothing throws.
#pragma once

#include "host/gfx/Pixels.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Tam::Gfx {

bool encodePng(const PixelImage& image, std::vector<uint8_t>& png, std::string* error = nullptr);
bool savePng(const PixelImage& image, const std::string& path, std::string* error = nullptr);

bool decodePng(const uint8_t* data, size_t size, PixelImage& image, std::string* error = nullptr);
bool loadPng(const std::string& path, PixelImage& image, std::string* error = nullptr);

} // namespace Tam::Gfx
