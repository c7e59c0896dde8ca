// Welds skinned geometry, then reduces its blend weights per vertex.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkReduceBlendWeightsWeldVesko : public zkOptTraverseGraph {
    ZK_CLASS(zkReduceBlendWeightsWeldVesko, zkOptTraverseGraph)
public:
#define zkReduceBlendWeightsWeldVesko_FIELDS(F) \
    F(bool, _weldVerts, k_weldVerts, true) \
    F(uint32_t, _blendWeightCount, k_blendWeightCount, 1u) \
    F(float, _blendWeightMin, k_blendWeightMin) \
    F(int32_t, _totalAllWeights, k_totalAllWeights) \
    F(int32_t, _totalBeforeWeights, k_totalBeforeWeights) \
    F(int32_t, _totalAfterWeights, k_totalAfterWeights) \
    F(bool, _notifyOfError, k_notifyOfError, true) \
    F(int32_t, _totalBeforeVerts, k_totalBeforeVerts) \
    F(int32_t, _totalAfterVerts, k_totalAfterVerts)
    ZK_FIELDS(zkReduceBlendWeightsWeldVesko_FIELDS)

    bool applyInfo(zkInfo* info) override;
    using Super::canOptimize;
    bool canOptimize(zkInfo* info) override;
    bool configure(int section) override;
    GRAPH_TRAVERSAL dispatch(zkSmartPointer<zkNode>& node) override;
    bool preTraverse() override;
    bool postTraverse() override;

private:
    bool weldAttrVerts(zkSmartPointer<zkGeometryAttr>& attr);
    void sortBlendWeights(zkSmartPointer<zkGeometryAttr>& attr);
    void ReduceBlendWeightsWeldVesko(zkSmartPointer<zkGeometryAttr>& attr, uint32_t count);
    void normalizeBlendWeights(zkSmartPointer<zkGeometryAttr>& attr);
};

} // namespace Tam::OptExtension
