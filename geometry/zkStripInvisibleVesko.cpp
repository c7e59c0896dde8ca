// Drops geometry flagged invisible (collision-only meshes and the like) from the drawn scene. Each
// such geometry node is replaced by an empty group rather than removed, so that every other
// node keeps its child position in its parent. Only geometry nodes are tested: a visible
// geometry under an invisible group stays.
#include "geometry/zkStripInvisibleVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkStripInvisibleVesko)

bool zkStripInvisibleVesko::apply(zkSmartPointer<zkNode>& root)
{
    zkMetaObject* geometryType = zkGeometry::getClassTypeSafe();
    zkSmartPointer<zkIterateGraph> walker = zkIterateGraph::_instantiateRefFromPool(getMemoryPool()).create();
    walker->beginOfExactType(root, geometryType);
    while (zkNode* node = walker->getCurrent()) {
        if (node->getFlags() & ZK_NODE_FLAG_INVISIBLE) walker->replaceCurrentNode(zkCreate<zkGroup>());
        walker->getNextOfType(geometryType);
    }
    // An invisible root has no parent to hold its replacement: the caller takes the new root.
    if (walker->getRoot() && walker->getRoot() != root.get()) root = walker->getRoot();
    return true;
}

bool zkStripInvisibleVesko::canOptimize(zkNode*)
{
    return true;
}

bool zkStripInvisibleVesko::configure(int)
{
    return true;
}

} // namespace Tam::OptExtension
