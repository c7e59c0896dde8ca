// Gathers the collidable triangles of a scene and builds the collision hull record.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkCollideHullVesko : public zkOptBase {
    ZK_CLASS(zkCollideHullVesko, zkOptBase)
public:
#define zkCollideHullVesko_FIELDS(F) \
    F(int32_t, _maxTrianglesPerLeaf, k_maxTrianglesPerLeaf) \
    F(bool, _mergeTriangles, k_mergeTriangles, true) \
    F(bool, _ignoreIsCollidable, k_ignoreIsCollidable) \
    F(bool, _notifyOfError, k_notifyOfError, true) \
    F(int32_t, _totalBeforeVerts, k_totalBeforeVerts) \
    F(int32_t, _totalAfterVerts, k_totalAfterVerts)
    ZK_FIELDS(zkCollideHullVesko_FIELDS)

    bool applyInfo(zkInfo* info) override;
    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkInfo* info) override;
    bool configure(int section) override;
};

} // namespace Tam::OptExtension
