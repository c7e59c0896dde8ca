#include "tests/unit/strip_builder_oracle.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace Tam::OptExtension::Oracle {
namespace {

struct StripRecord {
    std::vector<int32_t> indices;
    bool flipped = true;
    float score = 0.0f;
};

bool operator<(const StripRecord& a, const StripRecord& b) {
    if (a.indices.size() != b.indices.size()) return a.indices.size() < b.indices.size();
    if (a.flipped != b.flipped) return !a.flipped;
    return a.indices < b.indices;
}

struct StripEdge {
    int32_t a, b;
    StripEdge(int32_t x, int32_t y) : a(std::min(x, y)), b(std::max(x, y)) {}
    bool operator<(const StripEdge& o) const { return a != o.a ? a < o.a : b < o.b; }
    bool operator==(const StripEdge& o) const { return a == o.a && b == o.b; }
};

using Pool = std::set<StripRecord>;
using EdgeSet = std::set<StripEdge>;
using StripList = std::vector<StripRecord>;

std::vector<StripEdge> freeEdges(const StripRecord& s, const EdgeSet& forbidden, bool finalRule) {
    const auto& x = s.indices;
    const size_t n = x.size();
    std::vector<StripEdge> raw;
    if (n == 3) {
        raw = {{x[0], x[1]}, {x[1], x[2]}, {x[2], x[0]}};
    } else if (n == 4 && !finalRule) {
        raw = {{x[0], x[1]}, {x[0], x[2]}, {x[2], x[3]}, {x[1], x[3]}};
    } else if (n >= 4 && finalRule) {
        raw = {{x[0], x[1]}, {x[0], x[2]}, {x[n - 2], x[n - 1]}, {x[n - 3], x[n - 1]}};
    } else if (n >= 5) {
        raw = {{x[0], x[1]}, {x[n - 2], x[n - 1]}};
    }
    std::vector<StripEdge> out;
    for (const StripEdge& e : raw)
        if (!forbidden.count(e)) out.push_back(e);
    return out;
}

// The list with each edge once, at its first place: what a strip is counted, registered and
// joined under. Only the neighbour sum sees the repeats.
std::vector<StripEdge> distinct(const std::vector<StripEdge>& edges) {
    std::vector<StripEdge> out;
    for (const StripEdge& e : edges)
        if (std::find(out.begin(), out.end(), e) == out.end()) out.push_back(e);
    return out;
}

void reverseStrip(StripRecord& s) {
    std::reverse(s.indices.begin(), s.indices.end());
    if (s.indices.size() % 2 == 1) s.flipped = !s.flipped;
}

void flipStrip(StripRecord& s) {
    const size_t n = s.indices.size();
    if (n >= 5) {
        if (n % 2 == 1) reverseStrip(s);
    } else if (n >= 3) {
        std::swap(s.indices[1], s.indices[2]);
        s.flipped = !s.flipped;
    }
}

bool startsWith(const StripRecord& s, const StripEdge& e) {
    return StripEdge(s.indices[0], s.indices[1]) == e;
}

bool orient(StripRecord& s, const StripEdge& e) {
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

bool joinStrips(StripRecord& a, StripRecord& b, const StripEdge& e) {
    if (!orient(a, e)) return false;
    if (!orient(b, e)) return false;
    reverseStrip(a);
    auto fits = [&] {
        const size_t n = a.indices.size();
        return a.indices[n - 2] == b.indices[0] && a.indices[n - 1] == b.indices[1];
    };
    bool ok = fits();
    if (!ok) { flipStrip(b); ok = fits(); }
    if (!ok) { flipStrip(a); ok = fits(); }
    if (!ok) { flipStrip(b); ok = fits(); }
    if (!ok) { reverseStrip(a); ok = fits(); }
    if (!ok) { flipStrip(a); ok = fits(); }
    if (!ok) { flipStrip(b); ok = fits(); }
    if (!ok) return false;
    a.indices.insert(a.indices.end(), b.indices.begin() + 2, b.indices.end());
    return true;
}

struct Entry {
    StripRecord rec;
    std::multimap<float, int>::iterator pos;
    bool alive = true;
};

void normalSweep(Pool& pool, const EdgeSet& forbidden, StripList& list, bool& any) {
    std::map<StripEdge, int> use;
    for (const StripRecord& s : pool)
        for (const StripEdge& e : distinct(freeEdges(s, forbidden, false))) ++use[e];

    std::vector<Entry> entries;
    entries.reserve(pool.size());
    std::multimap<float, int> byScore;
    std::map<StripEdge, std::vector<int>> registered;
    for (const StripRecord& s : pool) {
        std::vector<StripEdge> edges = freeEdges(s, forbidden, false);
        int neighbours = 0;
        for (const StripEdge& e : edges) neighbours += use[e] - 1;
        if (neighbours == 0) {
            list.push_back(s);
            continue;
        }
        int id = static_cast<int>(entries.size());
        entries.push_back({s, {}, true});
        entries[id].rec.score = static_cast<float>(10 * static_cast<int>(s.indices.size()) + neighbours);
        entries[id].pos = byScore.insert({entries[id].rec.score, id});
        for (const StripEdge& e : distinct(edges)) registered[e].push_back(id);
    }
    pool.clear();
    any = !byScore.empty();
    if (!any) return;

    Pool joined;
    for (auto it = byScore.begin(); it != byScore.end();) {
        const int id = it->second;
        Entry& s = entries[id];
        std::vector<StripEdge> edges = distinct(freeEdges(s.rec, forbidden, false));
        bool done = false;
        while (!done) {
            int best = 100000;
            int bi = -1;
            for (size_t k = 0; k < edges.size(); ++k) {
                int c = use[edges[k]];
                if (c > 1 && c < best) {
                    best = c;
                    bi = static_cast<int>(k);
                }
            }
            if (bi < 0) break;
            const StripEdge e = edges[bi];
            std::vector<int> cands;
            for (int c : registered[e])
                if (c != id && entries[c].alive) cands.push_back(c);
            std::stable_sort(cands.begin(), cands.end(), [&](int x, int y) {
                return entries[x].rec.score < entries[y].rec.score;
            });
            for (int c : cands) {
                StripRecord a = entries[c].rec;
                if (joinStrips(a, s.rec, e)) {
                    entries[c].alive = false;
                    s.alive = false;
                    byScore.erase(entries[c].pos);
                    joined.insert(a);
                    done = true;
                    break;
                }
            }
            if (!done) edges.erase(edges.begin() + bi);
        }
        if (done)
            it = byScore.erase(it);
        else
            ++it;
    }
    for (const auto& [score, id] : byScore) list.push_back(entries[id].rec);
    pool = std::move(joined);
}

void finalSweep(Pool& pool, const EdgeSet& forbidden, StripList& list, bool& any) {
    std::vector<Entry> entries;
    std::multimap<float, int> byScore;
    std::map<StripEdge, std::vector<int>> registered;
    for (const StripRecord& s : pool) {
        if (s.indices.size() < 4) {
            list.push_back(s);
            continue;
        }
        int id = static_cast<int>(entries.size());
        entries.push_back({s, {}, true});
        entries[id].rec.score = -static_cast<float>(s.indices.size());
        entries[id].pos = byScore.insert({entries[id].rec.score, id});
        for (const StripEdge& e : distinct(freeEdges(s, forbidden, true))) registered[e].push_back(id);
    }
    pool.clear();
    any = !byScore.empty();
    if (!any) return;

    Pool made;
    for (auto it = byScore.begin(); it != byScore.end();) {
        const int id = it->second;
        Entry& s = entries[id];
        const std::vector<StripEdge> edges = distinct(freeEdges(s.rec, forbidden, false));
        bool done = false, stop = false;
        for (const StripEdge& e : edges) {
            std::vector<int> cands;
            for (int c : registered[e])
                if (c != id && entries[c].alive) cands.push_back(c);
            std::stable_sort(cands.begin(), cands.end(), [&](int x, int y) {
                return entries[x].rec.indices.size() < entries[y].rec.indices.size();
            });
            for (int c : cands) {
                const StripRecord& cr = entries[c].rec;
                if (cr.indices.size() > s.rec.indices.size()) {
                    stop = true;
                    break;
                }
                auto tryFrom = [&](const StripRecord& from) {
                    StripRecord piece;
                    piece.indices.assign(from.indices.begin(), from.indices.begin() + 3);
                    piece.flipped = from.flipped;
                    StripRecord rest;
                    rest.indices.assign(from.indices.begin() + 1, from.indices.end());
                    rest.flipped = !from.flipped;
                    if (!joinStrips(piece, s.rec, e)) return false;
                    made.insert(piece);
                    if (rest.indices.size() > 3)
                        made.insert(rest);
                    else
                        list.push_back(rest);
                    return true;
                };
                bool ok = tryFrom(cr);
                if (!ok) {
                    StripRecord rev = cr;
                    reverseStrip(rev);
                    ok = tryFrom(rev);
                }
                if (ok) {
                    entries[c].alive = false;
                    s.alive = false;
                    byScore.erase(entries[c].pos);
                    done = true;
                    break;
                }
            }
            if (done || stop) break;
        }
        if (done)
            it = byScore.erase(it);
        else
            ++it;
    }
    for (const auto& [score, id] : byScore) list.push_back(entries[id].rec);
    pool = std::move(made);
}

StripList mergePass(Pool& pool, EdgeSet forbidden, bool finalRule) {
    StripList list;
    bool any = true;
    while (any) {
        if (finalRule)
            finalSweep(pool, forbidden, list, any);
        else
            normalSweep(pool, forbidden, list, any);
    }
    return list;
}

}  // namespace

int stripTriangleList(const int32_t* triangles, int triangleCount, int32_t* outIndices,
                      int& stripCount, int& duplicateCount, int& droppedCount) {
    if (triangleCount <= 0) return 0;
    Pool pool;
    for (int t = 0; t < triangleCount; ++t) {
        int32_t a = triangles[3 * t], b = triangles[3 * t + 1], c = triangles[3 * t + 2];
        StripRecord r;
        if (a <= b && a <= c)
            r.indices = {a, b, c};
        else if (b <= a && b <= c)
            r.indices = {b, c, a};
        else
            r.indices = {c, a, b};
        r.flipped = true;
        pool.insert(r);
    }
    droppedCount += triangleCount - static_cast<int>(pool.size());

    StripList list = mergePass(pool, {}, false);
    pool = Pool(list.begin(), list.end());

    EdgeSet forbidden;
    for (int r = 0; r < 12; ++r) {
        const size_t limit = r < 5 ? 2 * r + 4 : 2 * (12 - r);
        list = mergePass(pool, {}, false);
        pool.clear();
        for (const StripRecord& s : list) {
            const size_t n = s.indices.size();
            if (n <= 3 || n > limit) {
                pool.insert(s);
                continue;
            }
            const auto& x = s.indices;
            for (size_t k = 0; k + 2 < n; ++k) {
                forbidden.insert(StripEdge(x[k + 1], x[k + 2]));
                StripRecord t;
                t.indices = k % 2 == 0 ? std::vector<int32_t>{x[k], x[k + 1], x[k + 2]}
                                       : std::vector<int32_t>{x[k], x[k + 2], x[k + 1]};
                t.flipped = s.flipped;
                pool.insert(t);
            }
        }
        for (int p = 2; p <= 7; ++p) {
            list = mergePass(pool, p == 2 ? forbidden : EdgeSet{}, p == 5);
            if (p == 2) forbidden.clear();
            pool = Pool(list.begin(), list.end());
        }
    }
    // `list` holds the final strips (the last pool refill is not used further).
    stripCount += static_cast<int>(list.size());

    std::multimap<int32_t, int> ends;
    std::map<int32_t, int> endCount;
    for (size_t k = 0; k < list.size(); ++k) {
        const auto& x = list[k].indices;
        ends.insert({x.front(), static_cast<int>(k)});
        ends.insert({x.back(), static_cast<int>(k)});
        ++endCount[x.front()];
        ++endCount[x.back()];
    }
    auto dropEnd = [&](int32_t v, int k) {
        for (auto it = ends.lower_bound(v); it != ends.end() && it->first == v; ++it)
            if (it->second == k) {
                ends.erase(it);
                break;
            }
        if (--endCount[v] == 0) endCount.erase(v);
    };

    int32_t current = -1;
    int written = 0;
    size_t left = list.size();
    while (left > 0) {
        auto it = ends.lower_bound(current);
        if (it == ends.end() || it->first != current) {
            int32_t chosen = current;
            bool haveOne = false, haveOdd = false;
            int32_t lastOdd = 0;
            for (const auto& [v, c] : endCount) {
                if (c == 1) {
                    chosen = v;
                    haveOne = true;
                    break;
                }
                if (c % 2 == 1) {
                    lastOdd = v;
                    haveOdd = true;
                }
            }
            if (!haveOne && haveOdd) chosen = lastOdd;
            it = ends.lower_bound(chosen);
            if (it == ends.end() || it->first != chosen) it = ends.begin();
        }
        const int k = it->second;
        StripRecord s = list[k];
        dropEnd(s.indices.front(), k);
        dropEnd(s.indices.back(), k);
        --left;
        if (s.indices.front() != current) std::reverse(s.indices.begin(), s.indices.end());
        if (written > 0) {
            const int32_t last = outIndices[written - 1];
            outIndices[written++] = last;
            ++duplicateCount;
            if (last != s.indices.front()) {
                outIndices[written++] = s.indices.front();
                ++duplicateCount;
            }
        }
        for (int32_t v : s.indices) outIndices[written++] = v;
        current = outIndices[written - 1];
    }
    return written;
}

}  // namespace Tam::OptExtension::Oracle
