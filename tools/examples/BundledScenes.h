// The scene files this repository carries that are built by code: the examples the demo runs
// and the scenes of some pass cases. zk_make_examples writes them; a test keeps them in step.
#pragma once
#include "host/zkhost.h"

#include <functional>
#include <vector>

namespace Tam::Examples {

struct BundledScene {
    const char* path; // from the repository's root
    std::function<Core::zkSmartPointer<Sg::zkFileInfo>()> build;
};

const std::vector<BundledScene>& bundledScenes();

} // namespace Tam::Examples
