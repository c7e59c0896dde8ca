#include "geometry/WeldAttr.h"

#include "geometry/Welder.h"

namespace Tam::OptExtension {

using Attrs::zkGeometryAttr;
using Core::zkSmartPointer;
using Gfx::zkIndexArray;
using Gfx::zkVertexArray;
using Gfx::zkVertexFormat;

namespace {

// The host keeps each component of all vertices in one tightly packed block, so the welder can
// read it in place. A block shorter than the vertex count claims is not read at all.
const float* packedRun(const float* first, const float* last, int width, int count)
{
    return first && last == first + static_cast<std::ptrdiff_t>(width) * (count - 1) ? first : nullptr;
}

WeldVertexView viewOf(const zkVertexArray& array, WeldCompare compare)
{
    const int n = array.getVertexCount();
    const zkVertexFormat format = array.getVertexFormat();
    WeldVertexView view;
    view.vertexCount = static_cast<std::size_t>(n);
    view.positions = packedRun(array.getPosition(0), array.getPosition(n - 1), 3, n);
    const bool normals = compare == WeldCompare::WhereSupplied || format.hasNormals();
    const bool texCoords = compare == WeldCompare::WhereSupplied || format.getTextureCoordSetCount() != 0;
    if (normals) view.normals = packedRun(array.getNormal(0), array.getNormal(n - 1), 3, n);
    if (texCoords) view.texCoords = packedRun(array.getTextureCoord(0, 0), array.getTextureCoord(0, n - 1), 2, n);
    return view;
}

} // namespace

bool weldGeometryAttr(zkGeometryAttr* attr, WeldCompare compare, bool rewrite, int32_t& totalBefore,
                      int32_t& totalAfter)
{
    zkSmartPointer<zkVertexArray> vertices(attr->getVertexArray());
    zkSmartPointer<zkIndexArray> indices(attr->getIndexArray());
    const int count = vertices ? vertices->getVertexCount() : 0;
    WeldVertexView view;
    if (count > 0) view = viewOf(*vertices, compare);
    // Without positions there is no key to weld on: every vertex stays its own.
    if (count > 0 && !view.positions) {
        totalBefore += count;
        totalAfter += count;
        return indices != nullptr;
    }

    const WeldResult weld = weldVertices(view);
    const int welded = static_cast<int>(weld.source.size());
    totalBefore += count;
    totalAfter += welded;
    if (!rewrite || !indices || !vertices) return indices != nullptr;

    const zkVertexFormat format = vertices->getVertexFormat();
    auto result = Core::zkCreate<zkVertexArray>();
    result->configure(format, welded, vertices->getConfiguration(), 0);
    for (int k = 0; k < welded; ++k) zkVertexArray::copyVertex(result, k, vertices, weld.source[k], format);
    // An index beyond the vertices has no new number; it is left for validation to report.
    for (int i = 0; i < indices->getIndexCount(); ++i) {
        const int32_t v = indices->getIndex(i);
        if (v >= 0 && v < count) indices->setIndex(i, weld.remap[v]);
    }
    attr->configureVertexArray(result);
    return true;
}

} // namespace Tam::OptExtension
