// The Makefile-style dependency file of one run ("OUTPUT: INPUT CONFIG ..."), so that make or
// Ninja reruns a scene exactly when something it was made from changed.
#pragma once
#include "tools/zkopt/Commands.h"
#include "tools/zkopt/Pipeline.h"

#include <string>
#include <vector>

namespace zkopt {

// What options.output was made from: the input scene, the config, every file a setting of the
// config names (image lists and the like: any value that is the name of an existing file), the
// pass libraries, and for an imported scene the files its format reads beside it (materials,
// buffers, textures).
std::vector<std::string> runDependencies(const RunOptions& options, const Pipeline& pipeline, const Plugin& plugin);

// Writes "target: dependency..." to path, all or nothing, escaped as make and Ninja read it.
bool writeDepfile(const std::string& path, const std::string& target, const std::vector<std::string>& dependencies,
                  std::string& error);

} // namespace zkopt
