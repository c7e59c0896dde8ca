// Scene pieces for the tests of the texture fix-ups: images filled texel by texel, attribute sets
// binding a texture, and textured quads.
#pragma once
#include "host/zkhost.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace Tam::Examples {

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Gfx;
using namespace Tam::Attrs;

using Texel = std::array<uint8_t, 4>;

// An RGBA 8888 image in R,G,B,A order, texel (x, y) from fill, row 0 first.
inline zkSmartPointer<zkImage> rgbaImage(const char* name, int width, int height,
                                         const std::function<Texel(int x, int y)>& fill)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Texel t = fill(x, y);
            bytes.insert(bytes.end(), t.begin(), t.end());
        }
    auto image = zkCreate<zkImage>();
    image->setName(name);
    image->load(bytes.data(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, width, height, ZK_GFX_IMAGE_ORDER_RGBA);
    return image;
}

// An image of one byte per texel in a format of 8 bits per texel, byte (x, y) from fill.
inline zkSmartPointer<zkImage> byteImage(const char* name, int format, int width, int height,
                                         const std::function<uint8_t(int x, int y)>& fill)
{
    std::vector<uint8_t> bytes;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bytes.push_back(fill(x, y));
    auto image = zkCreate<zkImage>();
    image->setName(name);
    image->load(bytes.data(), format, width, height);
    return image;
}

inline zkSmartPointer<zkTextureAttr> textureOf(zkImage* image)
{
    auto texture = zkCreate<zkTextureAttr>();
    texture->setImage(image, 0);
    return texture;
}

// An attribute set under parent binding the texture, with the further attributes after the bind.
inline zkSmartPointer<zkAttrSet> texturedSet(const char* name, zkGroup* parent, zkTextureAttr* texture,
                                             std::initializer_list<zkSmartPointer<zkAttr>> more = {})
{
    auto set = zkCreate<zkAttrSet>();
    set->setName(name);
    if (texture) {
        auto bind = zkCreate<zkTextureBindAttr>();
        bind->setTexture(texture);
        set->appendAttr(bind);
    }
    for (const auto& attr : more) set->appendAttr(attr);
    if (parent) parent->appendChild(set);
    return set;
}

// A unit quad in the xy plane, two triangles, texture coordinates (u, v) given per corner in the
// order (0,0), (1,0), (0,1), (1,1) of its positions.
inline zkSmartPointer<zkGeometry> texturedQuad(const char* name, zkGroup* parent,
                                               const std::array<std::array<float, 2>, 4>& uvs)
{
    auto array = zkCreate<zkVertexArray>();
    zkVertexFormat format(zkVertexFormat::POSITION);
    format.setTextureCoordSetCount(1);
    array->configure(format, 4, 0);
    const float corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int v = 0; v < 4; ++v) {
        array->setPosition(v, zkVec3f{corners[v][0], corners[v][1], 0.0f});
        array->setTextureCoord(0, v, uvs[v][0], uvs[v][1]);
    }
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array);
    attr->configureIndexArray(zkCreate<zkIndexArray>());
    for (int32_t i : {0, 1, 2, 2, 1, 3}) attr->getIndexArray()->append(i);
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_LIST, 2, 0);
    auto geometry = zkCreate<zkGeometry>();
    geometry->setName(name);
    geometry->appendAttr(attr);
    if (parent) parent->appendChild(geometry);
    return geometry;
}

} // namespace Tam::Examples
