// Builds mipmap chains for tagged textures and sets texture filters.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkUseMipmapVesko : public zkOptVisitObject {
    ZK_CLASS(zkUseMipmapVesko, zkOptVisitObject)
public:
#define zkUseMipmapVesko_FIELDS(F) \
    F(zkResizeImage::FilterType, _filterType, k_filterType, zkResizeImage::FilterType(6)) \
    F(bool, mipmapTaggedOnly, kMipmapTaggedOnly, true) \
    F(bool, _forDXT, k_forDXT) \
    F(ZK_GFX_TEXTURE_FILTER, _minFilter, k_minFilter, ZK_GFX_TEXTURE_FILTER(3)) \
    F(ZK_GFX_TEXTURE_FILTER, _magFilter, k_magFilter, ZK_GFX_TEXTURE_FILTER(1)) \
    F(zkSmartPointer<zkStringObjList>, _imageList, k_imageList) \
    F(zkSmartPointer<zkStringObj>, _imageListFilename, k_imageListFilename) \
    F(bool, _isExclude, k_isExclude, true)
    ZK_FIELDS(zkUseMipmapVesko_FIELDS)

    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
