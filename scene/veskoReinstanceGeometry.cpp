// Shares identical geometry again: of every set of geometry nodes with the same vertices, the
// first in walk order takes the place of the others under their parents. Only geometry larger
// than _threshold vertices is worth a shared node on the targets.
//
// Each candidate is compared with the first of its group, in collection order. To keep that
// order without comparing every pair, candidates are bucketed by a hash of their vertices first:
// the hash covers only values that the exact comparison also requires equal (with -0 taken as 0),
// so identical geometries always land in the same bucket, and the exact comparison decides.
#include "scene/veskoReinstanceGeometry.h"

#include "scene/SceneLinks.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoReinstanceGeometry)

namespace {

bool sameFloats(const float* a, const float* b, int n)
{
    if (!a || !b) return a == b;
    for (int i = 0; i < n; ++i)
        if (!(a[i] == b[i])) return false;
    return true;
}

bool sameVertex(const zkVertexArray* a, const zkVertexArray* b, int v, zkVertexFormat format)
{
    if (format.hasPositions() && !sameFloats(a->getPosition(v), b->getPosition(v), 3)) return false;
    if (format.hasNormals() && !sameFloats(a->getNormal(v), b->getNormal(v), 3)) return false;
    if (format.hasColors() && a->getColor(v) != b->getColor(v)) return false;
    for (int set = 0; set < format.getTextureCoordSetCount(); ++set)
        if (!sameFloats(a->getTextureCoord(set, v), b->getTextureCoord(set, v), 2)) return false;
    for (int j = 0; j < format.getBlendMatrixIndexCount(); ++j)
        if (a->getBlendMatrixIndex(j, v) != b->getBlendMatrixIndex(j, v)) return false;
    for (int j = 0; j < format.getWeightCount(); ++j)
        if (!(a->getWeight(j, v) == b->getWeight(j, v))) return false;
    if (format.hasTangents() && !sameFloats(a->getTangent(v), b->getTangent(v), 3)) return false;
    if (format.hasFogCoords() && !sameFloats(a->getFogCoord(v), b->getFogCoord(v), 1)) return false;
    if (format.hasBinormals() && !sameFloats(a->getBinormal(v), b->getBinormal(v), 3)) return false;
    const int userSize = format.getUserCoordSize();
    if ((userSize == 1 || userSize == 2) && !sameFloats(a->getUserCoord(v), b->getUserCoord(v), userSize))
        return false;
    return true;
}

struct Hasher {
    uint64_t value = 0xcbf29ce484222325ull;
    void add(uint32_t word) { value = (value ^ word) * 0x100000001b3ull; }
    void add(const float* values, int n)
    {
        if (!values) return;
        for (int i = 0; i < n; ++i) {
            // Equal floats must hash alike: -0 equals 0.
            const float f = values[i] == 0.0f ? 0.0f : values[i];
            uint32_t bits;
            std::memcpy(&bits, &f, sizeof bits);
            add(bits);
        }
    }
};

// Counts, formats and positions: what tells shapes apart. Geometries that differ only in other
// components share a bucket and are told apart by the exact comparison.
uint64_t hashGeometry(const zkGeometry* geometry)
{
    Hasher h;
    const int count = geometry->getGeometryAttrCount();
    h.add(static_cast<uint32_t>(count));
    for (int i = 0; i < count; ++i) {
        const zkGeometryAttr* attr = geometry->getGeometryAttr(i);
        const zkVertexArray* array = attr ? attr->getVertexArray() : nullptr;
        if (!array) {
            h.add(0u);
            continue;
        }
        const zkVertexFormat format = array->getVertexFormat();
        const int vertices = array->getVertexCount();
        h.add(static_cast<uint32_t>(vertices));
        h.add(format.word);
        for (int v = 0; v < vertices; ++v) {
            if (format.hasPositions()) h.add(array->getPosition(v), 3);
        }
    }
    return h.value;
}

// Whether node is held, directly or further down, by top (or is top): sharing top under such a
// parent would make the graph hold itself.
bool isWithin(const zkNode* node, const zkNode* top, std::unordered_set<const zkNode*>& seen)
{
    if (node == top) return true;
    if (!seen.insert(node).second) return false;
    for (int i = 0; i < node->getParentCount(); ++i)
        if (const zkNode* parent = zkNode::dynamicCast(node->getParent(i)); parent && isWithin(parent, top, seen))
            return true;
    return false;
}

} // namespace

bool veskoReinstanceGeometry::apply(zkSmartPointer<zkNode>& root)
{
    DoInstancing(root.get());
    printf("veskoReinstanceGeometry all done!\n");
    return true;
}

bool veskoReinstanceGeometry::canOptimize(zkNode*)
{
    return true;
}

bool veskoReinstanceGeometry::configure(int)
{
    return true;
}

void veskoReinstanceGeometry::DoInstancing(zkNode* root)
{
    const std::vector<zkSmartPointer<zkGeometry>> candidates = collectCandidates(root);
    int replaced = 0;
    for (const std::vector<int>& group : groupIdentical(candidates)) {
        if (group.size() <= 1) continue;
        zkGeometry* first = candidates[group[0]].get();
        printf("Reinstancing: %d instances of %s. %d vertices.\n", static_cast<int>(group.size()), first->getName(),
               first->getVertexCount());
        for (std::size_t m = 1; m < group.size(); ++m) shareGeometry(first, candidates[group[m]].get());
        replaced += static_cast<int>(group.size()) - 1;
    }
    printf("%d zkGeometry were reinstanced.\n", replaced);
}

bool veskoReinstanceGeometry::isGeometrySame(zkGeometry* a, zkGeometry* b)
{
    if (!a || !b) return a == b;
    const int count = a->getGeometryAttrCount();
    if (count != b->getGeometryAttrCount()) return false;
    for (int i = 0; i < count; ++i) {
        const zkGeometryAttr* attrA = a->getGeometryAttr(i);
        const zkGeometryAttr* attrB = b->getGeometryAttr(i);
        if (!attrA || !attrB) {
            if (attrA != attrB) return false;
            continue;
        }
        const int vertices = attrA->getVertexCount();
        const zkVertexFormat format = attrA->getVertexFormat();
        if (vertices != attrB->getVertexCount() || format.word != attrB->getVertexFormat().word) return false;
        const zkVertexArray* arrayA = attrA->getVertexArray();
        const zkVertexArray* arrayB = attrB->getVertexArray();
        for (int v = 0; v < vertices; ++v)
            if (!sameVertex(arrayA, arrayB, v, format)) return false;
    }
    return true;
}

std::vector<zkSmartPointer<zkGeometry>> veskoReinstanceGeometry::collectCandidates(zkNode* root)
{
    std::vector<zkSmartPointer<zkGeometry>> candidates;
    if (!root) return candidates;
    std::unordered_set<const zkNode*> seen;
    auto walk = zkCreate<zkIterateGraph>(getMemoryPool());
    for (zkNode* node = walk->begin(root); walk->isNotLast(); node = walk->getNext()) {
        if (!node->isOfExactType(zkGeometry::getClassTypeSafe()) || !seen.insert(node).second) continue;
        zkGeometry* geometry = static_cast<zkGeometry*>(node);
        if (geometry->getVertexCount() > _threshold) candidates.emplace_back(geometry);
    }
    return candidates;
}

std::vector<std::vector<int>> veskoReinstanceGeometry::groupIdentical(
    const std::vector<zkSmartPointer<zkGeometry>>& candidates)
{
    const int count = static_cast<int>(candidates.size());
    // Each bucket lists its candidates in collection order; slot[i] is i's place in its bucket.
    std::unordered_map<uint64_t, std::vector<int>> buckets;
    std::vector<std::vector<int>*> bucketOf(count);
    std::vector<int> slot(count);
    std::vector<int> vertices(count);
    for (int i = 0; i < count; ++i) {
        vertices[i] = candidates[i]->getVertexCount();
        std::vector<int>& bucket = buckets[hashGeometry(candidates[i].get())];
        slot[i] = static_cast<int>(bucket.size());
        bucket.push_back(i);
        bucketOf[i] = &bucket;
    }
    std::vector<bool> taken(count, false);
    std::vector<std::vector<int>> groups;
    for (int f = 0; f < count; ++f) {
        if (taken[f]) continue;
        taken[f] = true;
        std::vector<int> group{f};
        const std::vector<int>& bucket = *bucketOf[f];
        for (std::size_t s = slot[f] + 1; s < bucket.size(); ++s) {
            const int g = bucket[s];
            if (taken[g] || vertices[g] != vertices[f]) continue;
            if (!isGeometrySame(candidates[f].get(), candidates[g].get())) continue;
            taken[g] = true;
            group.push_back(g);
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

void veskoReinstanceGeometry::shareGeometry(zkGeometry* first, zkGeometry* other)
{
    zkSmartPointer<zkGeometry> held(other);
    const bool firstHoldsNodes = first->getChildCount() > 0;
    for (int k = 0; k < other->getParentCount(); ++k) {
        zkObject* parent = other->getParent(k);
        if (firstHoldsNodes) {
            std::unordered_set<const zkNode*> seen;
            const zkNode* parentNode = zkNode::dynamicCast(parent);
            if (parentNode && isWithin(parentNode, first, seen)) continue;
        }
        if (detachChild(parent, other)) attachChild(parent, first);
    }
}

} // namespace Tam::OptExtension
