// Converts texture images to the GameCube formats that keep their alpha.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoImageAlphaGamecube : public zkOptVisitObject {
    ZK_CLASS(veskoImageAlphaGamecube, zkOptVisitObject)
public:
#define veskoImageAlphaGamecube_FIELDS(F) \
    F(bool, _allowDXT, k_allowDXT, true) \
    F(bool, _unpalettize, k_unpalettize, true)
    ZK_FIELDS(veskoImageAlphaGamecube_FIELDS)

    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;

private:
    // Whether some texel's alpha is neither 0 nor 255.
    bool hasPartialAlpha(zkImage* image);
};

} // namespace Tam::OptExtension
