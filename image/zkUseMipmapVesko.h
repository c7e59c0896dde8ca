// Builds mipmap chains for tagged textures and sets texture filters.
#pragma once
#include "frame/OptClass.h"
#include "image/ImageList.h"

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

    static constexpr const char* imageListFilenameToken = kImageListFilenameToken;
    static constexpr const char* isExcludeToken = kIsExcludeToken;
    static constexpr const char* minFilterToken = "minFilter";
    static constexpr const char* magFilterToken = "magFilter";

    void setFilterType(zkResizeImage::FilterType filter) { _filterType = filter; }
    zkResizeImage::FilterType getFilterType() const { return _filterType; }
    const zkStringObjList* getImageList() const { return _imageList.get(); }
    const zkStringObj* getImageListFilename() const { return _imageListFilename.get(); }
    bool getIsExclude() const { return _isExclude; }

    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;

private:
    // Reads a filter word of the registry into field; false for a word that names no filter.
    bool readFilterWord(int section, const char* key, ZK_GFX_TEXTURE_FILTER& field);
    void buildLevels(zkTextureAttr* texture, zkImage* base, zkOptInterface& run);
};

} // namespace Tam::OptExtension
