// Converts texture images to 8-bit or 4-bit palettes.
#pragma once
#include "frame/OptClass.h"

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

    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
