// Export to glTF 2.0, so that a result opens in any glTF viewer and in other tools. The .zks
// forms stay the lossless output; this one is for looking.
//
//   node            a glTF node of the same name; a zkTransform gives its matrix (or, for a node
//                   an animation moves, the translation, rotation and scale it decomposes into)
//   user info       its properties as the node's extras; node flags as the extras keys the import
//                   reads (zk_collidable, zk_invisible, zk_skip_collision: true)
//   geometry        a node with a mesh, one primitive per geometry attribute: triangle lists as
//                   TRIANGLES, strips as one TRIANGLE_STRIP (the strips joined by degenerate
//                   triangles); texture coordinates flipped back to glTF's top-left origin
//   attribute sets  the material of the geometry below them: baseColorTexture from the texture
//                   bind, alphaMode BLEND or MASK from blending or the alpha test, doubleSided
//                   from culling off, KHR_materials_unlit from lighting off
//   images          PNG: palettized for indexed images, block-coded formats decoded first; an
//                   image the file records as an external PNG file (zkExternalImageEntry, left by
//                   zkImageExternalVesko) is referred to by that file's path relative to the
//                   scene's folder instead, so the glTF file belongs in the folder the run wrote
//   palettes        a skin whose joints are the palette's bones (the nodes of their names, or
//                   nodes made from the skeleton when the scene has none), with inverse bind
//                   matrices from the bones' bind poses
//   animations      one glTF animation each, a channel per key channel of each track, aimed at
//                   the node named like the track
//   other infos     asset.extras.zkInfos: the text scene form (.zks.json) of a file that holds
//                   just those infos, such as the collision hull record
// No function here throws.
#pragma once
#include "host/sg/zkNode.h"

#include <string>
#include <vector>

namespace Tam::Io {

using Core::zkSmartPointer;
using Sg::zkFileInfo;

enum class zkGltfForm {
    Embedded,  // .gltf, the buffer inside as a base64 data URI
    Separate,  // .gltf beside a .bin of the same stem
    Binary,    // .glb
};

// The form a path names: ".gltf" embedded, ".glb" binary (either case). False otherwise.
bool zkGltfFormOf(const std::string& path, zkGltfForm& form);

// Writes the file's scenes and animations to path. Every output file goes through a temporary
// file renamed over the target when complete. False with "PATH: REASON" in error; what cannot be
// carried (an image that cannot be encoded, a track with no node of its name) is left out with a
// line in warnings.
bool zkExportGltf(const zkFileInfo* file, const std::string& path, zkGltfForm form, std::string& error,
                  std::vector<std::string>* warnings = nullptr);

} // namespace Tam::Io
