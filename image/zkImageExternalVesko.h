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

    void setForcePngUsage(bool force) { _forcePngUsage = force; }
    bool getForcePngUsage() const { return _forcePngUsage; }
    void setImageSubDirectory(const char* directory) { _imageSubDirectory.set(directory); }
    const char* getImageSubDirectory() const { return _imageSubDirectory.isNull() ? nullptr : _imageSubDirectory.c_str(); }

    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;

protected:
    void handleImage(zkImage* image);
};

} // namespace Tam::OptExtension
