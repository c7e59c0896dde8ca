// Clears the given flag bits on every node, or reports the nodes that carry them.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoRemoveNodeFlags : public zkOptVisitObject {
    ZK_CLASS(veskoRemoveNodeFlags, zkOptVisitObject)
public:
#define veskoRemoveNodeFlags_FIELDS(F) \
    F(int32_t, _flagsToRemove, k_flagsToRemove) \
    F(bool, _reportOnly, k_reportOnly)
    ZK_FIELDS(veskoRemoveNodeFlags_FIELDS)

    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
