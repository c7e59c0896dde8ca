#include "host/gfx/zkGfxEnums.h"

#include "host/gfx/Pixels.h"

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

Core::zkMetaEnum* getZK_GFX_TEXTURE_FORMATMetaEnum()
{
    static Core::zkMetaEnum e = [] {
        std::vector<Core::zkMetaEnum::Entry> entries;
        for (const FormatInfo& f : allFormats()) entries.push_back({static_cast<int>(f.format), f.name});
        return Core::zkMetaEnum("ZK_GFX_TEXTURE_FORMAT", std::move(entries));
    }();
    return &e;
}

Core::zkMetaEnum* getZK_GFX_IMAGE_ORDERMetaEnum()
{
    static Core::zkMetaEnum e("ZK_GFX_IMAGE_ORDER",
                              {{0, "ZK_GFX_IMAGE_ORDER_RGBA"}, {100, "ZK_GFX_IMAGE_ORDER_PLATFORM"}});
    return &e;
}

Core::zkMetaEnum* getZK_GFX_IMAGE_CMPNTMetaEnum()
{
    static Core::zkMetaEnum e("ZK_GFX_IMAGE_CMPNT",
                              {{0, "ZK_GFX_IMAGE_CMPNT_RED"},
                               {1, "ZK_GFX_IMAGE_CMPNT_GREEN"},
                               {2, "ZK_GFX_IMAGE_CMPNT_BLUE"},
                               {3, "ZK_GFX_IMAGE_CMPNT_ALPHA"},
                               {4, "ZK_GFX_IMAGE_CMPNT_LUMINANCE"},
                               {5, "ZK_GFX_IMAGE_CMPNT_INDEX"}});
    return &e;
}

} // namespace Tam::Gfx
