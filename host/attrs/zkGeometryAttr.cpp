#include "host/attrs/zkGeometryAttr.h"

#include "host/core/zkHostClass.h"

namespace Tam::Attrs {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkGeometryAttr)

void zkGeometryAttr::setPrimitives(int type, int count, int flags)
{
    primitiveType = type;
    primitiveCount = count;
    primitiveFlags = flags;
    if (type == ZK_PRIMITIVE_TRIANGLE_STRIPS) primitiveLengths.assign(count > 0 ? count : 0, 0);
    else primitiveLengths.clear();
}

int zkGeometryAttr::getPrimitiveLength(int p) const
{
    return p >= 0 && p < static_cast<int>(primitiveLengths.size()) ? primitiveLengths[p] : 0;
}

void zkGeometryAttr::setPrimitiveLength(int p, int length)
{
    if (p >= 0 && p < static_cast<int>(primitiveLengths.size())) primitiveLengths[p] = length;
}

zkVertexFormat zkGeometryAttr::getVertexFormat() const
{
    return vertexArray ? vertexArray->getVertexFormat() : zkVertexFormat();
}

int zkGeometryAttr::getVertexCount() const { return vertexArray ? vertexArray->getVertexCount() : 0; }

zkVec3f zkGeometryAttr::getPosition(int v) const
{
    zkVec3f p;
    if (vertexArray) vertexArray->readPosition(v, p);
    return p;
}

int zkGeometryAttr::getBlendMatrixIndex(int slot, int v) const
{
    return vertexArray ? vertexArray->getBlendMatrixIndex(slot, v) : 0;
}

void zkGeometryAttr::setBlendMatrixIndex(int slot, int v, int index)
{
    if (vertexArray) vertexArray->setBlendMatrixIndex(slot, v, static_cast<uint8_t>(index));
}

bool zkGeometryAttr::isConsistent(std::string& field, std::string& problem) const
{
    const int vertices = getVertexCount();
    if (indexArray) {
        const int n = indexArray->getCount();
        for (int i = 0; i < n; ++i) {
            int32_t v = indexArray->getIndex(i);
            if (v < 0 || v >= vertices) {
                field = "indexArray";
                problem = "index " + std::to_string(v) + " at position " + std::to_string(i) +
                          " is outside the vertex array's " + std::to_string(vertices) + " vertices";
                return false;
            }
        }
    }
    if (primitiveCount < 0) {
        field = "primitiveCount";
        problem = "is negative (" + std::to_string(primitiveCount) + ")";
        return false;
    }
    const long long available = indexArray ? indexArray->getCount() : vertices;
    long long needed = 0;
    if (primitiveType == ZK_PRIMITIVE_TRIANGLE_LIST) {
        needed = 3LL * primitiveCount;
    } else if (primitiveType == ZK_PRIMITIVE_TRIANGLE_STRIPS) {
        if (static_cast<int>(primitiveLengths.size()) != primitiveCount) {
            field = "primitiveLengths";
            problem = "holds " + std::to_string(primitiveLengths.size()) + " lengths for " +
                      std::to_string(primitiveCount) + " strips";
            return false;
        }
        for (int32_t length : primitiveLengths) {
            if (length < 0) {
                field = "primitiveLengths";
                problem = "holds a negative length (" + std::to_string(length) + ")";
                return false;
            }
            needed += length;
        }
    }
    if (needed > available) {
        field = "primitiveCount";
        problem = std::to_string(primitiveCount) + " primitives need " + std::to_string(needed) + " vertices, the " +
                  (indexArray ? "index array has " : "vertex array has ") + std::to_string(available);
        return false;
    }
    return true;
}

} // namespace Tam::Attrs
