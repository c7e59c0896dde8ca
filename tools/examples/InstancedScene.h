// Scenes of repeated geometry for the sharing passes' tests and benchmark: meshes drawn from a
// set of shapes, some shapes differing from another in a single coordinate.
#pragma once
#include "host/zkhost.h"

#include <cstdint>
#include <string>

namespace Tam::Examples {

// A geometry of one triangle-list attribute with positions, normals and one texture set; its
// values follow from shape alone, so equal shapes give identical geometry.
Core::zkSmartPointer<Sg::zkGeometry> shapeGeometry(const std::string& name, uint32_t shape, int vertexCount);

struct InstancedSceneLayout {
    int geometries = 100;   // geometry nodes placed
    int shapes = 10;        // distinct shapes they are drawn from
    int minVertices = 40;   // a shape's vertex count lies in [minVertices, maxVertices]
    int maxVertices = 60;
    int groups = 8;         // the geometry is spread over this many groups under the root
    int sharedEvery = 0;    // every n-th geometry is also put under a second group (0: none)
    uint32_t seed = 1;
};

// Fills root with layout.groups groups holding layout.geometries geometry nodes, each a private copy
// of one of the shapes (picked at random). Every fifth shape equals the one before it but for
// one coordinate of one vertex. The same layout always builds the same scene.
void buildInstancedScene(Sg::zkGroup* root, const InstancedSceneLayout& layout);

// The graph below root as text: nodes numbered in walk order, each with its class, name (unless
// left out) and children, so that two graphs of the same shape and sharing describe alike.
std::string describeGraph(const Sg::zkNode* root, bool withNames = true);

} // namespace Tam::Examples
