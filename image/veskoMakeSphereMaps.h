// Turns cube environment maps into sphere maps.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoMakeSphereMaps : public zkOptVisitObject {
    ZK_CLASS(veskoMakeSphereMaps, zkOptVisitObject)
public:
    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
