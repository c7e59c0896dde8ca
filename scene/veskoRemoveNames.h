// Clears object names, keeping those the game looks up at run time.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoRemoveNames : public zkOptVisitObject {
    ZK_CLASS(veskoRemoveNames, zkOptVisitObject)
public:
    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
