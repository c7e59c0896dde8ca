// Motion extraction where a golden case under tests/passes/ExtractMotionVesko cannot say it: the
// answer of the database step, and bone indices a caller set before the run.
#include "anim/ExtractMotionVesko.h"
#include "tests/harness/PassHarness.h"

#include <gtest/gtest.h>


using namespace Tam::OptExtension;
using Tam::Test::PassHarness;

namespace {

// A database named "actor" whose first skeleton has the given bones, and one animation "walk".
struct Actor {
    PassHarness harness;
    zkSmartPointer<zkAnimationDatabase> db = zkCreate<zkAnimationDatabase>();
    zkSmartPointer<zkAnimation> walk = zkCreate<zkAnimation>();

    explicit Actor(std::initializer_list<const char*> bones = {"Bip01", "motion"})
    {
        db->setName("actor");
        auto skeleton = zkCreate<zkSkeleton>();
        for (const char* name : bones) {
            auto bone = zkCreate<zkBoneInfo>();
            bone->setName(name);
            skeleton->appendBone(bone);
        }
        db->appendSkeleton(skeleton);
        walk->setName("walk");
        db->appendAnimation(walk);
        harness.file->getInfoList()->append(db);
    }

    std::string run(int motionBone = -1, int rootBone = -1)
    {
        auto pass = harness.pass<ExtractMotionVesko>();
        pass->mMotionBoneIndex = motionBone;
        pass->mRootBoneIndex = rootBone;
        return harness.run(pass.get());
    }
};

TEST(ExtractMotion, ADatabaseWithoutASkeletonListIsReportedAndFails)
{
    PassHarness h;
    auto db = zkCreate<zkAnimationDatabase>();
    db->setName("props");
    auto pass = h.pass<ExtractMotionVesko>();
    EXPECT_FALSE(pass->ApplyToDB(db.get()));
    EXPECT_EQ(h.printed, "No Skeleton List in animation database! props\n");
}

TEST(ExtractMotion, AnEmptySkeletonListOrANullSkeletonIsSuccessWithoutAWord)
{
    PassHarness h;
    auto db = zkCreate<zkAnimationDatabase>();
    db->appendSkeleton(zkCreate<zkSkeleton>());
    db->getSkeletonList()->setCount(0);
    auto pass = h.pass<ExtractMotionVesko>();
    EXPECT_TRUE(pass->ApplyToDB(db.get()));
    db->getSkeletonList()->append(zkCreate<zkAnimation>()); // not a skeleton: read as null
    EXPECT_TRUE(pass->ApplyToDB(db.get()));
    EXPECT_EQ(h.printed, "");
}

// The search itself is the golden case later_bones_win.
TEST(ExtractMotion, BoneSearchStopsOnceBothBonesAreKnown)
{
    // A user's root index is overwritten while the motion bone is still unknown.
    Actor user({"Bip01", "motion"});
    EXPECT_EQ(user.run(-1, 7).substr(0, 29), "Motion bone  1  Root Bone  0\n");
    // Both given: no search at all.
    Actor given({"Bip01", "motion"});
    EXPECT_EQ(given.run(12, 11).substr(0, 29), "Motion bone 12  Root Bone 11\n");
}

} // namespace
