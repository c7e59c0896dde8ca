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
//
// With carryOn, a child whose import succeeded does not send the scene back: it returns it, and
// carries on as the program, while this process stands by, passes on the signals that would stop
// the program and ends as it ends (exit status or signal), never returning. A failed import is
// answered here as without it.
Core::zkSmartPointer<Sg::zkFileInfo> runContained(const std::string& path, double seconds, const SceneWork& work,
                                                  std::string& error, std::vector<std::string>* warnings,
                                                  bool carryOn = false);

} // namespace Tam::Io::detail
