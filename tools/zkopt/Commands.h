// The driver's commands. Each answers the process exit status: 0 success, 1 a pass failed,
// 2 bad command line, config or input.
#pragma once
#include "tools/zkopt/Plugin.h"

#include <string>

namespace zkopt {

enum ExitStatus { EXIT_OK = 0, EXIT_PASS_FAILED = 1, EXIT_BAD_INPUT = 2 };

int listCommand(const Plugin& plugin, bool asJson);

struct RunOptions {
    std::string config, report, input, output;
};
int runCommand(const RunOptions& options);
int infoCommand(const std::string& input);
// With an image folder, also writes every image of the scene there as a PNG file.
int convertCommand(const std::string& input, const std::string& output, const std::string& imageFolder);
// Runs the bundled sample pipeline over the bundled sample scene into a folder of its own.
int demoCommand(const std::string& executable);

} // namespace zkopt
