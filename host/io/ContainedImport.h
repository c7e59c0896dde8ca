// An import in a child process. Assimp's readers crash and loop on some hostile files; in a child
// the crash or hang is the child's, and the tool says which file did it and goes on. The child
// leaves the scene in the binary .zks form in shared memory; warnings and errors come through a pipe.
#pragma once
#include "host/sg/zkNode.h"

#include <functional>
#include <string>
#include <vector>

namespace Tam::Io::detail {

// The import itself, as run in the child: null with the reason in error on failure.
using SceneWork =
    std::function<Core::zkSmartPointer<Sg::zkFileInfo>(std::string& error, std::vector<std::string>& warnings)>;

// Runs work in a child process and answers its scene. A child that crashes, stops otherwise or
// takes longer than seconds (killed then) is a failure whose message names path and what
// happened. seconds <= 0 waits as long as the child takes. The child's warnings are appended to
// warnings.
Core::zkSmartPointer<Sg::zkFileInfo> runContained(const std::string& path, double seconds, const SceneWork& work,
                                                  std::string& error, std::vector<std::string>* warnings);

} // namespace Tam::Io::detail
