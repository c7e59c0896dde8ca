#include "tools/examples/SampleScene.h"

#include <vector>

namespace Tam::Examples {

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Attrs;
using namespace Tam::Gfx;
using Math::zkMatrix44f;
using Math::zkVec3f;

namespace {

struct Vertex {
    zkVec3f position;
    zkVec3f normal;
    float u = 0, v = 0;
    float weights[4] = {};
    uint8_t matrices[4] = {};
};

zkSmartPointer<zkGeometry> mesh(const char* name, uint32_t format, const std::vector<Vertex>& vertices,
                                const std::vector<int32_t>& indices, uint32_t flags = 0)
{
    auto array = zkCreate<zkVertexArray>();
    array->configure(format, static_cast<int>(vertices.size()), 0, 0);
    const zkVertexFormat f(format);
    for (int i = 0; i < static_cast<int>(vertices.size()); ++i) {
        const Vertex& v = vertices[i];
        array->setPosition(i, v.position);
        array->setNormal(i, v.normal);
        array->setTextureCoord(0, i, v.u, v.v);
        for (int j = 0; j < f.getWeightCount(); ++j) array->setWeight(j, i, v.weights[j]);
        for (int j = 0; j < f.getBlendMatrixIndexCount(); ++j) array->setBlendMatrixIndex(j, i, v.matrices[j]);
    }
    auto list = zkCreate<zkIndexArray>();
    for (int32_t index : indices) list->append(index);
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array);
    attr->configureIndexArray(list);
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_LIST, static_cast<int>(indices.size() / 3), 0);

    auto geometry = zkCreate<zkGeometry>();
    geometry->setName(name);
    geometry->setFlags(flags);
    geometry->appendAttr(attr);
    return geometry;
}

constexpr uint32_t kPositions = zkVertexFormat::POSITION;
constexpr uint32_t kLit = kPositions | zkVertexFormat::NORMAL | (1u << zkVertexFormat::TEXCOORD_SHIFT);

// Each quad with its own four corners, as exporters write faces: welding finds the shared ones.
zkSmartPointer<zkGeometry> floorGrid()
{
    std::vector<Vertex> vertices;
    std::vector<int32_t> indices;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const int32_t first = static_cast<int32_t>(vertices.size());
            for (int corner = 0; corner < 4; ++corner) {
                Vertex v;
                v.position = {float(column + corner % 2), 0.0f, float(row + corner / 2)};
                vertices.push_back(v);
            }
            indices.insert(indices.end(), {first, first + 2, first + 1, first + 1, first + 2, first + 3});
        }
    return mesh("floor", kPositions, vertices, indices);
}

zkSmartPointer<zkGeometry> crate()
{
    // One face per axis direction, four corners each, wound counter-clockwise seen from outside.
    const zkVec3f normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    std::vector<Vertex> vertices;
    std::vector<int32_t> indices;
    for (const zkVec3f& n : normals) {
        // Two axes spanning the face, chosen so that s x t = n.
        const zkVec3f s = n.x != 0 ? zkVec3f{0, n.x, 0} : n.y != 0 ? zkVec3f{0, 0, n.y} : zkVec3f{n.z, 0, 0};
        const zkVec3f t = {n.y * s.z - n.z * s.y, n.z * s.x - n.x * s.z, n.x * s.y - n.y * s.x};
        const int32_t first = static_cast<int32_t>(vertices.size());
        for (int corner = 0; corner < 4; ++corner) {
            const float a = corner % 2 ? 0.5f : -0.5f, b = corner / 2 ? 0.5f : -0.5f;
            Vertex v;
            v.position = {0.5f * n.x + a * s.x + b * t.x, 0.5f * n.y + a * s.y + b * t.y,
                          0.5f * n.z + a * s.z + b * t.z};
            v.normal = n;
            v.u = float(corner % 2);
            v.v = float(corner / 2);
            vertices.push_back(v);
        }
        indices.insert(indices.end(), {first, first + 1, first + 2, first + 2, first + 1, first + 3});
    }
    auto geometry = mesh("crate", kLit, vertices, indices);
    return geometry;
}

// A strip of two quads bent over three bones: each vertex leans on the bone nearest to it.
zkSmartPointer<zkGeometry> hero()
{
    const uint32_t format = kLit | (4u << zkVertexFormat::WEIGHT_SHIFT) | (4u << zkVertexFormat::BLEND_INDEX_SHIFT);
    const float weights[3][4] = {{0.7f, 0.2f, 0.06f, 0.04f}, {0.1f, 0.45f, 0.4f, 0.05f}, {0.02f, 0.08f, 0.3f, 0.6f}};
    std::vector<Vertex> vertices;
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column) {
            Vertex v;
            v.position = {float(column), float(row) * 1.8f, 0.0f};
            v.normal = {0, 0, 1};
            v.u = column * 0.5f;
            v.v = float(row);
            for (int j = 0; j < 4; ++j) {
                v.weights[j] = weights[column][j];
                v.matrices[j] = static_cast<uint8_t>(j);
            }
            vertices.push_back(v);
        }
    return mesh("hero", format, vertices, {0, 3, 1, 1, 3, 4, 1, 4, 2, 2, 4, 5});
}

// A texture bind whose image is a 4x4 gradient with the given name.
zkSmartPointer<zkTextureBindAttr> textureBind(const char* imageName)
{
    auto image = zkCreate<zkImage>();
    image->setName(imageName);
    std::vector<uint8_t> texels(4 * 4 * 4);
    for (std::size_t i = 0; i < texels.size(); i += 4) {
        texels[i] = static_cast<uint8_t>(40 * (i / 16));
        texels[i + 1] = static_cast<uint8_t>(120 + i);
        texels[i + 2] = 200;
        texels[i + 3] = 255;
    }
    image->load(texels.data(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 4, 4);
    auto texture = zkCreate<zkTextureAttr>();
    texture->setImage(image, 0);
    auto bind = zkCreate<zkTextureBindAttr>();
    bind->setTexture(texture);
    return bind;
}

zkSmartPointer<zkAttrSet> heroMaterial()
{
    auto material = zkCreate<zkAttrSet>();
    material->setName("hero_material");
    material->appendAttr(textureBind("textures/hero_diffuse.tga"));
    material->appendChild(hero());
    return material;
}

// A collision-only ledge: the "$ct2" tag of its texture gives its triangles collision word 2,
// and the collision pass removes it from the visible scene once the hull is built.
zkSmartPointer<zkAttrSet> ledgeClip()
{
    std::vector<Vertex> vertices(4);
    vertices[0].position = {0, 2, 1};
    vertices[1].position = {2, 2, 1};
    vertices[2].position = {0, 2, 3};
    vertices[3].position = {2, 2, 3};
    auto clip = zkCreate<zkAttrSet>();
    clip->setName("ledge_clip");
    clip->appendAttr(textureBind("textures/clip$ct2.tga"));
    clip->appendChild(mesh("ledge", kPositions, vertices, {0, 2, 1, 1, 2, 3}));
    return clip;
}

zkSmartPointer<zkGeometry> debris()
{
    std::vector<Vertex> vertices(6);
    vertices[0].position = {0, 0, 5};
    vertices[1].position = {1, 0, 5};
    vertices[2].position = {0, 1, 5};
    vertices[3].position = {2, 0, 5};
    vertices[4].position = {3, 0, 5};
    vertices[5].position = {3, 0, 5}; // the same place as vertex 4: no area
    return mesh("debris", kPositions, vertices, {0, 1, 2, 3, 4, 5});
}

zkSmartPointer<zkGeometry> wall()
{
    std::vector<Vertex> vertices(4);
    vertices[0].position = {0, 0, -2};
    vertices[1].position = {4, 0, -2};
    vertices[2].position = {0, 3, -2};
    vertices[3].position = {4, 3, -2};
    return mesh("wall", kPositions, vertices, {0, 1, 2, 2, 1, 3}, ZK_NODE_FLAG_COLLIDABLE);
}

zkSmartPointer<zkGeometry> marker()
{
    std::vector<Vertex> vertices(3);
    vertices[1].position = {0.5f, 0, 0};
    vertices[2].position = {0, 0.5f, 0};
    return mesh("marker", kPositions, vertices, {0, 1, 2}, ZK_NODE_FLAG_INVISIBLE);
}

} // namespace

zkSmartPointer<zkFileInfo> buildSampleScene()
{
    auto level = zkCreate<zkTransform>();
    level->setName("level");
    zkMatrix44f moved;
    moved.m[3][0] = 10.0f;
    level->setMatrix(moved);
    level->appendChild(floorGrid());
    level->appendChild(crate());
    level->appendChild(wall());
    level->appendChild(ledgeClip());

    auto characters = zkCreate<zkGroup>();
    characters->setName("characters");
    characters->appendChild(heroMaterial());

    auto root = zkCreate<zkGroup>();
    root->setName("sample");
    root->appendChild(level);
    root->appendChild(characters);
    root->appendChild(debris());
    root->appendChild(marker());

    auto scene = zkCreate<zkSceneInfo>();
    scene->setName("sample");
    scene->setRoot(root);
    auto file = zkCreate<zkFileInfo>();
    file->setName("sample");
    file->getInfoList()->append(scene);
    return file;
}

} // namespace Tam::Examples
