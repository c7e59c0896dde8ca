// What a batch and the Ninja file it can become share: which scenes the inputs hold and where
// each one's output goes.
#pragma once
#include "tools/zkopt/Commands.h"

#include <string>
#include <vector>

namespace zkopt {

struct BatchScene {
    std::string input;    // as given, or found under a folder given
    std::string relative; // the output's path under the output folder
};

// The scenes of the inputs in order: a file stands for itself (a file zkopt cannot read is the
// worker's to refuse, with its reason); a folder for every file under it, sorted, whose name says
// a scene form or a format the importer claims, hidden folders and the output folder left out.
// A file's output is its name, a found file's its path under the folder, with the output format
// in place of a scene file's extension or after an imported file's. Fails on a missing input, a bad output format and two scenes
// that would write one output.
bool collectScenes(const BatchOptions& options, std::vector<BatchScene>& scenes, std::string& error);

// The running zkopt, which workers and build edges run again.
std::string zkoptPath();

} // namespace zkopt
