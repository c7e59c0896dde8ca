#include "host/io/AssimpImport.h"

#include "host/io/ConfinedFiles.h"
#include "host/io/ContainedImport.h"

#include "host/gfx/ImageFile.h"

#include "host/anim/zkAnimation.h"
#include "host/attrs/zkRenderAttrs.h"
#include "host/gfx/Png.h"
#include "host/io/ImportFiles.h"
#include "host/io/SceneFile.h"
#include "host/sg/zkAttrSet.h"
#include "host/sg/zkSceneNodes.h"
#include "host/sg/zkUserInfo.h"

#include <assimp/GltfMaterial.h>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <set>
#include <unordered_map>

namespace Tam::Io {

namespace {

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Attrs;
using namespace Tam::Gfx;
using Math::zkMatrix44f;
using Math::zkVec3f;

namespace fs = std::filesystem;

// Blend-matrix indices are bytes, so one mesh's palette holds at most this many bones.
constexpr unsigned kMaxPaletteBones = 256;
// The most blend weights a vertex keeps; the strongest win.
constexpr int kMaxVertexWeights = 4;
// Nested metadata is flattened to this depth; deeper levels are dropped.
constexpr int kMaxMetadataDepth = 8;

std::string text(const aiString& s) { return std::string(s.C_Str(), s.length); }

bool equalsIgnoringCase(const std::string& a, const char* b)
{
    return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

template <class T>
std::string numberText(T value)
{
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

// Assimp's matrices move column vectors; the host's move row vectors, so each is the other's
// transpose.
zkMatrix44f hostMatrix(const aiMatrix4x4& a)
{
    zkMatrix44f m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = static_cast<float>(a[c][r]);
    return m;
}

bool isIdentity(const aiMatrix4x4& a)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (a[r][c] != (r == c ? 1.0f : 0.0f)) return false;
    return true;
}

bool isFinite(const aiMatrix4x4& a)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(a[r][c])) return false;
    return true;
}

// A path as written in a file, with Windows separators turned round.
std::string slashed(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string baseName(const std::string& path)
{
    const std::string s = slashed(path);
    const std::size_t slash = s.rfind('/');
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

bool isTrue(const std::string& value)
{
    return equalsIgnoringCase(value, "true") || equalsIgnoringCase(value, "yes") || value == "1";
}

using Properties = std::vector<std::pair<std::string, std::string>>;

// Every entry as text; nested entries under "outer.inner" keys.
void readMetadata(const aiMetadata* data, const std::string& prefix, int depth, Properties& out)
{
    if (!data || depth > kMaxMetadataDepth || !data->mKeys || !data->mValues) return;
    for (unsigned i = 0; i < data->mNumProperties; ++i) {
        const std::string key = prefix + text(data->mKeys[i]);
        const aiMetadataEntry& entry = data->mValues[i];
        if (!entry.mData) continue;
        switch (entry.mType) {
        case AI_BOOL: out.emplace_back(key, *static_cast<const bool*>(entry.mData) ? "true" : "false"); break;
        case AI_INT32: out.emplace_back(key, numberText(*static_cast<const int32_t*>(entry.mData))); break;
        case AI_UINT64: out.emplace_back(key, numberText(*static_cast<const uint64_t*>(entry.mData))); break;
        case AI_FLOAT: out.emplace_back(key, numberText(*static_cast<const float*>(entry.mData))); break;
        case AI_DOUBLE: out.emplace_back(key, numberText(*static_cast<const double*>(entry.mData))); break;
        case AI_AISTRING: out.emplace_back(key, text(*static_cast<const aiString*>(entry.mData))); break;
        case AI_AIVECTOR3D: {
            const auto* v = static_cast<const aiVector3D*>(entry.mData);
            out.emplace_back(key, numberText(v->x) + " " + numberText(v->y) + " " + numberText(v->z));
            break;
        }
        case AI_AIMETADATA:
            readMetadata(static_cast<const aiMetadata*>(entry.mData), key + ".", depth + 1, out);
            break;
        default: break;
        }
    }
}

uint32_t flagsOf(const Properties& properties)
{
    uint32_t flags = 0;
    for (const auto& [key, value] : properties) {
        if (!isTrue(value)) continue;
        if (equalsIgnoringCase(key, kCollidableKey)) flags |= ZK_NODE_FLAG_COLLIDABLE;
        else if (equalsIgnoringCase(key, kInvisibleKey)) flags |= ZK_NODE_FLAG_INVISIBLE;
        else if (equalsIgnoringCase(key, kSkipCollisionKey)) flags |= ZK_NODE_FLAG_SKIP_COLLISION;
    }
    return flags;
}

uint8_t colorByte(float c) { return static_cast<uint8_t>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f)); }

// Assimp keeps key times in ticks; the host in nanoseconds.
int64_t nanoseconds(double ticks, double ticksPerSecond)
{
    const double ns = ticks / ticksPerSecond * 1e9;
    if (!std::isfinite(ns)) return 0;
    return static_cast<int64_t>(std::llround(std::clamp(ns, -9.0e18, 9.0e18)));
}

// The channel's value at a time, between the keys around it, held outside them. Callers sample
// at rising times and keep cursor between calls: the first key at or after a time never lies
// before the one found for an earlier time, so a channel costs one pass over its keys, not one
// per sample.
template <class Key, class Value, class Blend>
Value sample(const Key* keys, unsigned count, double time, Value fallback, Blend blend, unsigned& cursor)
{
    if (!keys || count == 0) return fallback;
    if (time <= keys[0].mTime) return keys[0].mValue;
    for (unsigned i = std::max(cursor, 1u); i < count; ++i) {
        cursor = i;
        if (time > keys[i].mTime) continue;
        const double span = keys[i].mTime - keys[i - 1].mTime;
        const float f = span > 0 ? static_cast<float>((time - keys[i - 1].mTime) / span) : 1.0f;
        return blend(keys[i - 1].mValue, keys[i].mValue, f);
    }
    return keys[count - 1].mValue;
}

// Equal up to float rounding; a quaternion and its negation are the same rotation.
bool near(const aiVector3D& a, const aiVector3D& b)
{
    const float tolerance = 1e-5f * std::max({1.0f, std::fabs(b.x), std::fabs(b.y), std::fabs(b.z)});
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance;
}

bool near(const aiQuaternion& a, const aiQuaternion& b)
{
    const float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    return std::fabs(std::fabs(dot) - 1.0f) <= 1e-5f;
}

// Faces without indices or with indices past the vertices, which Assimp's triangulation takes
// on trust.
bool hasBrokenFaces(const aiScene* scene)
{
    for (unsigned m = 0; scene->mMeshes && m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        if (!mesh) continue;
        if (mesh->mNumFaces > 0 && !mesh->mFaces) return true;
        const unsigned vertices = mesh->mVertices ? mesh->mNumVertices : 0;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices == 0 || !face.mIndices) return true;
            for (unsigned k = 0; k < face.mNumIndices; ++k)
                if (face.mIndices[k] >= vertices) return true;
        }
    }
    return false;
}

class SceneImport {
public:
    SceneImport(const aiScene* scene, const std::string& path, const detail::FolderGuard& guard,
                std::vector<std::string>* warnings)
        : m_scene(scene), m_folder(fs::path(path).parent_path()), m_guard(guard), m_warnings(warnings)
    {
    }

    zkSmartPointer<zkFileInfo> build(const std::string& name);

private:
    void warn(const std::string& line)
    {
        if (m_warnings) m_warnings->push_back(line);
    }

    void buildSkeleton();
    void placeBones(const aiNode* node, int parentBone, int depth);
    zkSmartPointer<zkNode> buildNode(const aiNode* node, int depth);
    zkSmartPointer<zkNode> meshNode(unsigned meshIndex, uint32_t flags);
    zkSmartPointer<zkGeometry> buildGeometry(const aiMesh* mesh, unsigned meshIndex, zkIntList* palette);
    zkSmartPointer<zkAttrSet> buildMaterial(unsigned materialIndex);
    zkTextureAttr* texture(const aiMaterial* material, const std::string& materialName);
    zkSmartPointer<zkEnvironmentMapShader2> environmentShader(const aiMaterial* material, const std::string& materialName,
                                                              zkTextureBindAttr* diffuse);
    zkSmartPointer<zkImage> materialImage(const aiMaterial* material, aiTextureType type, unsigned index,
                                          const std::string& materialName);
    zkSmartPointer<zkImage> loadImage(const std::string& reference, std::string& problem);
    zkSmartPointer<zkAnimation> buildAnimation(const aiAnimation* animation, unsigned index);

    const aiScene* m_scene;
    fs::path m_folder;
    const detail::FolderGuard& m_guard;
    std::vector<std::string>* m_warnings;

    std::map<std::string, zkSmartPointer<zkTextureAttr>> m_textures;  // by reference; null: failed
    // Instances of a mesh stay shared, except between nodes whose flags differ.
    std::map<std::pair<unsigned, uint32_t>, zkSmartPointer<zkNode>> m_meshNodes;
    std::unordered_map<unsigned, bool> m_meshSkinned;

    std::unordered_map<std::string, const aiBone*> m_boneOf;  // the first bone of each name
    std::unordered_map<std::string, int> m_boneIndex;
    zkSmartPointer<zkSkeleton> m_skeleton;
    std::vector<zkSmartPointer<zkSkin>> m_skins;
    bool m_depthWarned = false;
};

zkSmartPointer<zkFileInfo> SceneImport::build(const std::string& name)
{
    buildSkeleton();

    auto scene = zkCreate<zkSceneInfo>();
    scene->setName(name.c_str());
    if (m_scene->mRootNode) scene->setRoot(buildNode(m_scene->mRootNode, 0));

    auto file = zkCreate<zkFileInfo>();
    file->setName(name.c_str());
    file->getInfoList()->append(scene);

    if (m_skeleton || m_scene->mNumAnimations > 0) {
        auto database = zkCreate<zkAnimationDatabase>();
        database->setName(name.c_str());
        if (m_skeleton) database->appendSkeleton(m_skeleton);
        for (const auto& skin : m_skins) database->appendSkin(skin);
        for (unsigned i = 0; i < m_scene->mNumAnimations; ++i)
            if (m_scene->mAnimations && m_scene->mAnimations[i])
                database->appendAnimation(buildAnimation(m_scene->mAnimations[i], i));
        file->getInfoList()->append(database);
    }
    return file;
}

// One skeleton for the file: the nodes that bones name, in tree order so that a parent comes
// before its children, each bone's parent the nearest enclosing bone.
void SceneImport::buildSkeleton()
{
    std::vector<std::string> order;
    for (unsigned m = 0; m < m_scene->mNumMeshes; ++m) {
        const aiMesh* mesh = m_scene->mMeshes[m];
        if (!mesh || !mesh->mBones) continue;
        for (unsigned b = 0; b < mesh->mNumBones; ++b) {
            const aiBone* bone = mesh->mBones[b];
            if (bone && m_boneOf.emplace(text(bone->mName), bone).second) order.push_back(text(bone->mName));
        }
    }
    if (order.empty()) return;
    m_skeleton = zkCreate<zkSkeleton>();
    m_skeleton->setName(m_scene->mRootNode ? text(m_scene->mRootNode->mName).c_str() : "skeleton");
    if (m_scene->mRootNode) placeBones(m_scene->mRootNode, -1, 0);
    // Bones without a node of their name still get their number.
    for (const std::string& name : order)
        if (!m_boneIndex.count(name)) {
            m_boneIndex[name] = m_skeleton->getBoneCount();
            auto bone = zkCreate<zkBoneInfo>();
            bone->setName(name.c_str());
            aiMatrix4x4 bind = m_boneOf[name]->mOffsetMatrix;
            bind.Inverse();
            if (isFinite(bind)) bone->bindPose = hostMatrix(bind);
            m_skeleton->appendBone(bone);
        }
}

void SceneImport::placeBones(const aiNode* node, int parentBone, int depth)
{
    if (!node || depth >= zkMaxSceneDepth) return;
    const std::string name = text(node->mName);
    auto found = m_boneOf.find(name);
    if (found != m_boneOf.end() && !m_boneIndex.count(name)) {
        const int index = m_skeleton->getBoneCount();
        m_boneIndex[name] = index;
        auto bone = zkCreate<zkBoneInfo>();
        bone->setName(name.c_str());
        bone->parentIndex = parentBone;
        // The bind pose is where the bone stood when the mesh was bound: the inverse of the
        // offset matrix that takes mesh space into bone space.
        aiMatrix4x4 bind = found->second->mOffsetMatrix;
        bind.Inverse();
        if (isFinite(bind)) bone->bindPose = hostMatrix(bind);
        m_skeleton->appendBone(bone);
        parentBone = index;
    }
    if (!node->mChildren) return;
    for (unsigned i = 0; i < node->mNumChildren; ++i) placeBones(node->mChildren[i], parentBone, depth + 1);
}

zkSmartPointer<zkNode> SceneImport::buildNode(const aiNode* node, int depth)
{
    const std::string name = text(node->mName);
    zkSmartPointer<zkGroup> holder;
    if (isIdentity(node->mTransformation)) {
        holder = zkCreate<zkGroup>();
    } else {
        auto transform = zkCreate<zkTransform>();
        transform->setMatrix(hostMatrix(node->mTransformation));
        holder = transform;
    }
    holder->setName(name.c_str());

    Properties properties;
    readMetadata(node->mMetaData, "", 0, properties);
    const uint32_t flags = flagsOf(properties);
    holder->setFlags(flags);
    zkGroup* content = holder.get();
    if (!properties.empty()) {
        auto info = zkCreate<zkSimpleUserInfo>();
        info->setName(name.c_str());
        for (const auto& [key, value] : properties) info->setStringProperty(key.c_str(), value.c_str());
        holder->appendChild(info);
        content = info.get();
    }

    // One attribute set per material, holding the node's meshes of that material in file order.
    std::vector<std::pair<unsigned, zkSmartPointer<zkAttrSet>>> sets;
    bool skinned = false;
    for (unsigned i = 0; node->mMeshes && i < node->mNumMeshes; ++i) {
        const unsigned meshIndex = node->mMeshes[i];
        if (meshIndex >= m_scene->mNumMeshes || !m_scene->mMeshes[meshIndex]) continue;
        zkSmartPointer<zkNode> geometry = meshNode(meshIndex, flags);
        if (!geometry) continue;
        if (m_meshSkinned[meshIndex]) skinned = true;

        const unsigned material = m_scene->mMeshes[meshIndex]->mMaterialIndex;
        auto set = std::find_if(sets.begin(), sets.end(), [&](const auto& s) { return s.first == material; });
        if (set == sets.end()) {
            sets.emplace_back(material, buildMaterial(material));
            set = sets.end() - 1;
        }
        zkGroup* into = set->second ? set->second.get() : content;
        // A material with a reflection map holds its geometry below its environment-map shader.
        if (set->second && set->second->getChildCount() > 0)
            if (auto* shader = zkEnvironmentMapShader2::dynamicCast(set->second->getChild(0))) into = shader;
        into->appendChild(geometry);
    }
    for (const auto& [material, set] : sets)
        if (set) content->appendChild(set);

    if (skinned) {
        auto skin = zkCreate<zkSkin>();
        skin->setName(name.c_str());
        skin->setSkinnedGraph(holder);
        skin->setSkeleton(m_skeleton);
        m_skins.push_back(skin);
    }

    for (unsigned i = 0; node->mChildren && i < node->mNumChildren; ++i) {
        const aiNode* child = node->mChildren[i];
        if (!child) continue;
        if (depth + 1 >= zkMaxSceneDepth) {
            if (!m_depthWarned) warn("nodes nested deeper than " + std::to_string(zkMaxSceneDepth) + " are left out");
            m_depthWarned = true;
            continue;
        }
        content->appendChild(buildNode(child, depth + 1));
    }
    return holder;
}

// The geometry of a mesh, under its blend-matrix palette when the mesh is skinned. Null for a
// mesh without triangles.
zkSmartPointer<zkNode> SceneImport::meshNode(unsigned meshIndex, uint32_t flags)
{
    auto cached = m_meshNodes.find({meshIndex, flags});
    if (cached != m_meshNodes.end()) return cached->second;

    const aiMesh* mesh = m_scene->mMeshes[meshIndex];
    zkSmartPointer<zkNode> result;
    if (mesh->HasBones()) {
        auto select = zkCreate<zkBlendMatrixSelect>();
        select->setName(text(mesh->mName).c_str());
        zkSmartPointer<zkGeometry> geometry = buildGeometry(mesh, meshIndex, select->getBlendMatrixIndices());
        if (geometry) geometry->setFlags(flags);
        if (geometry && geometry->getGeometryAttr(0)->getVertexArray()->getWeightCount() > 0) {
            select->appendChild(geometry);
            result = select;
            m_meshSkinned[meshIndex] = true;
        } else {
            result = geometry;
        }
    } else {
        zkSmartPointer<zkGeometry> geometry = buildGeometry(mesh, meshIndex, nullptr);
        if (geometry) geometry->setFlags(flags);
        result = geometry;
    }
    m_meshNodes[{meshIndex, flags}] = result;
    return result;
}

zkSmartPointer<zkGeometry> SceneImport::buildGeometry(const aiMesh* mesh, unsigned meshIndex, zkIntList* palette)
{
    const std::string name = text(mesh->mName);
    const std::string label = "mesh " + std::to_string(meshIndex) + " \"" + name + "\"";
    const unsigned vertexCount = mesh->mVertices ? mesh->mNumVertices : 0;

    std::vector<int32_t> indices;
    unsigned dropped = 0;
    for (unsigned f = 0; mesh->mFaces && f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        bool usable = face.mNumIndices == 3 && face.mIndices;
        for (unsigned k = 0; usable && k < 3; ++k) usable = face.mIndices[k] < vertexCount;
        if (!usable) {
            ++dropped;
            continue;
        }
        for (unsigned k = 0; k < 3; ++k) indices.push_back(static_cast<int32_t>(face.mIndices[k]));
    }
    if (dropped) warn(label + ": " + std::to_string(dropped) + " faces that are not triangles (points or lines) left out");
    if (indices.empty() || vertexCount > static_cast<unsigned>(INT32_MAX)) {
        warn(label + ": no triangles; left out");
        return nullptr;
    }
    const int n = static_cast<int>(vertexCount);

    // Blend weights: the strongest few of each vertex, summing to 1, with their palette positions.
    std::vector<std::vector<std::pair<float, int>>> influences;
    int weightCount = 0;
    if (palette && mesh->mBones) {
        influences.resize(vertexCount);
        unsigned bones = std::min(mesh->mNumBones, kMaxPaletteBones);
        if (mesh->mNumBones > kMaxPaletteBones)
            warn(label + ": " + std::to_string(mesh->mNumBones) + " bones; the weights of those past the first " +
                 std::to_string(kMaxPaletteBones) + " are left out");
        for (unsigned b = 0; b < bones; ++b) {
            const aiBone* bone = mesh->mBones[b];
            palette->append(bone ? m_boneIndex[text(bone->mName)] : 0);
            if (!bone || !bone->mWeights) continue;
            for (unsigned w = 0; w < bone->mNumWeights; ++w) {
                const aiVertexWeight& weight = bone->mWeights[w];
                if (weight.mVertexId < vertexCount && weight.mWeight > 0 && std::isfinite(weight.mWeight))
                    influences[weight.mVertexId].emplace_back(weight.mWeight, static_cast<int>(b));
            }
        }
        for (auto& list : influences) {
            std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
            if (list.size() > kMaxVertexWeights) list.resize(kMaxVertexWeights);
            float sum = 0;
            for (const auto& entry : list) sum += entry.first;
            for (auto& entry : list) entry.first /= sum;
            weightCount = std::max(weightCount, static_cast<int>(list.size()));
        }
    }

    int texCoordSets = 0;
    while (texCoordSets < AI_MAX_NUMBER_OF_TEXTURECOORDS && mesh->HasTextureCoords(texCoordSets)) ++texCoordSets;
    zkVertexFormat format(zkVertexFormat::POSITION);
    format.setFlag(zkVertexFormat::NORMAL, mesh->HasNormals());
    format.setFlag(zkVertexFormat::COLOR, mesh->HasVertexColors(0));
    format.setTextureCoordSetCount(texCoordSets);
    format.setWeightCount(weightCount);
    format.setBlendMatrixIndexCount(weightCount);

    auto array = zkCreate<zkVertexArray>();
    array->configure(format, n, 0, 0);
    zkBoundingBox box;
    for (int v = 0; v < n; ++v) {
        const aiVector3D& p = mesh->mVertices[v];
        array->setPosition(v, {p.x, p.y, p.z});
        box.extend(zkVec3f{p.x, p.y, p.z});
        if (format.hasNormals()) {
            const aiVector3D& q = mesh->mNormals[v];
            array->setNormal(v, {q.x, q.y, q.z});
        }
        if (format.hasColors()) {
            const aiColor4D& c = mesh->mColors[0][v];
            const uint8_t bytes[4] = {colorByte(c.r), colorByte(c.g), colorByte(c.b), colorByte(c.a)};
            uint32_t word;
            std::memcpy(&word, bytes, 4);
            array->setColor(v, word);
        }
        for (int s = 0; s < texCoordSets; ++s) {
            const aiVector3D& t = mesh->mTextureCoords[s][v];
            array->setTextureCoord(s, v, t.x, t.y);
        }
        if (weightCount > 0)
            for (int j = 0; j < static_cast<int>(influences[v].size()); ++j) {
                array->setWeight(j, v, influences[v][j].first);
                array->setBlendMatrixIndex(j, v, static_cast<uint8_t>(influences[v][j].second));
            }
    }

    auto list = zkCreate<zkIndexArray>();
    list->indices = std::move(indices);
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array);
    attr->configureIndexArray(list);
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_LIST, list->getCount() / 3, 0);

    auto geometry = zkCreate<zkGeometry>();
    geometry->setName(name.c_str());
    geometry->appendAttr(attr);
    geometry->setBound(box);
    return geometry;
}

zkSmartPointer<zkAttrSet> SceneImport::buildMaterial(unsigned materialIndex)
{
    if (!m_scene->mMaterials || materialIndex >= m_scene->mNumMaterials || !m_scene->mMaterials[materialIndex])
        return nullptr;
    const aiMaterial* material = m_scene->mMaterials[materialIndex];
    aiString nameText;
    material->Get(AI_MATKEY_NAME, nameText);
    const std::string name = text(nameText);

    auto set = zkCreate<zkAttrSet>();
    set->setName(name.c_str());

    zkSmartPointer<zkTextureBindAttr> bind;
    if (zkTextureAttr* texture = this->texture(material, name)) {
        bind = zkCreate<zkTextureBindAttr>();
        bind->setTexture(texture);
        set->appendAttr(bind);
    }
    if (auto shader = environmentShader(material, name, bind)) set->appendChild(shader);

    // glTF says how alpha is used; other formats only give an opacity below 1 or an opacity map.
    aiString alphaMode;
    const bool hasMode = material->Get(AI_MATKEY_GLTF_ALPHAMODE, alphaMode) == AI_SUCCESS;
    float opacity = 1.0f;
    material->Get(AI_MATKEY_OPACITY, opacity);
    const bool blend = hasMode ? text(alphaMode) == "BLEND"
                               : opacity < 1.0f || material->GetTextureCount(aiTextureType_OPACITY) > 0;
    if (blend) {
        int mode = aiBlendMode_Default;
        material->Get(AI_MATKEY_BLEND_FUNC, mode);
        auto state = zkCreate<zkBlendStateAttr>();
        state->setEnabled(true);
        auto function = zkCreate<zkBlendFunctionAttr>();
        if (mode == aiBlendMode_Additive) function->setFactors(ZK_BLEND_FACTOR_ONE, ZK_BLEND_FACTOR_ONE);
        else function->setFactors(ZK_BLEND_FACTOR_SRC_ALPHA, ZK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA);
        set->appendAttr(state);
        set->appendAttr(function);
    }
    if (hasMode && text(alphaMode) == "MASK") {
        float cutoff = 0.5f;
        material->Get(AI_MATKEY_GLTF_ALPHACUTOFF, cutoff);
        auto state = zkCreate<zkAlphaStateAttr>();
        state->setEnabled(true);
        auto function = zkCreate<zkAlphaFunctionAttr>();
        function->setFunction(ZK_ALPHA_FUNCTION_GEQUAL);
        function->setReference(cutoff);
        set->appendAttr(state);
        set->appendAttr(function);
    }

    bool twoSided = false;
    material->Get(AI_MATKEY_TWOSIDED, twoSided);
    auto cull = zkCreate<zkCullFaceAttr>();
    cull->setCullFace(twoSided ? 0 : 1);
    set->appendAttr(cull);

    int shading = 0;
    if (material->Get(AI_MATKEY_SHADING_MODEL, shading) == AI_SUCCESS && shading == aiShadingMode_Unlit) {
        auto lighting = zkCreate<zkLightingStateAttr>();
        lighting->setEnabled(false);
        set->appendAttr(lighting);
    }
    return set;
}

// The material's base colour (or diffuse) texture, shared by every material that names the same
// file. Null when there is none or its image cannot be loaded.
zkTextureAttr* SceneImport::texture(const aiMaterial* material, const std::string& materialName)
{
    aiString path;
    aiTextureMapMode modes[2] = {aiTextureMapMode_Wrap, aiTextureMapMode_Wrap};
    bool found = false;
    for (aiTextureType type : {aiTextureType_BASE_COLOR, aiTextureType_DIFFUSE})
        if (material->GetTextureCount(type) > 0 &&
            material->GetTexture(type, 0, &path, nullptr, nullptr, nullptr, nullptr, modes) == AI_SUCCESS) {
            found = true;
            break;
        }
    if (!found || path.length == 0) return nullptr;
    const std::string reference = text(path);
    auto cached = m_textures.find(reference);
    if (cached != m_textures.end()) return cached->second.get();

    std::string problem;
    zkSmartPointer<zkImage> image = loadImage(reference, problem);
    zkSmartPointer<zkTextureAttr> texture;
    if (image) {
        texture = zkCreate<zkTextureAttr>();
        texture->setImage(image, 0);
        texture->setWrapS(modes[0] == aiTextureMapMode_Clamp ? 1 : 0);
        texture->setWrapT(modes[1] == aiTextureMapMode_Clamp ? 1 : 0);
    } else {
        warn("material \"" + materialName + "\": texture \"" + reference + "\": " + problem + "; not bound");
    }
    m_textures[reference] = texture;
    return texture.get();
}

// A reflection texture (Collada <reflective>) becomes the sphere map
// (image 0, apply type 2) of an environment-map shader, which also holds the material's diffuse
// texture and, as its gloss map, the specular (or else shininess) texture. Null when the material
// has no reflection map or it cannot be read.
zkSmartPointer<zkEnvironmentMapShader2> SceneImport::environmentShader(const aiMaterial* material,
                                                                      const std::string& materialName,
                                                                      zkTextureBindAttr* diffuse)
{
    if (material->GetTextureCount(aiTextureType_REFLECTION) == 0) return nullptr;
    zkSmartPointer<zkImage> sphere = materialImage(material, aiTextureType_REFLECTION, 0, materialName);
    if (!sphere) return nullptr;
    auto environment = zkCreate<zkTextureCubeAttr>();
    environment->setImage(sphere, 0);
    environment->setApplyMode(ZK_TEXTURE_APPLY_SPHERE);
    auto shader = zkCreate<zkEnvironmentMapShader2>();
    shader->setName(materialName.c_str());
    shader->setEnvironmentMapTexture(environment);
    shader->setDiffuseTexture(diffuse);
    for (aiTextureType type : {aiTextureType_SPECULAR, aiTextureType_SHININESS})
        if (material->GetTextureCount(type) > 0) {
            if (zkSmartPointer<zkImage> image = materialImage(material, type, 0, materialName)) {
                auto gloss = zkCreate<zkTextureAttr>();
                gloss->setImage(image, 0);
                shader->setGlossMapTexture(gloss);
            }
            break;
        }
    return shader;
}

// Texture index of the type, loaded; null with a warning when it cannot be.
zkSmartPointer<zkImage> SceneImport::materialImage(const aiMaterial* material, aiTextureType type, unsigned index,
                                                   const std::string& materialName)
{
    aiString path;
    if (material->GetTexture(type, index, &path) != AI_SUCCESS || path.length == 0) return nullptr;
    std::string problem;
    zkSmartPointer<zkImage> image = loadImage(text(path), problem);
    if (!image) warn("material \"" + materialName + "\": texture \"" + text(path) + "\": " + problem + "; not used");
    return image;
}

zkSmartPointer<zkImage> SceneImport::loadImage(const std::string& reference, std::string& problem)
{
    PixelImage pixels;
    std::string name = baseName(reference);
    if (const aiTexture* embedded = m_scene->GetEmbeddedTexture(reference.c_str())) {
        if (embedded->mFilename.length > 0) name = baseName(text(embedded->mFilename));
        if (!embedded->pcData) {
            problem = "the embedded texture has no data";
            return nullptr;
        }
        if (embedded->mHeight == 0) {
            // Compressed: the file's own bytes, mWidth of them.
            if (!decodeImageFile(reinterpret_cast<const uint8_t*>(embedded->pcData), embedded->mWidth, pixels,
                                 &problem)) {
                problem = "the embedded texture (\"" + std::string(embedded->achFormatHint) +
                          "\") cannot be read: " + problem;
                return nullptr;
            }
        } else {
            const std::size_t count = std::size_t(embedded->mWidth) * embedded->mHeight;
            if (embedded->mWidth > kMaxDimension || embedded->mHeight > kMaxDimension ||
                !withinPixelLimit(embedded->mWidth, embedded->mHeight, &problem)) {
                problem = "the embedded texture is too large" + (problem.empty() ? "" : ": " + problem);
                return nullptr;
            }
            std::vector<uint8_t> rgba(count * 4);
            for (std::size_t i = 0; i < count; ++i) {
                const aiTexel& t = embedded->pcData[i];
                rgba[4 * i] = t.r, rgba[4 * i + 1] = t.g, rgba[4 * i + 2] = t.b, rgba[4 * i + 3] = t.a;
            }
            if (!load(pixels, rgba.data(), rgba.size(), kFormatRGBA8888, embedded->mWidth, embedded->mHeight,
                      kOrderRGBA, &problem))
                return nullptr;
        }
    } else {
        const fs::path given(slashed(reference));
        bool refused = false;
        auto readable = [&](const fs::path& file) {
            std::error_code ec;
            if (!fs::is_regular_file(file, ec)) return false;
            if (m_guard.allows(file)) return true;
            refused = true;
            return false;
        };
        fs::path file = given.is_absolute() ? given : m_folder / given;
        // Exporters often keep the artist's own folders; the image usually sits beside the scene.
        if (!readable(file)) file = m_folder / given.filename();
        if (!readable(file)) {
            problem = refused ? "outside the scene's folder and the allowed folders" : "no such file";
            return nullptr;
        }
        std::string bytes;
        if (!zkReadWholeFile(file.string(), bytes, problem)) return nullptr;
        if (!decodeImageFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), pixels, &problem)) {
            problem = file.string() + " cannot be read: " + problem;
            return nullptr;
        }
    }
    auto image = zkCreate<zkImage>();
    if (!image->setPixelImage(pixels)) {
        problem = "the image cannot be held";
        return nullptr;
    }
    image->setName(name.c_str());
    return image;
}

// Assimp gives each channel its own key times; a host sequence has one time line, so every
// channel is sampled at the union of them.
zkSmartPointer<zkAnimation> SceneImport::buildAnimation(const aiAnimation* animation, unsigned index)
{
    auto result = zkCreate<zkAnimation>();
    std::string name = text(animation->mName);
    result->setName((name.empty() ? "animation" + std::to_string(index) : name).c_str());
    const double ticksPerSecond = animation->mTicksPerSecond > 0 ? animation->mTicksPerSecond : 25.0;

    for (unsigned c = 0; animation->mChannels && c < animation->mNumChannels; ++c) {
        const aiNodeAnim* channel = animation->mChannels[c];
        if (!channel) continue;
        const unsigned positions = channel->mPositionKeys ? channel->mNumPositionKeys : 0;
        const unsigned rotations = channel->mRotationKeys ? channel->mNumRotationKeys : 0;
        const unsigned scales = channel->mScalingKeys ? channel->mNumScalingKeys : 0;
        // Assimp fills the channels a file does not animate with one key holding the node's own
        // placement. The sequence keeps that placement, so that it still evaluates to the bone's
        // pose, but its mask names only the channels the file animates.
        const aiNode* target = m_scene->mRootNode ? m_scene->mRootNode->FindNode(channel->mNodeName) : nullptr;
        aiVector3D restScale(1, 1, 1), restPosition;
        aiQuaternion restRotation;
        if (target) target->mTransformation.Decompose(restScale, restRotation, restPosition);
        const bool movesPosition = positions > 1 || (positions == 1 && !near(channel->mPositionKeys[0].mValue, restPosition));
        const bool movesRotation = rotations > 1 || (rotations == 1 && !near(channel->mRotationKeys[0].mValue, restRotation));
        const bool movesScale = scales > 1 || (scales == 1 && !near(channel->mScalingKeys[0].mValue, restScale));
        const bool movesAny = movesPosition || movesRotation || movesScale;

        // The time line: the keys of the animated channels (of all, when none is).
        std::vector<double> ticks;
        if (movesPosition || !movesAny)
            for (unsigned k = 0; k < positions; ++k) ticks.push_back(channel->mPositionKeys[k].mTime);
        if (movesRotation || !movesAny)
            for (unsigned k = 0; k < rotations; ++k) ticks.push_back(channel->mRotationKeys[k].mTime);
        if (movesScale || !movesAny)
            for (unsigned k = 0; k < scales; ++k) ticks.push_back(channel->mScalingKeys[k].mTime);
        std::sort(ticks.begin(), ticks.end());
        std::vector<std::pair<double, int64_t>> keys;
        for (double t : ticks) {
            const int64_t ns = nanoseconds(t, ticksPerSecond);
            if (keys.empty() || ns > keys.back().second) keys.emplace_back(t, ns);
        }

        const uint8_t mask = (positions ? zkTransformSequence::TRANSLATION : 0) |
                             (rotations ? zkTransformSequence::ROTATION : 0) |
                             (scales ? zkTransformSequence::SCALE : 0);
        const uint8_t animated = (movesPosition ? zkTransformSequence::TRANSLATION : 0) |
                                 (movesRotation ? zkTransformSequence::ROTATION : 0) |
                                 (movesScale ? zkTransformSequence::SCALE : 0);
        auto sequence = zkCreate<zkTransformSequence1_5>();
        const std::string node = text(channel->mNodeName);
        sequence->setName(node.c_str());
        sequence->configure(static_cast<int>(keys.size()), mask);
        sequence->setDuration(nanoseconds(animation->mDuration, ticksPerSecond));
        unsigned atPosition = 0, atRotation = 0, atScale = 0;
        for (int k = 0; k < static_cast<int>(keys.size()); ++k) {
            const double t = keys[k].first;
            sequence->setTime(k, keys[k].second);
            if (positions) {
                const aiVector3D p = sample(channel->mPositionKeys, positions, t, aiVector3D(),
                                            [](const aiVector3D& a, const aiVector3D& b, float f) { return a + (b - a) * f; },
                                            atPosition);
                sequence->setTranslation(k, {p.x, p.y, p.z});
            }
            if (rotations) {
                const aiQuaternion q = sample(channel->mRotationKeys, rotations, t, aiQuaternion(),
                                              [](const aiQuaternion& a, const aiQuaternion& b, float f) {
                                                  aiQuaternion r;
                                                  aiQuaternion::Interpolate(r, a, b, f);
                                                  return r;
                                              },
                                              atRotation);
                const float xyzw[4] = {q.x, q.y, q.z, q.w};
                sequence->setRotation(k, xyzw);
            }
            if (scales) {
                const aiVector3D s = sample(channel->mScalingKeys, scales, t, aiVector3D(1, 1, 1),
                                            [](const aiVector3D& a, const aiVector3D& b, float f) { return a + (b - a) * f; },
                                            atScale);
                sequence->setScale(k, {s.x, s.y, s.z});
            }
        }
        auto track = zkCreate<zkAnimationTrack>();
        track->setName(node.c_str());
        sequence->setComponentMask(animated);
        track->setSource(sequence);
        result->appendTrack(track);
    }
    return result;
}

zkSmartPointer<zkFileInfo> importHere(const std::string& path, const std::vector<std::string>& allowedFolders,
                                      std::string& error, std::vector<std::string>* warnings)
{
    try {
        const detail::FolderGuard guard(path, allowedFolders);
        Assimp::Importer importer;
        auto* files = new detail::ConfinedIOSystem(guard);
        importer.SetIOHandler(files);  // the importer owns it
        // Only triangulation: no step of Assimp's may weld, reorder or clean up what the artist
        // made. Assimp's validation refuses whole scenes for small faults (a light without a
        // node, a point cloud), so it runs only when the faces are broken, where triangulation
        // itself would fail; the conversion checks every index and pointer on its own.
        const aiScene* scene = importer.ReadFile(path, 0);
        if (scene)
            scene = importer.ApplyPostProcessing(hasBrokenFaces(scene) ? aiProcess_ValidateDataStructure
                                                                       : aiProcess_Triangulate);
        const std::string outside = " is outside the scene's folder and the allowed folders";
        if (!scene) {
            const char* reason = importer.GetErrorString();
            if (!files->refused().empty())
                error = path + ": not imported: the file it refers to, " + files->refused().front() + "," + outside;
            else
                error = path + ": Assimp cannot import it: " + (reason && *reason ? reason : "unknown reason");
            return nullptr;
        }
        if (warnings)
            for (const std::string& refused : files->refused())
                warnings->push_back("file \"" + refused + "\"" + outside + "; not read");
        SceneImport import(scene, path, guard, warnings);
        return import.build(fs::path(path).filename().string());
    } catch (const std::bad_alloc&) {
        error = path + ": out of memory while importing";
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
    } catch (...) {
        error = path + ": import failed";
    }
    return nullptr;
}

} // namespace

zkSmartPointer<zkFileInfo> zkImportScene(const std::string& path, std::string& error,
                                         std::vector<std::string>* warnings, const zkImportOptions& options)
{
    if (!options.contained) return importHere(path, options.allowedFolders, error, warnings);
    return detail::runContained(
        path, options.timeLimit,
        [&](std::string& childError, std::vector<std::string>& childWarnings) {
            return importHere(path, options.allowedFolders, childError, &childWarnings);
        },
        error, warnings, options.carryOn);
}

} // namespace Tam::Io
