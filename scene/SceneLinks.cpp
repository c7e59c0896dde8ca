#include "scene/SceneLinks.h"

namespace Tam::OptExtension {

// The host's removal already unlinks the holder on the node's side, one link per slot; a second
// unlink here would drop the link of another slot when a group holds the node twice.
bool detachChild(zkObject* holder, zkNode* node)
{
    if (zkGroup* group = zkGroup::dynamicCast(holder)) return group->removeChild(node);
    if (zkSceneInfo* info = zkSceneInfo::dynamicCast(holder)) {
        if (info->getRoot() != node) return false;
        info->setRoot(nullptr);
        return true;
    }
    return false;
}

void attachChild(zkObject* holder, zkNode* node)
{
    if (zkGroup* group = zkGroup::dynamicCast(holder)) group->appendChild(node);
    else if (zkSceneInfo* info = zkSceneInfo::dynamicCast(holder)) info->setRoot(node);
}

} // namespace Tam::OptExtension
