#include "host/sg/zkSceneTools.h"

#include "host/core/zkHostClass.h"
#include "host/sg/zkSceneNodes.h"
#include "host/sg/zkTransformSequence.h"

#include <vector>

namespace Tam::Sg {

ZK_DEFINE_HOST_CLASS(zkBoundingBoxesMaker)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkCreateSphereMap)

namespace {

void gather(zkNode* node, const zkMatrix44f& outer, zkBoundingBox& box, std::vector<zkNode*>& path)
{
    if (!node) return;
    for (zkNode* n : path)
        if (n == node) return;
    // A child-space point p lands at p * local * outer.
    zkMatrix44f m = outer;
    if (zkTransform* t = zkTransform::dynamicCast(node)) m.multiply(t->getMatrix(), outer);
    else if (zkTransformSequence* s = zkTransformSequence::dynamicCast(node)) m.multiply(s->getMatrix(0), outer);
    if (zkGeometry* g = zkGeometry::dynamicCast(node))
        for (int i = 0; i < g->getGeometryAttrCount(); ++i)
            if (zkGeometryAttr* a = g->getGeometryAttr(i); a && a->getVertexFormat().hasPositions())
                for (int v = 0; v < a->getVertexCount(); ++v) box.extend(m.transformPoint(a->getPosition(v)));
    if (zkGroup* group = zkGroup::dynamicCast(node)) {
        path.push_back(node);
        for (int i = 0; i < group->getChildCount(); ++i) gather(group->getChild(i), m, box, path);
        path.pop_back();
    }
}

} // namespace

zkBoundingBox zkBoundingBoxesMaker::getBoundingBox(zkNode* node) const
{
    zkBoundingBox box;
    std::vector<zkNode*> path;
    gather(node, zkMatrix44f::identityMatrix, box, path);
    return box;
}

bool zkCreateSphereMap::create(Attrs::zkTextureCubeAttr*) { return false; }

} // namespace Tam::Sg
