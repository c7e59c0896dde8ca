// Animation data: a database (an info of the scene file) holds animations, skeletons and
// skins. An animation has one named track per animated bone; a track's source is what
// animates the bone, usually a zkTransformSequence1_5.
#pragma once
#include "host/sg/zkNode.h"
#include "host/sg/zkTransformSequence.h"

namespace Tam::Sg {

class zkAnimationTrack : public zkNamedObject {
    ZK_CLASS(zkAnimationTrack, zkNamedObject)
public:
    // The motion record, written by motion extraction on the motion bone's track: the travel
    // velocity in units per second, a marker (-999 tracked key by key, 999 linear) and the start
    // position the travel is measured from.
#define zkAnimationTrack_FIELDS(F)                          \
    F(zkChildRef<zkObject>, source, k_source)               \
    F(zkVec3f, motionVelocity, k_motionVelocity)            \
    F(float, motionMarker, k_motionMarker, 0.0f)            \
    F(zkVec3f, motionStart, k_motionStart)
    ZK_FIELDS(zkAnimationTrack_FIELDS)

    zkObject* getSource() const { return source.get(); }
    void setSource(zkObject* s) { source = s; }
    void setMotion(const zkVec3f& velocity, float marker, const zkVec3f& start)
    {
        motionVelocity = velocity;
        motionMarker = marker;
        motionStart = start;
    }
    const zkVec3f& getMotionVelocity() const { return motionVelocity; }
    float getMotionMarker() const { return motionMarker; }
    const zkVec3f& getMotionStart() const { return motionStart; }
};

class zkAnimation : public zkNamedObject {
    ZK_CLASS(zkAnimation, zkNamedObject)
public:
#define zkAnimation_FIELDS(F) F(zkRefArray<zkAnimationTrack>, tracks, k_tracks)
    ZK_FIELDS(zkAnimation_FIELDS)
    int getTrackCount() const { return static_cast<int>(tracks.size()); }
    zkAnimationTrack* getTrack(int i) const { return i >= 0 && i < getTrackCount() ? tracks.at(i) : nullptr; }
    // The first track of that name (case-sensitive), or null.
    zkAnimationTrack* getAnimationTrack(const char* name) const;
    // Character tools differ in the case of bone names ("Bip01", "bip01"): the track of exactly
    // that name, else the first whose name matches ignoring case, else null.
    zkAnimationTrack* getAnimationTrackAnyCase(const char* name) const;
    void appendTrack(zkAnimationTrack* track) { if (track) tracks.items.emplace_back(track); }
};

// One bone: its name, its parent's bone number (-1 for a root) and its bind pose.
class zkBoneInfo : public zkNamedObject {
    ZK_CLASS(zkBoneInfo, zkNamedObject)
public:
#define zkBoneInfo_FIELDS(F)                        \
    F(int32_t, parentIndex, k_parentIndex, -1)      \
    F(zkMatrix44f, bindPose, k_bindPose)
    ZK_FIELDS(zkBoneInfo_FIELDS)
    int getParentIndex() const { return parentIndex; }
};

class zkSkeleton : public zkNamedObject {
    ZK_CLASS(zkSkeleton, zkNamedObject)
public:
#define zkSkeleton_FIELDS(F) F(zkRefArray<zkBoneInfo>, bones, k_bones)
    ZK_FIELDS(zkSkeleton_FIELDS)
    int getBoneCount() const { return static_cast<int>(bones.size()); }
    zkBoneInfo* getBoneInfo(int i) const { return i >= 0 && i < getBoneCount() ? bones.at(i) : nullptr; }
    void appendBone(zkBoneInfo* bone) { if (bone) bones.items.emplace_back(bone); }
};

// A skinned character: the graph whose blend-matrix palettes name bones of the skeleton.
class zkSkin : public zkNamedObject {
    ZK_CLASS(zkSkin, zkNamedObject)
public:
#define zkSkin_FIELDS(F)                                \
    F(zkChildRef<zkNode>, skinnedGraph, k_skinnedGraph) \
    F(zkSharedRef<zkSkeleton>, skeleton, k_skeleton)
    ZK_FIELDS(zkSkin_FIELDS)
    zkNode* getSkinnedGraph() const { return skinnedGraph.get(); }
    void setSkinnedGraph(zkNode* graph) { skinnedGraph = graph; }
    zkSkeleton* getSkeleton() const { return skeleton.get(); }
    void setSkeleton(zkSkeleton* s) { skeleton = s; }
};

class zkAnimationDatabase : public zkInfo {
    ZK_CLASS(zkAnimationDatabase, zkInfo)
public:
    // Each list is null until something is put in it.
#define zkAnimationDatabase_FIELDS(F)                           \
    F(zkChildRef<zkObjectList>, animationList, k_animationList) \
    F(zkChildRef<zkObjectList>, skeletonList, k_skeletonList)   \
    F(zkChildRef<zkObjectList>, skinList, k_skinList)
    ZK_FIELDS(zkAnimationDatabase_FIELDS)

    zkObjectList* getAnimationList() const { return animationList.get(); }
    zkObjectList* getSkeletonList() const { return skeletonList.get(); }
    zkObjectList* getSkinList() const { return skinList.get(); }
    int getAnimationCount() const { return animationList ? animationList->getCount() : 0; }
    // Null out of range or for an entry of another class.
    zkAnimation* getAnimation(int i) const;
    zkAnimation* getAnimation(const char* name) const;
    zkSkeleton* getSkeleton(int i) const;
    zkSkin* getSkin(int i) const;
    void appendAnimation(zkAnimation* a);
    void appendSkeleton(zkSkeleton* s);
    void appendSkin(zkSkin* s);
};

} // namespace Tam::Sg
