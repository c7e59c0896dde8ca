// Converts texture images to 8-bit or 4-bit palettes.
#pragma once
#include "frame/OptClass.h"
#include "image/ImageList.h"

#include <string>

namespace Tam::OptExtension {

class zkQuantizeVesko : public zkOptVisitObject {
    ZK_CLASS(zkQuantizeVesko, zkOptVisitObject)
public:
#define zkQuantizeVesko_FIELDS(F) \
    F(zkSmartPointer<zkStringObjList>, _imageList, k_imageList) \
    F(zkSmartPointer<zkStringObj>, _imageListFilename, k_imageListFilename) \
    F(bool, _isExclude, k_isExclude, true) \
    F(bool, _isReduce, k_isReduce) \
    F(bool, _alphaPallete, k_alphaPallete) \
    F(bool, _eightBitTofourBitOnly, k_eightBitTofourBitOnly)
    ZK_FIELDS(zkQuantizeVesko_FIELDS)

    static constexpr const char* imageListFilenameToken = kImageListFilenameToken;
    static constexpr const char* isExcludeToken = kIsExcludeToken;

    const zkStringObjList* getImageList() const { return _imageList.get(); }
    const zkStringObj* getImageListFilename() const { return _imageListFilename.get(); }
    bool getIsExclude() const { return _isExclude; }
    bool getIsReduce() const { return _isReduce; }
    bool getAlphaPallete() const { return _alphaPallete; }
    bool getEightBitTofourBitOnly() const { return _eightBitTofourBitOnly; }

    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;

private:
    void fourBitImage(zkTextureAttr* texture, int index, zkImage* image, zkOptInterface& out);
    void eightBitImage(zkTextureAttr* texture, int index, zkImage* image, const std::string& lowerName,
                       zkConvertImage& converter, zkOptInterface& out);
    bool convertToBytes(zkImage* image, int format, zkConvertImage& converter, zkOptInterface& out);
    void palettize(zkTextureAttr* texture, int index, zkImage* image, int width, int height, zkOptInterface& out);
};

} // namespace Tam::OptExtension
