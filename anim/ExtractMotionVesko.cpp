// Moves the travel of a walk or run out of the root bone ("bip01") and into the motion bone
// ("motion"), so that the game can play the cycle in place and move the character itself by the
// motion bone. Works on animation databases only; scene graphs are left alone.
//
// With more than two motion keys the travel is tracked: the motion bone's path, evaluated at each
// root key, is taken out of the root, and the motion bone is rebased to start at the origin. With
// two keys or fewer the travel is taken as a straight line from the first to the last key, with
// small travel on an axis (the dead zone) counted as none. Either way the motion bone's track
// gets a record of the velocity, the kind of extraction and the start position.
#include "anim/ExtractMotionVesko.h"

#include <cmath>
#include <strings.h>

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(ExtractMotionVesko)

namespace {

// Travel on an axis up to this far is taken as the animator's wobble, not as motion.
constexpr float kLinearDeadZone = 6.0f;
// The motion record's marker: the motion was tracked key by key, or is a straight line.
constexpr float kTrackedMarker = -999.0f;
constexpr float kLinearMarker = 999.0f;
// The component mask a motion sequence must have: translation and rotation, nothing else.
constexpr uint8_t kMotionMask = zkTransformSequence::TRANSLATION | zkTransformSequence::ROTATION;

zkVec3f minus(const zkVec3f& a, const zkVec3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
zkVec3f scaled(const zkVec3f& a, float f) { return {a.x * f, a.y * f, a.z * f}; }

zkTransformSequence1_5* sequenceOf(const zkAnimationTrack* track)
{
    return track ? zkTransformSequence1_5::dynamicCast(track->getSource()) : nullptr;
}

} // namespace

bool ExtractMotionVesko::applyInfo(zkInfo* info)
{
    bool extracted = false;
    if (auto* db = zkAnimationDatabase::dynamicCast(info)) extracted = ApplyToDB(db);
    const bool applied = zkOptBase::applyInfo(info);
    return extracted || applied;
}

bool ExtractMotionVesko::apply(zkSmartPointer<zkNode>&)
{
    return true;
}

bool ExtractMotionVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info) || zkAnimationDatabase::dynamicCast(info) != nullptr;
}

bool ExtractMotionVesko::configure(int)
{
    return true;
}

bool ExtractMotionVesko::ApplyToDB(zkAnimationDatabase* db)
{
    const zkObjectList* skeletons = db->getSkeletonList();
    if (!skeletons) {
        printf("No Skeleton List in animation database! %s\n", db->getName());
        return false;
    }
    zkSmartPointer<zkSkeleton> skeleton(db->getSkeleton(0));
    if (!skeleton) return true;

    findBones(skeleton.get());
    printf("Motion bone %2d  Root Bone %2d\n", mMotionBoneIndex, mRootBoneIndex);

    const int count = db->getAnimationCount();
    for (int i = 0; i < count; ++i) {
        const zkAnimation* animation = db->getAnimation(i);
        printf("Animation %s\n", animation ? animation->getName() : "");
        ExtractMotionFromAnimation(db, skeleton, i);
    }
    return true;
}

void ExtractMotionVesko::ExtractMotionFromAnimation(zkAnimationDatabase* db, zkSmartPointer<zkSkeleton>&,
                                                    int animationIndex)
{
    zkSmartPointer<zkAnimation> animation(db->getAnimation(animationIndex));
    if (!animation) {
        printf("Could not find anim \n");
        return;
    }
    zkAnimationTrack* rootTrack = animation->getAnimationTrackAnyCase("bip01");
    if (!rootTrack) {
        printf("Could not find animation track on root bone '%s' \n", animation->getName());
        return;
    }
    zkTransformSequence1_5* root = sequenceOf(rootTrack);
    if (!root) return;

    zkAnimationTrack* motionTrack = mMotionBoneIndex >= 0 ? animation->getAnimationTrackAnyCase("motion") : nullptr;
    zkTransformSequence1_5* motion = sequenceOf(motionTrack);

    const int64_t durationNs = root->getDuration();
    const float duration = static_cast<float>(static_cast<double>(durationNs) * 1e-9);
    zkVec3f velocity, start;
    bool tracked = false;

    if (!motion || motion->getComponentMask() != kMotionMask) {
        printf("- no motion extraction\n");
    } else {
        zkVec3f first = motion->getTranslation(0);
        const zkVec3f last = motion->getTranslation(motion->getTranslationKeyCount() - 1);
        const int rootKeys = (root->getComponentMask() & zkTransformSequence::TRANSLATION)
                                 ? root->getTranslationKeyCount() : 0;
        const int keys = motion->getKeyCount();
        if (keys > 2) {
            const zkVec3f travel = minus(last, first);
            if (duration > 0) velocity = scaled(travel, 1.0f / duration);
            printf("(Motion) Tracked - keys=%d dur=%3.1f dist=(%3.1f,%3.1f,%3.1f)\n", keys, duration, travel.x,
                   travel.y, travel.z);
            tracked = true;
            // The root keeps only what the motion bone does not already carry.
            for (int j = 0; j < rootKeys; ++j) {
                zkMatrix44f at;
                at.makeIdentity();
                motion->evaluate(root->getTime(j), at);
                root->setTranslation(j, minus(root->getTranslation(j), at.getTranslation()));
            }
            first = motion->getTranslation(0);
            start = first;
            for (int j = 0; j < motion->getTranslationKeyCount(); ++j)
                motion->setTranslation(j, minus(motion->getTranslation(j), first));
        } else {
            zkVec3f travel = minus(last, first);
            for (float* axis : {&travel.x, &travel.y, &travel.z})
                if (std::fabs(*axis) <= kLinearDeadZone) *axis = 0.0f;
            printf("(Motion) Linear - keys=%d dur=%3.3f dist=(%3.1f,%3.1f,%3.1f)\n", keys, duration, travel.x,
                   travel.y, travel.z);
            if (duration > 0 && !(travel == zkVec3f{})) {
                velocity = scaled(travel, 1.0f / duration);
                // In double: nanosecond times are too large for a float to keep the line exact.
                const double ns = static_cast<double>(durationNs);
                for (int j = 0; j < rootKeys; ++j) {
                    const double f = static_cast<double>(root->getTime(j)) / ns;
                    const zkVec3f along{static_cast<float>(first.x + travel.x * f), static_cast<float>(first.y + travel.y * f),
                                        static_cast<float>(first.z + travel.z * f)};
                    root->setTranslation(j, minus(root->getTranslation(j), along));
                }
            }
        }
    }
    if (motionTrack) motionTrack->setMotion(velocity, tracked ? kTrackedMarker : kLinearMarker, start);
}

// Bone names are compared ignoring case; a later bone of the same name wins. The search stops once
// both bones are known, so indices the user set are kept unless the other one is still missing.
void ExtractMotionVesko::findBones(const zkSkeleton* skeleton)
{
    const int count = skeleton->getBoneCount();
    for (int i = 0; i < count && (mRootBoneIndex < 0 || mMotionBoneIndex < 0); ++i) {
        const zkBoneInfo* bone = skeleton->getBoneInfo(i);
        const char* name = bone ? bone->getName() : "";
        if (strcasecmp(name, "bip01") == 0) mRootBoneIndex = i;
        else if (strcasecmp(name, "motion") == 0) mMotionBoneIndex = i;
    }
}

} // namespace Tam::OptExtension
