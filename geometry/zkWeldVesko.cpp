// Merges the vertices of every indexed geometry attribute that coincide within fixed
// tolerances, keeping the first vertex of each group in order of first occurrence and
// renumbering the indices, so that later passes and the target see shared vertices as shared.
// Positions decide, and normals and texture set 0 where the vertex format has them; colours,
// weights and further texture sets do not, and follow the first vertex of the group. With
// _weldVerts off the pass only counts what welding would give. Attributes without indices
// (already stripped) cannot be welded and are reported.
#include "geometry/zkWeldVesko.h"

#include "frame/Messages.h"
#include "geometry/WeldAttr.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(zkWeldVesko)

bool zkWeldVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkWeldVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkWeldVesko::configure(int)
{
    return true;
}

bool zkWeldVesko::preTraverse()
{
    setNodeType(zkGeometry::getClassTypeSafe());
    setNameFilter("");
    setExactType(false);
    _notifyOfError = true;
    return true;
}

GRAPH_TRAVERSAL zkWeldVesko::dispatch(zkSmartPointer<zkNode>& node)
{
    zkGeometry* geometry = zkGeometry::dynamicCast(node.get());
    if (!geometry) {
        printNullGeometryNotice(*this, _notifyOfError);
        return GRAPH_TRAVERSAL_CONTINUE;
    }
    const int count = geometry->getGeometryAttrCount();
    for (int i = 0; i < count; ++i) {
        zkSmartPointer<zkGeometryAttr> attr(geometry->getGeometryAttr(i));
        if (!attr) continue;
        if (!weldAttrVerts(attr))
            printAlreadyStripped(*this, geometry, i);
    }
    return GRAPH_TRAVERSAL_CONTINUE;
}

bool zkWeldVesko::postTraverse()
{
    if (_weldVerts) printf("Welding: before %d   after %d\n", _totalBeforeVerts, _totalAfterVerts);
    else printf("Welding: before %d   would reduce to %d\n", _totalBeforeVerts, _totalAfterVerts);
    return true;
}

bool zkWeldVesko::weldAttrVerts(zkSmartPointer<zkGeometryAttr>& attr)
{
    return weldGeometryAttr(attr, WeldCompare::ByFormat, _weldVerts, _totalBeforeVerts, _totalAfterVerts);
}

} // namespace Tam::OptExtension
