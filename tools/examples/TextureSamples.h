// Textures that look like what artists make, generated from a seed: a photo-like landscape, a
// soft-edged RGBA decal, a flat-coloured icon and a sky environment map. Pixels are tight rows of
// R,G,B(,A) bytes. Used by the quantizer and mipmap tests, the benchmarks and the example scene.
#pragma once
#include "host/zkhost.h"

#include <cstdint>
#include <vector>

namespace Tam::Examples {

// Sky gradient, hills, textured ground and sensor grain: tens of thousands of colours.
std::vector<uint8_t> photoLikeRGB(int width, int height, uint32_t seed);
// The photo-like colours with a round alpha mask fading from opaque to 0 at the rim.
std::vector<uint8_t> softAlphaRGBA(int width, int height, uint32_t seed);
// A shield shape in a handful of flat colours on a transparent background (at most 8 colours).
std::vector<uint8_t> iconRGBA(int width, int height);
// A smooth sky-to-horizon gradient with a sun, as environment maps are.
std::vector<uint8_t> environmentRGB(int width, int height);
// Uniform random bytes: the worst case for a palette.
std::vector<uint8_t> randomPixels(int width, int height, int bytesPerPixel, uint32_t seed);

// An image of tight pixels in order 0 (R,G,B,A bytes).
Core::zkSmartPointer<Gfx::zkImage> makeImage(const char* name, int format, int width, int height,
                                             const std::vector<uint8_t>& pixels);
// A texture holding the image, bound in a new attribute set under parent (so that passes visiting
// textures reach it in the order textures were added).
Attrs::zkTextureAttr* attachTexture(Sg::zkGroup* parent, Gfx::zkImage* image);

// The example scene of the texture pipeline (examples/textures.zks.json): a tagged 64x64
// photo-like RGB texture, a tagged 32x32 soft-alpha decal, an untagged 32x32 icon of six colours
// and a tagged 32x32 "_env" sky map, each in its own attribute set under the group "textures".
Core::zkSmartPointer<Sg::zkFileInfo> buildTextureScene();

} // namespace Tam::Examples
