// Removes the gloss-map texture from environment-map shaders.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoRemoveGlossMaps : public zkOptVisitObject {
    ZK_CLASS(veskoRemoveGlossMaps, zkOptVisitObject)
public:
    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
