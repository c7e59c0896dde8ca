// Operation objects over scene data: bounds of a subtree, and sphere maps from cube textures.
#pragma once
#include "host/attrs/zkTextureAttr.h"
#include "host/sg/zkAttrSet.h"

namespace Tam::Sg {

class zkBoundingBoxesMaker : public zkObject {
    ZK_CLASS(zkBoundingBoxesMaker, zkObject)
public:
    // The box around every vertex of the geometry in the node's subtree, in the space the node
    // stands in: transforms (the node's own included) and transform sequences at time 0 place
    // what is below them. Empty when the subtree holds no vertex.
    zkBoundingBox getBoundingBox(zkNode* node) const;
};

// Builds a sphere map (image 0 of a cube texture) from the texture's six faces.
class zkCreateSphereMap : public zkObject {
    ZK_CLASS(zkCreateSphereMap, zkObject)
public:
#define zkCreateSphereMap_FIELDS(F) F(int32_t, size, k_size, 256)
    ZK_FIELDS(zkCreateSphereMap_FIELDS)
    // Makes a size x size RGBA sphere map from the cube's six faces and puts it in the texture's
    // image 0. False, and the texture unchanged, when a face is missing or unreadable.
    bool create(Attrs::zkTextureCubeAttr* cube);
};

} // namespace Tam::Sg
