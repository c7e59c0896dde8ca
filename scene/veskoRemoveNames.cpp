// Clears object names, which the targets would otherwise store, keeping those the game looks
// up at run time: scene infos and what they hold, object infos, light sets, cameras, and the
// effect, grab and gun points and the nodes artists mark with "preserve_".
#include "scene/veskoRemoveNames.h"

#include <strings.h>

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoRemoveNames)

namespace {

bool isHeldBySceneInfo(const zkNode* node)
{
    for (int i = 0; i < node->getParentCount(); ++i)
        if (const zkObject* parent = node->getParent(i); parent && parent->isOfExactType(zkSceneInfo::getClassTypeSafe()))
            return true;
    return false;
}

bool isKeptClass(const zkObject* object)
{
    for (const zkMetaObject* meta : {zkSceneInfo::getClassTypeSafe(), zkNamedObjectInfo::getClassTypeSafe(),
                                     zkLightSet::getClassTypeSafe(), zkCamera::getClassTypeSafe()})
        if (object->isOfExactType(meta)) return true;
    return false;
}

bool isKeptName(const char* name)
{
    return strcasecmp(name, "fx") == 0 || strcasecmp(name, "grab1") == 0 || strncasecmp(name, "gun", 3) == 0 ||
           strncasecmp(name, "preserve_", 9) == 0;
}

} // namespace

bool veskoRemoveNames::configure(int)
{
    return true;
}

void veskoRemoveNames::visitor(zkObject* object)
{
    zkNamedObject* named = zkNamedObject::dynamicCast(object);
    if (!named || !*named->getName()) return;
    if (const zkNode* node = zkNode::dynamicCast(object); node && isHeldBySceneInfo(node)) return;
    if (isKeptClass(object) || isKeptName(named->getName())) return;
    named->setName("");
}

zkMetaObject* veskoRemoveNames::getVisitedObjectMeta()
{
    return zkNamedObject::getClassTypeSafe();
}

} // namespace Tam::OptExtension
