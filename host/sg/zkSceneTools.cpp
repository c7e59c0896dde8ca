#include "host/sg/zkSceneTools.h"

#include "host/core/zkHostClass.h"
#include "host/sg/zkSceneNodes.h"
#include "host/sg/zkTransformSequence.h"
#include "host/attrs/zkTextureAttr.h"
#include "host/gfx/Pixels.h"

#include <vector>

#include <algorithm>
#include <cmath>

namespace Tam::Sg {

ZK_DEFINE_HOST_CLASS(zkBoundingBoxesMaker)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkCreateSphereMap)

namespace {

void gather(zkNode* node, const zkMatrix44f& outer, zkBoundingBox& box, std::vector<zkNode*>& path)
{
    if (!node) return;
    for (zkNode* n : path)
        if (n == node) return;
    // A child-space point p lands at p * local * outer.
    zkMatrix44f m = outer;
    if (zkTransform* t = zkTransform::dynamicCast(node)) m.multiply(t->getMatrix(), outer);
    else if (zkTransformSequence* s = zkTransformSequence::dynamicCast(node)) m.multiply(s->getMatrix(0), outer);
    if (zkGeometry* g = zkGeometry::dynamicCast(node))
        for (int i = 0; i < g->getGeometryAttrCount(); ++i)
            if (zkGeometryAttr* a = g->getGeometryAttr(i); a && a->getVertexFormat().hasPositions())
                for (int v = 0; v < a->getVertexCount(); ++v) box.extend(m.transformPoint(a->getPosition(v)));
    if (zkGroup* group = zkGroup::dynamicCast(node)) {
        path.push_back(node);
        for (int i = 0; i < group->getChildCount(); ++i) gather(group->getChild(i), m, box, path);
        path.pop_back();
    }
}

} // namespace

zkBoundingBox zkBoundingBoxesMaker::getBoundingBox(zkNode* node) const
{
    zkBoundingBox box;
    std::vector<zkNode*> path;
    gather(node, zkMatrix44f::identityMatrix, box, path);
    return box;
}

namespace {

struct Face {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

// The cube face a direction points into and the texel there (faces +x, -x, +y, -y, +z, -z,
// with the usual cube-map orientation of each face).
const uint8_t* cubeTexel(const Face (&faces)[6], float x, float y, float z)
{
    float ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
    int face;
    float sc, tc, ma;
    if (ax >= ay && ax >= az) {
        face = x >= 0 ? 0 : 1;
        sc = x >= 0 ? -z : z;
        tc = -y;
        ma = ax;
    } else if (ay >= az) {
        face = y >= 0 ? 2 : 3;
        sc = x;
        tc = y >= 0 ? z : -z;
        ma = ay;
    } else {
        face = z >= 0 ? 4 : 5;
        sc = z >= 0 ? x : -x;
        tc = -y;
        ma = az;
    }
    const Face& f = faces[face];
    float s = (sc / ma + 1.0f) * 0.5f, t = (tc / ma + 1.0f) * 0.5f;
    int px = std::clamp(static_cast<int>(s * f.width), 0, f.width - 1);
    int py = std::clamp(static_cast<int>(t * f.height), 0, f.height - 1);
    return &f.rgba[(static_cast<std::size_t>(py) * f.width + px) * 4];
}

} // namespace

bool zkCreateSphereMap::create(Attrs::zkTextureCubeAttr* cube)
{
    if (!cube || size <= 0 || size > 8192) return false;
    Face faces[6];
    for (int i = 0; i < 6; ++i) {
        Gfx::zkImage* image = cube->getCubeImage(i);
        Gfx::PixelImage pixels;
        if (!image || !image->getPixelImage(pixels) || !Gfx::decodeToRGBA(pixels, faces[i].rgba)) return false;
        faces[i].width = image->getWidth();
        faces[i].height = image->getHeight();
        if (faces[i].width <= 0 || faces[i].height <= 0) return false;
    }
    // Each texel of the sphere map shows what a mirror ball reflects toward a viewer on +z: the
    // ball's normal there is (u, v, sqrt(1 - u^2 - v^2)), the reflected ray 2(n.e)n - e.
    std::vector<uint8_t> sphere(static_cast<std::size_t>(size) * size * 4, 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = 2.0f * (x + 0.5f) / size - 1.0f, v = 1.0f - 2.0f * (y + 0.5f) / size;
            float r2 = u * u + v * v;
            if (r2 > 1.0f) {
                // Outside the ball: the ray straight back, so filtering at the rim stays smooth.
                u /= std::sqrt(r2);
                v /= std::sqrt(r2);
                r2 = 1.0f;
            }
            float nz = std::sqrt(std::max(0.0f, 1.0f - r2));
            const uint8_t* texel = cubeTexel(faces, 2 * nz * u, 2 * nz * v, 2 * nz * nz - 1);
            std::copy(texel, texel + 4, &sphere[(static_cast<std::size_t>(y) * size + x) * 4]);
        }
    auto image = zkCreate<Gfx::zkImage>(cube->getMemoryPool());
    image->setName("SphereImage");
    if (!image->load(sphere.data(), Gfx::ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, size, size)) return false;
    if (cube->getImageCount() < 1) cube->setImageCount(1);
    cube->setImage(image, 0);
    return true;
}

} // namespace Tam::Sg
