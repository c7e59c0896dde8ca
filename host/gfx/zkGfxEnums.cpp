#include "host/gfx/zkGfxEnums.h"

namespace Tam::Gfx {

Core::zkMetaEnum* getTextureFilterMetaEnum()
{
    static Core::zkMetaEnum e("ZK_GFX_TEXTURE_FILTER",
                              {{0, "Nearest"},
                               {1, "Linear"},
                               {2, "NearestMipmapNearest"},
                               {3, "NearestMipmapLinear"},
                               {4, "LinearMipmapNearest"},
                               {5, "LinearMipmapLinear"}});
    return &e;
}

} // namespace Tam::Gfx
