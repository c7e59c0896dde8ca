// A small scene built in code that exercises the geometry, collision and texture passes: groups
// under a transform, a grid floor stored with duplicate vertices, a lit and textured crate, a
// four-weight skinned mesh under a textured material, a mesh with a zero-area triangle, a
// collidable wall and an invisible marker.
#pragma once
#include "host/zkhost.h"

#include <string>

namespace Tam::Examples {

// Tree (node class, name, flags):
//   zkGroup "sample"
//     zkTransform "level" (moved 10 along x)
//       zkGeometry "floor"      4 x 4 quads, 4 vertices per quad (64 vertices, 25 distinct), 96 indices
//       zkGeometry "crate"      unit cube, 24 vertices with face normals and UVs, 36 indices
//       zkGeometry "wall"       flags 0x10, two triangles, 4 vertices
//     zkGroup "characters"
//       zkAttrSet "hero_material"  texture bind of image "hero_diffuse$ct1" (4 x 4 RGBA)
//         zkGeometry "hero"     2 x 1 quads, 6 vertices with normals, UVs, 4 weights and 4 matrix
//                               indices each, 12 indices
//     zkGeometry "debris"       two triangles; the second has two corners at the same place
//     zkGeometry "marker"       flags 0x20, one triangle
Core::zkSmartPointer<Sg::zkFileInfo> buildSampleScene();

} // namespace Tam::Examples
