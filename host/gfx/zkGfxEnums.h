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
inline Core::zkMetaEnum* getZK_GFX_TEXTURE_FILTERMetaEnum() { return getTextureFilterMetaEnum(); }
inline Core::zkMetaEnum* zkGetMetaEnum(ZK_GFX_TEXTURE_FILTER*) { return getTextureFilterMetaEnum(); }

// Texel formats. The format table of host/gfx/Pixels (sizes, components, names) is the one
// description of each; the meta enum takes its names from there.
enum ZK_GFX_TEXTURE_FORMAT : int32_t {
    ZK_GFX_TEXTURE_FORMAT_L_8 = 0,
    ZK_GFX_TEXTURE_FORMAT_A_8 = 1,
    ZK_GFX_TEXTURE_FORMAT_LA_44_8 = 2,
    ZK_GFX_TEXTURE_FORMAT_RGB_332_8 = 4,
    ZK_GFX_TEXTURE_FORMAT_RGB_888_24 = 5,
    ZK_GFX_TEXTURE_FORMAT_L_4 = 6,
    ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32 = 7,
    ZK_GFX_TEXTURE_FORMAT_RGBA_5551_16 = 8,
    ZK_GFX_TEXTURE_FORMAT_GC_RGB5A3_16 = 21,
    ZK_GFX_TEXTURE_FORMAT_GC_CMPR_4 = 34,
    ZK_GFX_TEXTURE_FORMAT_INDEXED_8 = 65536,
    ZK_GFX_TEXTURE_FORMAT_INDEXED_4 = 65537,
};
Core::zkMetaEnum* getZK_GFX_TEXTURE_FORMATMetaEnum();
inline Core::zkMetaEnum* zkGetMetaEnum(ZK_GFX_TEXTURE_FORMAT*) { return getZK_GFX_TEXTURE_FORMATMetaEnum(); }

// The byte order that colour texels are stored in: 0 R,G,B,A; 100, the platform's, B,G,R,A.
enum ZK_GFX_IMAGE_ORDER : int32_t {
    ZK_GFX_IMAGE_ORDER_RGBA = 0,
    ZK_GFX_IMAGE_ORDER_PLATFORM = 100,
};
Core::zkMetaEnum* getZK_GFX_IMAGE_ORDERMetaEnum();
inline Core::zkMetaEnum* zkGetMetaEnum(ZK_GFX_IMAGE_ORDER*) { return getZK_GFX_IMAGE_ORDERMetaEnum(); }

// The components of a texel, as histograms and component orders name them.
enum ZK_GFX_IMAGE_CMPNT : int32_t {
    ZK_GFX_IMAGE_CMPNT_RED = 0,
    ZK_GFX_IMAGE_CMPNT_GREEN = 1,
    ZK_GFX_IMAGE_CMPNT_BLUE = 2,
    ZK_GFX_IMAGE_CMPNT_ALPHA = 3,
    ZK_GFX_IMAGE_CMPNT_LUMINANCE = 4,
    ZK_GFX_IMAGE_CMPNT_INDEX = 5,
};
Core::zkMetaEnum* getZK_GFX_IMAGE_CMPNTMetaEnum();
inline Core::zkMetaEnum* zkGetMetaEnum(ZK_GFX_IMAGE_CMPNT*) { return getZK_GFX_IMAGE_CMPNTMetaEnum(); }

} // namespace Tam::Gfx
