// Resizing, flipping and rotating images.
//
// Colour images are filtered in RGBA 8888 and put back into their own format and order.
// Indexed images keep their palette and are resized by nearest-texel sampling of the
// indices, whatever the filter: filtering would make colours the palette does not have.
// Filtering is separable and treats alpha as a fourth channel; edges repeat the border texel.
#pragma once

#include "host/gfx/Pixels.h"

#include <cstdint>
#include <string>

namespace Tam::Gfx {

// zkResizeImage::FilterType values.
enum FilterType : uint32_t {
    kFilterPoint = 0,      // nearest texel
    kFilterBox = 1,        // average of the covered texels
    kFilterTriangle = 2,   // bilinear (tent)
    kFilterHermite = 3,    // smooth-step cubic, radius 1
    kFilterBell = 4,       // quadratic B-spline, radius 1.5
    kFilterBSpline = 5,    // cubic B-spline, radius 2: smooth, slightly blurry
    kFilterMitchell = 6,   // Mitchell-Netravali B = C = 1/3, radius 2: the general default
    kFilterLanczos3 = 7,   // windowed sinc, radius 3: sharpest, may ring
    kFilterCatmullRom = 8, // interpolating cubic, radius 2
};
inline constexpr uint32_t kFilterTypeCount = 9;

// "Point", "Box", ...; nullptr for an unknown value.
const char* filterName(uint32_t filter);

// The resizer's settings. A dimension whose factor is exactly 1.0 is never touched;
// otherwise the new size is floor(size * factor), at least 1.
struct ResizeSettings {
    FilterType filter = kFilterMitchell;
    float widthFactor = 0.5f;
    float heightFactor = 0.5f;
};

// The size `scale` would give.
bool scaledSize(uint32_t width, uint32_t height, const ResizeSettings& settings, uint32_t* newWidth,
                uint32_t* newHeight, std::string* error = nullptr);

// Scales in place by the settings' factors.
bool scale(PixelImage& image, const ResizeSettings& settings, std::string* error = nullptr);

// `out` becomes `source` resampled to width x height, in the source's format and order.
bool resampledCopy(const PixelImage& source, uint32_t width, uint32_t height, FilterType filter, PixelImage& out,
                   std::string* error = nullptr);

// Resamples tight or strided 4-byte texels (any byte order: channels are filtered alike).
// `srcStride` and `dstStride` are in bytes.
bool resample4(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, size_t srcStride, uint8_t* dst,
               uint32_t dstWidth, uint32_t dstHeight, size_t dstStride, FilterType filter,
               std::string* error = nullptr);

// Mirrors the rows: row 0 becomes the last.
bool flipV(PixelImage& image, std::string* error = nullptr);

// Rotates by a multiple of 90 degrees; 90 turns the image counterclockwise as seen with row 0
// on top. That is the positive sense of the host's texture space, whose t axis points up (row 0
// is t = 1), so flipV followed by rotate(90) transposes the picture in texture coordinates: what
// was at (s, t) is at (t, s). Other angles are refused.
bool rotate(PixelImage& image, double degrees, std::string* error = nullptr);

} // namespace Tam::Gfx
