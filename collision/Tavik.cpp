#include "collision/Tavik.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace Tam::OptExtension {

namespace {

constexpr float kDegenerateArea = 1e-8f;
constexpr float kZeroExtent = 1e-30f;

// One triangle's sort key on one axis, with its position in the range being sorted.
// Only ranges holding a NaN key are sorted this way; everything else goes by rank.
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

// Heap sort, ascending, with NaN keys about: every comparison is made exactly as
// the plain algorithm makes it, since NaN breaks any shortcut that assumes an order.
void heapSortFloat(KeyIndex* a, size_t count) {
    if (count < 2)
        return;
    for (size_t start = count / 2; start-- > 0;)
        siftDown(a, start, count);
    for (size_t end = count - 1; end > 0; --end) {
        std::swap(a[0], a[end]);
        siftDown(a, 0, end);
    }
}

// Packed heap elements: a key rank in the high bits, the element's position in its
// range in the low bits. With the position bits of y cleared, x < y' holds exactly
// when x's rank is below y's, so one AND and one integer compare stand in for the
// key comparison, and equal ranks compare equal as equal keys do.
template <class T>
struct RankLess {
    T mask;
    bool operator()(T x, T y) const { return x < (y & mask); }
};

template <class T>
void siftDownPacked(T* a, size_t root, size_t end, RankLess<T> less) {
    T x = a[root];
    for (;;) {
        size_t child = 2 * root + 1;
        if (child >= end)
            break;
        if (child + 1 < end)
            child += size_t(less(a[child], a[child + 1]));
        if (!less(x, a[child]))
            break;
        a[root] = a[child];
        root = child;
    }
    a[root] = x;
}

// The same result as siftDownPacked from the root, with about half the comparisons:
// the element put at the root after a pop is usually small, so it is cheaper to take
// the larger-child path to the bottom and climb back than to test it at every level.
// The climb stops below the first element strictly greater than x, exactly where the
// top-down sift would have stopped, because keys along the path never increase. The
// child choice is a plain add so the unpredictable comparison costs no branch.
template <class T>
void siftDownFromBottom(T* a, size_t end, RankLess<T> less) {
    const T x = a[0];
    size_t i = 0;
    // Two levels a step while all four grandchildren exist: their loads do not wait
    // for the choice between the children, which halves the chain of dependent loads.
    while (4 * i + 6 < end) {
        __builtin_prefetch(a + 16 * i + 15);  // a few levels ahead, for ranges past the cache
        const T c0 = a[2 * i + 1], c1 = a[2 * i + 2];
        const T g0 = a[4 * i + 3], g1 = a[4 * i + 4], g2 = a[4 * i + 5], g3 = a[4 * i + 6];
        const bool right = less(c0, c1);
        const size_t child = 2 * i + 1 + size_t(right);
        const T l = right ? g2 : g0, r = right ? g3 : g1;
        const bool rightGrand = less(l, r);
        a[i] = right ? c1 : c0;
        a[child] = rightGrand ? r : l;
        i = 2 * child + 1 + size_t(rightGrand);
    }
    for (size_t child = 2 * i + 1; child + 1 < end; child = 2 * i + 1) {
        child += size_t(less(a[child], a[child + 1]));
        a[i] = a[child];
        i = child;
    }
    if (2 * i + 1 < end) {
        a[i] = a[2 * i + 1];
        i = 2 * i + 1;
    }
    while (i > 0) {
        size_t parent = (i - 1) / 2;
        if (less(x, a[parent]))
            break;
        a[i] = a[parent];
        i = parent;
    }
    a[i] = x;
}

// Heap sort, ascending. Ties end up in whatever order heap sort leaves them, and
// that order is part of the record, so no other sort may stand in for it; the order
// of equal keys depends on the other keys of the range too, not only on where the
// equal ones sit, so the whole range has to go through it.
template <class T>
void heapSortPacked(T* a, size_t count, RankLess<T> less) {
    if (count < 2)
        return;
    for (size_t start = count / 2; start-- > 0;)
        siftDownPacked(a, start, count, less);
    for (size_t end = count - 1; end > 0; --end) {
        std::swap(a[0], a[end]);
        siftDownFromBottom(a, end, less);
    }
}

// Float bits mapped so that unsigned order is float order (-0 just before +0).
uint32_t orderedBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return (u & 0x80000000u) ? ~u : (u | 0x80000000u);
}

int bitsFor(uint64_t v) {
    int b = 0;
    while (v >> b)
        ++b;
    return b;
}

// Stable LSD radix sort on bits [32, 32 + keyBits) of each element, passes of at
// most 11 bits; a pass whose digit is the same everywhere is skipped.
void radixSortHigh(uint64_t* a, uint64_t* tmp, size_t count, int keyBits) {
    uint64_t* from = a;
    uint64_t* to = tmp;
    for (int shift = 32; shift < 32 + keyBits; shift += 11) {
        size_t histogram[2048] = {};
        for (size_t i = 0; i < count; ++i)
            ++histogram[(from[i] >> shift) & 2047u];
        if (histogram[(from[0] >> shift) & 2047u] == count)
            continue;
        size_t sum = 0;
        for (size_t& h : histogram) {
            size_t c = h;
            h = sum;
            sum += c;
        }
        for (size_t i = 0; i < count; ++i)
            to[histogram[(from[i] >> shift) & 2047u]++] = from[i];
        std::swap(from, to);
    }
    if (from != a)
        std::memcpy(a, from, count * sizeof(uint64_t));
}

constexpr uint32_t kNanRank = 0xFFFFFFFFu;

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

// Widens a node by one triangle, as widen does for each of a range.
void widenOne(CollideNode& node, const CollideTriangle& t) {
    node.flagsAnd &= t.flags();
    node.flagsOr |= t.flags();
    for (const CollideTriangle::Vertex& v : t.v) {
        const float c[3] = {v.x, v.y, v.z};
        for (int a = 0; a < 3; ++a) {
            if (node.min[a] > c[a])
                node.min[a] = c[a];
            if (node.max[a] < c[a])
                node.max[a] = c[a];
        }
    }
}

// Widens a node by a child's box and flags. Taking the parent's box from its
// children gives what widening by its triangles gives, in whatever order, as long as
// no coordinate is -0: only then can two equal minima differ in their bits.
void absorb(CollideNode& node, const CollideNode& child) {
    node.flagsAnd &= child.flagsAnd;
    node.flagsOr |= child.flagsOr;
    for (int a = 0; a < 3; ++a) {
        if (node.min[a] > child.min[a])
            node.min[a] = child.min[a];
        if (node.max[a] < child.max[a])
            node.max[a] = child.max[a];
    }
}

// Fresh memory is costly here mostly through one fault per small page; asking for
// large pages on the big arrays before they are first touched saves most of that.
// Only advice: where it is not supported nothing changes.
void adviseLargePages(void* p, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kLarge = uintptr_t(2) << 20;
    const uintptr_t begin = (uintptr_t(p) + kLarge - 1) & ~(kLarge - 1);
    const uintptr_t end = (uintptr_t(p) + bytes) & ~(kLarge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

// Uninitialised storage for the build's plain-integer arrays, which are written
// before read. Big ones get a mapping of their own, aligned to the large page and
// given back whole when freed, so they neither fault page by page nor stay in the
// heap after the build.
template <class T>
class ScratchArray {
    static_assert(std::is_trivial_v<T>);

public:
    ScratchArray() = default;
    explicit ScratchArray(size_t count) { allocate(std::max<size_t>(count, 1) * sizeof(T)); }
    ScratchArray(const ScratchArray&) = delete;
    ScratchArray& operator=(const ScratchArray&) = delete;
    ScratchArray(ScratchArray&& other) noexcept { *this = std::move(other); }
    ScratchArray& operator=(ScratchArray&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(mapped_, other.mapped_);
        return *this;
    }
    ~ScratchArray() { release(); }

    T* get() const { return data_; }
    T& operator[](size_t i) const { return data_[i]; }
    void reset() {
        release();
        data_ = nullptr;
        mapped_ = 0;
    }

private:
    static constexpr size_t kLarge = size_t(2) << 20;

    void allocate(size_t bytes) {
#if defined(__linux__)
        if (bytes >= kLarge) {
            const size_t length = (bytes + kLarge - 1) & ~(kLarge - 1);
            void* p = mmap(nullptr, length + kLarge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED)
                throw std::bad_alloc();
            // Trim to a large-page boundary at both ends.
            const uintptr_t base = uintptr_t(p);
            const uintptr_t aligned = (base + kLarge - 1) & ~(kLarge - 1);
            if (aligned > base)
                munmap(p, aligned - base);
            if (base + length + kLarge > aligned + length)
                munmap(reinterpret_cast<void*>(aligned + length), base + length + kLarge - (aligned + length));
            data_ = reinterpret_cast<T*>(aligned);
            mapped_ = length;
            adviseLargePages(data_, length);
            return;
        }
#endif
        data_ = static_cast<T*>(std::malloc(bytes));
        if (data_ == nullptr)
            throw std::bad_alloc();
    }

    void release() {
#if defined(__linux__)
        if (mapped_ != 0) {
            munmap(data_, mapped_);
            return;
        }
#endif
        std::free(data_);
    }

    T* data_ = nullptr;
    size_t mapped_ = 0;
};

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
    if (merge) {
        simplifier_.addTriangle(t);
        return;
    }
    if (triangles_.size() == triangles_.capacity()) {
        // Grown by doubling as push_back would, but with the new block advised for
        // large pages before the copy touches it.
        std::vector<CollideTriangle> bigger;
        bigger.reserve(std::max<size_t>(64, 2 * triangles_.capacity()));
        adviseLargePages(bigger.data(), bigger.capacity() * sizeof(CollideTriangle));
        bigger.assign(triangles_.begin(), triangles_.end());
        triangles_.swap(bigger);
    }
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
    adviseLargePages(nodes_.data(), nodes_.capacity() * sizeof(CollideNode));
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
// each level becomes one sweep over the ranges of that level.
//
// The triangles stay where they are until the end; a level reorders a permutation of
// their indices, and the sorts compare dense ranks of the keys (computed once per
// axis), which order exactly as the float keys do when none is NaN. One gather at
// the end puts the triangles in their final order.
void Tavik::buildTree(int n) {
    const size_t nodeCount = (size_t(2) << depth_) - 1;
    nodes_.assign(nodeCount, kCollideNodeTemplate);
    const size_t count = size_t(n);
    const CollideTriangle* tris = triangles_.data();
    if (depth_ == 0) {
        widen(nodes_[0], tris, count);
        return;
    }

    // Dense key ranks per axis: equal keys share a rank (-0 and +0 included), NaN
    // keys get kNanRank. Also notes whether any coordinate is -0 (see absorb).
    const int axes = std::min(depth_, 3);
    ScratchArray<uint32_t> rank[3];
    ScratchArray<uint64_t> wide = ScratchArray<uint64_t>(count);
    ScratchArray<uint64_t> wideTmp = ScratchArray<uint64_t>(count);
    bool negativeZero = false;
    size_t maxDistinct = 0;
    for (int axis = 0; axis < axes; ++axis) {
        rank[axis] = ScratchArray<uint32_t>(count);
        uint32_t* r = rank[axis].get();
        size_t m = 0;
        for (size_t t = 0; t < count; ++t) {
            float key = axisKey(tris[t], axis);
            if (axis == 0) {
                for (const CollideTriangle::Vertex& v : tris[t].v) {
                    uint32_t b[3];
                    std::memcpy(b, &v, sizeof b);
                    negativeZero |= (b[0] == 0x80000000u) | (b[1] == 0x80000000u) | (b[2] == 0x80000000u);
                }
            }
            if (std::isnan(key)) {
                r[t] = kNanRank;
                continue;
            }
            if (key == 0.0f)
                key = 0.0f;  // -0 ties with +0
            wide[m++] = uint64_t(orderedBits(key)) << 32 | t;
        }
        radixSortHigh(wide.get(), wideTmp.get(), m, 32);
        uint32_t dense = 0;
        for (size_t i = 0; i < m; ++i) {
            if (i > 0 && (wide[i] >> 32) != (wide[i - 1] >> 32))
                ++dense;
            r[uint32_t(wide[i])] = dense;
        }
        maxDistinct = std::max(maxDistinct, m > 0 ? size_t(dense) + 1 : 0);
    }

    ScratchArray<uint32_t> perm = ScratchArray<uint32_t>(count);
    ScratchArray<uint32_t> nextPerm = ScratchArray<uint32_t>(count);
    ScratchArray<uint32_t> packed = ScratchArray<uint32_t>(count);
    for (size_t t = 0; t < count; ++t)
        perm[t] = uint32_t(t);
    // seen[rank] == stamp marks a rank met in the range being checked for ties.
    ScratchArray<uint32_t> seen = ScratchArray<uint32_t>(maxDistinct);
    std::fill_n(seen.get(), maxDistinct, 0u);
    uint32_t stamp = 0;
    std::vector<KeyIndex> floatKeys;

    // tieFreeAxes: axes on which the range's keys are known to be distinct. A range
    // only ever holds a subset of its ancestors' triangles, so this is inherited.
    struct Range {
        size_t start, count;
        unsigned tieFreeAxes;
    };
    std::vector<Range> level, next;
    level.reserve(size_t(1) << depth_);
    next.reserve(size_t(1) << depth_);
    level.push_back({0, count, 0u});

    for (int k = 0; k < depth_; ++k) {
        const size_t first = (size_t(1) << k) - 1;
        const int axis = k % 3;
        const uint32_t* r = rank[axis].get();
        next.clear();
        for (size_t j = 0; j < level.size(); ++j) {
            const Range range = level[j];
            const size_t c = range.count;
            const uint32_t* from = perm.get() + range.start;
            uint32_t* to = nextPerm.get() + range.start;
            if (negativeZero)
                for (size_t t = 0; t < c; ++t)
                    widenOne(nodes_[first + j], tris[from[t]]);
            unsigned tieFree = range.tieFreeAxes;
            const size_t half = (c + 1) / 2;
            next.push_back({range.start, half, 0u});
            next.push_back({range.start + half, c - half, 0u});
            if (c < 2) {
                if (c == 1)
                    to[0] = from[0];
                next[next.size() - 2].tieFreeAxes = next.back().tieFreeAxes = tieFree;
                continue;
            }

            uint32_t* e = packed.get();
            uint32_t lo = kNanRank, hi = 0;
            bool anyNan = false;
            for (size_t t = 0; t < c; ++t) {
                const uint32_t v = r[from[t]];
                e[t] = v;
                anyNan |= v == kNanRank;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }

            if (anyNan) {
                floatKeys.resize(c);
                for (size_t t = 0; t < c; ++t)
                    floatKeys[t] = {axisKey(tris[from[t]], axis), uint32_t(t)};
                heapSortFloat(floatKeys.data(), c);
                for (size_t t = 0; t < c; ++t)
                    to[t] = from[floatKeys[t].index];
                next[next.size() - 2].tieFreeAxes = next.back().tieFreeAxes = tieFree;
                continue;
            }

            if (!((tieFree >> axis) & 1u)) {
                ++stamp;
                bool distinct = true;
                for (size_t t = 0; t < c; ++t) {
                    uint32_t& mark = seen[e[t]];
                    if (mark == stamp) {
                        distinct = false;
                        break;
                    }
                    mark = stamp;
                }
                if (distinct)
                    tieFree |= 1u << axis;
            }

            const int rankBits = bitsFor(hi - lo);
            if ((tieFree >> axis) & 1u) {
                // Distinct keys have only the one ascending order: any sort will do.
                uint64_t* w = wide.get();
                for (size_t t = 0; t < c; ++t)
                    w[t] = uint64_t(e[t] - lo) << 32 | t;
                if (c < 256)
                    std::sort(w, w + c);
                else
                    radixSortHigh(w, wideTmp.get(), c, rankBits);
                for (size_t t = 0; t < c; ++t)
                    to[t] = from[uint32_t(w[t])];
            } else {
                const int indexBits = bitsFor(c - 1);
                if (rankBits + indexBits <= 32) {
                    const uint32_t low = (uint32_t(1) << indexBits) - 1u;
                    for (size_t t = 0; t < c; ++t)
                        e[t] = (e[t] - lo) << indexBits | uint32_t(t);
                    heapSortPacked<uint32_t>(e, c, {~low});
                    for (size_t t = 0; t < c; ++t)
                        to[t] = from[e[t] & low];
                } else {
                    uint64_t* w = wide.get();
                    for (size_t t = 0; t < c; ++t)
                        w[t] = uint64_t(e[t] - lo) << 32 | t;
                    heapSortPacked<uint64_t>(w, c, {~uint64_t(0xFFFFFFFFu)});
                    for (size_t t = 0; t < c; ++t)
                        to[t] = from[uint32_t(w[t])];
                }
            }
            next[next.size() - 2].tieFreeAxes = next.back().tieFreeAxes = tieFree;
        }
        std::swap(perm, nextPerm);
        level.swap(next);
    }
    rank[0].reset();
    rank[1].reset();
    rank[2].reset();
    wide.reset();
    wideTmp.reset();
    packed.reset();
    nextPerm.reset();

    std::vector<CollideTriangle> ordered;
    ordered.reserve(count);
    adviseLargePages(ordered.data(), count * sizeof(CollideTriangle));
    for (size_t t = 0; t < count; ++t)
        ordered.push_back(tris[perm[t]]);
    triangles_.swap(ordered);

    // Leaves from their final ranges; the levels above from their children unless a
    // -0 makes the order of widening matter, in which case they were widened above.
    const size_t leaves = (size_t(1) << depth_) - 1;
    for (size_t j = 0; j < level.size(); ++j)
        widen(nodes_[leaves + j], triangles_.data() + level[j].start, level[j].count);
    if (!negativeZero)
        for (size_t i = leaves; i-- > 0;) {
            absorb(nodes_[i], nodes_[2 * i + 1]);
            absorb(nodes_[i], nodes_[2 * i + 2]);
        }
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
    words.nodes.reserve(nodes_.size() * 8);
    words.triangles.reserve(triangles_.size() * 12);
    adviseLargePages(words.nodes.data(), words.nodes.capacity() * sizeof(uint32_t));
    adviseLargePages(words.triangles.data(), words.triangles.capacity() * sizeof(uint32_t));
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
