#include "collision/Tavik.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>

namespace Tam::OptExtension {

namespace {

constexpr float kDegenerateArea = 1e-8f;
constexpr float kZeroExtent = 1e-30f;

// One triangle's sort key on one axis, with its position in the range being sorted.
struct KeyIndex {
    float key;
    uint32_t index;
};

float axisKey(const CollideTriangle& t, int axis) {
    auto coord = [axis](const CollideTriangle::Vertex& v) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; };
    return coord(t.v[0]) + coord(t.v[1]) + coord(t.v[2]);
}

void siftDown(KeyIndex* a, size_t root, size_t end) {
    KeyIndex x = a[root];
    for (;;) {
        size_t child = 2 * root + 1;
        if (child >= end)
            break;
        if (child + 1 < end && a[child].key < a[child + 1].key)
            ++child;
        if (!(x.key < a[child].key))
            break;
        a[root] = a[child];
        root = child;
    }
    a[root] = x;
}

// Same result as siftDown when no key is NaN, with about half the comparisons: the
// element put at the root after a pop is usually small, so it is cheaper to take the
// larger-child path to the bottom and climb back than to test it at every level.
// The climb stops below the first element strictly greater than x, exactly where
// siftDown would have stopped, because keys along the path never increase.
void siftDownFromBottom(KeyIndex* a, size_t end) {
    KeyIndex x = a[0];
    size_t i = 0;
    for (;;) {
        size_t child = 2 * i + 1;
        if (child >= end)
            break;
        if (child + 1 < end && a[child].key < a[child + 1].key)
            ++child;
        a[i] = a[child];
        i = child;
    }
    while (i > 0) {
        size_t parent = (i - 1) / 2;
        if (x.key < a[parent].key)
            break;
        a[i] = a[parent];
        i = parent;
    }
    a[i] = x;
}

// Heap sort, ascending. Ties end up in whatever order heap sort leaves them, and
// that order is part of the record, so no other sort may stand in for it.
void heapSort(KeyIndex* a, size_t count, bool anyNan) {
    if (count < 2)
        return;
    for (size_t start = count / 2; start-- > 0;)
        siftDown(a, start, count);
    for (size_t end = count - 1; end > 0; --end) {
        std::swap(a[0], a[end]);
        if (anyNan)
            siftDown(a, 0, end);
        else
            siftDownFromBottom(a, end);
    }
}

bool hasTies(const KeyIndex* a, size_t count) {
    for (size_t i = 1; i < count; ++i)
        if (a[i - 1].key == a[i].key)
            return true;
    return false;
}

// Float bits mapped so that unsigned order is float order (-0 just before +0).
uint32_t orderedBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return (u & 0x80000000u) ? ~u : (u | 0x80000000u);
}

// LSD radix sort on the key, three passes of at most 11 bits; no NaN keys.
void radixSort(KeyIndex* a, KeyIndex* tmp, size_t count) {
    KeyIndex* from = a;
    KeyIndex* to = tmp;
    for (int shift : {0, 11, 22}) {
        size_t histogram[2048] = {};
        for (size_t i = 0; i < count; ++i)
            ++histogram[(orderedBits(from[i].key) >> shift) & 2047u];
        if (histogram[(orderedBits(from[0].key) >> shift) & 2047u] == count)
            continue;  // every key has the same digit here
        size_t sum = 0;
        for (size_t& h : histogram) {
            size_t c = h;
            h = sum;
            sum += c;
        }
        for (size_t i = 0; i < count; ++i)
            to[histogram[(orderedBits(from[i].key) >> shift) & 2047u]++] = from[i];
        std::swap(from, to);
    }
    if (from != a)
        std::memcpy(a, from, count * sizeof(KeyIndex));
}

constexpr size_t kSmallRange = 256;

// Sorts one range's (key, index) pairs into the order heap sort gives. When the keys
// are distinct that order is the only ascending one, so any sort will do; only a
// range with equal keys (or NaN) has to pay for the heap sort itself.
// tieFree says the keys are already known to be distinct; answers whether they are.
bool sortRange(KeyIndex* pairs, KeyIndex* tmp, size_t count, bool anyNan, bool tieFree) {
    if (anyNan) {
        heapSort(pairs, count, true);
        return false;
    }
    if (tieFree) {
        if (count < kSmallRange)
            std::sort(pairs, pairs + count, [](KeyIndex x, KeyIndex y) { return x.key < y.key; });
        else
            radixSort(pairs, tmp, count);
        return true;
    }
    if (count >= kSmallRange) {
        std::memcpy(tmp, pairs, count * sizeof(KeyIndex));
        radixSort(tmp, pairs, count);
        if (!hasTies(tmp, count)) {
            std::memcpy(pairs, tmp, count * sizeof(KeyIndex));
            return true;
        }
        for (size_t i = 0; i < count; ++i)
            pairs[tmp[i].index] = tmp[i];  // back to the range's own order
    }
    heapSort(pairs, count, false);
    return !hasTies(pairs, count);
}

void widen(CollideNode& node, const CollideTriangle* tris, size_t count) {
    uint32_t flagsAnd = node.flagsAnd, flagsOr = node.flagsOr;
    float mn[3] = {node.min[0], node.min[1], node.min[2]};
    float mx[3] = {node.max[0], node.max[1], node.max[2]};
    for (size_t t = 0; t < count; ++t) {
        flagsAnd &= tris[t].flags();
        flagsOr |= tris[t].flags();
        for (const CollideTriangle::Vertex& v : tris[t].v) {
            const float c[3] = {v.x, v.y, v.z};
            for (int a = 0; a < 3; ++a) {
                if (mn[a] > c[a])
                    mn[a] = c[a];
                if (mx[a] < c[a])
                    mx[a] = c[a];
            }
        }
    }
    node.flagsAnd = flagsAnd;
    node.flagsOr = flagsOr;
    for (int a = 0; a < 3; ++a) {
        node.min[a] = mn[a];
        node.max[a] = mx[a];
    }
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char small[256];
    va_list args;
    va_start(args, fmt);
    int length = std::vsnprintf(small, sizeof small, fmt, args);
    va_end(args);
    if (length < 0)
        return std::string();
    if (size_t(length) < sizeof small)
        return std::string(small, size_t(length));
    std::string text(size_t(length) + 1, '\0');
    va_start(args, fmt);
    std::vsnprintf(text.data(), text.size(), fmt, args);
    va_end(args);
    text.pop_back();
    return text;
}

}  // namespace

Tavik::Tavik(int capacityHint) {
    if (capacityHint > 0)
        triangles_.reserve(size_t(capacityHint));
}

bool Tavik::isDegenerate(const CollideTriangle& tri) const {
    const CollideTriangle::Vertex& p = tri.v[0];
    float ux = tri.v[1].x - p.x, uy = tri.v[1].y - p.y, uz = tri.v[1].z - p.z;
    float vx = tri.v[2].x - p.x, vy = tri.v[2].y - p.y, vz = tri.v[2].z - p.z;
    float cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
    return cx * cx + cy * cy + cz * cz < kDegenerateArea;
}

void Tavik::addTriangle(const CollideTriangle& tri, bool swap, bool merge) {
    if (isDegenerate(tri))
        return;
    CollideTriangle t = tri;
    if (swap) {
        std::swap(t.v[0].x, t.v[1].x);
        std::swap(t.v[0].y, t.v[1].y);
        std::swap(t.v[0].z, t.v[1].z);
    }
    if (merge)
        simplifier_.addTriangle(t);
    else
        triangles_.push_back(t);
}

int Tavik::computeNodeCount(int triangleCount, int leafLimit) {
    leafLimit_ = leafLimit;
    if (triangleCount == 0)
        return 0;
    int depth = 0;
    for (int h = (triangleCount + 1) / 2; h > leafLimit; h = (h + 1) / 2)
        ++depth;
    depth_ = depth;
    return int((2u << depth) - 1u);
}

bool Tavik::build(int leafLimit, int& treeBytes, int& triangleBytes, bool merge, const char* name) {
    if (merge) {
        simplifier_.process(name);
        simplifier_.obtainResults(triangles_);
    }
    if (triangles_.empty())
        return false;
    int n = int(triangles_.size());
    int nodeCount = computeNodeCount(n, leafLimit);
    nodes_.clear();
    nodes_.reserve(size_t(nodeCount) + 1);
    treeBytes = 0;
    triangleBytes = 0;
    buildTree(n);
    appendHullBounds();
    treeBytes = int(32 * nodes_.size());
    triangleBytes = 48 * n;
    built_ = true;
    return true;
}

// Level by level rather than node by node: a node's range is only ever reordered by
// its ancestors, so every node still sees the same triangles in the same order, and
// each level becomes one sweep that sorts (key, index) pairs and gathers the
// triangles into a second buffer.
void Tavik::buildTree(int n) {
    const size_t nodeCount = (size_t(2) << depth_) - 1;
    nodes_.assign(nodeCount, kCollideNodeTemplate);

    // tieFreeAxes: axes on which the range's keys are known to be distinct. A range
    // only ever holds a subset of its ancestors' triangles, so this is inherited.
    struct Range {
        size_t start, count;
        unsigned tieFreeAxes;
    };
    std::vector<Range> level{{0, size_t(n), 0u}}, next;
    std::vector<CollideTriangle> scratch(depth_ > 0 ? size_t(n) : 0);
    std::vector<KeyIndex> keys(depth_ > 0 ? size_t(n) : 0);
    std::vector<KeyIndex> keyScratch(depth_ > 0 ? size_t(n) : 0);
    CollideTriangle* src = triangles_.data();
    CollideTriangle* dst = scratch.data();

    for (int k = 0; k <= depth_; ++k) {
        const size_t first = (size_t(1) << k) - 1;
        const int axis = k % 3;
        next.clear();
        for (size_t j = 0; j < level.size(); ++j) {
            const Range r = level[j];
            if (k == 0)
                widen(nodes_[0], src, r.count);
            if (k == depth_)
                continue;
            bool anyNan = false;
            KeyIndex* pairs = keys.data() + r.start;
            for (size_t t = 0; t < r.count; ++t) {
                float key = axisKey(src[r.start + t], axis);
                anyNan |= std::isnan(key);
                pairs[t] = {key, uint32_t(t)};
            }
            unsigned tieFree = r.tieFreeAxes;
            if (sortRange(pairs, keyScratch.data() + r.start, r.count, anyNan, (tieFree >> axis) & 1u))
                tieFree |= 1u << axis;
            for (size_t t = 0; t < r.count; ++t)
                dst[r.start + t] = src[r.start + pairs[t].index];
            // The children's ranges are final now; take their boxes while the
            // triangles are still in cache.
            const size_t half = (r.count + 1) / 2;
            const size_t child = 2 * (first + j) + 1;
            widen(nodes_[child], dst + r.start, half);
            widen(nodes_[child + 1], dst + r.start + half, r.count - half);
            next.push_back({r.start, half, tieFree});
            next.push_back({r.start + half, r.count - half, tieFree});
        }
        if (k < depth_) {
            std::swap(src, dst);
            level.swap(next);
        }
    }
    if (src != triangles_.data())
        triangles_.swap(scratch);
}

void Tavik::appendHullBounds() {
    float mn[3] = {kHullBoundsUnset, kHullBoundsUnset, kHullBoundsUnset};
    float mx[3] = {kHullBoundsUnset, kHullBoundsUnset, kHullBoundsUnset};
    for (const CollideTriangle& t : triangles_) {
        for (const CollideTriangle::Vertex& v : t.v) {
            if (!(v.z < kHullBoundsMaxZ))
                continue;
            const float c[3] = {v.x, v.y, v.z};
            for (int a = 0; a < 3; ++a) {
                if (mn[a] == kHullBoundsUnset || c[a] <= mn[a])
                    mn[a] = c[a];
                if (mx[a] == kHullBoundsUnset || c[a] > mx[a])
                    mx[a] = c[a];
            }
        }
    }
    nodes_.push_back(CollideNode{{mn[0], mn[1], mn[2]}, 0u, {mx[0], mx[1], mx[2]}, 0u});
}

void Tavik::getStatistics(CollideTreeStats& stats) const {
    std::memset(&stats, 0, sizeof stats);
    const size_t size = nodes_.size();
    // Same children and halving as the build; the hull bounds node sits where the
    // first node of the next level would, so the walk counts it there.
    auto visit = [&](auto&& self, size_t i, int k, size_t count) -> void {
        if (i >= size || k >= CollideTreeStats::kMaxLevels)
            return;
        const CollideNode& node = nodes_[i];
        CollideLevelStats& level = stats.levels[k];
        if (stats.levelCount < k + 1)
            stats.levelCount = k + 1;
        for (int a = 0; a < 3; ++a) {
            float extent = node.max[a] - node.min[a];
            if (extent == 0.0f)
                extent = kZeroExtent;
            level.aveExtent[a] += extent;
            if (extent < level.minExtent[a] || level.minExtent[a] == 0.0f)
                level.minExtent[a] = extent;
            if (extent > level.maxExtent[a])
                level.maxExtent[a] = extent;
        }
        const int c = int(count);
        if (level.minTriangles == 0 || level.minTriangles > c)
            level.minTriangles = c;
        if (level.maxTriangles < c)
            level.maxTriangles = c;
        level.aveTriangles += c;
        ++level.nodeCount;
        const size_t half = (count + 1) / 2;
        self(self, 2 * i + 1, k + 1, half);
        self(self, 2 * i + 2, k + 1, count - half);
    };
    visit(visit, 0, 0, triangles_.size());

    for (int k = 0; k < stats.levelCount; ++k) {
        CollideLevelStats& level = stats.levels[k];
        if (level.nodeCount == 0)
            continue;
        for (float& e : level.aveExtent)
            e /= float(level.nodeCount);
        level.aveTriangles /= level.nodeCount;
    }
}

int Tavik::exportTo(CollideExport& out) const {
    out.nodeCount = int(nodes_.size());
    out.triangleCount = int(triangles_.size());
    if (out.nodeWords != nullptr && !nodes_.empty())
        std::memcpy(out.nodeWords, nodes_.data(), nodes_.size() * sizeof(CollideNode));
    if (out.triangleWords == nullptr || triangles_.empty())
        return 0;
    std::memcpy(out.triangleWords, triangles_.data(), triangles_.size() * sizeof(CollideTriangle));
    return int(triangles_.size() * sizeof(CollideTriangle));
}

CollideHullWords Tavik::exportWords() const {
    CollideHullWords words;
    words.nodes.resize(nodes_.size() * 8);
    words.triangles.resize(triangles_.size() * 12);
    CollideExport out{0, 0, words.nodes.data(), words.triangles.data()};
    exportTo(out);
    words.recordNodeCount = out.nodeCount - 1;
    words.recordTriangleCount = out.triangleCount;
    return words;
}

void Tavik::setHullLog(HullLogSettings settings) { simplifier_.setLog(std::move(settings)); }

void printCollideReport(const LineSink& out, int treeBytes, int triangleBytes,
                        const CollideTreeStats& stats) {
    if (!out)
        return;
    out(format("%d nodes; %d triangles\n", treeBytes / 32, triangleBytes / 48));
    for (int k = 0; k < stats.levelCount && k < CollideTreeStats::kMaxLevels; ++k) {
        const CollideLevelStats& level = stats.levels[k];
        out(format("level %d\n", k));
        out(format("\tminExtent (%6.2f,%6.2f,%6.2f)\n", level.minExtent[0], level.minExtent[1],
                   level.minExtent[2]));
        out(format("\tmaxExtent (%6.2f,%6.2f,%6.2f)\n", level.maxExtent[0], level.maxExtent[1],
                   level.maxExtent[2]));
        out(format("\taveExtent (%6.2f,%6.2f,%6.2f)\n", level.aveExtent[0], level.aveExtent[1],
                   level.aveExtent[2]));
        out(format("\tminTriangles %d\n", level.minTriangles));
        out(format("\tmaxTriangles %d\n", level.maxTriangles));
        out(format("\taveTriangles %d\n", level.aveTriangles));
    }
}

void printCollideTotals(const LineSink& out, int treeBytes, int triangleBytes) {
    if (!out)
        return;
    out(format("Total mem for collidehulls %d\n", treeBytes + triangleBytes));
    out(format("Total triangle mem %d\n", triangleBytes));
    out(format("Total tree mem %d\n", treeBytes));
}

}  // namespace Tam::OptExtension
