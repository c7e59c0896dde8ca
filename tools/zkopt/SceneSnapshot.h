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

// The most triangles a report page draws; a run's page gives half to each of its two views. A
// larger scene is thinned to every k-th triangle so that the page opens and draws in a few
// seconds (a 1M-triangle scene in under 5 s in headless Chromium with software WebGL,
// bench/html_report_1m.sh); the page says so.
inline constexpr int64_t kMaxPageTriangles = 500'000;
// Thumbnails fit in a square of this edge.
inline constexpr uint32_t kThumbnailEdge = 128;
// The full-size view of a larger image is scaled down to fit a square of this edge.
inline constexpr uint32_t kMaxShownEdge = 4096;

struct SceneSnapshot {
    // "stats", "geometry", "hull" (null when the scene holds no record) and "images", as the
    // page reads them; blocks of numbers as base64 of little-endian typed arrays.
    json data;
    // Each image's texels as RGBA 8888, under the key its "images" entry holds, so the result's
    // images can be compared with the input's.
    std::map<std::string, Tam::Gfx::PixelImage> texels;
};

// maxViewTriangles: what this scene's view may draw (see kMaxPageTriangles).
SceneSnapshot takeSnapshot(Tam::Sg::zkFileInfo* file, int64_t maxViewTriangles = kMaxPageTriangles);

// Compares the result with the input. Each image entry of after gets "psnr" (dB against the
// input's image of the same key, the result resampled to the input's size when they differ; null
// when the texels are equal) and "changed". Geometry the passes left as it was is not held twice:
// after's "geometry" then says "sameAsBefore" instead of holding the arrays.
void compareWithInput(const SceneSnapshot& before, SceneSnapshot& after);

// The peak signal-to-noise ratio of b against a over all four channels, in dB; infinity for
// equal texels. a and b are RGBA 8888 of one size.
double psnr(const Tam::Gfx::PixelImage& a, const Tam::Gfx::PixelImage& b);

} // namespace zkopt
