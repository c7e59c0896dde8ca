#include "tools/zkopt/Depfile.h"

#include "host/io/ImportFiles.h"
#include "host/io/SceneFile.h"

#include <filesystem>
#include <set>

namespace zkopt {

namespace fs = std::filesystem;

std::vector<std::string> runDependencies(const RunOptions& options, const Pipeline& pipeline, const Plugin& plugin)
{
    std::vector<std::string> files{options.input, options.config};
    const Tam::Core::zkRegistry& registry = pipeline.registry;
    std::error_code ec;
    for (int s = 0; s < registry.getSectionCount(); ++s)
        for (const Tam::Core::zkRegistry::Entry& e : registry.getSection(s).entries)
            if (!e.value.empty() && fs::is_regular_file(e.value, ec)) files.push_back(e.value);
    files.insert(files.end(), plugin.paths.begin(), plugin.paths.end());
    Tam::Io::zkSceneForm form;
    std::vector<std::string> imported;
    std::string ignored; // the run itself imported the scene; a second read that fails adds nothing
    if (!Tam::Io::zkSceneFormOf(options.input, form) && Tam::Io::zkImportedFiles(options.input, imported, ignored))
        files.insert(files.end(), imported.begin(), imported.end());
    std::set<std::string> seen;
    std::vector<std::string> unique;
    for (const std::string& f : files)
        if (seen.insert(f).second) unique.push_back(f);
    return unique;
}

// make and Ninja both read "\ " as a space in a name, "\#" as '#' and "$$" as '$'.
static std::string escaped(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == ' ' || c == '#') out += '\\';
        if (c == '$') out += '$';
        out += c;
    }
    return out;
}

bool writeDepfile(const std::string& path, const std::string& target, const std::vector<std::string>& dependencies,
                  std::string& error)
{
    std::string text = escaped(target) + ":";
    for (const std::string& d : dependencies) text += " \\\n  " + escaped(d);
    return Tam::Io::zkAtomicWrite(path, text + "\n", error);
}

} // namespace zkopt
