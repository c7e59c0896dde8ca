// The driver's commands. Each answers the process exit status: 0 success, 1 a pass failed,
// 2 bad command line, config or input.
#pragma once
#include "tools/zkopt/Plugin.h"

#include "host/io/AssimpImport.h"

#include <string>
#include <vector>

namespace zkopt {

enum ExitStatus { EXIT_OK = 0, EXIT_PASS_FAILED = 1, EXIT_BAD_INPUT = 2 };

// Text for people; JSON for tools; Markdown, the pass reference of docs/passes.md.
enum class ListForm { Text, Json, Markdown };
int listCommand(const Plugin& plugin, ListForm form);

struct RunOptions {
    std::string config, report, input, output;
    // Check the scene's consistency after every pass.
    bool verifyEach = false;
    // Where a written output's Makefile-style dependency list goes (none when empty).
    std::string depfile;
    // Where to write the HTML report; empty for none.
    std::string html;
};
// import: how INPUT is imported when it is not a scene file of ours.
int runCommand(const Plugin& plugin, const RunOptions& options, const Tam::Io::zkImportOptions& import = {});
int infoCommand(const std::string& input, const Tam::Io::zkImportOptions& import = {});
// One pipeline over many scenes (files, or folders walked for the formats zkopt reads), each
// scene in a worker process of its own, the outputs mirroring the inputs under outDir.
struct BatchOptions {
    std::string config, report, outDir;
    std::string format = ".zks"; // the outputs' extension
    std::vector<std::string> inputs;
    unsigned jobs = 0; // workers at once; 0 for one per core
    bool verifyEach = false;
    // Options every scene's zkopt gets as given: input limits and what an import may read.
    std::vector<std::string> workerOptions;
};
// Exit status 0 every scene written, 1 some pass failed, 2 some input or the config refused,
// 130 interrupted.
int batchCommand(const Plugin& plugin, const BatchOptions& options);
// Writes outDir/build.ninja: one edge per scene, running zkopt run with a depfile.
int ninjaCommand(const Plugin& plugin, const BatchOptions& options);
// Writes the HTML report of one scene to html (empty: SCENE's file name + .html in the current folder).
int viewCommand(const std::string& scene, const std::string& html, const Tam::Io::zkImportOptions& import = {});
// With an image folder, also writes every image of the scene there as a PNG file; the folder is
// made and checked before the scene is written.
int convertCommand(const std::string& input, const std::string& output, const std::string& imageFolder,
                   const Tam::Io::zkImportOptions& import = {});
// Runs the bundled pipelines over their sample scenes into a folder of its own.
int demoCommand(const Plugin& plugin, bool verifyEach);

} // namespace zkopt
