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

    // Finds the root and motion bones in the first skeleton and extracts the motion of every
    // animation. False when the database has no skeleton list.
    bool ApplyToDB(zkAnimationDatabase* db);
    void ExtractMotionFromAnimation(zkAnimationDatabase* db, zkSmartPointer<zkSkeleton>& skeleton,
                                    int animationIndex);

private:
    void findBones(const zkSkeleton* skeleton);
};

} // namespace Tam::OptExtension
