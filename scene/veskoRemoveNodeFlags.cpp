// Clears the bits of _flagsToRemove on every node, or with _reportOnly prints the nodes that
// carry any of them and changes nothing.
#include "scene/veskoRemoveNodeFlags.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoRemoveNodeFlags)

bool veskoRemoveNodeFlags::configure(int)
{
    return true;
}

void veskoRemoveNodeFlags::visitor(zkObject* object)
{
    zkNode* node = zkNode::dynamicCast(object);
    if (!node) return;
    const uint32_t mask = static_cast<uint32_t>(_flagsToRemove);
    if (!_reportOnly) {
        node->setFlag(mask, false);
    } else if (node->getFlags() & mask) {
        printf("%s \"%s\" matches (0x%02x)\n", node->getMeta()->getName(), node->getName(), node->getFlags());
    }
}

zkMetaObject* veskoRemoveNodeFlags::getVisitedObjectMeta()
{
    return zkNode::getClassTypeSafe();
}

} // namespace Tam::OptExtension
