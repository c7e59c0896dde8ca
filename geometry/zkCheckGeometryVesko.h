// Removes bad geometry attributes while the host walks the geometry nodes.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkCheckGeometryVesko : public zkOptTraverseGraph {
    ZK_CLASS(zkCheckGeometryVesko, zkOptTraverseGraph)
public:
    bool applyInfo(zkInfo* info) override;
    using Super::canOptimize;
    bool canOptimize(zkInfo* info) override;
    bool configure(int section) override;
    GRAPH_TRAVERSAL dispatch(zkSmartPointer<zkNode>& node) override;
    bool preTraverse() override;
    bool postTraverse() override;

private:
    // True when the attribute is sound. degenerates: triangles removed from a non-indexed list.
    bool checkAttrVerts(zkSmartPointer<zkGeometryAttr>& attr, int& degenerates);
};

} // namespace Tam::OptExtension
