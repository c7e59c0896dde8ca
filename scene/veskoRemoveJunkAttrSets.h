// Drops attribute sets that have no children.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoRemoveJunkAttrSets : public zkOptVisitObject {
    ZK_CLASS(veskoRemoveJunkAttrSets, zkOptVisitObject)
public:
    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
