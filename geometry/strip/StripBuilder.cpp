#include "geometry/strip/StripBuilder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

namespace Tam::OptExtension {
namespace {

// A strip under construction. `flipped` is the winding flag: true for every
// input triangle, toggled whenever the strip's winding is turned over.
struct Strip {
    std::vector<int32_t> v;
    bool flipped = true;
};

// The pool's order: shorter first, then unflipped before flipped, then the
// indices lexicographically. Equal strips collapse in the pool.
bool stripLess(const Strip& a, const Strip& b) {
    if (a.v.size() != b.v.size()) return a.v.size() < b.v.size();
    if (a.flipped != b.flipped) return !a.flipped;
    return std::lexicographical_compare(a.v.begin(), a.v.end(), b.v.begin(), b.v.end());
}

bool stripEqual(const Strip& a, const Strip& b) {
    return a.flipped == b.flipped && a.v == b.v;
}

// The pool is kept as a sorted, duplicate-free array rather than a node-based
// set: it is filled in bulk and then only walked in order.
void makePool(std::vector<Strip>& pool) {
    std::sort(pool.begin(), pool.end(), stripLess);
    pool.erase(std::unique(pool.begin(), pool.end(), stripEqual), pool.end());
}

// Unordered vertex pair packed into one word; only equality is ever needed.
using EdgeKey = uint64_t;

EdgeKey edgeKey(int32_t x, int32_t y) {
    if (x > y) std::swap(x, y);
    return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
}

// Open-addressing map from edge to a dense edge number (0, 1, 2, ... in order
// of first insertion).
class EdgeTable {
public:
    void reset(size_t expected) {
        size_t cap = 16;
        while (cap < 2 * expected + 16) cap <<= 1;
        keys_.resize(cap);
        ids_.assign(cap, -1);
        shift_ = 64;
        for (size_t c = cap; c > 1; c >>= 1) --shift_;
        mask_ = cap - 1;
        size_ = 0;
    }
    bool empty() const { return size_ == 0; }
    int32_t size() const { return size_; }
    int32_t find(EdgeKey k) const {
        if (size_ == 0) return -1;
        for (size_t h = slot(k);; h = (h + 1) & mask_) {
            if (ids_[h] < 0) return -1;
            if (keys_[h] == k) return ids_[h];
        }
    }
    int32_t insert(EdgeKey k) {
        for (size_t h = slot(k);; h = (h + 1) & mask_) {
            if (ids_[h] < 0) {
                keys_[h] = k;
                ids_[h] = size_;
                return size_++;
            }
            if (keys_[h] == k) return ids_[h];
        }
    }

private:
    size_t slot(EdgeKey k) const {
        return static_cast<size_t>((k * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    std::vector<EdgeKey> keys_;
    std::vector<int32_t> ids_;
    size_t mask_ = 0;
    int shift_ = 64;
    int32_t size_ = 0;
};

// A strip's free edges, each kept once, with the number of times the strip's edge list names it
// (a two-sided triangle or a closed ring names an edge twice).
struct EdgeList {
    std::array<EdgeKey, 4> key;
    std::array<int, 4> times;
    int count = 0;
    void erase(int i) {
        for (int j = i + 1; j < count; ++j) {
            key[j - 1] = key[j];
            times[j - 1] = times[j];
        }
        --count;
    }
};

// The edges along which another strip could be attached. The normal rule
// offers all edges of a triangle, the four outer edges of a two-triangle
// strip and the two end edges of longer ones; the final rule offers four end
// edges of any strip of two triangles or more so that an end triangle can be
// taken over. Forbidden edges are left out; a repeated edge is kept once and
// counted.
EdgeList freeEdges(const Strip& s, bool finalRule, const EdgeTable& forbidden) {
    const int32_t* x = s.v.data();
    const size_t n = s.v.size();
    EdgeKey raw[4];
    int m = 0;
    if (n == 3) {
        raw[0] = edgeKey(x[0], x[1]);
        raw[1] = edgeKey(x[1], x[2]);
        raw[2] = edgeKey(x[2], x[0]);
        m = 3;
    } else if (n == 4 && !finalRule) {
        raw[0] = edgeKey(x[0], x[1]);
        raw[1] = edgeKey(x[0], x[2]);
        raw[2] = edgeKey(x[2], x[3]);
        raw[3] = edgeKey(x[1], x[3]);
        m = 4;
    } else if (n >= 4 && finalRule) {
        raw[0] = edgeKey(x[0], x[1]);
        raw[1] = edgeKey(x[0], x[2]);
        raw[2] = edgeKey(x[n - 2], x[n - 1]);
        raw[3] = edgeKey(x[n - 3], x[n - 1]);
        m = 4;
    } else if (n >= 5) {
        raw[0] = edgeKey(x[0], x[1]);
        raw[1] = edgeKey(x[n - 2], x[n - 1]);
        m = 2;
    }
    EdgeList out;
    for (int i = 0; i < m; ++i) {
        if (!forbidden.empty() && forbidden.find(raw[i]) >= 0) continue;
        int j = 0;
        while (j < out.count && out.key[j] != raw[i]) ++j;
        if (j < out.count) {
            ++out.times[j];
        } else {
            out.key[out.count] = raw[i];
            out.times[out.count++] = 1;
        }
    }
    return out;
}

void reverseStrip(Strip& s) {
    std::reverse(s.v.begin(), s.v.end());
    if (s.v.size() % 2 == 1) s.flipped = !s.flipped;
}

// Turns the winding over where that is possible without changing the
// triangles: swap the middle of a one- or two-triangle strip, reverse an odd
// longer one. An even longer strip cannot be flipped.
void flipStrip(Strip& s) {
    const size_t n = s.v.size();
    if (n >= 5) {
        if (n % 2 == 1) reverseStrip(s);
    } else if (n >= 3) {
        std::swap(s.v[1], s.v[2]);
        s.flipped = !s.flipped;
    }
}

bool startsWith(const Strip& s, EdgeKey e) { return edgeKey(s.v[0], s.v[1]) == e; }

bool orient(Strip& s, EdgeKey e) {
    if (startsWith(s, e)) return true;
    flipStrip(s);
    if (startsWith(s, e)) return true;
    reverseStrip(s);
    if (startsWith(s, e)) return true;
    flipStrip(s);
    if (startsWith(s, e)) return true;
    reverseStrip(s);
    return startsWith(s, e);
}

// Joins b onto the end of a over their shared edge e when some orientation
// of the two lets b continue a. b may be left reoriented when that fails.
bool joinStrips(Strip& a, Strip& b, EdgeKey e) {
    if (!orient(a, e)) return false;
    if (!orient(b, e)) return false;
    reverseStrip(a);
    auto fits = [&] {
        const size_t n = a.v.size();
        return a.v[n - 2] == b.v[0] && a.v[n - 1] == b.v[1];
    };
    bool ok = fits();
    if (!ok) { flipStrip(b); ok = fits(); }
    if (!ok) { flipStrip(a); ok = fits(); }
    if (!ok) { flipStrip(b); ok = fits(); }
    if (!ok) { reverseStrip(a); ok = fits(); }
    if (!ok) { flipStrip(a); ok = fits(); }
    if (!ok) { flipStrip(b); ok = fits(); }
    if (!ok) return false;
    a.v.insert(a.v.end(), b.v.begin() + 2, b.v.end());
    return true;
}

// Working storage of the merge passes, kept across sweeps and passes so that
// the big arrays are allocated once per build.
class Merger {
public:
    std::vector<Strip> mergePass(std::vector<Strip>& pool, const EdgeTable& forbidden,
                                 bool finalRule) {
        std::vector<Strip> list;
        bool more = true;
        while (more) more = finalRule ? finalSweep(pool, forbidden, list)
                                      : normalSweep(pool, forbidden, list);
        return list;
    }

private:
    // Greedy sweep: strips with the least contested free edges are joined
    // first. Returns false when no strip had a neighbour.
    bool normalSweep(std::vector<Strip>& pool, const EdgeTable& forbidden,
                     std::vector<Strip>& list) {
        const size_t n = pool.size();
        edges_.clear();
        edges_.resize(n);
        table_.reset(3 * n);
        use_.clear();
        edgeIds_.resize(4 * n);
        for (size_t i = 0; i < n; ++i) {
            edges_[i] = freeEdges(pool[i], false, forbidden);
            for (int j = 0; j < edges_[i].count; ++j) {
                int32_t id = table_.insert(edges_[i].key[j]);
                if (id == static_cast<int32_t>(use_.size())) use_.push_back(0);
                ++use_[id];
                edgeIds_[4 * i + j] = id;
            }
        }
        ranked_.clear();
        score_.resize(n);
        for (size_t i = 0; i < n; ++i) {
            int neighbours = 0;
            // Every entry of the edge list counts, so a repeated edge counts twice;
            // the use count itself is per strip.
            for (int j = 0; j < edges_[i].count; ++j)
                neighbours += edges_[i].times[j] * (use_[edgeIds_[4 * i + j]] - 1);
            if (neighbours == 0) {
                list.push_back(std::move(pool[i]));
                continue;
            }
            score_[i] = static_cast<float>(10 * static_cast<int>(pool[i].v.size()) + neighbours);
            ranked_.push_back(static_cast<int32_t>(i));
        }
        if (ranked_.empty()) {
            pool.clear();
            return false;
        }
        std::stable_sort(ranked_.begin(), ranked_.end(),
                         [&](int32_t a, int32_t b) { return score_[a] < score_[b]; });
        register_(pool);

        std::vector<Strip> joined;
        Strip trial;
        for (int32_t i : ranked_) {
            if (!alive_[i]) continue;
            Strip& s = pool[i];
            EdgeList el = edges_[i];
            std::array<int32_t, 4> ids;
            for (int j = 0; j < el.count; ++j) ids[j] = edgeIds_[4 * i + j];
            bool done = false;
            while (!done) {
                int best = 100000, bi = -1;
                for (int j = 0; j < el.count; ++j) {
                    int c = use_[ids[j]];
                    if (c > 1 && c < best) {
                        best = c;
                        bi = j;
                    }
                }
                if (bi < 0) break;
                const int32_t id = ids[bi];
                for (int32_t r = regStart_[id]; r < regStart_[id + 1]; ++r) {
                    const int32_t c = reg_[r];
                    if (c == i || !alive_[c]) continue;
                    trial.v.assign(pool[c].v.begin(), pool[c].v.end());
                    trial.flipped = pool[c].flipped;
                    if (joinStrips(trial, s, el.key[bi])) {
                        alive_[c] = 0;
                        alive_[i] = 0;
                        joined.push_back(std::move(trial));
                        trial = Strip();
                        done = true;
                        break;
                    }
                }
                if (!done) {
                    el.erase(bi);
                    for (int j = bi + 1; j <= el.count; ++j) ids[j - 1] = ids[j];
                }
            }
        }
        for (int32_t i : ranked_)
            if (alive_[i]) list.push_back(std::move(pool[i]));
        pool = std::move(joined);
        makePool(pool);
        return true;
    }

    // Sweep of the final rule: a longer strip takes over the end triangle of
    // a neighbour no longer than itself.
    bool finalSweep(std::vector<Strip>& pool, const EdgeTable& forbidden,
                    std::vector<Strip>& list) {
        const size_t n = pool.size();
        ranked_.clear();
        score_.resize(n);
        edges_.resize(n);
        edgeIds_.resize(4 * n);
        table_.reset(4 * n);
        use_.clear();
        for (size_t i = 0; i < n; ++i) {
            if (pool[i].v.size() < 4) {
                list.push_back(std::move(pool[i]));
                continue;
            }
            score_[i] = -static_cast<float>(pool[i].v.size());
            ranked_.push_back(static_cast<int32_t>(i));
            edges_[i] = freeEdges(pool[i], true, forbidden);
            for (int j = 0; j < edges_[i].count; ++j) {
                int32_t id = table_.insert(edges_[i].key[j]);
                if (id == static_cast<int32_t>(use_.size())) use_.push_back(0);
                ++use_[id];
                edgeIds_[4 * i + j] = id;
            }
        }
        if (ranked_.empty()) {
            pool.clear();
            return false;
        }
        // Registered in pool order, which is what ties of equal length follow.
        register_(pool);
        std::stable_sort(ranked_.begin(), ranked_.end(),
                         [&](int32_t a, int32_t b) { return score_[a] < score_[b]; });

        std::vector<Strip> made;
        std::vector<int32_t> cands;
        Strip piece;
        for (int32_t i : ranked_) {
            if (!alive_[i]) continue;
            Strip& s = pool[i];
            const EdgeList el = freeEdges(s, false, forbidden);
            bool done = false, stop = false;
            for (int j = 0; j < el.count && !done && !stop; ++j) {
                const EdgeKey e = el.key[j];
                const int32_t id = table_.find(e);
                if (id < 0) continue;
                cands.clear();
                for (int32_t r = regStart_[id]; r < regStart_[id + 1]; ++r) {
                    const int32_t c = reg_[r];
                    if (c != i && alive_[c]) cands.push_back(c);
                }
                std::stable_sort(cands.begin(), cands.end(), [&](int32_t a, int32_t b) {
                    return pool[a].v.size() < pool[b].v.size();
                });
                for (int32_t c : cands) {
                    const Strip& cs = pool[c];
                    const size_t cn = cs.v.size();
                    if (cn > s.v.size()) {
                        stop = true;
                        break;
                    }
                    // The end triangle is taken from the front of the strip,
                    // or else from its back (the front of the reversed copy).
                    bool reversed = false;
                    piece.v.assign(cs.v.begin(), cs.v.begin() + 3);
                    piece.flipped = cs.flipped;
                    bool ok = joinStrips(piece, s, e);
                    if (!ok) {
                        reversed = true;
                        piece.v.assign(cs.v.rbegin(), cs.v.rbegin() + 3);
                        piece.flipped = cn % 2 == 1 ? !cs.flipped : cs.flipped;
                        ok = joinStrips(piece, s, e);
                    }
                    if (!ok) continue;
                    Strip rest;
                    if (reversed) {
                        rest.v.assign(cs.v.rbegin() + 1, cs.v.rend());
                        rest.flipped = cn % 2 == 1 ? cs.flipped : !cs.flipped;
                    } else {
                        rest.v.assign(cs.v.begin() + 1, cs.v.end());
                        rest.flipped = !cs.flipped;
                    }
                    alive_[c] = 0;
                    alive_[i] = 0;
                    made.push_back(std::move(piece));
                    piece = Strip();
                    if (rest.v.size() > 3)
                        made.push_back(std::move(rest));
                    else
                        list.push_back(std::move(rest));
                    done = true;
                    break;
                }
            }
        }
        for (int32_t i : ranked_)
            if (alive_[i]) list.push_back(std::move(pool[i]));
        pool = std::move(made);
        makePool(pool);
        return true;
    }

    // Lists, per edge, the ranked strips registered under it, in the current
    // order of ranked_ (pool order before its sort, rank order after it).
    void register_(const std::vector<Strip>& pool) {
        const size_t edgeCount = use_.size();
        regStart_.assign(edgeCount + 1, 0);
        for (int32_t i : ranked_)
            for (int j = 0; j < edges_[i].count; ++j) ++regStart_[edgeIds_[4 * i + j] + 1];
        for (size_t k = 0; k < edgeCount; ++k) regStart_[k + 1] += regStart_[k];
        reg_.resize(regStart_[edgeCount]);
        fill_.assign(regStart_.begin(), regStart_.end() - 1);
        for (int32_t i : ranked_)
            for (int j = 0; j < edges_[i].count; ++j) reg_[fill_[edgeIds_[4 * i + j]]++] = i;
        alive_.assign(pool.size(), 0);
        for (int32_t i : ranked_) alive_[i] = 1;
    }

    EdgeTable table_;
    std::vector<EdgeList> edges_;
    std::vector<int32_t> edgeIds_;
    std::vector<int32_t> use_;
    std::vector<int32_t> ranked_;
    std::vector<float> score_;
    std::vector<int32_t> regStart_, reg_, fill_;
    std::vector<uint8_t> alive_;
};

// Writes the strips as one sequence, each strip starting where the previous
// one ended when possible, joined by repeated indices otherwise.
int chainStrips(std::vector<Strip>& strips, int32_t* out, int& duplicateCount) {
    const size_t m = strips.size();
    // Strip ends grouped by vertex (ascending), each group in insertion order.
    struct End {
        int32_t vertex;
        int32_t seq;
    };
    std::vector<End> ends(2 * m);
    for (size_t k = 0; k < m; ++k) {
        ends[2 * k] = {strips[k].v.front(), static_cast<int32_t>(2 * k)};
        ends[2 * k + 1] = {strips[k].v.back(), static_cast<int32_t>(2 * k + 1)};
    }
    std::sort(ends.begin(), ends.end(), [](const End& a, const End& b) {
        return a.vertex != b.vertex ? a.vertex < b.vertex : a.seq < b.seq;
    });
    std::vector<int32_t> groupVertex, groupStart, count;
    for (size_t k = 0; k < ends.size(); ++k) {
        if (k == 0 || ends[k].vertex != ends[k - 1].vertex) {
            groupVertex.push_back(ends[k].vertex);
            groupStart.push_back(static_cast<int32_t>(k));
            count.push_back(0);
        }
        ++count.back();
    }
    const int32_t groups = static_cast<int32_t>(groupVertex.size());
    groupStart.push_back(static_cast<int32_t>(ends.size()));
    std::vector<int32_t> head(groupStart.begin(), groupStart.end() - 1);
    std::vector<uint8_t> used(m, 0);
    auto groupOf = [&](int32_t v) {
        auto it = std::lower_bound(groupVertex.begin(), groupVertex.end(), v);
        return it != groupVertex.end() && *it == v ? static_cast<int32_t>(it - groupVertex.begin())
                                                   : -1;
    };
    auto firstStrip = [&](int32_t g) {
        while (head[g] < groupStart[g + 1] && used[ends[head[g]].seq / 2]) ++head[g];
        return head[g] < groupStart[g + 1] ? ends[head[g]].seq / 2 : -1;
    };
    // Restart candidates: the smallest vertex with one end, else the largest
    // with an odd number of ends. Counts only fall, so stale heap entries are
    // skipped when they surface.
    std::priority_queue<int32_t, std::vector<int32_t>, std::greater<>> single;
    std::priority_queue<int32_t> odd;
    for (int32_t g = 0; g < groups; ++g) {
        if (count[g] == 1) single.push(g);
        if (count[g] % 2 == 1) odd.push(g);
    }
    int32_t lowest = 0;
    auto dropEnd = [&](int32_t v) {
        const int32_t g = groupOf(v);
        --count[g];
        if (count[g] == 1) single.push(g);
        if (count[g] % 2 == 1) odd.push(g);
    };

    int32_t current = -1;
    int written = 0;
    for (size_t left = m; left > 0; --left) {
        int32_t g = groupOf(current);
        int32_t k = g >= 0 && count[g] > 0 ? firstStrip(g) : -1;
        if (k < 0) {
            while (!single.empty() && count[single.top()] != 1) single.pop();
            while (!odd.empty() && count[odd.top()] % 2 != 1) odd.pop();
            if (!single.empty())
                k = firstStrip(single.top());
            else if (!odd.empty())
                k = firstStrip(odd.top());
            if (k < 0) {
                while (count[lowest] == 0) ++lowest;
                k = firstStrip(lowest);
            }
        }
        used[k] = 1;
        const std::vector<int32_t>& s = strips[k].v;
        dropEnd(s.front());
        dropEnd(s.back());
        const bool reversed = s.front() != current;
        const int32_t first = reversed ? s.back() : s.front();
        if (written > 0) {
            const int32_t last = out[written - 1];
            out[written++] = last;
            ++duplicateCount;
            if (last != first) {
                out[written++] = first;
                ++duplicateCount;
            }
        }
        if (reversed)
            for (auto it = s.rbegin(); it != s.rend(); ++it) out[written++] = *it;
        else
            for (int32_t x : s) out[written++] = x;
        current = out[written - 1];
    }
    return written;
}

}  // namespace

int stripTriangleList(const int32_t* triangles, int triangleCount, int32_t* outIndices,
                      int& stripCount, int& duplicateCount, int& droppedCount) {
    if (triangleCount <= 0) return 0;
    std::vector<Strip> pool(static_cast<size_t>(triangleCount));
    for (int t = 0; t < triangleCount; ++t) {
        const int32_t a = triangles[3 * t], b = triangles[3 * t + 1], c = triangles[3 * t + 2];
        // Smallest vertex first, cyclic order (and so the winding) kept.
        if (a <= b && a <= c)
            pool[t].v = {a, b, c};
        else if (b <= a && b <= c)
            pool[t].v = {b, c, a};
        else
            pool[t].v = {c, a, b};
    }
    makePool(pool);
    droppedCount += triangleCount - static_cast<int>(pool.size());

    Merger merger;
    EdgeTable none, forbidden;
    none.reset(0);
    std::vector<Strip> list = merger.mergePass(pool, none, false);
    pool = std::move(list);
    makePool(pool);

    for (int r = 0; r < 12; ++r) {
        // Strips up to this length are broken up again and rebuilt without
        // the edges they were built along; the threshold rises, then falls.
        const size_t limit = r < 5 ? 2 * r + 4 : 2 * (12 - r);
        list = merger.mergePass(pool, none, false);
        pool.clear();
        size_t dissolved = 0;
        for (const Strip& s : list)
            if (s.v.size() > 3 && s.v.size() <= limit) dissolved += s.v.size() - 2;
        forbidden.reset(dissolved);
        for (Strip& s : list) {
            const size_t n = s.v.size();
            if (n <= 3 || n > limit) {
                pool.push_back(std::move(s));
                continue;
            }
            const int32_t* x = s.v.data();
            for (size_t k = 0; k + 2 < n; ++k) {
                forbidden.insert(edgeKey(x[k + 1], x[k + 2]));
                Strip t;
                t.v = k % 2 == 0 ? std::vector<int32_t>{x[k], x[k + 1], x[k + 2]}
                                 : std::vector<int32_t>{x[k], x[k + 2], x[k + 1]};
                t.flipped = s.flipped;
                pool.push_back(std::move(t));
            }
        }
        makePool(pool);
        for (int p = 2; p <= 7; ++p) {
            // Only the pass right after the break-up avoids the edges; the
            // fifth pass of the iteration lets long strips take end triangles.
            list = merger.mergePass(pool, p == 2 ? forbidden : none, p == 5);
            if (p == 2) forbidden.reset(0);
            if (r == 11 && p == 7) break;
            pool = std::move(list);
            makePool(pool);
        }
    }
    stripCount += static_cast<int>(list.size());
    return chainStrips(list, outIndices, duplicateCount);
}

}  // namespace Tam::OptExtension
