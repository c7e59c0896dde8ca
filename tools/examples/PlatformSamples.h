// Scenes for the texture fix-ups that are bundled as files: the example the demo runs
// (examples/platforms.zks.json) and the scenes of the passes' golden cases.
#pragma once
#include "host/zkhost.h"

namespace Tam::Examples {

// zkGroup "platforms"
//   zkAttrSet "foliage"      64 x 64 RGBA leaves with hard alpha, blended 4/5; quad "bush"
//   zkAttrSet "fence$nat"    32 x 32 RGBA lattice with hard alpha, blended 4/5; quad "fence"
//   zkUserInfo "fx"          force_additive "1"
//     zkAttrSet "sparks"     blended 4/5, untextured; quad "spark"
//   zkAttrSet "poster"       64 x 32 RGB of saturated reds, magentas and blues; quad "poster_quad"
//   zkAttrSet "banner"       32 x 128 8-bit indexed banner with an arrow pointing up (to t = 1);
//                            quad "banner_quad", 1 x 4, mapped corner to corner
Core::zkSmartPointer<Sg::zkFileInfo> buildPlatformsExample();

// Golden-case scenes, with small images.
Core::zkSmartPointer<Sg::zkFileInfo> buildBlendCases();
Core::zkSmartPointer<Sg::zkFileInfo> buildColourFilterCases();
Core::zkSmartPointer<Sg::zkFileInfo> buildPs2Cases();

} // namespace Tam::Examples
