// Merges coincident vertices of indexed geometry attributes.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkWeldVesko : public zkOptTraverseGraph {
    ZK_CLASS(zkWeldVesko, zkOptTraverseGraph)
public:
#define zkWeldVesko_FIELDS(F) \
    F(bool, _weldVerts, k_weldVerts, true) \
    F(bool, _notifyOfError, k_notifyOfError, true) \
    F(int32_t, _totalBeforeVerts, k_totalBeforeVerts) \
    F(int32_t, _totalAfterVerts, k_totalAfterVerts)
    ZK_FIELDS(zkWeldVesko_FIELDS)

    bool applyInfo(zkInfo* info) override;
    using Super::canOptimize;
    bool canOptimize(zkInfo* info) override;
    bool configure(int section) override;
    GRAPH_TRAVERSAL dispatch(zkSmartPointer<zkNode>& node) override;
    bool preTraverse() override;
    bool postTraverse() override;

private:
    // True when the attribute has an index array, whether or not it was rewritten.
    bool weldAttrVerts(zkSmartPointer<zkGeometryAttr>& attr);
};

} // namespace Tam::OptExtension
