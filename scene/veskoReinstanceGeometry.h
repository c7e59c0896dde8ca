// Replaces identical large geometry nodes by one shared node.
#pragma once
#include "frame/OptClass.h"

#include <vector>

namespace Tam::OptExtension {

class veskoReinstanceGeometry : public zkOptBase {
    ZK_CLASS(veskoReinstanceGeometry, zkOptBase)
public:
#define veskoReinstanceGeometry_FIELDS(F) \
    F(int32_t, _threshold, k_threshold, 32)
    ZK_FIELDS(veskoReinstanceGeometry_FIELDS)

    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;

    // Shares one node among every set of identical geometries with more than _threshold vertices.
    void DoInstancing(zkNode* root);
    // Whether the two geometries hold the same vertices: attribute by attribute, equal counts and
    // format words, and every component of the format equal in every vertex, compared exactly.
    bool isGeometrySame(zkGeometry* a, zkGeometry* b);

    // The geometries DoInstancing considers: every node of exact class zkGeometry with more than
    // _threshold vertices, once each, in the order of a walk from the root.
    std::vector<zkSmartPointer<zkGeometry>> collectCandidates(zkNode* root);
    // Positions in the candidate list of each group of identical geometries, in the order of
    // their first members; a group's members in list order. A later candidate joins the group of
    // the first earlier candidate it equals that is still free. Groups of one are included.
    std::vector<std::vector<int>> groupIdentical(const std::vector<zkSmartPointer<zkGeometry>>& candidates);
    // Puts first in place of other under other's parents, walking other's parent list by index
    // while the index is below its current count.
    static void shareGeometry(zkGeometry* first, zkGeometry* other);
};

} // namespace Tam::OptExtension
