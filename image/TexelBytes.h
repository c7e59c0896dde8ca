// How the passes that walk texel bytes directly step from one texel to the next.
#pragma once
#include "host/gfx/zkImage.h"

namespace Tam::OptExtension {

// Bytes per texel counted from the depths of red, green, blue and alpha (0 when those
// components are absent, as for luminance-only images).
inline int texelBytes(const Gfx::zkImage& image)
{
    return (image.getComponentBits(Gfx::ZK_GFX_IMAGE_CMPNT_RED) + image.getComponentBits(Gfx::ZK_GFX_IMAGE_CMPNT_GREEN) +
            image.getComponentBits(Gfx::ZK_GFX_IMAGE_CMPNT_BLUE) + image.getComponentBits(Gfx::ZK_GFX_IMAGE_CMPNT_ALPHA)) /
           8;
}

} // namespace Tam::OptExtension
