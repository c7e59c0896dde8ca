// zkopt ninja: the batch as a Ninja file, so that incremental rebuilds are the build tool's work
// (it compares times and the depfiles' lists), not a scheduler of ours.
#include "tools/zkopt/Batch.h"
#include "tools/zkopt/Paths.h"
#include "tools/zkopt/Pipeline.h"

#include "host/io/SceneFile.h"

#include <cstdio>
#include <filesystem>

namespace zkopt {

namespace fs = std::filesystem;

namespace {

// A path as a word of a build line: Ninja takes '$', ' ' and ':' literally only escaped.
std::string ninjaPath(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == '$' || c == ' ' || c == ':') out += '$';
        out += c;
    }
    return out;
}

// A word of the shell command Ninja runs, as a Ninja variable value: single-quoted for the shell,
// '$' doubled for Ninja.
std::string commandWord(const std::string& word)
{
    std::string out = "'";
    for (char c : word) {
        if (c == '\'') out += "'\\''";
        else if (c == '$') out += "$$";
        else out += c;
    }
    return out + "'";
}

} // namespace

int ninjaCommand(const Plugin& plugin, const BatchOptions& options)
{
    std::string error;
    Pipeline pipeline;
    std::vector<BatchScene> scenes;
    // The same checks as a batch makes before its first scene, so that Ninja never runs a config
    // that is known to be wrong.
    if (!loadPipeline(options.config, plugin, pipeline, error) || !collectScenes(options, scenes, error) ||
        !checkWritableFolder(options.outDir, true, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    // Absolute names throughout: Ninja runs in the output folder, wherever it is called from.
    std::string zkopt = commandWord(zkoptPath());
    for (const std::string& path : plugin.paths) zkopt += " --plugin " + commandWord(fs::absolute(path).string());
    std::string runOptions;
    for (const std::string& option : options.workerOptions) runOptions += (runOptions.empty() ? "" : " ") + commandWord(option);
    std::string text =
        "# Written by zkopt ninja: one edge per scene. `ninja -C " + options.outDir +
        "` brings every output up to date;\n"
        "# each run's depfile lists what its output was made from, so a change reruns exactly the scenes it touches.\n"
        "zkopt = " + zkopt + "\n"
        "config = " + commandWord(fs::absolute(options.config).string()) + "\n"
        "options = " + runOptions + "\n\n"
        "rule zkopt\n"
        "  command = $zkopt run $options --config $config --depfile $out.d -- $in $out\n"
        "  depfile = $out.d\n"
        "  deps = gcc\n"
        "  description = zkopt $in\n";
    for (const BatchScene& scene : scenes) {
        const std::string input = fs::absolute(scene.input).lexically_normal().string();
        text += "\nbuild " + ninjaPath(scene.relative) + ": zkopt " + ninjaPath(input) + "\n";
    }
    const std::string path = (fs::path(options.outDir) / "build.ninja").string();
    if (!Tam::Io::zkAtomicWrite(path, text, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    std::printf("zkopt: wrote %s: %zu scene%s; run ninja -C %s\n", path.c_str(), scenes.size(),
                scenes.size() == 1 ? "" : "s", options.outDir.c_str());
    return EXIT_OK;
}

} // namespace zkopt
