// Finalizes skinned characters: outline geometry and canonical blend-matrix palettes.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class VeskoActorSkinFinalize : public zkOptTraverseGraph {
    ZK_CLASS(VeskoActorSkinFinalize, zkOptTraverseGraph)
public:
#define VeskoActorSkinFinalize_FIELDS(F) \
    F(bool, _fixOutlines, k_fixOutlines, true) \
    F(bool, _addBlendStateToOutlines, k_addBlendStateToOutlines, true) \
    F(bool, _canonicalizeSkeleton, k_canonicalizeSkeleton, true) \
    F(bool, _notifyOfError, k_notifyOfError, true)
    ZK_FIELDS(VeskoActorSkinFinalize_FIELDS)

    bool applyInfo(zkInfo* info) override;
    using Super::canOptimize;
    bool canOptimize(zkInfo* info) override;
    bool configure(int section) override;
    GRAPH_TRAVERSAL dispatch(zkSmartPointer<zkNode>& node) override;

private:
    void removeLighting(zkNode* node, zkAttrSet* owner);
    void addAlphaTest(zkNode* graph);
    void collectOutlineSets(zkNode* node, zkAttrSet* owner, zkNodeList* sets);
    void canonicalize(zkNode* node, const zkIntList* remap);
};

} // namespace Tam::OptExtension
