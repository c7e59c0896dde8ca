// Extracts root motion from animations into the motion bone.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class ExtractMotionVesko : public zkOptBase {
    ZK_CLASS(ExtractMotionVesko, zkOptBase)
public:
#define ExtractMotionVesko_FIELDS(F) \
    F(bool, _notifyOfError, k_notifyOfError, true) \
    F(int32_t, mRootBoneIndex, kMRootBoneIndex, -1) \
    F(int32_t, mMotionBoneIndex, kMMotionBoneIndex, -1)
    ZK_FIELDS(ExtractMotionVesko_FIELDS)

    bool applyInfo(zkInfo* info) override;
    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkInfo* info) override;
    bool configure(int section) override;
};

} // namespace Tam::OptExtension
