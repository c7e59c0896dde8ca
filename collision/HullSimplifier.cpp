#include "collision/HullSimplifier.h"

#include "collision/HostClock.h"
#include "collision/Tavik.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace Tam::OptExtension {

namespace {

constexpr float kWeldTolerance = 1.0f;
constexpr float kWeldNormalThreshold = 0.95f;
constexpr float kCollapseNormalThreshold = 0.95f;
// How far an open fan's centre may sit off the line of its two boundary neighbours;
// more than this and removing it would visibly cut the silhouette.
constexpr float kBoundaryDrift = 1.0f;
constexpr size_t kMaxFanLength = 100;
constexpr float kMinNormalArea = 1e-8f;
constexpr float kMinEdgeLength = 1e-10f;
// Edge costs are length times a position hash folded into [0, pi): edges of equal
// length (common on regular grids) then collapse in a scattered order instead of
// sweeping one row at a time.
constexpr double kCostFold = double(3.1415927f);
constexpr size_t kMaxUserName = 63;
constexpr size_t kMaxPath = 255;

struct Vec3 {
    float x, y, z;
};

Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 unitOrZero(Vec3 v) {
    float length = std::sqrt(dot(v, v));
    if (length <= kMinEdgeLength)
        return {0.0f, 0.0f, 0.0f};
    return {v.x / length, v.y / length, v.z / length};
}

// Normal of the triangle p0 p1 p2 from its unit edge directions; false when the
// triangle is too thin to have one.
bool triangleNormal(Vec3 p0, Vec3 p1, Vec3 p2, Vec3& normal) {
    Vec3 u = unitOrZero(p1 - p0);
    Vec3 v = unitOrZero(p2 - p0);
    Vec3 c = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    float squared = dot(c, c);
    if (squared < kMinNormalArea)
        return false;
    float length = std::sqrt(squared);
    normal = {c.x / length, c.y / length, c.z / length};
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Log

void HullLog::open(const std::string& directory) {
    userName_.clear();
    path_ = directory;
    enabled_ = false;

    userName_ = settings_.userName.substr(0, kMaxUserName);
    if (userName_.empty())
        return;
    std::string folder;
    if (settings_.resolveDirectory) {
        try {
            folder = settings_.resolveDirectory(directory);
        } catch (...) {
            folder.clear();
        }
    }
    if (folder.empty())
        return;  // drive not mapped on this machine
    if (folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    std::string path = folder + userName_ + ".log";
    if (path.size() > kMaxPath)
        return;  // would not fit the record's path; the log is lost like an unopenable one
    path_ = std::move(path);
    enabled_ = true;

    if (std::FILE* file = std::fopen(path_.c_str(), "w"))
        std::fclose(file);
    line("LOG FILE OPENED");
    line("===============\n");
}

void HullLog::line(const char* format, ...) {
    if (!enabled_)
        return;
    char text[32000];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);

    // A log line is never worth failing the build over.
    try {
        std::string date = settings_.date ? settings_.date() : zkDateString();
        std::string time = settings_.time ? settings_.time() : zkTimeString();
        // Reopened for every line so that what was logged survives a later crash.
        std::FILE* file = std::fopen(path_.c_str(), "a");
        if (file == nullptr)
            return;
        std::fprintf(file, "[%s %s] %s\n", date.c_str(), time.c_str(), text);
        std::fclose(file);
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------
// Input

void HullSimplifier::addTriangle(const CollideTriangle& tri) {
    if (faces_.empty())
        faces_.push_back(Face{});
    Vec3 p[3];
    for (int i = 0; i < 3; ++i)
        p[i] = {tri.v[i].x, tri.v[i].y, tri.v[i].z};
    Vec3 normal;
    if (!triangleNormal(p[0], p[1], p[2], normal))
        return;

    if (raw_.empty())
        raw_.push_back(RawPoint{0.0f, 0.0f, 0.0f, 0});
    uint32_t face = uint32_t(faces_.size());
    uint32_t first = uint32_t(raw_.size());
    for (int i = 0; i < 3; ++i)
        raw_.push_back(RawPoint{p[i].x, p[i].y, p[i].z, face});
    faces_.push_back(Face{{first, first + 1, first + 2},
                          tri.extra(),
                          tri.flags(),
                          tri.material(),
                          {normal.x, normal.y, normal.z},
                          0,
                          false});
}

void HullSimplifier::process(const char* name) {
    log_.open(kHullLogDirectory);
    if (name != nullptr)
        log_.line("PROCESSING: %s\n", name);
    weldPoints(kWeldTolerance, kWeldNormalThreshold);
    buildEdges();
    collapseEdges();
}

// ---------------------------------------------------------------------------
// Welding

void HullSimplifier::weldPoints(float tolerance, float normalThreshold) {
    log_.line("WELDING POINTS...");
    counts_.preWeldFaces = inputFaceCount();
    counts_.preWeldPoints = raw_.empty() ? 0 : int(raw_.size()) - 1;
    log_.line("   PreWeld Tris  (%d)", counts_.preWeldFaces);

    struct Entry {
        float x, y, z;
        uint32_t old;
    };
    std::vector<Entry> entries;
    entries.reserve(raw_.size());
    for (uint32_t i = 1; i < raw_.size(); ++i)
        entries.push_back(Entry{raw_[i].x, raw_[i].y, raw_[i].z, i});
    // Order on x; ties go by input order so runs are repeatable, and NaN sorts last
    // (it never welds, and must not upset the sort).
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        bool aNan = std::isnan(a.x), bNan = std::isnan(b.x);
        if (aNan != bNan)
            return bNan;
        if (!aNan && a.x != b.x)
            return a.x < b.x;
        return a.old < b.old;
    });

    std::vector<uint32_t> newIndex(std::max<size_t>(raw_.size(), 1), 0);
    points_.clear();
    points_.push_back(Point{0.0f, 0.0f, 0.0f, 0, {}});
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& a = entries[i];
        if (newIndex[a.old] != 0)
            continue;
        uint32_t index = uint32_t(points_.size());
        uint32_t ownerA = raw_[a.old].owner;
        points_.push_back(Point{a.x, a.y, a.z, ownerA, {}});
        newIndex[a.old] = index;
        const Face& faceA = faces_[ownerA];
        for (size_t j = i + 1; j < entries.size() && std::fabs(entries[j].x - a.x) < tolerance; ++j) {
            const Entry& b = entries[j];
            if (!(std::fabs(b.y - a.y) < tolerance && std::fabs(b.z - a.z) < tolerance))
                continue;
            const Face& faceB = faces_[raw_[b.old].owner];
            if (faceB.flags != faceA.flags || faceB.material != faceA.material)
                continue;
            float d = faceA.n[0] * faceB.n[0] + faceA.n[1] * faceB.n[1] + faceA.n[2] * faceB.n[2];
            if (d > normalThreshold)
                newIndex[b.old] = index;  // a later, closer run may take it over again
        }
    }
    counts_.postWeldPoints = int(points_.size()) - 1;

    int distinct = 0;
    for (Face& face : faces_) {
        for (uint32_t& p : face.p)
            p = newIndex[p];
        if (face.p[0] != face.p[1] && face.p[1] != face.p[2] && face.p[2] != face.p[0])
            ++distinct;
    }
    // The reserved face is never distinct, so this counts real faces only.
    counts_.postWeldFaces = distinct;
    log_.line("   PostWeld Tris (%d)", distinct);
    std::vector<RawPoint>().swap(raw_);
}

// ---------------------------------------------------------------------------
// Edge structure

uint32_t HullSimplifier::findEdge(uint32_t from, uint32_t to, uint32_t except) const {
    for (uint32_t e : points_[from].edges) {
        const Edge& edge = edges_[e];
        if (e != except && ((edge.a == from && edge.b == to) || (edge.a == to && edge.b == from)))
            return e;
    }
    return 0;
}

bool HullSimplifier::registerEdge(uint32_t p, uint32_t q, uint32_t face) {
    for (uint32_t e : points_[p].edges) {
        Edge& edge = edges_[e];
        if (edge.a != q && edge.b != q)
            continue;
        if (edge.f0 == face || edge.f1 == face)
            return true;
        if (edge.f0 == 0) {
            edge.f0 = face;
            return true;
        }
        if (edge.f1 == 0) {
            edge.f1 = face;
            return true;
        }
        return false;  // a third face on one edge
    }
    uint32_t e = uint32_t(edges_.size());
    edges_.push_back(Edge{p, q, face, 0, false, 0});
    points_[p].edges.push_back(e);
    points_[q].edges.push_back(e);
    return true;
}

void HullSimplifier::buildEdges() {
    log_.line("BUILDING HALF EDGES...");
    edges_.clear();
    edges_.push_back(Edge{0, 0, 0, 0, false, 0});
    counts_.unsafeFaces = 0;

    for (uint32_t f = 1; f < faces_.size(); ++f) {
        uint32_t p0 = faces_[f].p[0], p1 = faces_[f].p[1], p2 = faces_[f].p[2];
        if (p0 == p1 || p1 == p2 || p2 == p0)
            continue;
        bool ok0 = registerEdge(p0, p1, f);
        bool ok1 = registerEdge(p1, p2, f);
        bool ok2 = registerEdge(p2, p0, f);
        if (ok0 && ok1 && ok2)
            continue;
        // Non-manifold: give the face its own corners so nothing collapses through it.
        for (uint32_t& p : faces_[f].p) {
            Point copy{points_[p].x, points_[p].y, points_[p].z, f, {}};
            p = uint32_t(points_.size());
            points_.push_back(std::move(copy));
        }
        faces_[f].unsafe = true;
        ++counts_.unsafeFaces;
    }
    log_.line("   Unsafe Count (%d)", counts_.unsafeFaces);

    queue_.clear();
    for (uint32_t e = 1; e < edges_.size(); ++e)
        if (edges_[e].a != edges_[e].b && !edges_[e].queued)
            enqueue(e);
}

// ---------------------------------------------------------------------------
// Cost queue

float HullSimplifier::edgeCost(uint32_t e) const {
    const Point& p = points_[edges_[e].a];
    const Point& q = points_[edges_[e].b];
    float dx = q.x - p.x, dy = q.y - p.y, dz = q.z - p.z;
    float length = std::sqrt(dx * dx + dy * dy + dz * dz);
    float spread = p.x + 2.0f * p.y + 4.0f * p.z + 8.0f * q.x + 16.0f * q.y + 32.0f * q.z;
    return float(double(length) * std::fmod(double(spread), kCostFold));
}

void HullSimplifier::enqueue(uint32_t e) {
    edges_[e].queued = true;
    QueueEntry entry{e, edgeCost(e)};
    size_t i = queue_.size();
    queue_.push_back(entry);
    while (i > 0) {
        size_t parent = (i - 1) / 2;
        if (!(queue_[parent].cost > entry.cost))
            break;
        queue_[i] = queue_[parent];
        i = parent;
    }
    queue_[i] = entry;
}

void HullSimplifier::popQueue() {
    QueueEntry last = queue_.back();
    queue_.pop_back();
    if (queue_.empty())
        return;
    size_t size = queue_.size(), i = 0;
    for (;;) {
        size_t child = 2 * i + 1;
        if (child >= size)
            break;
        if (child + 1 < size && queue_[child + 1].cost < queue_[child].cost)
            ++child;
        if (!(queue_[child].cost < last.cost))
            break;
        queue_[i] = queue_[child];
        i = child;
    }
    queue_[i] = last;
}

// ---------------------------------------------------------------------------
// Collapsing

void HullSimplifier::collapseEdges() {
    log_.line("COLLAPSING VALID HALF EDGES...");
    log_.line("   Total Edges (%d)", int(queue_.size()));
    counts_.collapses = 0;
    while (!queue_.empty()) {
        tryCollapse(queue_.front().edge);
        // The attempt may have pushed a cheaper entry on top; that one goes instead,
        // and the attempted edge, no longer marked queued, is skipped when it surfaces.
        popQueue();
    }
}

bool HullSimplifier::collapseTest(uint32_t e, uint32_t r, uint32_t k) {
    fan_.clear();
    fanClosed_ = false;
    if (e == 0 || r == 0 || k == 0 || edges_[e].f0 == 0)
        return false;

    uint32_t edge = e, face = edges_[e].f0, c = k;
    for (;;) {
        if (fan_.size() > kMaxFanLength)
            return false;
        const Face& f = faces_[face];
        if (f.unsafe || f.p[0] == f.p[1] || f.p[1] == f.p[2] || f.p[2] == f.p[0])
            return false;
        const Edge& current = edges_[edge];
        if (current.a == current.b || points_[c].owner == 0)
            return false;
        if (f.p[0] != k && f.p[1] != k && f.p[2] != k) {
            // This face survives the collapse: it must not fold over or flatten out.
            Vec3 moved[3];
            for (int i = 0; i < 3; ++i) {
                const Point& p = points_[f.p[i] == r ? k : f.p[i]];
                moved[i] = {p.x, p.y, p.z};
            }
            Vec3 normal;
            if (!triangleNormal(moved[0], moved[1], moved[2], normal))
                return false;
            if (normal.x * f.n[0] + normal.y * f.n[1] + normal.z * f.n[2] < kCollapseNormalThreshold)
                return false;
        }
        fan_.push_back(FanEntry{c, edge, face});

        uint32_t third = 0;
        for (uint32_t p : f.p) {
            if (p != current.a && p != current.b) {
                third = p;
                break;
            }
        }
        uint32_t nextEdge = third != 0 ? findEdge(r, third) : 0;
        if (third == 0 || nextEdge == 0)
            return false;
        const Edge& next = edges_[nextEdge];
        uint32_t nextFace = next.f0 == face ? next.f1 : next.f0;
        c = third;
        edge = nextEdge;
        if (nextFace == 0)
            break;
        if (nextEdge == e) {
            fanClosed_ = true;
            break;
        }
        face = nextFace;
    }

    if (fan_.size() < 2)
        return false;
    if (fanClosed_) {
        if (fan_.size() < 3)
            return false;
    } else {
        if (edges_[e].f1 != 0)
            return false;
        const Point& pr = points_[r];
        const Point& pk = points_[k];
        const Point& pc = points_[c];
        Vec3 d = {pc.x - pk.x, pc.y - pk.y, pc.z - pk.z};
        Vec3 w = {pr.x - pk.x, pr.y - pk.y, pr.z - pk.z};
        float dd = dot(d, d);
        float t = dd > 0.0f ? dot(w, d) / dd : 0.0f;
        Vec3 off = {w.x - t * d.x, w.y - t * d.y, w.z - t * d.z};
        if (std::sqrt(dot(off, off)) > kBoundaryDrift)
            return false;
        fan_.push_back(FanEntry{c, edge, 0});
    }

    for (uint32_t incident : points_[r].edges) {
        bool inFan = std::any_of(fan_.begin(), fan_.end(),
                                 [incident](const FanEntry& entry) { return entry.edge == incident; });
        if (!inFan)
            return false;
    }
    return true;
}

void HullSimplifier::removeIncident(uint32_t point, uint32_t a, uint32_t b) {
    std::vector<uint32_t>& list = points_[point].edges;
    for (auto it = list.begin(); it != list.end(); ++it) {
        const Edge& edge = edges_[*it];
        if ((edge.a == a && edge.b == b) || (edge.a == b && edge.b == a)) {
            list.erase(it);
            return;
        }
    }
}

void HullSimplifier::tryCollapse(uint32_t e) {
    Edge& target = edges_[e];
    if (target.a == target.b || !target.queued) {
        target.queued = false;
        return;
    }
    target.queued = false;
    uint32_t a = target.a, b = target.b;
    uint32_t removed, kept;
    if (collapseTest(e, a, b)) {
        removed = a;
        kept = b;
    } else if (collapseTest(e, b, a)) {
        removed = b;
        kept = a;
    } else {
        return;
    }

    ++counts_.collapses;
    points_[removed].owner = 0;
    points_[removed].edges.clear();

    auto markUnsafe = [this](uint32_t face) {
        faces_[face].unsafe = true;
        ++counts_.unsafeMarkedWhileCollapsing;
    };
    const uint32_t firstFace = fan_.front().face;
    const uint32_t secondFace = fan_[1].face;
    const uint32_t lastFace = fan_.back().face;
    const uint32_t beforeLastFace = fan_[fan_.size() - 2].face;

    for (const FanEntry& entry : fan_) {
        if (entry.face != 0) {
            Face& face = faces_[entry.face];
            for (uint32_t& p : face.p)
                if (p == removed)
                    p = kept;
            ++face.changes;
        }
        if (entry.edge == 0)
            continue;

        Edge& edge = edges_[entry.edge];
        removeIncident(edge.a, edge.a, edge.b);
        removeIncident(edge.b, edge.a, edge.b);
        if (edge.a == removed)
            edge.a = kept;
        if (edge.b == removed)
            edge.b = kept;
        ++edge.changes;
        if (edge.a == edge.b)
            continue;

        uint32_t remaining;
        uint32_t other = findEdge(edge.a, edge.b, entry.edge);
        if (other == 0) {
            points_[edge.a].edges.push_back(entry.edge);
            points_[edge.b].edges.push_back(entry.edge);
            remaining = entry.edge;
        } else {
            // Two edges now join the same points: keep the older one and hand it the
            // face that the emptied edge carried.
            Edge& keep = edges_[other];
            if (keep.f0 == firstFace || keep.f1 == firstFace) {
                (keep.f0 == firstFace ? keep.f0 : keep.f1) = secondFace;
            } else if (fanClosed_ && (keep.f0 == lastFace || keep.f1 == lastFace)) {
                (keep.f0 == lastFace ? keep.f0 : keep.f1) = beforeLastFace;
            } else {
                markUnsafe(keep.f0);
                markUnsafe(edge.f0);
                if (keep.f1 != 0)
                    markUnsafe(keep.f1);
                if (edge.f1 != 0)
                    markUnsafe(edge.f1);
            }
            edge.a = edge.b = 0;
            edge.f0 = edge.f1 = 0;
            ++edge.changes;
            remaining = other;
        }
        if (edges_[remaining].a != edges_[remaining].b && !edges_[remaining].queued)
            enqueue(remaining);
    }
}

// ---------------------------------------------------------------------------
// Results

void HullSimplifier::obtainResults(std::vector<CollideTriangle>& out) {
    log_.line("OBTAINING RESULTS...");
    out.clear();
    counts_.finalTriangles = 0;
    counts_.finalPoints = 0;
    counts_.finalCollapsedPoints = 0;
    counts_.finalCollapsedFromUnsafe = 0;

    std::vector<char> seen(points_.size(), 0);
    for (uint32_t f = 1; f < faces_.size(); ++f) {
        const Face& face = faces_[f];
        if (face.p[0] == face.p[1] || face.p[1] == face.p[2] || face.p[2] == face.p[0])
            continue;
        ++counts_.finalTriangles;
        counts_.finalPoints += 3;
        CollideTriangle tri;
        for (int i = 0; i < 3; ++i) {
            uint32_t p = face.p[i];
            if (!seen[p]) {
                seen[p] = 1;
                if (points_[p].owner == 0) {
                    ++counts_.finalCollapsedPoints;
                    if (face.unsafe)
                        ++counts_.finalCollapsedFromUnsafe;
                }
            }
            tri.v[i] = {points_[p].x, points_[p].y, points_[p].z, 0};
        }
        tri.extra() = face.extra;
        tri.flags() = face.flags;
        tri.material() = face.material;
        out.push_back(tri);
    }

    log_.line("   Final Points (%d)", counts_.finalPoints);
    log_.line("   Final Tris   (%d)", counts_.finalTriangles);
    log_.line("   Final Collapsed Points      (%d)", counts_.finalCollapsedPoints);
    log_.line("   Final Collapsed From Unsafe (%d)\n", counts_.finalCollapsedFromUnsafe);
    int saved = counts_.preWeldFaces - counts_.finalTriangles;
    log_.line(" ===> FINAL SAVINGS: (%d) tris (%f) KB\n", saved,
              double(uint32_t(12u * uint32_t(saved))) * 0.001);
    log_.line("COLLIDE HULL OPTIMIZATION COMPLETE");
}

}  // namespace Tam::OptExtension
