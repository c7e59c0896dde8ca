// Turns every indexed triangle list into one non-indexed triangle strip, the form the targets
// draw fastest. The triangles that repeat a vertex are dropped, the strip builder chains the rest
// into one strip, and the attribute gets a vertex array with one vertex per strip entry (a vertex
// repeats as often as the strip names it) and loses its index array. Attributes that are not
// indexed triangle lists, among them those already stripped, are reported and left alone.
#include "geometry/zkStripVesko.h"

#include "frame/Messages.h"
#include "geometry/strip/StripBuilder.h"

#include <vector>

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(zkStripVesko)

bool zkStripVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkStripVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkStripVesko::configure(int)
{
    return true;
}

bool zkStripVesko::preTraverse()
{
    setNodeType(zkGeometry::getClassTypeSafe());
    setNameFilter("");
    setExactType(false);
    _notifyOfError = true;
    return true;
}

GRAPH_TRAVERSAL zkStripVesko::dispatch(zkSmartPointer<zkNode>& node)
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
        zkGeometryAttr* stripped = stripAttrVerts(attr);
        if (!stripped)
            printAlreadyStripped(*this, geometry, i);
        else if (stripped != geometry->getGeometryAttr(i))
            geometry->setGeometryAttr(i, stripped);
    }
    return GRAPH_TRAVERSAL_CONTINUE;
}

bool zkStripVesko::postTraverse()
{
    printf("Stripping: Triangles %d   TotalVerts %d   IndStrips %d   DupVerts %d   DegTris %d\n", _totalTriangles,
           _totalAfterVerts, _totalStrips, _totalDupVerts, _totalDegenerateTris);
    return true;
}

zkGeometryAttr* zkStripVesko::stripAttrVerts(zkSmartPointer<zkGeometryAttr>& attr)
{
    zkSmartPointer<zkVertexArray> vertices(attr->getVertexArray());
    zkSmartPointer<zkIndexArray> indices(attr->getIndexArray());
    if (!vertices || !indices || attr->getPrimitiveType() != ZK_PRIMITIVE_TRIANGLE_LIST) return nullptr;
    // A trailing incomplete triangle is ignored. More vertices than corners means the attribute
    // is not a plain indexed list (some vertices would be lost).
    const int triangles = indices->getIndexCount() / 3;
    const int vertexCount = vertices->getVertexCount();
    if (vertexCount > 3 * triangles || vertexCount == 0 || triangles == 0) return nullptr;

    std::vector<int32_t> kept;
    kept.reserve(3 * static_cast<std::size_t>(triangles));
    for (int k = 0; k < triangles; ++k) {
        const int32_t a = indices->getIndex(3 * k), b = indices->getIndex(3 * k + 1), c = indices->getIndex(3 * k + 2);
        if (a == b || b == c || a == c) {
            ++_totalDegenerateTris;
            continue;
        }
        kept.insert(kept.end(), {a, b, c});
    }
    const int gathered = static_cast<int>(kept.size() / 3);
    std::vector<int32_t> strip(6 * static_cast<std::size_t>(triangles));
    int strips = 0, duplicates = 0, dropped = 0;
    const int length = stripTriangleList(kept.data(), gathered, strip.data(), strips, duplicates, dropped);
    _totalTriangles += gathered - dropped;
    _totalStrips += strips;
    _totalDupVerts += duplicates;
    _totalAfterVerts += length;
    _totalDegenerateTris += dropped;

    const zkVertexFormat format = vertices->getVertexFormat();
    auto stripped = zkCreate<zkVertexArray>();
    stripped->configure(format, length, vertices->getConfiguration(), 0);
    for (int j = 0; j < length; ++j) zkVertexArray::copyVertex(stripped, j, vertices, strip[j], format);
    attr->configureVertexArray(stripped);
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_STRIPS, 1, 0);
    attr->setPrimitiveLength(0, length);
    attr->configureIndexArray(nullptr);
    return attr;
}

} // namespace Tam::OptExtension
