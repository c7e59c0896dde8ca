// The driver's commands. Each answers the process exit status: 0 success, 1 a pass failed,
// 2 bad command line, config or input.
#pragma once
#include "tools/zkopt/Plugin.h"

#include <string>

namespace zkopt {

enum ExitStatus { EXIT_OK = 0, EXIT_PASS_FAILED = 1, EXIT_BAD_INPUT = 2 };

// Text for people; JSON for tools; Markdown, the pass reference of docs/passes.md.
enum class ListForm { Text, Json, Markdown };
int listCommand(const Plugin& plugin, ListForm form);

struct RunOptions {
    std::string config, report, input, output;
    // Check the scene's consistency after every pass.
    bool verifyEach = false;
    // Where to write the HTML report; empty for none.
    std::string html;
};
int runCommand(const Plugin& plugin, const RunOptions& options);
int infoCommand(const std::string& input);
// Writes the HTML report of one scene to html (empty: SCENE's file name + .html in the current folder).
int viewCommand(const std::string& scene, const std::string& html);
// With an image folder, also writes every image of the scene there as a PNG file; the folder is
// made and checked before the scene is written.
int convertCommand(const std::string& input, const std::string& output, const std::string& imageFolder);
// Runs the bundled pipelines over their sample scenes into a folder of its own.
int demoCommand(const Plugin& plugin, bool verifyEach);

} // namespace zkopt
