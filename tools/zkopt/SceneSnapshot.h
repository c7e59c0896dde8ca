// What the HTML report shows of one scene: its statistics, its geometry placed in world space,
// the collision hull record and its images. Passes change a scene in place, so the input's view
// is taken before the first pass and the result's after the last.
#pragma once
#include "tools/zkopt/FieldText.h"

#include "host/gfx/Pixels.h"
#include "host/sg/zkNode.h"

#include <map>
#include <string>

namespace zkopt {

// The most triangles a 3D view is given. A larger scene is thinned to every k-th triangle so
// the page stays quick to open; the page says so.
inline constexpr int64_t kMaxViewTriangles = 1'000'000;
// Thumbnails fit in a square of this edge.
inline constexpr uint32_t kThumbnailEdge = 128;

struct SceneSnapshot {
    // "stats", "geometry", "hull" (null when the scene holds no record) and "images", as the
    // page reads them; blocks of numbers as base64 of little-endian typed arrays.
    json data;
    // Each image's texels as RGBA 8888, under the key its "images" entry holds, so the result's
    // images can be compared with the input's.
    std::map<std::string, Tam::Gfx::PixelImage> texels;
};

// maxViewTriangles: see kMaxViewTriangles (tests make it small).
SceneSnapshot takeSnapshot(Tam::Sg::zkFileInfo* file, int64_t maxViewTriangles = kMaxViewTriangles);

// Adds to each image entry of after whose texels differ from the input's image of the same key
// "psnr" (dB against the input; the result is resampled to the input's size when they differ;
// null when the texels are equal) and "changed".
void compareImages(const SceneSnapshot& before, SceneSnapshot& after);

// The peak signal-to-noise ratio of b against a over all four channels, in dB; infinity for
// equal texels. a and b are RGBA 8888 of one size.
double psnr(const Tam::Gfx::PixelImage& a, const Tam::Gfx::PixelImage& b);

} // namespace zkopt
