// Gathers the collidable triangles of a scene and builds the collision hull record.
#pragma once
#include "collision/HullSimplifier.h"
#include "collision/zkCollideHull.h"
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class Tavik;

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

    // Hands the geometry's triangles, moved to world space by world, to this pass's running
    // build with the current collision flags and material. False when some attribute is neither
    // a triangle list nor strips (the other attributes are still gathered), or when this pass
    // has no build running.
    bool addTriangles(zkGeometry* geometry, const zkMatrix44f* world);

    // What the simplifier's log uses instead of the host's: any member left empty keeps the
    // host's own (the run's drive mapping, the account's name, the local clock).
    void setHullLog(HullLogSettings settings) { m_hullLog = std::move(settings); }

private:
    void walk(zkNode* node);
    void readCollisionWords(const zkUserInfo* info);
    void readCollisionTag(zkAttrSet* set);
    void gatherGeometry(zkNode* node);
    HullLogSettings hullLogSettings() const;
    zkSmartPointer<Vesko::TolvanSharedODL::zkCollideHull> fillRecord(const Tavik& builder, int treeBytes,
                                                                     int triangleBytes);
    void removeCollisionOnlyNodes(zkNode* node);
    void removeEmptyAttrSets(zkNode* node);

    HullLogSettings m_hullLog;
};

} // namespace Tam::OptExtension
