#include "host/io/GltfExport.h"

#include "host/io/Base64.h"

#include "host/anim/zkAnimation.h"
#include "host/attrs/zkRenderAttrs.h"
#include "host/gfx/Png.h"
#include "host/io/SceneFile.h"
#include "host/opt/zkImagePasses.h"
#include "host/sg/zkAttrSet.h"
#include "host/sg/zkSceneNodes.h"
#include "host/sg/zkUserInfo.h"

#include <assimp/matrix4x4.h>
#include <assimp/matrix4x4.inl>
#include <assimp/quaternion.h>
#include <assimp/quaternion.inl>
#include <assimp/vector3.h>
#include <assimp/vector3.inl>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <unordered_map>

namespace Tam::Io {

namespace {

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Attrs;
using namespace Tam::Gfx;
using Math::zkMatrix44f;
using Math::zkVec3f;
using json = nlohmann::json;
namespace fs = std::filesystem;

// glTF's numeric codes.
constexpr int kByte = 5121, kUint16 = 5123, kUint32 = 5125, kFloat = 5126;
constexpr int kArrayBuffer = 34962, kElementBuffer = 34963;
constexpr int kModeTriangles = 4, kModeStrip = 5;
constexpr int kRepeat = 10497, kClamp = 33071;

// A DAG is written as a tree, one glTF node per path; this bounds what a heavily shared graph
// can grow into.
constexpr std::size_t kMaxNodes = 1000000;

bool endsWith(const std::string& s, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return s.size() >= n && std::equal(s.end() - n, s.end(), suffix, [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

// glTF matrices are column-major and move column vectors: the same 16 numbers as the host's
// row-major, row-vector matrix read row by row.
json matrixJson(const zkMatrix44f& m)
{
    json out = json::array();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out.push_back(m.m[r][c]);
    return out;
}

aiMatrix4x4 rowsOf(const zkMatrix44f& m)
{
    aiMatrix4x4 a;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) a[r][c] = m.m[r][c];
    return a;
}

zkMatrix44f fromRows(const aiMatrix4x4& a)
{
    zkMatrix44f m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = a[r][c];
    return m;
}

// The inverse of a transpose is the transpose of the inverse, so rows in give rows out.
zkMatrix44f inverse(const zkMatrix44f& m)
{
    aiMatrix4x4 a = rowsOf(m);
    a.Inverse();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(a[r][c])) return zkMatrix44f{};
    return fromRows(a);
}

// glTF wants unit normals. Lengths are taken in double so that the float result is unit to
// within the validator's tolerance; a normal with no direction (zero, or not finite) becomes
// +Z, so that the vertex still has a defined one.
void unitNormal(const float* in, float* out)
{
    const double x = in[0], y = in[1], z = in[2];
    const double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length)) {
        out[0] = 0.0f, out[1] = 0.0f, out[2] = 1.0f;
        return;
    }
    out[0] = static_cast<float>(x / length);
    out[1] = static_cast<float>(y / length);
    out[2] = static_cast<float>(z / length);
}

int textureFilter(int filter)
{
    switch (filter) {
    case ZK_GFX_TEXTURE_FILTER_NEAREST: return 9728;
    case ZK_GFX_TEXTURE_FILTER_NEAREST_MIPMAP_NEAREST: return 9984;
    case ZK_GFX_TEXTURE_FILTER_LINEAR_MIPMAP_NEAREST: return 9985;
    case ZK_GFX_TEXTURE_FILTER_NEAREST_MIPMAP_LINEAR: return 9986;
    case ZK_GFX_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR: return 9987;
    default: return 9729;
    }
}

// The render state in force at a node: the last attribute of each class, innermost set winning.
struct State {
    const zkAttrSet* set = nullptr;  // the innermost attribute set that is not geometry
    const zkTextureAttr* texture = nullptr;
    const zkBlendFunctionAttr* blendFunction = nullptr;
    bool blend = false;
    const zkAlphaFunctionAttr* alphaFunction = nullptr;
    bool alphaTest = false;
    int cull = -1;  // -1: no culling attribute
    bool unlit = false;
    const zkBlendMatrixSelect* palette = nullptr;
    const zkSkin* skin = nullptr;

    void take(const zkAttrSet* attrs)
    {
        for (int i = 0; i < attrs->getAttrCount(); ++i) {
            const zkAttr* a = attrs->getAttr(i);
            if (!a) continue;
            if (auto* bind = zkTextureBindAttr::dynamicCast(const_cast<zkAttr*>(a))) texture = bind->getTexture();
            else if (auto* f = zkBlendFunctionAttr::dynamicCast(const_cast<zkAttr*>(a))) blendFunction = f;
            else if (auto* f = zkAlphaFunctionAttr::dynamicCast(const_cast<zkAttr*>(a))) alphaFunction = f;
            else if (auto* c = zkCullFaceAttr::dynamicCast(const_cast<zkAttr*>(a))) cull = c->getCullFace();
            else if (auto* s = zkBlendStateAttr::dynamicCast(const_cast<zkAttr*>(a))) blend = s->isEnabled();
            else if (auto* s = zkAlphaStateAttr::dynamicCast(const_cast<zkAttr*>(a))) alphaTest = s->isEnabled();
            else if (auto* s = zkLightingStateAttr::dynamicCast(const_cast<zkAttr*>(a))) unlit = !s->isEnabled();
        }
    }
    // What tells two materials apart. The set counts by its name, the only thing the material
    // takes from it, so that a mesh placed under several alike sets stays one glTF mesh.
    auto key() const
    {
        return std::make_tuple(set != nullptr, std::string(set ? set->getName() : ""), texture, blend, alphaTest,
                               alphaFunction ? alphaFunction->getReference() : 0.5f, cull, unlit);
    }
};

class Writer {
public:
    Writer(const zkFileInfo* file, std::vector<std::string>* warnings) : m_file(file), m_warnings(warnings) {}

    // The document and its binary buffer; false with the reason in error.
    bool write(json& doc, std::string& bin, std::string& error);

private:
    void warn(const std::string& line)
    {
        if (m_warnings) m_warnings->push_back(line);
    }

    int bufferView(const void* data, std::size_t size, int target);
    int accessor(const void* data, std::size_t count, int componentType, const char* type, int components,
                 int target, bool normalized = false, bool bounds = false);
    bool node(const zkNode* node, State state, json& children, std::string& error);
    int mesh(const zkGeometry* geometry, const State& state);
    json primitive(const zkGeometryAttr* attr, const State& state);
    int material(const State& state);
    int texture(const zkTextureAttr* texture);
    int sampledTexture(const zkTextureAttr* texture);
    std::string externalImageUri(const zkImage* image) const;
    int skin(const State& state);
    void animations();
    json infosExtras();
    void sceneExtras(const zkNode* source, json& extras);

    const zkFileInfo* m_file;
    std::vector<std::string>* m_warnings;
    json m_doc;
    std::string m_bin;

    const zkAnimationDatabase* m_database = nullptr;
    std::map<std::string, bool> m_animated;                // names of nodes some track moves
    std::unordered_map<std::string, int> m_nodeByName;     // the first node of each name
    std::map<std::pair<const zkGeometry*, decltype(State().key())>, int> m_meshes;
    std::map<decltype(State().key()), int> m_materials;
    std::unordered_map<const zkTextureAttr*, int> m_textures;  // -1: could not be written
    std::map<std::pair<const zkBlendMatrixSelect*, const zkSkin*>, int> m_skins;
    std::vector<std::pair<const zkSkeleton*, std::vector<int>>> m_madeJoints;
    json m_skinNodes = json::array();  // joints made from a skeleton, added to the first scene
    std::vector<std::pair<int, State>> m_pendingSkins;  // skinned mesh nodes and their state
};

int Writer::bufferView(const void* data, std::size_t size, int target)
{
    while (m_bin.size() % 4) m_bin.push_back('\0');
    json view = {{"buffer", 0}, {"byteOffset", m_bin.size()}, {"byteLength", size}};
    if (target) view["target"] = target;
    m_bin.append(static_cast<const char*>(data), size);
    m_doc["bufferViews"].push_back(view);
    return static_cast<int>(m_doc["bufferViews"].size() - 1);
}

int Writer::accessor(const void* data, std::size_t count, int componentType, const char* type, int components,
                     int target, bool normalized, bool bounds)
{
    const std::size_t size = componentType == kFloat || componentType == kUint32 ? 4 : componentType == kUint16 ? 2 : 1;
    json a = {{"bufferView", bufferView(data, count * components * size, target)},
              {"componentType", componentType},
              {"count", count},
              {"type", type}};
    if (normalized) a["normalized"] = true;
    if (bounds && componentType == kFloat && count > 0) {
        const float* f = static_cast<const float*>(data);
        std::vector<float> lo(f, f + components), hi(f, f + components);
        for (std::size_t i = 0; i < count; ++i)
            for (int c = 0; c < components; ++c) {
                lo[c] = std::fmin(lo[c], f[i * components + c]);
                hi[c] = std::fmax(hi[c], f[i * components + c]);
            }
        a["min"] = lo;
        a["max"] = hi;
    }
    m_doc["accessors"].push_back(a);
    return static_cast<int>(m_doc["accessors"].size() - 1);
}

bool Writer::write(json& doc, std::string& bin, std::string& error)
{
    m_doc = {{"asset", {{"version", "2.0"}, {"generator", "zkopt"}}},
             {"scenes", json::array()},
             {"nodes", json::array()},
             {"bufferViews", json::array()},
             {"accessors", json::array()}};

    const zkObjectList* infos = m_file->getInfoList();
    for (int i = 0; infos && i < infos->getCount(); ++i)
        if (auto* db = zkAnimationDatabase::dynamicCast(infos->get(i)); db && !m_database) m_database = db;
    for (int a = 0; m_database && a < m_database->getAnimationCount(); ++a)
        if (const zkAnimation* animation = m_database->getAnimation(a))
            for (int t = 0; t < animation->getTrackCount(); ++t)
                if (const zkAnimationTrack* track = animation->getTrack(t)) m_animated[track->getName()] = true;

    for (int i = 0; infos && i < infos->getCount(); ++i) {
        const auto* scene = zkSceneInfo::dynamicCast(infos->get(i));
        if (!scene) continue;
        json roots = json::array();
        if (scene->getRoot() && !node(scene->getRoot(), State{}, roots, error)) return false;
        json entry = {{"nodes", roots}};
        if (*scene->getName()) entry["name"] = scene->getName();
        m_doc["scenes"].push_back(entry);
    }
    for (const auto& [index, state] : m_pendingSkins) {
        const int skin = this->skin(state);
        if (skin >= 0) m_doc["nodes"][index]["skin"] = skin;
    }
    if (m_doc["scenes"].empty()) m_doc["scenes"].push_back({{"nodes", json::array()}});
    for (const auto& joint : m_skinNodes) m_doc["scenes"][0]["nodes"].push_back(joint);
    m_doc["scene"] = 0;
    animations();

    json extras = infosExtras();
    if (!extras.empty()) m_doc["asset"]["extras"] = extras;
    for (const char* key : {"bufferViews", "accessors", "nodes"})
        if (m_doc[key].empty()) m_doc.erase(key);
    if (!m_bin.empty()) m_doc["buffers"] = json::array({{{"byteLength", m_bin.size()}}});
    doc = std::move(m_doc);
    bin = std::move(m_bin);
    return true;
}

bool Writer::node(const zkNode* source, State state, json& siblings, std::string& error)
{
    if (m_doc["nodes"].size() >= kMaxNodes) {
        error = "the scene unfolds into more than " + std::to_string(kMaxNodes) + " nodes";
        return false;
    }
    const int index = static_cast<int>(m_doc["nodes"].size());
    m_doc["nodes"].push_back(json::object());
    siblings.push_back(index);
    json out = json::object();
    const std::string name = source->getName();
    if (!name.empty()) {
        out["name"] = name;
        m_nodeByName.emplace(name, index);
    }

    zkMatrix44f placement;
    bool placed = false;
    if (auto* t = zkTransform::dynamicCast(const_cast<zkNode*>(source))) placement = t->getMatrix(), placed = true;
    else if (auto* s = zkTransformSequence::dynamicCast(const_cast<zkNode*>(source)))
        placement = s->getMatrix(0), placed = true;
    if (placed && placement != zkMatrix44f::identityMatrix) {
        if (m_animated.count(name)) {
            // An animated node may only carry translation, rotation and scale.
            aiVector3D scale, position;
            aiQuaternion rotation;
            aiMatrix4x4 columns = rowsOf(placement);
            columns.Transpose();
            columns.Decompose(scale, rotation, position);
            out["translation"] = {position.x, position.y, position.z};
            out["rotation"] = {rotation.x, rotation.y, rotation.z, rotation.w};
            out["scale"] = {scale.x, scale.y, scale.z};
        } else {
            out["matrix"] = matrixJson(placement);
        }
    }

    // The import puts a node's metadata in a user info of the node's name just below it; such a
    // pair goes out as the one node it came from, so that files survive the round trip unchanged.
    const zkGroup* contents = zkGroup::dynamicCast(const_cast<zkNode*>(source));
    const zkUserInfo* info = zkUserInfo::dynamicCast(const_cast<zkNode*>(source));
    if (contents && !info && contents->getChildCount() == 1)
        if (auto* inner = zkUserInfo::dynamicCast(contents->getChild(0));
            inner && name == inner->getName() && (inner->getFlags() & ~source->getFlags()) == 0) {
            info = inner;
            contents = inner;
        }
    json extras = json::object();
    if (info)
        for (int p = 0; p < info->getPropertyCount(); ++p) {
            const zkProperty* property = info->getPropertyAt(p);
            const auto* key = property ? zkStringKey::dynamicCast(property->getKey()) : nullptr;
            if (!key) continue;
            const zkValue* value = property->getValue();
            if (auto* s = zkStringValue::dynamicCast(const_cast<zkValue*>(value))) extras[key->getValue()] = s->getValue();
            else if (auto* n = zkIntValue::dynamicCast(const_cast<zkValue*>(value))) extras[key->getValue()] = n->getValue();
            else if (auto* f = zkFloatValue::dynamicCast(const_cast<zkValue*>(value))) extras[key->getValue()] = f->getValue();
        }
    if (source->getFlags() & ZK_NODE_FLAG_COLLIDABLE) extras["zk_collidable"] = true;
    if (source->getFlags() & ZK_NODE_FLAG_INVISIBLE) extras["zk_invisible"] = true;
    if (source->getFlags() & ZK_NODE_FLAG_SKIP_COLLISION) extras["zk_skip_collision"] = true;
    sceneExtras(source, extras);
    if (!extras.empty()) out["extras"] = extras;

    if (auto* palette = zkBlendMatrixSelect::dynamicCast(const_cast<zkNode*>(source))) state.palette = palette;
    const zkObjectList* skins = m_database ? m_database->getSkinList() : nullptr;
    for (int s = 0; skins && s < skins->getCount(); ++s)
        if (const zkSkin* skin = m_database->getSkin(s); skin && skin->getSkinnedGraph() == source) state.skin = skin;

    if (auto* geometry = zkGeometry::dynamicCast(const_cast<zkNode*>(source))) {
        State own = state;
        own.take(geometry);
        const int mesh = this->mesh(geometry, own);
        if (mesh >= 0) {
            out["mesh"] = mesh;
            // Joints may be nodes still to come; skins are made once every node is known.
            if (own.palette) m_pendingSkins.emplace_back(index, own);
        }
    } else if (auto* set = zkAttrSet::dynamicCast(const_cast<zkNode*>(source))) {
        state.set = set;
        state.take(set);
    }

    if (contents) {
        json children = json::array();
        for (int i = 0; i < contents->getChildCount(); ++i)
            if (contents->getChild(i) && !node(contents->getChild(i), state, children, error)) return false;
        if (!children.empty()) out["children"] = children;
    }
    m_doc["nodes"][index] = out;
    return true;
}

// What glTF has no place for: billboards, fog, culling set on a group, and the bounds that
// item placeholders keep in place of their contents.
void Writer::sceneExtras(const zkNode* source, json& extras)
{
    if (auto* billboard = zkBillboard::dynamicCast(source)) extras["zk_billboard"] = {{"mode", billboard->getMode()}};
    if (source->getBoundRadius() != 0.0f) {
        const zkVec3f& c = source->getBoundCenter();
        extras["zk_bound"] = {{"center", {c.x, c.y, c.z}}, {"radius", source->getBoundRadius()}};
    }
    const zkAttrSet* set = zkAttrSet::dynamicCast(source);
    if (!set || zkGeometry::dynamicCast(source)) return;
    for (int i = 0; i < set->getAttrCount(); ++i) {
        const zkAttr* a = set->getAttr(i);
        if (auto* cull = zkCullFaceAttr::dynamicCast(a)) extras["zk_cull_face"] = cull->getCullFace();
        else if (auto* state = zkFogStateAttr::dynamicCast(a)) extras["zk_fog_enabled"] = state->isEnabled();
        else if (auto* fog = zkFogAttr::dynamicCast(a)) {
            json parameters = json::array();
            for (int p = 0; p < 8; ++p) parameters.push_back(fog->getParameter(p));
            extras["zk_fog"] = parameters;
        }
    }
}

int Writer::mesh(const zkGeometry* geometry, const State& state)
{
    const auto key = std::make_pair(geometry, state.key());
    auto found = m_meshes.find(key);
    if (found != m_meshes.end()) return found->second;
    json primitives = json::array();
    for (int i = 0; i < geometry->getGeometryAttrCount(); ++i)
        if (const zkGeometryAttr* attr = geometry->getGeometryAttr(i)) {
            json p = primitive(attr, state);
            if (!p.is_null()) primitives.push_back(p);
        }
    int index = -1;
    if (!primitives.empty()) {
        json mesh = {{"primitives", primitives}};
        if (*geometry->getName()) mesh["name"] = geometry->getName();
        m_doc["meshes"].push_back(mesh);
        index = static_cast<int>(m_doc["meshes"].size() - 1);
    }
    m_meshes[key] = index;
    return index;
}

json Writer::primitive(const zkGeometryAttr* attr, const State& state)
{
    const zkVertexArray* array = attr->getVertexArray();
    const int type = attr->getPrimitiveType();
    if (!array || !array->getVertexFormat().hasPositions() || array->getVertexCount() <= 0) return nullptr;
    if (type != ZK_PRIMITIVE_TRIANGLE_LIST && type != ZK_PRIMITIVE_TRIANGLE_STRIPS) return nullptr;
    const std::size_t n = static_cast<std::size_t>(array->getVertexCount());
    const zkVertexFormat format = array->getVertexFormat();

    // The sequence the primitives read: index entries, or vertex numbers without an index array.
    std::vector<uint32_t> sequence;
    const zkIndexArray* list = attr->getIndexArray();
    const std::size_t entries = list ? static_cast<std::size_t>(list->getCount()) : n;
    for (std::size_t i = 0; i < entries; ++i) sequence.push_back(list ? uint32_t(list->getData()[i]) : uint32_t(i));

    std::vector<uint32_t> indices;
    int mode = kModeTriangles;
    if (type == ZK_PRIMITIVE_TRIANGLE_LIST) {
        const std::size_t count = std::min<std::size_t>(std::size_t(std::max(attr->getPrimitiveCount(), 0)) * 3,
                                                        sequence.size() / 3 * 3);
        indices.assign(sequence.begin(), sequence.begin() + count);
    } else {
        // One strip for all: a strip after the first is joined by repeating the last entry
        // before it and its own first, once more when needed to keep its winding.
        mode = kModeStrip;
        std::size_t at = 0;
        for (int p = 0; p < attr->getPrimitiveCount(); ++p) {
            const std::size_t length = static_cast<std::size_t>(std::max(attr->getPrimitiveLength(p), 0));
            if (at + length > sequence.size()) break;
            if (length >= 3) {
                if (!indices.empty()) {
                    const bool odd = indices.size() % 2 == 1;
                    indices.push_back(indices.back());
                    indices.push_back(sequence[at]);
                    if (odd) indices.push_back(sequence[at]);
                }
                indices.insert(indices.end(), sequence.begin() + at, sequence.begin() + at + length);
            }
            at += length;
        }
    }
    if (indices.empty()) return nullptr;
    for (uint32_t& i : indices)
        if (i >= n) i = 0;

    json attributes = json::object();
    std::vector<float> floats(array->positions.begin(), array->positions.begin() + n * 3);
    attributes["POSITION"] = accessor(floats.data(), n, kFloat, "VEC3", 3, kArrayBuffer, false, true);
    if (format.hasNormals()) {
        floats.resize(n * 3);
        for (std::size_t v = 0; v < n; ++v) unitNormal(&array->normals[3 * v], &floats[3 * v]);
        attributes["NORMAL"] = accessor(floats.data(), n, kFloat, "VEC3", 3, kArrayBuffer);
    }
    if (format.hasColors()) attributes["COLOR_0"] = accessor(array->colors.data(), n, kByte, "VEC4", 4, kArrayBuffer, true);
    for (int s = 0; s < format.getTextureCoordSetCount(); ++s) {
        floats.resize(n * 2);
        for (std::size_t v = 0; v < n; ++v) {
            const float* t = array->getTextureCoord(s, static_cast<int>(v));
            floats[2 * v] = t[0];
            floats[2 * v + 1] = 1.0f - t[1];  // the host keeps Assimp's bottom-left origin
        }
        attributes["TEXCOORD_" + std::to_string(s)] = accessor(floats.data(), n, kFloat, "VEC2", 2, kArrayBuffer);
    }
    const int weights = std::min(format.getWeightCount(), format.getBlendMatrixIndexCount());
    const int paletteSize = state.palette ? state.palette->getBlendMatrixIndices()->getCount() : 0;
    if (weights > 0 && paletteSize > 0) {
        for (int set = 0; set * 4 < weights; ++set) {
            std::vector<uint8_t> joints(n * 4, 0);
            std::vector<float> w(n * 4, 0.0f);
            for (std::size_t v = 0; v < n; ++v)
                for (int j = 0; j < 4 && set * 4 + j < weights; ++j) {
                    const int slot = set * 4 + j;
                    const int joint = array->getBlendMatrixIndex(slot, static_cast<int>(v));
                    if (joint >= paletteSize) continue;  // an index past the palette draws nothing
                    const float weight = array->getWeight(slot, static_cast<int>(v));
                    // glTF wants joint 0 in unused slots; a renumbered palette leaves others there.
                    if (weight == 0.0f) continue;
                    joints[v * 4 + j] = static_cast<uint8_t>(joint);
                    w[v * 4 + j] = weight;
                }
            attributes["JOINTS_" + std::to_string(set)] = accessor(joints.data(), n, kByte, "VEC4", 4, kArrayBuffer);
            attributes["WEIGHTS_" + std::to_string(set)] = accessor(w.data(), n, kFloat, "VEC4", 4, kArrayBuffer);
        }
    }

    json out = {{"attributes", attributes}, {"mode", mode}};
    const uint32_t largest = *std::max_element(indices.begin(), indices.end());
    if (largest < 65535) {
        std::vector<uint16_t> narrow(indices.begin(), indices.end());
        out["indices"] = accessor(narrow.data(), narrow.size(), kUint16, "SCALAR", 1, kElementBuffer);
    } else {
        out["indices"] = accessor(indices.data(), indices.size(), kUint32, "SCALAR", 1, kElementBuffer);
    }
    // A texture needs coordinates to be read with: without them the primitive gets the same
    // material untextured.
    State look = state;
    if (format.getTextureCoordSetCount() == 0) look.texture = nullptr;
    if (look.set || look.texture) out["material"] = material(look);
    return out;
}

int Writer::material(const State& state)
{
    const auto key = state.key();
    auto found = m_materials.find(key);
    if (found != m_materials.end()) return found->second;
    json pbr = {{"metallicFactor", 0.0}, {"roughnessFactor", 1.0}};
    if (state.texture) {
        const int t = texture(state.texture);
        if (t >= 0) pbr["baseColorTexture"] = {{"index", t}};
    }
    json material = {{"pbrMetallicRoughness", pbr}};
    if (state.set && *state.set->getName()) material["name"] = state.set->getName();
    if (state.blend) material["alphaMode"] = "BLEND";
    else if (state.alphaTest) {
        material["alphaMode"] = "MASK";
        material["alphaCutoff"] = state.alphaFunction ? state.alphaFunction->getReference() : 0.5f;
    }
    if (state.cull == 0) material["doubleSided"] = true;
    if (state.unlit) {
        material["extensions"]["KHR_materials_unlit"] = json::object();
        json& used = m_doc["extensionsUsed"];
        if (std::find(used.begin(), used.end(), "KHR_materials_unlit") == used.end()) used.push_back("KHR_materials_unlit");
    }
    m_doc["materials"].push_back(material);
    const int index = static_cast<int>(m_doc["materials"].size() - 1);
    m_materials[key] = index;
    return index;
}

int Writer::texture(const zkTextureAttr* texture)
{
    auto found = m_textures.find(texture);
    if (found != m_textures.end()) return found->second;
    int index = -1;
    const zkImage* image = texture->getImage(0);
    PixelImage pixels;
    std::string problem = "no image";
    std::vector<uint8_t> png;
    const std::string uri = externalImageUri(image);
    if (!uri.empty()) {
        m_doc["images"].push_back({{"uri", uri}, {"mimeType", "image/png"}});
        if (*image->getName()) m_doc["images"].back()["name"] = image->getName();
        index = sampledTexture(texture);
    } else if (image && image->getPixelImage(pixels)) {
        bool ok;
        if (isIndexed(pixels.format)) {
            ok = encodePng(pixels, png, &problem);
        } else {
            // Anything else, block-coded formats included, goes through plain RGBA texels.
            std::vector<uint8_t> rgba;
            PixelImage plain;
            ok = decodeToRGBA(pixels, rgba, &problem) &&
                 load(plain, rgba.data(), rgba.size(), kFormatRGBA8888, pixels.width, pixels.height, kOrderRGBA, &problem) &&
                 encodePng(plain, png, &problem);
        }
        if (ok) {
            json entry = {{"bufferView", bufferView(png.data(), png.size(), 0)}, {"mimeType", "image/png"}};
            if (*image->getName()) entry["name"] = image->getName();
            m_doc["images"].push_back(entry);
            index = sampledTexture(texture);
        }
    }
    if (index < 0)
        warn("image \"" + std::string(image ? image->getName() : "") + "\" not written: " + problem);
    m_textures[texture] = index;
    return index;
}

// A texture of the last image added, sampled as the texture attribute says.
int Writer::sampledTexture(const zkTextureAttr* texture)
{
    json sampler = {{"magFilter", texture->getMagFilter() == ZK_GFX_TEXTURE_FILTER_NEAREST ? 9728 : 9729},
                    {"minFilter", textureFilter(texture->getMinFilter())},
                    {"wrapS", texture->getWrapS() == 1 ? kClamp : kRepeat},
                    {"wrapT", texture->getWrapT() == 1 ? kClamp : kRepeat}};
    m_doc["samplers"].push_back(sampler);
    m_doc["textures"].push_back({{"source", m_doc["images"].size() - 1}, {"sampler", m_doc["samplers"].size() - 1}});
    return static_cast<int>(m_doc["textures"].size() - 1);
}

// An image the file records as written out as a PNG file is referred to by the file's path
// relative to the scene's folder, percent-encoded as a URI; "" when it is not external.
std::string Writer::externalImageUri(const zkImage* image) const
{
    const zkObjectList* infos = m_file->getInfoList();
    for (int i = 0; image && infos && i < infos->getCount(); ++i) {
        const auto* entry = Opt::zkExternalImageEntry::dynamicCast(infos->get(i));
        if (!entry || entry->getImage() != image || !*entry->getFilePath()) continue;
        static const char* hex = "0123456789ABCDEF";
        std::string uri;
        for (unsigned char c : std::string(entry->getFilePath())) {
            if (std::isalnum(c) || std::strchr("-._~/", c)) uri.push_back(static_cast<char>(c));
            else uri += {'%', hex[c >> 4], hex[c & 15]};
        }
        return uri;
    }
    return "";
}

// The skin of a palette: its entries name bones of the skin's skeleton (or of the file's first).
int Writer::skin(const State& state)
{
    const zkSkeleton* skeleton = state.skin ? state.skin->getSkeleton() : nullptr;
    if (!skeleton && m_database) skeleton = m_database->getSkeleton(0);
    const auto key = std::make_pair(state.palette, state.skin);
    auto found = m_skins.find(key);
    if (found != m_skins.end()) return found->second;
    m_skins[key] = -1;
    if (!skeleton || skeleton->getBoneCount() == 0) {
        warn("palette \"" + std::string(state.palette->getName()) + "\": no skeleton; written unskinned");
        return -1;
    }

    // Joint nodes: the scene's nodes of the bones' names, or nodes made from the skeleton.
    std::vector<int> jointOf(skeleton->getBoneCount(), -1);
    bool all = true;
    for (int b = 0; b < skeleton->getBoneCount(); ++b) {
        auto named = m_nodeByName.find(skeleton->getBoneInfo(b)->getName());
        if (named != m_nodeByName.end()) jointOf[b] = named->second;
        else all = false;
    }
    if (!all) {
        auto made = std::find_if(m_madeJoints.begin(), m_madeJoints.end(), [&](const auto& m) { return m.first == skeleton; });
        if (made == m_madeJoints.end()) {
            std::vector<int> nodes;
            for (int b = 0; b < skeleton->getBoneCount(); ++b) {
                const zkBoneInfo* bone = skeleton->getBoneInfo(b);
                const int parent = bone->getParentIndex();
                zkMatrix44f local = bone->bindPose;
                if (parent >= 0 && parent < b) local.multiply(bone->bindPose, inverse(skeleton->getBoneInfo(parent)->bindPose));
                const int index = static_cast<int>(m_doc["nodes"].size());
                m_doc["nodes"].push_back({{"name", bone->getName()}, {"matrix", matrixJson(local)}});
                if (parent >= 0 && parent < b) m_doc["nodes"][nodes[parent]]["children"].push_back(index);
                else m_skinNodes.push_back(index);
                nodes.push_back(index);
            }
            m_madeJoints.emplace_back(skeleton, nodes);
            made = m_madeJoints.end() - 1;
        }
        jointOf = made->second;
    }

    const zkIntList* palette = state.palette->getBlendMatrixIndices();
    json joints = json::array();
    std::vector<float> inverseBinds;
    for (int p = 0; p < palette->getCount(); ++p) {
        int bone = palette->get(p);
        if (bone < 0 || bone >= skeleton->getBoneCount()) bone = 0;
        joints.push_back(jointOf[bone]);
        zkMatrix44f m = inverse(skeleton->getBoneInfo(bone)->bindPose);
        // Inversion leaves rounding noise where an affine matrix has exact zeros and a one;
        // glTF asks for exactly those.
        m.m[0][3] = m.m[1][3] = m.m[2][3] = 0.0f;
        m.m[3][3] = 1.0f;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) inverseBinds.push_back(m.m[r][c]);
    }
    json skin = {{"joints", joints},
                 {"inverseBindMatrices", accessor(inverseBinds.data(), palette->getCount(), kFloat, "MAT4", 16, 0)}};
    if (*skeleton->getName()) skin["name"] = skeleton->getName();
    m_doc["skins"].push_back(skin);
    const int index = static_cast<int>(m_doc["skins"].size() - 1);
    m_skins[key] = index;
    return index;
}

void Writer::animations()
{
    for (int a = 0; m_database && a < m_database->getAnimationCount(); ++a) {
        const zkAnimation* animation = m_database->getAnimation(a);
        if (!animation) continue;
        json samplers = json::array(), channels = json::array();
        for (int t = 0; t < animation->getTrackCount(); ++t) {
            const zkAnimationTrack* track = animation->getTrack(t);
            const auto* sequence = track ? zkTransformSequence::dynamicCast(track->getSource()) : nullptr;
            if (!sequence || sequence->getKeyCount() == 0) continue;
            auto target = m_nodeByName.find(track->getName());
            if (target == m_nodeByName.end()) {
                warn("animation \"" + std::string(animation->getName()) + "\": no node named \"" + track->getName() +
                     "\" for its track");
                continue;
            }
            // glTF key times rise strictly; keys that collapse onto the one before are dropped.
            std::vector<int> keys;
            std::vector<float> seconds;
            for (int k = 0; k < sequence->getKeyCount(); ++k) {
                const float s = static_cast<float>(static_cast<double>(sequence->getTime(k)) * 1e-9);
                if (seconds.empty() || s > seconds.back()) keys.push_back(k), seconds.push_back(s);
            }
            const int input = accessor(seconds.data(), seconds.size(), kFloat, "SCALAR", 1, 0, false, true);
            const int mask = sequence->getComponentMask();
            auto channel = [&](const char* path, const std::vector<float>& values, const char* type, int components) {
                samplers.push_back({{"input", input},
                                    {"output", accessor(values.data(), keys.size(), kFloat, type, components, 0)},
                                    {"interpolation", "LINEAR"}});
                channels.push_back({{"sampler", samplers.size() - 1}, {"target", {{"node", target->second}, {"path", path}}}});
            };
            std::vector<float> values;
            if ((mask & zkTransformSequence::TRANSLATION) && sequence->getTranslationKeyCount() == sequence->getKeyCount()) {
                values.clear();
                for (int k : keys) {
                    const zkVec3f v = sequence->getTranslation(k);
                    values.insert(values.end(), {v.x, v.y, v.z});
                }
                channel("translation", values, "VEC3", 3);
            }
            if ((mask & zkTransformSequence::ROTATION) && sequence->getRotationKeyCount() == sequence->getKeyCount()) {
                values.clear();
                for (int k : keys) {
                    float q[4];
                    sequence->getRotation(k, q);
                    values.insert(values.end(), q, q + 4);
                }
                channel("rotation", values, "VEC4", 4);
            }
            if ((mask & zkTransformSequence::SCALE) && sequence->getScaleKeyCount() == sequence->getKeyCount()) {
                values.clear();
                for (int k : keys) {
                    const zkVec3f v = sequence->getScale(k);
                    values.insert(values.end(), {v.x, v.y, v.z});
                }
                channel("scale", values, "VEC3", 3);
            }
        }
        if (channels.empty()) continue;
        json entry = {{"samplers", samplers}, {"channels", channels}};
        if (*animation->getName()) entry["name"] = animation->getName();
        m_doc["animations"].push_back(entry);
    }
}

// Infos glTF has no place for travel in the text scene form, so that nothing the file held is
// lost to a reader that knows it.
json Writer::infosExtras()
{
    const zkObjectList* infos = m_file->getInfoList();
    auto rest = zkCreate<zkFileInfo>();
    rest->setName(m_file->getName());
    for (int i = 0; infos && i < infos->getCount(); ++i) {
        zkObject* info = infos->get(i);
        // External image entries became image URIs; carried here they would bring the pixels along.
        if (Opt::zkExternalDirEntry::dynamicCast(info)) continue;
        if (info && !zkSceneInfo::dynamicCast(info) && !zkAnimationDatabase::dynamicCast(info)) rest->getInfoList()->append(info);
    }
    if (rest->getInfoList()->getCount() == 0) return json::object();
    std::string text, problem;
    if (!zkEncodeScene(rest, zkSceneForm::Text, text, problem)) {
        warn("infos not written to the extras: " + problem);
        return json::object();
    }
    return {{"zkInfos", json::parse(text)}};
}

void appendWord(std::string& out, uint32_t word)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(word >> (8 * i) & 0xff));
}

} // namespace

bool zkGltfFormOf(const std::string& path, zkGltfForm& form)
{
    if (endsWith(path, ".gltf")) form = zkGltfForm::Embedded;
    else if (endsWith(path, ".glb")) form = zkGltfForm::Binary;
    else return false;
    return true;
}

bool zkExportGltf(const zkFileInfo* file, const std::string& path, zkGltfForm form, std::string& error,
                  std::vector<std::string>* warnings)
{
    try {
        if (!file) {
            error = path + ": there is no file object";
            return false;
        }
        json doc;
        std::string bin, problem;
        // The reader's checks first: the walk below trusts the graph to be acyclic and shallow.
        if (!zkCheckScene(file, problem)) {
            error = path + ": not written: " + problem;
            return false;
        }
        Writer writer(file, warnings);
        if (!writer.write(doc, bin, problem)) {
            error = path + ": not written: " + problem;
            return false;
        }
        // Names come from files and may hold bytes that are not UTF-8; they are replaced rather
        // than refused.
        const auto dump = [&] { return doc.dump(-1, ' ', false, json::error_handler_t::replace); };
        if (form == zkGltfForm::Binary) {
            std::string text = dump();
            while (text.size() % 4) text.push_back(' ');
            while (bin.size() % 4) bin.push_back('\0');
            std::string glb;
            appendWord(glb, 0x46546C67);  // "glTF"
            appendWord(glb, 2);
            appendWord(glb, static_cast<uint32_t>(12 + 8 + text.size() + (bin.empty() ? 0 : 8 + bin.size())));
            appendWord(glb, static_cast<uint32_t>(text.size()));
            appendWord(glb, 0x4E4F534A);  // "JSON"
            glb += text;
            if (!bin.empty()) {
                appendWord(glb, static_cast<uint32_t>(bin.size()));
                appendWord(glb, 0x004E4942);  // "BIN\0"
                glb += bin;
            }
            return zkAtomicWrite(path, glb, error);
        }
        if (!bin.empty()) {
            if (form == zkGltfForm::Separate) {
                const fs::path binPath = fs::path(path).replace_extension(".bin");
                doc["buffers"][0]["uri"] = binPath.filename().string();
                if (!zkAtomicWrite(binPath.string(), bin, error)) return false;
            } else {
                doc["buffers"][0]["uri"] = "data:application/octet-stream;base64," + zkBase64Encode(bin);
            }
        }
        return zkAtomicWrite(path, dump(), error);
    } catch (const std::bad_alloc&) {
        error = path + ": out of memory while writing";
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
    }
    return false;
}

} // namespace Tam::Io
