// Hull simplifier: welds nearly coincident corners of similar neighbouring triangles,
// links the triangles through shared edges, cuts loose the ones on edges with more
// than two faces, and collapses short edges one at a time for as long as the surface
// around them stays flat and valid. The tree builder feeds it and takes back the
// surviving triangles. Every stage writes counts to a log named after the user.
//
// Index 0 of the point, face and edge arrays is a reserved empty record, so 0 means
// "no point / face / edge" everywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Tam::OptExtension {

struct CollideTriangle;

// The drive-relative folder the log goes to; the host maps its drive letter.
inline constexpr const char* kHullLogDirectory = "X:Docs\\base\\BuildVClientLogs\\maps\\";

// What the log needs from the host. With no resolver, a resolver that answers ""
// (drive not mapped) or no user name, nothing is written and the run goes on.
struct HullLogSettings {
    // Maps kHullLogDirectory to a local folder; the log file is folder + user + ".log".
    std::function<std::string(const std::string&)> resolveDirectory;
    std::string userName;
    // 8-character "MM/DD/YY" and "HH:MM:SS" texts stamped on each line; the local
    // clock (HostClock.h) when left empty.
    std::function<std::string()> date;
    std::function<std::string()> time;
};

// Log file that is reopened for every line, so a crash later in the run keeps what
// was written before it.
class HullLog {
public:
    void configure(HullLogSettings settings) { settings_ = std::move(settings); }
    void open(const std::string& directory);
    void line(const char* format, ...) __attribute__((format(printf, 2, 3)));

    bool enabled() const { return enabled_; }
    const std::string& path() const { return path_; }

private:
    HullLogSettings settings_;
    std::string userName_;
    std::string path_;
    bool enabled_ = false;
};

struct HullSimplifierCounts {
    int preWeldFaces = 0;
    int preWeldPoints = 0;
    int postWeldPoints = 0;
    int postWeldFaces = 0;
    int unsafeFaces = 0;
    int collapses = 0;
    int finalTriangles = 0;
    int finalPoints = 0;
    int finalCollapsedPoints = 0;
    int finalCollapsedFromUnsafe = 0;
    int unsafeMarkedWhileCollapsing = 0;
};

class HullSimplifier {
public:
    void setLog(HullLogSettings settings) { log_.configure(std::move(settings)); }

    // Triangles received and kept so far (faces before welding).
    int inputFaceCount() const { return faces_.empty() ? 0 : int(faces_.size()) - 1; }

    // Takes one (already swapped, non-degenerate) triangle; drops it silently when
    // its normal cannot be formed.
    void addTriangle(const CollideTriangle& tri);

    // Weld, link, collapse. name, when not null, is logged as what is being processed.
    void process(const char* name);

    // Replaces out with the surviving triangles and logs the results.
    void obtainResults(std::vector<CollideTriangle>& out);

    const HullSimplifierCounts& counts() const { return counts_; }
    const HullLog& log() const { return log_; }

private:
    struct Point {
        float x, y, z;
        uint32_t owner;
        std::vector<uint32_t> edges;
    };
    struct Face {
        uint32_t p[3];
        uint32_t extra, flags, material;
        float n[3];
        uint32_t changes;
        bool unsafe;
    };
    struct Edge {
        uint32_t a, b;
        uint32_t f0, f1;
        bool queued;
        uint32_t changes;
    };
    struct QueueEntry {
        uint32_t edge;
        float cost;
    };
    struct FanEntry {
        uint32_t point, edge, face;
    };

    void weldPoints(float tolerance, float normalThreshold);
    void buildEdges();
    void collapseEdges();
    void tryCollapse(uint32_t e);
    bool collapseTest(uint32_t e, uint32_t r, uint32_t k);
    bool registerEdge(uint32_t p, uint32_t q, uint32_t face);
    uint32_t findEdge(uint32_t from, uint32_t to, uint32_t except = 0) const;
    void removeIncident(uint32_t point, uint32_t a, uint32_t b);
    float edgeCost(uint32_t e) const;
    void enqueue(uint32_t e);
    void popQueue();

    // Corners as added, one per face vertex; welding turns them into points_.
    struct RawPoint {
        float x, y, z;
        uint32_t owner;
    };

    std::vector<RawPoint> raw_;
    std::vector<Point> points_;
    std::vector<Face> faces_;
    std::vector<Edge> edges_;
    std::vector<QueueEntry> queue_;
    std::vector<FanEntry> fan_;
    bool fanClosed_ = false;
    HullSimplifierCounts counts_;
    HullLog log_;
};

}  // namespace Tam::OptExtension
