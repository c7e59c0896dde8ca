// The example courtyard for the scene-graph passes (examples/scene.zks.json), built in code.
#pragma once
#include "host/zkhost.h"

namespace Tam::Examples {

// Tree (node class, name), what each scene pass finds in it:
//   zkGroup "courtyard"
//     zkAttrSet "yard$fn1,0.6,0.6,0.7,1,20.0,200.0,0.01"     fog
//       zkTransform "crate_a", "crate_b", "crate_c"           one geometry "crate" (48 vertices) shared
//       zkAttrSet "lamp$bc"                                    culling
//         zkGeometry "lamp_post" (40 vertices)
//       zkAttrSet "sign$bb2"                                   billboard, mode 2
//         zkGeometry "sign_board" (36), zkGroup "sign_text"
//       zkAttrSet "unused_material"                            empty: junk
//       zkSimpleUserInfo "shelf_slot", ItemName "health_pack"  placeholder
//         zkTransform "shelf_offset" > zkGeometry "health_pack_model" (36)
//       zkDx8EnvironmentMapShader "chrome" x2, "mirror"        alike textures, two shared
//         zkGeometry "hubcap" (a private copy under each, 40 vertices)
//     zkGeometry "barrel_1", "barrel_2" (the same 44 vertices) shared again
//     zkGeometry "marker" flags 0x20 (3 vertices)
//     zkGroup "GunBarrel", "fx", "Preserve_door", "decoration"  names kept or cleared
//     zkLightSet "sun", zkCamera "overview"
Core::zkSmartPointer<Sg::zkFileInfo> buildSceneExample();

} // namespace Tam::Examples
