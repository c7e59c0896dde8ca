// Motion extraction on animation databases built in code: the bone search, the lines a user
// sees, what happens to the root and motion keys, and the motion record left on the track. The
// tracked and linear extractions themselves are golden cases (tests/passes/ExtractMotionVesko).
#include "anim/ExtractMotionVesko.h"
#include "tests/harness/PassHarness.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Tam::OptExtension;
using Tam::Test::PassHarness;

namespace {

constexpr int64_t kSecond = 1000000000;

struct Key {
    int64_t time;
    zkVec3f translation;
};

template <class Sequence = zkTransformSequence1_5>
zkSmartPointer<Sequence> sequence(std::vector<Key> keys, uint8_t mask, int64_t duration)
{
    auto s = zkCreate<Sequence>();
    s->configure(static_cast<int>(keys.size()), mask);
    s->setDuration(duration);
    for (int k = 0; k < static_cast<int>(keys.size()); ++k) {
        s->setTime(k, keys[k].time);
        s->setTranslation(k, keys[k].translation);
    }
    return s;
}

constexpr uint8_t kMoves = zkTransformSequence::TRANSLATION | zkTransformSequence::ROTATION;

zkSmartPointer<zkAnimationTrack> track(zkAnimation* animation, const char* name, zkObject* source)
{
    auto t = zkCreate<zkAnimationTrack>();
    t->setName(name);
    t->setSource(source);
    animation->appendTrack(t);
    return t;
}

std::vector<zkVec3f> translations(const zkTransformSequence* s)
{
    std::vector<zkVec3f> out;
    for (int k = 0; k < s->getTranslationKeyCount(); ++k) out.push_back(s->getTranslation(k));
    return out;
}

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

void expectRecord(const zkAnimationTrack* t, zkVec3f velocity, float marker, zkVec3f start)
{
    EXPECT_EQ(t->getMotionVelocity(), velocity);
    EXPECT_EQ(t->getMotionMarker(), marker);
    EXPECT_EQ(t->getMotionStart(), start);
}

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

TEST(ExtractMotion, BoneSearchIgnoresCaseLetsLaterBonesWinAndStopsOnceBothAreKnown)
{
    Actor later({"MOTION", "pelvis", "Motion", "bip01", "motion", "BIP01"});
    EXPECT_EQ(later.run(), "Motion bone  2  Root Bone  3\nAnimation walk\n"
                           "Could not find animation track on root bone 'walk' \n");

    // A user's root index is overwritten while the motion bone is still unknown.
    Actor user({"Bip01", "motion"});
    EXPECT_EQ(user.run(-1, 7).substr(0, 29), "Motion bone  1  Root Bone  0\n");
    // Both given: no search at all.
    Actor given({"Bip01", "motion"});
    EXPECT_EQ(given.run(12, 11).substr(0, 29), "Motion bone 12  Root Bone 11\n");
}

TEST(ExtractMotion, MissingAnimationsAndRootTracksSkipOnlyThatAnimation)
{
    Actor actor;
    auto other = zkCreate<zkAnimation>();
    other->setName("other root");
    track(other, "bip01", sequence<zkTransformSequence>({{0, {}}}, kMoves, kSecond)); // not version 1.5
    actor.db->appendAnimation(other);
    actor.db->getAnimationList()->append(zkCreate<zkSkeleton>()); // not an animation
    EXPECT_EQ(actor.run(), "Motion bone  1  Root Bone  0\n"
                           "Animation walk\nCould not find animation track on root bone 'walk' \n"
                           "Animation other root\n"
                           "Animation \nCould not find anim \n");
}

TEST(ExtractMotion, WithoutAMotionBoneNothingIsExtractedAndNoTrackIsTouched)
{
    Actor actor({"Bip01", "spine"});
    auto root = sequence({{0, {0, 90, 0}}, {kSecond, {0, 90, 50}}}, kMoves, kSecond);
    track(actor.walk, "Bip01", root);
    auto motion = track(actor.walk, "motion", sequence({{0, {}}, {kSecond, {0, 0, 50}}}, kMoves, kSecond));
    EXPECT_EQ(actor.run(), "Motion bone -1  Root Bone  0\nAnimation walk\n- no motion extraction\n");
    EXPECT_EQ(translations(root.get()), (std::vector<zkVec3f>{{0, 90, 0}, {0, 90, 50}}));
    expectRecord(motion.get(), {}, 0.0f, {}); // never looked up, so no record
}

TEST(ExtractMotion, ARejectedMotionSourceStillGetsTheEmptyLinearRecord)
{
    const std::vector<zkSmartPointer<zkObject>> sources = {
        sequence<zkTransformSequence>({{0, {}}, {kSecond, {0, 0, 50}}}, kMoves, kSecond),  // wrong class
        sequence({{0, {}}, {kSecond, {0, 0, 50}}}, kMoves | zkTransformSequence::SCALE, kSecond),  // mask 7
        sequence({{0, {}}, {kSecond, {0, 0, 50}}}, zkTransformSequence::TRANSLATION, kSecond),  // mask 1
        nullptr,
    };
    for (const auto& source : sources) {
        Actor actor;
        auto root = sequence({{0, {0, 90, 0}}, {kSecond, {0, 90, 50}}}, kMoves, kSecond);
        track(actor.walk, "Bip01", root);
        auto motion = track(actor.walk, "motion", source.get());
        motion->setMotion({1, 2, 3}, 5.0f, {4, 5, 6});
        EXPECT_EQ(actor.run(), "Motion bone  1  Root Bone  0\nAnimation walk\n- no motion extraction\n");
        EXPECT_EQ(translations(root.get()), (std::vector<zkVec3f>{{0, 90, 0}, {0, 90, 50}}));
        expectRecord(motion.get(), {}, 999.0f, {});
    }
}

TEST(ExtractMotion, LinearTravelOfExactlyTheDeadZoneOrOverNoTimeLeavesTheRoot)
{
    const std::vector<std::pair<zkVec3f, int64_t>> cases = {{{6, -6, 6}, kSecond}, {{0, 0, 40}, 0}};
    const char* lines[] = {"(Motion) Linear - keys=2 dur=1.000 dist=(0.0,0.0,0.0)\n",
                           "(Motion) Linear - keys=2 dur=0.000 dist=(0.0,0.0,40.0)\n"};
    for (std::size_t c = 0; c < cases.size(); ++c) {
        Actor actor;
        const int64_t duration = cases[c].second;
        auto root = sequence({{0, {1, 90, 0}}, {duration, {7, 90, 6}}}, kMoves, duration);
        track(actor.walk, "Bip01", root);
        auto motion = track(actor.walk, "motion", sequence({{0, {}}, {duration, cases[c].first}}, kMoves, duration));
        EXPECT_EQ(actor.run(), std::string("Motion bone  1  Root Bone  0\nAnimation walk\n") + lines[c]);
        EXPECT_EQ(translations(root.get()), (std::vector<zkVec3f>{{1, 90, 0}, {7, 90, 6}}));
        expectRecord(motion.get(), {}, 999.0f, {});
    }
}

TEST(ExtractMotion, ARootWithoutTranslationKeysKeepsItsKeysWhileTheMotionIsRebased)
{
    Actor actor;
    auto root = sequence({{0, {0, 90, 0}}, {kSecond, {0, 90, 50}}}, zkTransformSequence::ROTATION, kSecond);
    root->translations.assign({0, 90, 0, 0, 90, 50}); // held, not animated
    track(actor.walk, "Bip01", root);
    auto source = sequence({{0, {3, 0, 0}}, {kSecond / 2, {3, 0, 25}}, {kSecond, {3, 0, 50}}}, kMoves, kSecond);
    track(actor.walk, "motion", source);
    actor.run();
    EXPECT_EQ(translations(root.get()), (std::vector<zkVec3f>{{0, 90, 0}, {0, 90, 50}}));
    EXPECT_EQ(translations(source.get()), (std::vector<zkVec3f>{{0, 0, 0}, {0, 0, 25}, {0, 0, 50}}));
}

} // namespace
