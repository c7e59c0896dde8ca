// Fixes material modes that the target platform cannot render.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoFixMaterialMode : public zkOptVisitObject {
    ZK_CLASS(veskoFixMaterialMode, zkOptVisitObject)
public:
    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
