// Turns indexed triangle lists into single non-indexed triangle strips.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkStripVesko : public zkOptTraverseGraph {
    ZK_CLASS(zkStripVesko, zkOptTraverseGraph)
public:
#define zkStripVesko_FIELDS(F) \
    F(bool, _notifyOfError, k_notifyOfError, true) \
    F(int32_t, _totalTriangles, k_totalTriangles) \
    F(int32_t, _totalStrips, k_totalStrips) \
    F(int32_t, _totalDupVerts, k_totalDupVerts) \
    F(int32_t, _totalAfterVerts, k_totalAfterVerts) \
    F(int32_t, _totalDegenerateTris, k_totalDegenerateTris)
    ZK_FIELDS(zkStripVesko_FIELDS)

    bool applyInfo(zkInfo* info) override;
    using Super::canOptimize;
    bool canOptimize(zkInfo* info) override;
    bool configure(int section) override;
    GRAPH_TRAVERSAL dispatch(zkSmartPointer<zkNode>& node) override;
    bool preTraverse() override;
    bool postTraverse() override;

private:
    // The attribute when it was stripped, null when it was left alone.
    zkGeometryAttr* stripAttrVerts(zkSmartPointer<zkGeometryAttr>& attr);
};

} // namespace Tam::OptExtension
