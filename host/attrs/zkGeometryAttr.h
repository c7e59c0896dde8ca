// Geometry: primitives drawn from a vertex array, through an index array when there is one.
//
// Primitive type 3 is a triangle list: primitive t is vertices 3t, 3t+1 and 3t+2 of the
// sequence (index array entries, or vertex numbers without one). Type 4 is a set of triangle
// strips: strip p takes the next getPrimitiveLength(p) entries of the same sequence.
#pragma once
#include "host/attrs/zkAttr.h"
#include "host/gfx/zkVertexArray.h"

namespace Tam::Attrs {

using Gfx::zkIndexArray;
using Gfx::zkVertexArray;
using Gfx::zkVertexFormat;
using Math::zkVec3f;

enum : int32_t {
    ZK_PRIMITIVE_TRIANGLE_LIST = 3,
    ZK_PRIMITIVE_TRIANGLE_STRIPS = 4,
};

class zkGeometryAttr : public zkAttr {
    ZK_CLASS(zkGeometryAttr, zkAttr)
public:
#define zkGeometryAttr_FIELDS(F)                                                   \
    F(int32_t, primitiveType, k_primitiveType, ZK_PRIMITIVE_TRIANGLE_LIST)         \
    F(int32_t, primitiveCount, k_primitiveCount, 0)                                \
    F(int32_t, primitiveFlags, k_primitiveFlags, 0)                                \
    F(zkIntArray, primitiveLengths, k_primitiveLengths)                            \
    F(zkChildRef<zkVertexArray>, vertexArray, k_vertexArray)                       \
    F(zkChildRef<zkIndexArray>, indexArray, k_indexArray)
    ZK_FIELDS(zkGeometryAttr_FIELDS)

    int getPrimitiveType() const { return primitiveType; }
    int getPrimitiveCount() const { return primitiveCount; }
    int getPrimitiveFlags() const { return primitiveFlags; }
    // Sets type and count (the third value is kept for the renderer; passes give 0). Strips get
    // one length per strip, all 0 until setPrimitiveLength; other types keep no lengths.
    virtual void setPrimitives(int type, int count, int flags);
    // Vertices of strip p; 0 out of range.
    int getPrimitiveLength(int p) const;
    virtual void setPrimitiveLength(int p, int length);

    zkVertexArray* getVertexArray() const { return vertexArray.get(); }
    // Null when the attribute is not indexed.
    zkIndexArray* getIndexArray() const { return indexArray.get(); }
    // The attribute holds its own reference; null removes the array.
    void configureVertexArray(zkVertexArray* array) { vertexArray = array; }
    void configureIndexArray(zkIndexArray* array) { indexArray = array; }

    // The vertex array's format and count; 0 without an array.
    zkVertexFormat getVertexFormat() const;
    int getVertexCount() const;
    // Vertex v's position; the zero vector when there is none.
    zkVec3f getPosition(int v) const;
    int getBlendMatrixIndex(int slot, int v) const;
    void setBlendMatrixIndex(int slot, int v, int index);

    // Catches an index beyond the vertex array, primitives that need more entries than the
    // attribute has, and strips without their lengths.
    bool isConsistent(std::string& field, std::string& problem) const override;
};

} // namespace Tam::Attrs
