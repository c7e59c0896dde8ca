#include "tools/zkopt/SceneSnapshot.h"

#include "host/attrs/zkTextureAttr.h"
#include "host/gfx/Png.h"
#include "host/gfx/Resample.h"
#include "host/io/Base64.h"
#include "host/io/SceneFile.h"
#include "host/sg/zkAttrSet.h"
#include "host/sg/zkSceneNodes.h"
#include "host/sg/zkTransformSequence.h"

#include <cmath>
#include <cstring>
#include <set>
#include <unordered_set>

namespace zkopt {

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Attrs;
using namespace Tam::Gfx;
using Tam::Math::zkMatrix44f;

namespace {

// A scene that shares nodes widely has far more paths than nodes; the view stops placing
// geometry after this many visits rather than walk for ever.
constexpr int64_t kMaxWalkedNodes = 4'000'000;
// Nor does it go through more triangles than this, however the paths multiply them.
constexpr int64_t kMaxWalkedTriangles = 200'000'000;

std::string base64Of(const void* data, std::size_t bytes)
{
    return Tam::Io::zkBase64Encode(std::string_view(static_cast<const char*>(data), bytes));
}

// The attribute's triangles as vertex numbers, strips unrolled with their alternating winding.
// Entries past the end of the sequence and degenerate strip joints are left out.
template <class Visit> void forEachTriangle(const zkGeometryAttr* attr, Visit&& visit)
{
    const zkIndexArray* indices = attr->getIndexArray();
    const int64_t entries = indices ? indices->getCount() : attr->getVertexCount();
    auto at = [&](int64_t i) { return indices ? indices->getIndex(static_cast<int>(i)) : static_cast<int32_t>(i); };
    if (attr->getPrimitiveType() == ZK_PRIMITIVE_TRIANGLE_LIST) {
        for (int64_t t = 0; t < attr->getPrimitiveCount() && 3 * t + 2 < entries; ++t)
            visit(at(3 * t), at(3 * t + 1), at(3 * t + 2));
    } else if (attr->getPrimitiveType() == ZK_PRIMITIVE_TRIANGLE_STRIPS) {
        int64_t start = 0;
        for (int p = 0; p < attr->getPrimitiveCount(); ++p) {
            const int length = attr->getPrimitiveLength(p);
            for (int64_t k = 0; k + 2 < length && start + k + 2 < entries; ++k) {
                int32_t a = at(start + k), b = at(start + k + 1), c = at(start + k + 2);
                if (a == b || b == c || a == c) continue;
                if (k % 2) visit(b, a, c);
                else visit(a, b, c);
            }
            start += length;
        }
    }
}

// Triangles and index entries as the attribute defines them (a strip of n entries is n - 2
// triangles), whatever its vertices say.
void countPrimitives(const zkGeometryAttr* attr, int64_t& triangles, int64_t& entries, int64_t& strips)
{
    if (attr->getPrimitiveType() == ZK_PRIMITIVE_TRIANGLE_LIST) {
        triangles += attr->getPrimitiveCount();
        entries += 3 * int64_t(attr->getPrimitiveCount());
    } else if (attr->getPrimitiveType() == ZK_PRIMITIVE_TRIANGLE_STRIPS) {
        strips += attr->getPrimitiveCount();
        for (int p = 0; p < attr->getPrimitiveCount(); ++p) {
            triangles += std::max(attr->getPrimitiveLength(p) - 2, 0);
            entries += attr->getPrimitiveLength(p);
        }
    }
}

// Every geometry node of the scene, once per path that reaches it, with its world matrix:
// transforms (and transform sequences at time 0) place what is below them.
class GeometryWalk {
public:
    template <class Visit> void walk(zkNode* node, const zkMatrix44f& parent, Visit&& visit)
    {
        if (!node || m_visits++ >= kMaxWalkedNodes || m_path.size() >= Tam::Io::zkMaxSceneDepth ||
            m_path.count(node))
            return;
        zkMatrix44f world = parent;
        if (auto* t = zkTransform::dynamicCast(node)) world.multiply(t->getMatrix(), parent);
        else if (auto* s = zkTransformSequence::dynamicCast(node)) world.multiply(s->getMatrix(0), parent);
        if (auto* geometry = zkGeometry::dynamicCast(node)) visit(geometry, world);
        if (auto* group = zkGroup::dynamicCast(node)) {
            m_path.insert(node);
            for (int i = 0; i < group->getChildCount(); ++i) walk(group->getChild(i), world, visit);
            m_path.erase(node);
        }
    }

private:
    int64_t m_visits = 0;
    std::unordered_set<const zkNode*> m_path;
};

template <class Visit> void forEachPlacedGeometry(zkFileInfo* file, Visit&& visit)
{
    zkObjectList* infos = file->getInfoList();
    GeometryWalk walk;
    for (int i = 0; infos && i < infos->getCount(); ++i)
        if (auto* scene = zkSceneInfo::dynamicCast(infos->get(i))) walk.walk(scene->getRoot(), zkMatrix44f{}, visit);
}

// World-space positions and the triangles over them, every k-th triangle when the scene has more
// than the view takes.
json viewGeometry(zkFileInfo* file, int64_t maxTriangles)
{
    int64_t total = 0;
    std::map<const zkGeometryAttr*, int64_t> triangles; // each attribute counted once, however often placed
    forEachPlacedGeometry(file, [&](zkGeometry* g, const zkMatrix44f&) {
        for (int i = 0; i < g->getGeometryAttrCount(); ++i)
            if (const zkGeometryAttr* a = g->getGeometryAttr(i); a && a->getVertexArray()) {
                auto [at, added] = triangles.try_emplace(a, 0);
                if (added) forEachTriangle(a, [&](int32_t, int32_t, int32_t) { ++at->second; });
                total += at->second;
            }
    });
    const int64_t every = std::max<int64_t>(1, (total + maxTriangles - 1) / std::max<int64_t>(maxTriangles, 1));
    std::vector<float> positions;
    std::vector<uint32_t> indices;
    int64_t seen = 0;
    forEachPlacedGeometry(file, [&](zkGeometry* g, const zkMatrix44f& world) {
        for (int i = 0; i < g->getGeometryAttrCount(); ++i) {
            const zkGeometryAttr* a = g->getGeometryAttr(i);
            const zkVertexArray* vertices = a ? a->getVertexArray() : nullptr;
            if (!vertices || seen >= kMaxWalkedTriangles) continue;
            const int count = vertices->getVertexCount();
            // Only the vertices of the triangles kept are placed, in the order they are first used.
            std::vector<int64_t> placed(count, -1);
            auto place = [&](int32_t v) {
                if (placed[v] < 0) {
                    placed[v] = int64_t(positions.size() / 3);
                    const float* at = vertices->getPosition(v);
                    auto w = world.transformPoint({at[0], at[1], at[2]});
                    positions.insert(positions.end(), {w.x, w.y, w.z});
                }
                indices.push_back(uint32_t(placed[v]));
            };
            forEachTriangle(a, [&](int32_t p, int32_t q, int32_t r) {
                if (seen++ % every || p < 0 || q < 0 || r < 0 || p >= count || q >= count || r >= count) return;
                place(p), place(q), place(r);
            });
        }
    });
    return json{{"triangles", total},
                {"shownTriangles", indices.size() / 3},
                {"every", every},
                {"positions", base64Of(positions.data(), positions.size() * sizeof(float))},
                {"indices", base64Of(indices.data(), indices.size() * sizeof(uint32_t))}};
}

json statistics(zkFileInfo* file)
{
    int64_t nodes = 0, geometries = 0, triangles = 0, entries = 0, strips = 0, vertices = 0, images = 0;
    std::set<const zkVertexArray*> arrays;
    zkVisitReachable(file, zkNode::getClassTypeSafe(), [&](zkObject* o) {
        ++nodes;
        if (zkGeometry::dynamicCast(o)) ++geometries;
    });
    zkVisitReachable(file, zkGeometryAttr::getClassTypeSafe(), [&](zkObject* o) {
        auto* attr = static_cast<zkGeometryAttr*>(o);
        countPrimitives(attr, triangles, entries, strips);
        if (attr->getVertexArray() && arrays.insert(attr->getVertexArray()).second) vertices += attr->getVertexCount();
    });
    json textureBytes = json::object();
    zkVisitReachable(file, zkImage::getClassTypeSafe(), [&](zkObject* o) {
        auto* image = static_cast<zkImage*>(o);
        const char* format = formatName(static_cast<uint32_t>(image->getFormat()));
        json& bytes = textureBytes[format ? format : "format " + std::to_string(image->getFormat())];
        bytes = (bytes.is_null() ? 0 : bytes.get<int64_t>()) + image->getDataSize() +
                (image->getClut() ? int64_t(image->getClut()->getEntryCount()) * image->getClut()->getEntrySize() : 0);
        ++images;
    });
    return json{{"nodes", nodes},
                {"geometries", geometries},
                {"triangles", triangles},
                {"vertices", vertices},
                {"indices", entries},
                {"indicesPerTriangle", triangles ? json(double(entries) / double(triangles)) : json(nullptr)},
                {"strips", strips},
                {"images", images},
                {"textureBytes", textureBytes}};
}

// The first collision hull record among the file's infos: its words as they lie, and the counts.
// The class comes from the pass library, so its fields are read by name.
json hullRecord(zkFileInfo* file)
{
    zkObjectList* infos = file->getInfoList();
    for (int i = 0; infos && i < infos->getCount(); ++i) {
        zkObject* info = infos->get(i);
        if (!info || std::strcmp(info->getMeta()->getName(), "zkCollideHull") != 0) continue;
        zkMetaObject* meta = info->getMeta();
        auto list = [&](const char* name) -> const zkFloatList* {
            zkMetaField* f = meta->findMetaField(name);
            if (!f || f->getKind() != zkFieldKind::Object) return nullptr;
            return zkFloatList::dynamicCast(f->ref<zkSmartPointer<zkObject>>(info).get());
        };
        auto number = [&](const char* name) -> int64_t {
            zkMetaField* f = meta->findMetaField(name);
            return f && f->getKind() == zkFieldKind::Int ? f->ref<int32_t>(info) : 0;
        };
        const zkFloatList* triangles = list("_mTriangles");
        const zkFloatList* nodes = list("_mNodes");
        // A record whose counts claim more than its lists hold shows what the lists hold.
        int64_t triangleCount = std::clamp<int64_t>(number("_mNumTriangles"), 0, triangles ? triangles->getCount() / 12 : 0);
        int64_t nodeCount = std::clamp<int64_t>(number("_mNumNodes"), 0, nodes ? nodes->getCount() / 8 : 0);
        return json{{"triangles", triangleCount},
                    {"nodes", nodeCount},
                    {"triangleWords", base64Of(triangles ? triangles->getData() : nullptr, triangleCount * 48)},
                    {"nodeWords", base64Of(nodes ? nodes->getData() : nullptr, nodeCount * 32)}};
    }
    return nullptr;
}

bool toRGBA(const zkImage* image, PixelImage& rgba, std::string& error)
{
    PixelImage source;
    std::vector<uint8_t> bytes;
    if (!image->getPixelImage(source)) return error = "the texels cannot be read", false;
    return decodeToRGBA(source, bytes, &error) &&
           load(rgba, bytes.data(), bytes.size(), kFormatRGBA8888, source.width, source.height, kOrderRGBA, &error);
}

std::string pngBase64(const PixelImage& image, std::string& error)
{
    std::vector<uint8_t> png;
    return encodePng(image, png, &error) ? base64Of(png.data(), png.size()) : std::string();
}

// One entry of the texture sheet: level 0 of a texture (its further levels are its mipmaps) or
// an image that no texture holds.
json imageEntry(const zkImage* image, int mips, int64_t bytes, const std::string& key, SceneSnapshot& snapshot)
{
    const char* format = formatName(static_cast<uint32_t>(image->getFormat()));
    json entry{{"key", key},
               {"name", image->getName()},
               {"format", format ? format : "format " + std::to_string(image->getFormat())},
               {"width", image->getWidth()},
               {"height", image->getHeight()},
               {"bytes", bytes},
               {"mips", mips},
               {"palette", image->getClut() ? image->getClut()->getEntryCount() : 0}};
    PixelImage rgba, thumb, large;
    std::string error;
    if (!toRGBA(image, rgba, error)) return entry["error"] = error, entry;
    const uint32_t edge = std::max(rgba.width, rgba.height);
    auto fit = [&](uint32_t most, PixelImage& out) {
        return resampledCopy(rgba, std::max(1u, uint32_t(uint64_t(rgba.width) * most / edge)),
                             std::max(1u, uint32_t(uint64_t(rgba.height) * most / edge)), kFilterBox, out, &error);
    };
    const bool small = edge <= kThumbnailEdge;
    if (!small && !fit(kThumbnailEdge, thumb)) return entry["error"] = error, entry;
    // The largest images are shown scaled down, so one texture cannot make the page huge.
    if (edge > kMaxShownEdge && fit(kMaxShownEdge, large)) entry["shownAs"] = {large.width, large.height};
    entry["full"] = pngBase64(edge > kMaxShownEdge && !large.pixels.empty() ? large : rgba, error);
    entry["thumb"] = small ? entry["full"] : json(pngBase64(thumb, error));
    if (!error.empty()) entry["error"] = error;
    snapshot.texels[key] = std::move(rgba);
    return entry;
}

json imageSheet(zkFileInfo* file, SceneSnapshot& snapshot)
{
    json entries = json::array();
    std::set<const zkImage*> listed;
    std::map<std::string, int> named;
    auto keyOf = [&](const zkImage* image) { return image->getName() + ("#" + std::to_string(named[image->getName()]++)); };
    zkVisitReachable(file, zkTextureAttr::getClassTypeSafe(), [&](zkObject* o) {
        auto* texture = static_cast<zkTextureAttr*>(o);
        const zkImage* top = texture->getImage(0);
        if (!top || !listed.insert(top).second) return;
        int64_t bytes = 0;
        for (int i = 0; i < texture->getImageCount(); ++i)
            if (const zkImage* level = texture->getImage(i)) {
                bytes += level->getDataSize();
                listed.insert(level);
            }
        entries.push_back(imageEntry(top, texture->getImageCount() - 1, bytes, keyOf(top), snapshot));
    });
    zkVisitReachable(file, zkImage::getClassTypeSafe(), [&](zkObject* o) {
        auto* image = static_cast<zkImage*>(o);
        if (listed.insert(image).second) entries.push_back(imageEntry(image, 0, image->getDataSize(), keyOf(image), snapshot));
    });
    return entries;
}

} // namespace

SceneSnapshot takeSnapshot(zkFileInfo* file, int64_t maxViewTriangles)
{
    SceneSnapshot snapshot;
    snapshot.data = json{{"stats", statistics(file)},
                         {"geometry", viewGeometry(file, maxViewTriangles)},
                         {"hull", hullRecord(file)}};
    snapshot.data["images"] = imageSheet(file, snapshot);
    return snapshot;
}

double psnr(const PixelImage& a, const PixelImage& b)
{
    double sum = 0;
    const std::size_t n = std::min(a.pixels.size(), b.pixels.size());
    for (std::size_t i = 0; i < n; ++i) {
        double d = double(a.pixels[i]) - double(b.pixels[i]);
        sum += d * d;
    }
    if (sum == 0 || n == 0) return INFINITY;
    return 10.0 * std::log10(255.0 * 255.0 / (sum / double(n)));
}

void compareWithInput(const SceneSnapshot& before, SceneSnapshot& after)
{
    json& geometry = after.data["geometry"];
    const json& was = before.data["geometry"];
    if (geometry["positions"] == was["positions"] && geometry["indices"] == was["indices"]) {
        geometry.erase("positions");
        geometry.erase("indices");
        geometry["sameAsBefore"] = true;
    }

    json beforeEntries = json::object();
    for (const json& entry : before.data["images"]) beforeEntries[entry["key"].get<std::string>()] = entry;
    for (json& entry : after.data["images"]) {
        const std::string key = entry["key"];
        auto input = before.texels.find(key);
        auto output = after.texels.find(key);
        if (input == before.texels.end() || output == after.texels.end()) {
            entry["changed"] = true;
            entry["psnr"] = nullptr;
            continue;
        }
        PixelImage resized;
        const PixelImage* compared = &output->second;
        const bool sameSize = input->second.width == compared->width && input->second.height == compared->height;
        if (!sameSize) {
            if (!resampledCopy(output->second, input->second.width, input->second.height, kFilterBox, resized)) {
                entry["changed"] = true;
                entry["psnr"] = nullptr;
                continue;
            }
            compared = &resized;
        }
        const double db = psnr(input->second, *compared);
        const json& was = beforeEntries[key];
        entry["changed"] = !std::isfinite(db) ? !sameSize || was["format"] != entry["format"] ||
                                                    was["bytes"] != entry["bytes"] || was["mips"] != entry["mips"]
                                              : true;
        entry["psnr"] = std::isfinite(db) ? json(db) : json(nullptr);
        if (!sameSize) entry["resizedToCompare"] = true;
    }
}

} // namespace zkopt
