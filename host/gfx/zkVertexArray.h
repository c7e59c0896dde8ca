// Vertex and index storage of geometry attributes.
//
// A vertex array holds one block per component, so that a component of every vertex is one
// contiguous run (a welder reads positions with a 12-byte stride, texture set 0 with 8) and
// files save the blocks as they are. Which blocks exist and how many slots each vertex has in
// them is said by the vertex format word; a block of an absent component is empty.
//
//   component            format bits         per slot        block       layout
//   position             bit 0               3 floats        positions   vertex-major
//   normal               bit 1               3 floats        normals     vertex-major
//   colour               bit 2               4 bytes (u32)   colors      vertex-major
//   blend weights        bits 4-7: count     1 float         weights     vertex-major (v*count + j)
//   blend-matrix indices bits 8-11: count    1 byte          blendIndices vertex-major
//   texture coordinates  bits 16-19: sets    2 floats        texCoords   set-major ((set*n + v)*2)
//   user coordinate      bits 20-21: k       k floats (1-3)  userCoords  vertex-major
//   tangent              bit 22              3 floats        tangents    vertex-major
//   binormal             bit 23              3 floats        binormals   vertex-major
//   fog coordinate       bit 24              1 float         fogCoords   vertex-major
#pragma once
#include "host/core/zkClass.h"

#include <cstdint>

namespace Tam::Gfx {

using namespace Tam::Core;
using Math::zkVec3f;

// The vertex format, read as one 32-bit word.
struct zkVertexFormat {
    enum : uint32_t {
        POSITION = 1u << 0,
        NORMAL = 1u << 1,
        COLOR = 1u << 2,
        WEIGHT_SHIFT = 4,
        BLEND_INDEX_SHIFT = 8,
        TEXCOORD_SHIFT = 16,
        USERCOORD_SHIFT = 20,
        TANGENT = 1u << 22,
        BINORMAL = 1u << 23,
        FOGCOORD = 1u << 24,
    };
    uint32_t word = 0;

    constexpr zkVertexFormat() = default;
    constexpr zkVertexFormat(uint32_t w) : word(w) {}
    constexpr operator uint32_t() const { return word; }

    constexpr bool hasPositions() const { return word & POSITION; }
    constexpr bool hasNormals() const { return word & NORMAL; }
    constexpr bool hasColors() const { return word & COLOR; }
    constexpr int getWeightCount() const { return (word >> WEIGHT_SHIFT) & 0xf; }
    constexpr int getBlendMatrixIndexCount() const { return (word >> BLEND_INDEX_SHIFT) & 0xf; }
    constexpr int getTextureCoordSetCount() const { return (word >> TEXCOORD_SHIFT) & 0xf; }
    constexpr int getUserCoordSize() const { return (word >> USERCOORD_SHIFT) & 0x3; }
    constexpr bool hasTangents() const { return word & TANGENT; }
    constexpr bool hasBinormals() const { return word & BINORMAL; }
    constexpr bool hasFogCoords() const { return word & FOGCOORD; }

    constexpr void setFlag(uint32_t bit, bool on) { word = on ? (word | bit) : (word & ~bit); }
    constexpr void setCount(int shift, uint32_t mask, int n) { word = (word & ~(mask << shift)) | ((uint32_t(n) & mask) << shift); }
    constexpr void setWeightCount(int n) { setCount(WEIGHT_SHIFT, 0xf, n); }
    constexpr void setBlendMatrixIndexCount(int n) { setCount(BLEND_INDEX_SHIFT, 0xf, n); }
    constexpr void setTextureCoordSetCount(int n) { setCount(TEXCOORD_SHIFT, 0xf, n); }
    constexpr void setUserCoordSize(int n) { setCount(USERCOORD_SHIFT, 0x3, n); }
};

class zkVertexArray : public zkObject {
    ZK_CLASS(zkVertexArray, zkObject)
public:
#define zkVertexArray_FIELDS(F)                     \
    F(uint32_t, vertexFormat, k_vertexFormat)       \
    F(int32_t, vertexCount, k_vertexCount)          \
    F(uint32_t, configuration, k_configuration)     \
    F(zkFloatArray, positions, k_positions)         \
    F(zkFloatArray, normals, k_normals)             \
    F(zkDataBlock, colors, k_colors)                \
    F(zkFloatArray, weights, k_weights)             \
    F(zkDataBlock, blendIndices, k_blendIndices)    \
    F(zkFloatArray, texCoords, k_texCoords)         \
    F(zkFloatArray, userCoords, k_userCoords)       \
    F(zkFloatArray, tangents, k_tangents)           \
    F(zkFloatArray, binormals, k_binormals)         \
    F(zkFloatArray, fogCoords, k_fogCoords)
    ZK_FIELDS(zkVertexArray_FIELDS)

    zkVertexFormat getVertexFormat() const { return vertexFormat; }
    int getVertexCount() const { return vertexCount; }
    // A word the array keeps for the renderer (how it wants the storage laid out on its side);
    // copies of an array hand it on unchanged.
    uint32_t getConfiguration() const { return configuration; }

    // Storage for count vertices of the format, every value zero. The last argument is
    // reserved (0). False, and nothing changed, for a negative count.
    bool configure(zkVertexFormat format, int count, uint32_t configuration, int reserved = 0);
    // The same, keeping the values of the first vertices in every slot that both the old and
    // the new format have.
    bool reconfigure(zkVertexFormat format, int count, uint32_t configuration, int reserved = 0);

    // Per-vertex access. Pointer getters answer null when the format lacks the component or the
    // vertex number is out of range; setters then do nothing and value getters answer 0.
    float* getPosition(int v);
    const float* getPosition(int v) const;
    bool readPosition(int v, zkVec3f& out) const;
    void setPosition(int v, const zkVec3f& p);
    float* getNormal(int v);
    const float* getNormal(int v) const;
    void setNormal(int v, const zkVec3f& n);
    uint32_t getColor(int v) const;
    void setColor(int v, uint32_t rgba);
    int getTextureCoordSetCount() const { return getVertexFormat().getTextureCoordSetCount(); }
    float* getTextureCoord(int set, int v);
    const float* getTextureCoord(int set, int v) const;
    void setTextureCoord(int set, int v, float s, float t);
    // Blend data, addressed by slot (weight or index number) first and vertex second.
    int getWeightCount() const { return getVertexFormat().getWeightCount(); }
    float getWeight(int j, int v) const;
    void setWeight(int j, int v, float w);
    int getBlendMatrixIndexCount() const { return getVertexFormat().getBlendMatrixIndexCount(); }
    uint8_t getBlendMatrixIndex(int j, int v) const;
    void setBlendMatrixIndex(int j, int v, uint8_t index);
    int getUserCoordSize() const { return getVertexFormat().getUserCoordSize(); }
    float* getUserCoord(int v);
    const float* getUserCoord(int v) const;
    float* getTangent(int v);
    const float* getTangent(int v) const;
    float* getBinormal(int v);
    const float* getBinormal(int v) const;
    float* getFogCoord(int v);
    const float* getFogCoord(int v) const;

    // Told that a vertex's blend weights were rewritten; counts the changes, which a renderer
    // side would take as a cue to re-upload.
    virtual void blendWeightsChanged() { ++m_weightChanges; }
    int getWeightChangeCount() const { return m_weightChanges; }

    // Copies vertex s of src into vertex d of dst, every component of the given format. A slot
    // that src lacks is written as zero; a slot that dst lacks is dropped. Answers false when
    // either vertex number is out of range.
    static bool copyVertex(zkVertexArray* dst, int d, const zkVertexArray* src, int s, zkVertexFormat format);

    bool isConsistent(std::string& field, std::string& problem) const override;

private:
    // Whether every block has the size the format and count give (the accessors' precondition
    // for bulk copies).
    bool isConsistentStorage() const;
    int m_weightChanges = 0;
};

// Fills new arrays vertex by vertex (the blend-weight pass reduces weights through it).
class zkVertexArrayHelper : public zkObject {
    ZK_CLASS(zkVertexArrayHelper, zkObject)
public:
    // Vertex i of source into vertex i of target, under the given format.
    virtual bool copyVertex(zkVertexArray* target, const zkVertexArray* source, int i, zkVertexFormat format)
    {
        return zkVertexArray::copyVertex(target, i, source, i, format);
    }
    virtual bool copyVertex(zkVertexArray* target, int t, const zkVertexArray* source, int s, zkVertexFormat format)
    {
        return zkVertexArray::copyVertex(target, t, source, s, format);
    }
};

// 32-bit vertex numbers. Whether they lie within a vertex array is the geometry attribute's
// check, since the index array does not know its vertices.
class zkIndexArray : public zkObject {
    ZK_CLASS(zkIndexArray, zkObject)
public:
#define zkIndexArray_FIELDS(F) F(zkIntArray, indices, k_indices)
    ZK_FIELDS(zkIndexArray_FIELDS)

    int getCount() const { return static_cast<int>(indices.size()); }
    int getIndexCount() const { return getCount(); }
    int32_t getIndex(int i) const { return i >= 0 && i < getCount() ? indices[i] : 0; }
    void setIndex(int i, int32_t v)
    {
        if (i >= 0 && i < getCount()) indices[i] = v;
    }
    void append(int32_t v) { indices.push_back(v); }
    // count indices, all zero; reconfigure keeps the first ones.
    bool configure(int count);
    bool reconfigure(int count);
    const int32_t* getData() const { return indices.data(); }
    int32_t* getData() { return indices.data(); }
};

} // namespace Tam::Gfx
