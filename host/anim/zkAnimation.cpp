#include "host/anim/zkAnimation.h"

#include "host/core/zkHostClass.h"

#include <cstring>
#include <strings.h>

namespace Tam::Sg {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkAnimationTrack)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkAnimation)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkBoneInfo)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkSkeleton)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkSkin)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkAnimationDatabase)

zkAnimationTrack* zkAnimation::getAnimationTrack(const char* name) const
{
    if (!name) return nullptr;
    for (int i = 0; i < getTrackCount(); ++i)
        if (zkAnimationTrack* t = getTrack(i); t && std::strcmp(t->getName(), name) == 0) return t;
    return nullptr;
}

zkAnimationTrack* zkAnimation::getAnimationTrackAnyCase(const char* name) const
{
    if (zkAnimationTrack* exact = getAnimationTrack(name)) return exact;
    for (int i = 0; name && i < getTrackCount(); ++i)
        if (zkAnimationTrack* t = getTrack(i); t && strcasecmp(t->getName(), name) == 0) return t;
    return nullptr;
}

namespace {
template <class T>
T* entry(const zkObjectList* list, int i)
{
    return list && i >= 0 && i < list->getCount() ? T::dynamicCast(list->get(i)) : nullptr;
}
void appendTo(zkChildRef<zkObjectList>& list, zkObject* o, zkMemoryPool* pool)
{
    if (!o) return;
    if (!list) list = zkCreate<zkObjectList>(pool);
    list->append(o);
}
} // namespace

zkAnimation* zkAnimationDatabase::getAnimation(int i) const { return entry<zkAnimation>(animationList.get(), i); }

zkAnimation* zkAnimationDatabase::getAnimation(const char* name) const
{
    for (int i = 0; name && i < getAnimationCount(); ++i)
        if (zkAnimation* a = getAnimation(i); a && std::strcmp(a->getName(), name) == 0) return a;
    return nullptr;
}

zkSkeleton* zkAnimationDatabase::getSkeleton(int i) const { return entry<zkSkeleton>(skeletonList.get(), i); }
zkSkin* zkAnimationDatabase::getSkin(int i) const { return entry<zkSkin>(skinList.get(), i); }
void zkAnimationDatabase::appendAnimation(zkAnimation* a) { appendTo(animationList, a, getMemoryPool()); }
void zkAnimationDatabase::appendSkeleton(zkSkeleton* s) { appendTo(skeletonList, s, getMemoryPool()); }
void zkAnimationDatabase::appendSkin(zkSkin* s) { appendTo(skinList, s, getMemoryPool()); }

} // namespace Tam::Sg
