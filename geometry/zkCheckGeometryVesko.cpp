// Removes the geometry attributes that later passes and the targets cannot draw: anything but a
// triangle list, counts that do not make whole triangles, vertices no triangle uses, and
// indices beyond the vertices. Non-indexed lists also lose their degenerate triangles (two
// corners closer than kMinEdge), each replaced by the last live triangle. Each removal names its
// reason; the run ends with a count of the attributes removed, or with an all-clear.
#include "geometry/zkCheckGeometryVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkCheckGeometryVesko)

namespace {
// Corners closer than this make a triangle degenerate.
constexpr float kMinEdge = 0.001f;

// Attributes removed in the current traversal, shared by every instance of the pass: traversals
// of two instances must not overlap.
int32_t bogusGeometries = 0;

bool isDegenerate(const zkVec3f& a, const zkVec3f& b, const zkVec3f& c)
{
    return a.distance(b) < kMinEdge || a.distance(c) < kMinEdge || b.distance(c) < kMinEdge;
}
} // namespace

bool zkCheckGeometryVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

bool zkCheckGeometryVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkCheckGeometryVesko::configure(int)
{
    return true;
}

bool zkCheckGeometryVesko::preTraverse()
{
    setNodeType(zkGeometry::getClassTypeSafe());
    setNameFilter("");
    setExactType(false);
    bogusGeometries = 0;
    return true;
}

GRAPH_TRAVERSAL zkCheckGeometryVesko::dispatch(zkSmartPointer<zkNode>& node)
{
    zkSmartPointer<zkGeometry> geometry(zkGeometry::dynamicCast(node.get()));
    if (!geometry) {
        printf("NULL geometry passed to ::dispatch\n");
        return GRAPH_TRAVERSAL_CONTINUE;
    }
    const char* name = *geometry->getName() ? geometry->getName() : "UNKNOWN";
    // Last first, so that a removal leaves the positions still to come where they were.
    for (int i = geometry->getGeometryAttrCount() - 1; i >= 0; --i) {
        if (!geometry->getAttrs() || !zkGeometryAttr::dynamicCast(geometry->getAttr(i))) continue;
        zkSmartPointer<zkGeometryAttr> attr(geometry->getGeometryAttr(i));
        int degenerates = 0;
        if (!attr || !checkAttrVerts(attr, degenerates)) {
            printf("Bad geometry %s\n", name);
            geometry->removeGeometryAttr(i);
            ++bogusGeometries;
        }
        if (degenerates != 0) printf("%d Degenerates removed from geometry %s\n", degenerates, name);
    }
    return GRAPH_TRAVERSAL_CONTINUE;
}

bool zkCheckGeometryVesko::postTraverse()
{
    if (bogusGeometries == 0) {
        printf("All geometry is OK.\n");
    } else {
        printf("********* ERRORS %d bogus geometries stripped\n", bogusGeometries);
        bogusGeometries = 0;
    }
    return true;
}

bool zkCheckGeometryVesko::checkAttrVerts(zkSmartPointer<zkGeometryAttr>& attr, int& degenerates)
{
    degenerates = 0;
    zkSmartPointer<zkVertexArray> vertices(attr->getVertexArray());
    if (!vertices || attr->getPrimitiveType() != ZK_PRIMITIVE_TRIANGLE_LIST) {
        printf("Not an indexed triangle list\n");
        return false;
    }
    const int count = vertices->getVertexCount();
    if (zkSmartPointer<zkIndexArray> indices{attr->getIndexArray()}) {
        const int indexCount = indices->getIndexCount();
        const int triangles = indexCount / 3;
        if (indexCount % 3 != 0) {
            printf("Number of indecies not a multiple of 3.\n");
            return false;
        }
        if (count > 3 * triangles) {
            printf("Unused Verts\n");
            return false;
        }
        if (count == 0 || triangles == 0) {
            printf("No verts or no triangles\n");
            return false;
        }
        for (int i = 0; i < indexCount; ++i) {
            const int32_t v = indices->getIndex(i);
            if (v < 0 || v >= count) {
                printf("Bad Vertex Index\n");
                return false;
            }
        }
        return true;
    }

    if (count == 0) {
        printf("Non-indexed, No verts or no triangles\n");
        return false;
    }
    if (count % 3 != 0) {
        printf("Non-indexed, Number of indecies not a multiple of 3.\n");
        return false;
    }
    // A degenerate triangle takes the last live one's place; the moved triangle is not tested
    // again at that place, as the scan goes on with the next.
    const zkVertexFormat format = vertices->getVertexFormat();
    int live = count;
    for (int at = 0; at < live; at += 3) {
        zkVec3f a, b, c;
        vertices->readPosition(at, a);
        vertices->readPosition(at + 1, b);
        vertices->readPosition(at + 2, c);
        if (!isDegenerate(a, b, c)) continue;
        for (int corner = 0; corner < 3; ++corner)
            zkVertexArray::copyVertex(vertices, at + corner, vertices, live - 3 + corner, format);
        live -= 3;
        ++degenerates;
    }
    if (degenerates != 0) vertices->reconfigure(format, live, vertices->getConfiguration(), 0);
    if (live == 0) {
        printf("WARNING, empty geometry\n");
        return false;
    }
    return true;
}

} // namespace Tam::OptExtension
