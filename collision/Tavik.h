// Collision tree builder: turns a soup of world-space triangles into the two flat
// word arrays of the collision hull record (triangles, then tree nodes), which a
// runtime walks in place without pointer fix-up.
//
// The tree is implicit: node i has children 2i+1 and 2i+2, every level down to the
// depth D is complete, and each node's triangles are one contiguous range of the
// triangle array (the root covers [0, n), a node covering [s, s+c) gives its left
// child the first (c+1)/2). After the 2^(D+1)-1 tree nodes comes one more node, the
// hull bounds node.
//
// This file knows nothing of the host object model: report lines go to a line sink
// and the record's words come back as plain arrays.
#pragma once

#include "collision/HullSimplifier.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Tam::OptExtension {

// Twelve words: each vertex's x, y, z followed by one extra word (the gathering
// pass's word 3, the collision flags, the material number).
struct CollideTriangle {
    struct Vertex {
        float x, y, z;
        uint32_t word;
    };
    Vertex v[3];

    uint32_t& extra() { return v[0].word; }
    uint32_t& flags() { return v[1].word; }
    uint32_t& material() { return v[2].word; }
    uint32_t extra() const { return v[0].word; }
    uint32_t flags() const { return v[1].word; }
    uint32_t material() const { return v[2].word; }
};
static_assert(sizeof(CollideTriangle) == 48, "CollideTriangle is twelve 32-bit words");

// Eight words: box minimum and the AND of the triangles' flags, box maximum and their OR.
struct CollideNode {
    float min[3];
    uint32_t flagsAnd;
    float max[3];
    uint32_t flagsOr;
};
static_assert(sizeof(CollideNode) == 32, "CollideNode is eight 32-bit words");

// What a node holds before it has seen a triangle.
constexpr CollideNode kCollideNodeTemplate = {
    {1e30f, 1e30f, 1e30f}, 0xFFFFFFFFu, {-1e30f, -1e30f, -1e30f}, 0u};

// Hull bounds: vertices at or above this height are left out, and a coordinate
// that was never set keeps kHullBoundsUnset.
constexpr float kHullBoundsMaxZ = 60.0f;
constexpr float kHullBoundsUnset = -900000.0f;

struct CollideLevelStats {
    float minExtent[3];
    float maxExtent[3];
    float aveExtent[3];
    int minTriangles;
    int maxTriangles;
    int aveTriangles;
    int nodeCount;
};

struct CollideTreeStats {
    static constexpr int kMaxLevels = 100;
    int levelCount;
    CollideLevelStats levels[kMaxLevels];
};

// The caller supplies storage for nodeCount * 8 and triangleCount * 12 words.
struct CollideExport {
    int nodeCount;
    int triangleCount;
    uint32_t* nodeWords;
    uint32_t* triangleWords;
};

// The record's contents as plain arrays. recordNodeCount leaves out the hull
// bounds node, as the record's node count does.
struct CollideHullWords {
    std::vector<uint32_t> nodes;
    std::vector<uint32_t> triangles;
    int recordNodeCount = 0;
    int recordTriangleCount = 0;
};

// One line of text ending in "\n", ready for the host's formatted output.
using LineSink = std::function<void(const std::string&)>;

class CollideHullBuilder {
public:
    virtual ~CollideHullBuilder() = default;
    virtual void addTriangle(const CollideTriangle& tri, bool swap, bool merge) = 0;
    virtual bool isDegenerate(const CollideTriangle& tri) const = 0;
    virtual int computeNodeCount(int triangleCount, int leafLimit) = 0;
    virtual bool build(int leafLimit, int& treeBytes, int& triangleBytes, bool merge,
                       const char* name) = 0;
    virtual void getStatistics(CollideTreeStats& stats) const = 0;
    virtual int exportTo(CollideExport& out) const = 0;
};

class Tavik final : public CollideHullBuilder {
public:
    // capacityHint: triangles to reserve room for; 0 reserves nothing.
    explicit Tavik(int capacityHint = 0);

    // Drops degenerate triangles. With swap set, vertices 0 and 1 trade positions
    // (their extra words stay in place). With merge set the triangle goes to the
    // simplifier, which hands back its survivors at the start of build.
    void addTriangle(const CollideTriangle& tri, bool swap, bool merge) override;

    // True when the cross product of the edges from vertex 0 has squared length below 1e-8.
    bool isDegenerate(const CollideTriangle& tri) const override;

    // Stores the leaf limit and the depth D for n triangles; answers 2^(D+1)-1.
    // For n = 0 answers 0 and leaves D as it was.
    int computeNodeCount(int triangleCount, int leafLimit) override;

    // Runs the simplifier first when merge is set, then builds the tree and the hull
    // bounds node. False when there is no triangle to build from; the outputs are
    // then left untouched. Meant to be called once per builder.
    bool build(int leafLimit, int& treeBytes, int& triangleBytes, bool merge,
               const char* name) override;

    void getStatistics(CollideTreeStats& stats) const override;

    // Fills both counts and copies the words; answers the triangle bytes copied.
    int exportTo(CollideExport& out) const override;

    // Convenience form of exportTo for filling the record.
    CollideHullWords exportWords() const;

    // Where the simplifier writes its log (see HullSimplifier.h); no log by default.
    void setHullLog(HullLogSettings settings);

    const std::vector<CollideTriangle>& triangles() const { return triangles_; }
    const std::vector<CollideNode>& nodes() const { return nodes_; }
    const HullSimplifier& simplifier() const { return simplifier_; }
    int depth() const { return depth_; }
    int leafLimit() const { return leafLimit_; }
    bool isBuilt() const { return built_; }

private:
    void buildTree(int n);
    void appendHullBounds();

    std::vector<CollideTriangle> triangles_;
    std::vector<CollideNode> nodes_;
    bool built_ = false;
    int leafLimit_ = 0;
    int depth_ = 0;
    HullSimplifier simplifier_;
};

// The build report, line by line: "%d nodes; %d triangles\n" and the per-level block.
void printCollideReport(const LineSink& out, int treeBytes, int triangleBytes,
                        const CollideTreeStats& stats);

// The three "Total" lines printed once the record has been filled.
void printCollideTotals(const LineSink& out, int treeBytes, int triangleBytes);

}  // namespace Tam::OptExtension
