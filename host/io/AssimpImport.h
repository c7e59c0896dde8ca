// Import of the files artists export (glTF, FBX, OBJ, Collada, 3DS, PLY and every other format
// Assimp reads) into host objects. The vertices stay as the file gives them: faces are cut into
// triangles and nothing else is done, so that welding, stripping and validation passes see what
// the artist made. docs/import.md gives the whole mapping for artists.
//
// The file object holds a zkSceneInfo with the node tree and, when the file has skins or
// animations, a zkAnimationDatabase:
//   node          zkTransform (its matrix transposed into the host's p' = p * M form), or a
//                 zkGroup when the matrix is the identity; the node's name
//   node metadata a zkSimpleUserInfo (named like the node) between the node and its contents,
//                 one string property per entry; the flag keys below also set node flags
//   material      a zkAttrSet named like the material above the geometry that uses it, holding
//                 the texture bind, blending or alpha test, face culling and lighting state
//   skinned mesh  a zkBlendMatrixSelect palette between the material and the geometry
//   mesh          zkGeometry with one zkGeometryAttr: an indexed triangle list
// No function here throws.
#pragma once
#include "host/sg/zkNode.h"

#include <string>
#include <vector>

namespace Tam::Io {

using Core::zkSmartPointer;
using Sg::zkFileInfo;

// Node metadata keys that set node flags when their value is "true", "yes" or "1" (any case).
// The flags go on the node and on the geometry of its own meshes.
inline constexpr const char* kCollidableKey = "zk_collidable";         // 0x10: gathered into the collision hull
inline constexpr const char* kInvisibleKey = "zk_invisible";           // 0x20: collision only, removed from the render scene
inline constexpr const char* kSkipCollisionKey = "zk_skip_collision";  // 0x40: the hull ignores the subtree

// How an import treats a file it cannot trust.
struct zkImportOptions {
    // Folders besides the scene's own from which the import may read files the scene names
    // (with everything below them). Any other file is refused, whatever the scene says.
    std::vector<std::string> allowedFolders;
    // Import in a child process, so that a crash or hang of Assimp's is a refusal of the file.
    bool contained = true;
    // Seconds a contained import may take before it is stopped and the file refused; 0: no limit.
    double timeLimit = 120;
    // For a program that imports one scene and then works on it until it ends (zkopt): the child
    // that imported carries on as the program, so that the scene is not copied back, and this
    // process only stands by until it ends, then ends the same way. The call returns the scene in
    // the child; in this process it returns only when the import failed.
    bool carryOn = false;
};

// Reads the file at path through Assimp. Null on failure, with "PATH: REASON" in error, the
// reason Assimp's own when it refused the file. Problems that lose only part of the scene (a
// texture that cannot be loaded or lies outside the allowed folders, points and lines that are
// not triangles, more than 256 bones on one mesh) are appended to warnings, one line each, and
// the import goes on. A file that Assimp needs whole (a glTF buffer, say) outside the allowed
// folders refuses the scene.
zkSmartPointer<zkFileInfo> zkImportScene(const std::string& path, std::string& error,
                                         std::vector<std::string>* warnings = nullptr,
                                         const zkImportOptions& options = {});

} // namespace Tam::Io
