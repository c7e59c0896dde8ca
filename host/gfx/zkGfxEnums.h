// Graphics enumerations with their meta enums.
#pragma once
#include "host/core/zkMeta.h"

namespace Tam::Gfx {

enum ZK_GFX_TEXTURE_FILTER : int32_t {
    ZK_GFX_TEXTURE_FILTER_NEAREST = 0,
    ZK_GFX_TEXTURE_FILTER_LINEAR = 1,
    ZK_GFX_TEXTURE_FILTER_NEAREST_MIPMAP_NEAREST = 2,
    ZK_GFX_TEXTURE_FILTER_NEAREST_MIPMAP_LINEAR = 3,
    ZK_GFX_TEXTURE_FILTER_LINEAR_MIPMAP_NEAREST = 4,
    ZK_GFX_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR = 5,
};
Core::zkMetaEnum* getTextureFilterMetaEnum();
inline Core::zkMetaEnum* zkGetMetaEnum(ZK_GFX_TEXTURE_FILTER*) { return getTextureFilterMetaEnum(); }

} // namespace Tam::Gfx
