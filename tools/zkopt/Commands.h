// The driver's commands. Each answers the process exit status: 0 success, 1 a pass failed,
// 2 bad command line, config or input.
#pragma once
#include "tools/zkopt/Plugin.h"

namespace zkopt {

enum ExitStatus { EXIT_OK = 0, EXIT_PASS_FAILED = 1, EXIT_BAD_INPUT = 2 };

int listCommand(const Plugin& plugin, bool asJson);

} // namespace zkopt
