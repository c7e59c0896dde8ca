// Writes texture images out as PNG files beside the scene and refers to them as external files.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkImageExternalVesko : public zkOptVisitObject {
    ZK_CLASS(zkImageExternalVesko, zkOptVisitObject)
public:
#define zkImageExternalVesko_FIELDS(F) \
    F(bool, _forcePngUsage, k_forcePngUsage, true) \
    F(zkStringRef, _imageSubDirectory, k_imageSubDirectory)
    ZK_FIELDS(zkImageExternalVesko_FIELDS)

    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
