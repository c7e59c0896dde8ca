#include "host/gfx/zkVertexArray.h"

#include "host/core/zkHostClass.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Tam::Gfx {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkVertexArray)
ZK_DEFINE_HOST_CLASS(zkVertexArrayHelper)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkIndexArray)

namespace {

// Every component is described by its slots per vertex and the values per slot, so that
// configuration, copying and checking are written once for all of them.
enum Component { POSITION, NORMAL, COLOR, WEIGHT, BLEND_INDEX, TEXCOORD, USERCOORD, TANGENT, BINORMAL, FOGCOORD,
                 COMPONENT_COUNT };

struct Layout {
    int slots = 0;
    int width = 0; // floats, or bytes for the byte components
    bool setMajor = false;

    std::size_t size(int n) const { return std::size_t(slots) * width * (n > 0 ? n : 0); }
    std::size_t offset(int n, int slot, int v) const
    {
        return setMajor ? (std::size_t(slot) * n + v) * width : (std::size_t(v) * slots + slot) * width;
    }
};

Layout layoutOf(Component c, zkVertexFormat f)
{
    switch (c) {
    case POSITION: return {f.hasPositions() ? 1 : 0, 3};
    case NORMAL: return {f.hasNormals() ? 1 : 0, 3};
    case COLOR: return {f.hasColors() ? 1 : 0, 4};
    case WEIGHT: return {f.getWeightCount(), 1};
    case BLEND_INDEX: return {f.getBlendMatrixIndexCount(), 1};
    case TEXCOORD: return {f.getTextureCoordSetCount(), 2, true};
    case USERCOORD: return {f.getUserCoordSize() ? 1 : 0, f.getUserCoordSize()};
    case TANGENT: return {f.hasTangents() ? 1 : 0, 3};
    case BINORMAL: return {f.hasBinormals() ? 1 : 0, 3};
    case FOGCOORD: return {f.hasFogCoords() ? 1 : 0, 1};
    default: return {};
    }
}

bool isByteComponent(Component c) { return c == COLOR || c == BLEND_INDEX; }

const char* fieldName(Component c)
{
    static const char* const names[] = {"positions", "normals", "colors", "weights", "blendIndices",
                                        "texCoords", "userCoords", "tangents", "binormals", "fogCoords"};
    return names[c];
}

zkFloatArray* floatsOf(zkVertexArray& a, Component c)
{
    switch (c) {
    case POSITION: return &a.positions;
    case NORMAL: return &a.normals;
    case WEIGHT: return &a.weights;
    case TEXCOORD: return &a.texCoords;
    case USERCOORD: return &a.userCoords;
    case TANGENT: return &a.tangents;
    case BINORMAL: return &a.binormals;
    case FOGCOORD: return &a.fogCoords;
    default: return nullptr;
    }
}
zkDataBlock* bytesOf(zkVertexArray& a, Component c)
{
    return c == COLOR ? &a.colors : c == BLEND_INDEX ? &a.blendIndices : nullptr;
}
std::size_t storedSize(const zkVertexArray& a, Component c)
{
    auto& m = const_cast<zkVertexArray&>(a);
    return isByteComponent(c) ? bytesOf(m, c)->size() : floatsOf(m, c)->size();
}

// Copies the overlapping slots, vertices and widths of one component from an old layout into a
// new, zeroed block.
template <class V>
void carryOver(const V& from, const Layout& lf, int nf, V& to, const Layout& lt, int nt)
{
    int slots = std::min(lf.slots, lt.slots), n = std::min(nf, nt), width = std::min(lf.width, lt.width);
    for (int s = 0; s < slots; ++s)
        for (int v = 0; v < n; ++v)
            std::copy_n(from.begin() + lf.offset(nf, s, v), width, to.begin() + lt.offset(nt, s, v));
}

template <class V>
void copyOne(V& dst, const Layout& ld, int nd, int d, const V& src, const Layout& ls, int ns, int s,
             const Layout& lformat)
{
    for (int slot = 0; slot < lformat.slots && slot < ld.slots; ++slot) {
        auto out = dst.begin() + ld.offset(nd, slot, d);
        int have = slot < ls.slots ? std::min(ls.width, ld.width) : 0;
        if (have) std::copy_n(src.begin() + ls.offset(ns, slot, s), have, out);
        std::fill(out + have, out + ld.width, typename V::value_type{});
    }
}

} // namespace

bool zkVertexArray::configure(zkVertexFormat format, int count, uint32_t config, int)
{
    if (count < 0) return false;
    vertexFormat = format;
    vertexCount = count;
    configuration = config;
    for (int c = 0; c < COMPONENT_COUNT; ++c) {
        Component comp = Component(c);
        std::size_t size = layoutOf(comp, format).size(count);
        if (isByteComponent(comp)) bytesOf(*this, comp)->assign(size, 0);
        else floatsOf(*this, comp)->assign(size, 0.0f);
    }
    return true;
}

bool zkVertexArray::reconfigure(zkVertexFormat format, int count, uint32_t config, int)
{
    if (count < 0) return false;
    const zkVertexFormat oldFormat = getVertexFormat();
    const int oldCount = vertexCount;
    for (int c = 0; c < COMPONENT_COUNT; ++c) {
        Component comp = Component(c);
        Layout lf = layoutOf(comp, oldFormat), lt = layoutOf(comp, format);
        if (isByteComponent(comp)) {
            zkDataBlock next(lt.size(count), 0);
            carryOver(*bytesOf(*this, comp), lf, oldCount, next, lt, count);
            bytesOf(*this, comp)->swap(next);
        } else {
            zkFloatArray next(lt.size(count), 0.0f);
            carryOver(*floatsOf(*this, comp), lf, oldCount, next, lt, count);
            floatsOf(*this, comp)->swap(next);
        }
    }
    vertexFormat = format;
    vertexCount = count;
    configuration = config;
    return true;
}

namespace {
float* floatAt(zkVertexArray& a, Component c, int slot, int v)
{
    Layout l = layoutOf(c, a.getVertexFormat());
    if (v < 0 || v >= a.getVertexCount() || slot < 0 || slot >= l.slots) return nullptr;
    zkFloatArray& f = *floatsOf(a, c);
    std::size_t at = l.offset(a.getVertexCount(), slot, v);
    return at + l.width <= f.size() ? f.data() + at : nullptr;
}
uint8_t* byteAt(zkVertexArray& a, Component c, int slot, int v)
{
    Layout l = layoutOf(c, a.getVertexFormat());
    if (v < 0 || v >= a.getVertexCount() || slot < 0 || slot >= l.slots) return nullptr;
    zkDataBlock& b = *bytesOf(a, c);
    std::size_t at = l.offset(a.getVertexCount(), slot, v);
    return at + l.width <= b.size() ? b.data() + at : nullptr;
}
zkVertexArray& mut(const zkVertexArray& a) { return const_cast<zkVertexArray&>(a); }
} // namespace

float* zkVertexArray::getPosition(int v) { return floatAt(*this, POSITION, 0, v); }
const float* zkVertexArray::getPosition(int v) const { return floatAt(mut(*this), POSITION, 0, v); }
bool zkVertexArray::readPosition(int v, zkVec3f& out) const
{
    const float* p = getPosition(v);
    if (!p) return false;
    out.set(p[0], p[1], p[2]);
    return true;
}
void zkVertexArray::setPosition(int v, const zkVec3f& p)
{
    if (float* f = getPosition(v)) { f[0] = p.x; f[1] = p.y; f[2] = p.z; }
}
float* zkVertexArray::getNormal(int v) { return floatAt(*this, NORMAL, 0, v); }
const float* zkVertexArray::getNormal(int v) const { return floatAt(mut(*this), NORMAL, 0, v); }
void zkVertexArray::setNormal(int v, const zkVec3f& n)
{
    if (float* f = getNormal(v)) { f[0] = n.x; f[1] = n.y; f[2] = n.z; }
}
uint32_t zkVertexArray::getColor(int v) const
{
    uint32_t c = 0;
    if (const uint8_t* b = byteAt(mut(*this), COLOR, 0, v)) std::memcpy(&c, b, 4);
    return c;
}
void zkVertexArray::setColor(int v, uint32_t rgba)
{
    if (uint8_t* b = byteAt(*this, COLOR, 0, v)) std::memcpy(b, &rgba, 4);
}
float* zkVertexArray::getTextureCoord(int set, int v) { return floatAt(*this, TEXCOORD, set, v); }
const float* zkVertexArray::getTextureCoord(int set, int v) const { return floatAt(mut(*this), TEXCOORD, set, v); }
void zkVertexArray::setTextureCoord(int set, int v, float s, float t)
{
    if (float* f = getTextureCoord(set, v)) { f[0] = s; f[1] = t; }
}
float zkVertexArray::getWeight(int j, int v) const
{
    const float* f = floatAt(mut(*this), WEIGHT, j, v);
    return f ? *f : 0.0f;
}
void zkVertexArray::setWeight(int j, int v, float w)
{
    if (float* f = floatAt(*this, WEIGHT, j, v)) *f = w;
}
uint8_t zkVertexArray::getBlendMatrixIndex(int j, int v) const
{
    const uint8_t* b = byteAt(mut(*this), BLEND_INDEX, j, v);
    return b ? *b : 0;
}
void zkVertexArray::setBlendMatrixIndex(int j, int v, uint8_t index)
{
    if (uint8_t* b = byteAt(*this, BLEND_INDEX, j, v)) *b = index;
}
float* zkVertexArray::getUserCoord(int v) { return floatAt(*this, USERCOORD, 0, v); }
const float* zkVertexArray::getUserCoord(int v) const { return floatAt(mut(*this), USERCOORD, 0, v); }
float* zkVertexArray::getTangent(int v) { return floatAt(*this, TANGENT, 0, v); }
const float* zkVertexArray::getTangent(int v) const { return floatAt(mut(*this), TANGENT, 0, v); }
float* zkVertexArray::getBinormal(int v) { return floatAt(*this, BINORMAL, 0, v); }
const float* zkVertexArray::getBinormal(int v) const { return floatAt(mut(*this), BINORMAL, 0, v); }
float* zkVertexArray::getFogCoord(int v) { return floatAt(*this, FOGCOORD, 0, v); }
const float* zkVertexArray::getFogCoord(int v) const { return floatAt(mut(*this), FOGCOORD, 0, v); }

bool zkVertexArray::copyVertex(zkVertexArray* dst, int d, const zkVertexArray* src, int s, zkVertexFormat format)
{
    if (!dst || !src || d < 0 || d >= dst->getVertexCount() || s < 0 || s >= src->getVertexCount()) return false;
    if (!dst->isConsistentStorage() || !src->isConsistentStorage()) return false;
    if (dst == src && d == s) return true; // a vertex onto itself: nothing to move
    for (int c = 0; c < COMPONENT_COUNT; ++c) {
        Component comp = Component(c);
        Layout lfmt = layoutOf(comp, format), ld = layoutOf(comp, dst->getVertexFormat()),
               ls = layoutOf(comp, src->getVertexFormat());
        if (isByteComponent(comp))
            copyOne(*bytesOf(*dst, comp), ld, dst->getVertexCount(), d, *bytesOf(mut(*src), comp), ls,
                    src->getVertexCount(), s, lfmt);
        else
            copyOne(*floatsOf(*dst, comp), ld, dst->getVertexCount(), d, *floatsOf(mut(*src), comp), ls,
                    src->getVertexCount(), s, lfmt);
    }
    return true;
}

bool zkVertexArray::isConsistentStorage() const
{
    std::string field, problem;
    return isConsistent(field, problem);
}

bool zkVertexArray::isConsistent(std::string& field, std::string& problem) const
{
    if (vertexCount < 0) {
        field = "vertexCount";
        problem = "is negative (" + std::to_string(vertexCount) + ")";
        return false;
    }
    for (int c = 0; c < COMPONENT_COUNT; ++c) {
        Component comp = Component(c);
        std::size_t need = layoutOf(comp, getVertexFormat()).size(vertexCount);
        std::size_t have = storedSize(*this, comp);
        if (have != need) {
            char format[16];
            std::snprintf(format, sizeof format, "0x%08x", vertexFormat);
            const char* unit = isByteComponent(comp) ? " bytes" : " floats";
            field = fieldName(comp);
            problem = "holds " + std::to_string(have) + unit + " where " + std::to_string(vertexCount) +
                      " vertices of format " + format + " need " + std::to_string(need);
            return false;
        }
    }
    return true;
}

bool zkIndexArray::configure(int count)
{
    if (count < 0) return false;
    indices.assign(count, 0);
    return true;
}

bool zkIndexArray::reconfigure(int count)
{
    if (count < 0) return false;
    indices.resize(count, 0);
    return true;
}

} // namespace Tam::Gfx
