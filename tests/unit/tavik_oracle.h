// A plainly written collision tree build, kept as the reference that the fast
// builder is compared against: recursive, node by node in pre-order, heap-sorting
// the triangles themselves in place.
#pragma once

#include "collision/Tavik.h"

#include <vector>

namespace Tam::OptExtension::oracle {

struct PlainTree {
    std::vector<CollideTriangle> triangles;
    std::vector<CollideNode> nodes;  // tree nodes, then the hull bounds node
    int depth = 0;
};

// Degenerate test and vertex swap as a triangle enters the builder; false when dropped.
bool plainAccept(const CollideTriangle& in, bool swap, CollideTriangle& out);

// Builds from triangles that were already accepted; empty input gives an empty tree.
PlainTree plainBuild(std::vector<CollideTriangle> triangles, int leafLimit);

}  // namespace Tam::OptExtension::oracle
