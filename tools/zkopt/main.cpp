// zkopt: runs pipelines of scene passes from the pass library over scene files.
#include "tools/zkopt/Commands.h"

#include "host/core/zkInputLimits.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace zkopt;

namespace {

const char* const usage =
    "usage: zkopt [--plugin PATH]... COMMAND [OPTIONS] [ARGUMENTS]\n"
    "  run --config FILE [--report FILE] [--html FILE] [--verify-each] INPUT OUTPUT\n"
    "                                   run the pipeline of FILE over INPUT, write OUTPUT\n"
    "  run --config FILE --out-dir DIR [--jobs N] [--format EXT] [--report FILE] INPUT...\n"
    "                                   run it over many scenes (files or folders), one worker each\n"
    "  ninja --config FILE --out-dir DIR [--format EXT] INPUT...\n"
    "                                   write DIR/build.ninja, one build edge per scene\n"
    "  list [--json | --markdown]       every pass, with its description and fields\n"
    "  info INPUT                       what a scene holds\n"
    "  view [--html FILE] SCENE         an HTML report of the scene, to look at in a browser\n"
    "  convert [--images DIR] INPUT OUTPUT\n"
    "                                   convert between scene formats; write images as PNG\n"
    "  demo [--verify-each]             the bundled pipelines on their sample scenes\n"
    "  help COMMAND                     how to use COMMAND (also: COMMAND --help)\n"
    "  --version                        the version of zkopt\n"
    "--plugin PATH loads the pass library at PATH instead of the one beside zkopt; given more\n"
    "than once, every library named is loaded, in order.\n"
    "--max-pixels N and --max-scene-objects N set the limits on what an input may claim: the\n"
    "pixels of one image, and the objects a scene expands to when a shared node is counted once\n"
    "per path that reaches it (see docs/scene-format.md).\n"
    "run, info and convert import other formats in a child process that reads only files in the\n"
    "scene's folder and below: --allow-dir DIR (repeatable) allows another folder,\n"
    "--import-timeout SECONDS changes the time an import may take (120; 0: no limit).\n";

struct Option {
    const char* name;
    bool takesValue;
};

struct Command {
    const char* name;
    std::vector<Option> options;
    std::vector<const char*> arguments; // the positional arguments, all required
    const char* help;
};

// The import options of the commands that read a scene.
#define ZK_IMPORT_OPTIONS {"--allow-dir", true}, {"--import-timeout", true}
#define ZK_IMPORT_HELP                                                                               \
    "  --allow-dir DIR  an imported scene may also read files in DIR and below (repeatable);\n"      \
    "                   other files outside the scene's folder are refused\n"                        \
    "  --import-timeout SECONDS\n"                                                                   \
    "                   refuse an import that takes longer (default 120; 0: no limit)\n"

const Command commands[] = {
    {"run",
     {{"--config", true}, {"--report", true}, {"--verify-each", false}, {"--html", true}, {"--depfile", true},
      {"--out-dir", true}, {"--jobs", true}, {"--format", true}, ZK_IMPORT_OPTIONS},
     {"INPUT", "OUTPUT"},
     "usage: zkopt run --config FILE [--report FILE] [--html FILE] [--verify-each] INPUT OUTPUT\n"
     "Runs the passes that FILE's [pipeline] section lists over the scene INPUT and writes OUTPUT\n"
     "(.zks, .zks.json, .gltf or .glb). The whole config, the output and the report path are\n"
     "checked before the first pass runs.\n"
     "  --config FILE    the pipeline: an INI file (see README.md)\n"
     "  --report FILE    write a JSON report of the run, however it ends\n"
     "  --html FILE      write an HTML report of the run, however it ends: passes, the scene\n"
     "                   before and after in 3D, the collision hull, every image\n"
     "  --verify-each    check the scene's consistency after every pass\n"
     "  --depfile FILE   once OUTPUT is written, list in FILE (Makefile style) the files it was\n"
     "                   made from: INPUT, the config, files its settings name, the pass\n"
     "                   libraries, and the files an imported scene reads\n"
     ZK_IMPORT_HELP
     "Exit status: 0 success; 1 a pass failed (OUTPUT is not written); 2 bad command line,\n"
     "config or input.\n"
     "\n"
     "usage: zkopt run --config FILE --out-dir DIR [--jobs N] [--format EXT] [--report FILE]\n"
     "                 [--verify-each] INPUT...\n"
     "Runs the pipeline over every scene of the INPUTs, each in a zkopt process of its own: a file\n"
     "is one scene, a folder every scene file under it. Outputs mirror the inputs under DIR (a\n"
     "file's by its name, a folder's by the path under it) with EXT (default .zks) after an\n"
     "imported file's name or in place of a .zks/.zks.json extension.\n"
     "One scene's failure does not stop the others; a summary follows, and --report writes every\n"
     "scene's report with it. Ctrl-C stops the workers and keeps every finished output.\n"
     "  --jobs N         scenes at once (default: one per core)\n"
     "Exit status: 0 every scene written; 1 some pass failed; 2 some input or the config was\n"
     "refused; 130 interrupted. See docs/batch.md.\n"},
    {"ninja",
     {{"--config", true}, {"--out-dir", true}, {"--format", true}, ZK_IMPORT_OPTIONS},
     {},
     "usage: zkopt ninja --config FILE --out-dir DIR [--format EXT] INPUT...\n"
     "Writes DIR/build.ninja: one edge per scene of the INPUTs (as run --out-dir finds them) that\n"
     "runs zkopt run with a depfile, so that `ninja -C DIR` reruns exactly the scenes whose inputs\n"
     "changed. See docs/batch.md.\n" ZK_IMPORT_HELP},
    {"list",
     {{"--json", false}, {"--markdown", false}},
     {},
     "usage: zkopt list [--json | --markdown]\n"
     "Every pass class of the loaded libraries in registration order, with a one-line description\n"
     "and its fields: type, default (enum defaults with their names), and whether the pass reads\n"
     "it back as a counter. --json for tools; --markdown gives the pass reference of docs/passes.md.\n"},
    {"info",
     {ZK_IMPORT_OPTIONS},
     {"INPUT"},
     "usage: zkopt info INPUT\nWhat the scene INPUT holds: its infos, nodes and images.\n" ZK_IMPORT_HELP},
    {"view",
     {{"--html", true}, ZK_IMPORT_OPTIONS},
     {"SCENE"},
     "usage: zkopt view [--html FILE] SCENE\n"
     "Writes an HTML report of SCENE that opens from disk in a browser: its statistics, a 3D\n"
     "view with its collision hull record, and every image.\n"
     "  --html FILE      where to write it (default: SCENE's file name + .html, in the current folder)\n" ZK_IMPORT_HELP},
    {"convert",
     {{"--images", true}, ZK_IMPORT_OPTIONS},
     {"INPUT", "OUTPUT"},
     "usage: zkopt convert [--images DIR] INPUT OUTPUT\n"
     "Reads INPUT (a scene file or any format the importer reads) and writes OUTPUT (.zks,\n"
     "  .zks.json, .gltf or .glb).\n"
     "  --images DIR     also write every image of the scene into DIR as a PNG file; DIR is made\n"
     "                   and checked before OUTPUT is written\n" ZK_IMPORT_HELP},
    {"demo",
     {{"--verify-each", false}},
     {},
     "usage: zkopt demo [--verify-each]\n"
     "Runs the bundled pipelines over their sample scenes, writing into ./zkopt-demo each one's\n"
     "output, JSON report and HTML report (open STEM.report.html in a browser).\n"
     "  --verify-each    check the scene's consistency after every pass\n"},
    {"help", {}, {}, "usage: zkopt help [COMMAND]\nHow to use zkopt, or one of its commands.\n"},
};

const Command* findCommand(const std::string& name)
{
    for (const Command& c : commands)
        if (name == c.name) return &c;
    return nullptr;
}

int badCommandLine(const std::string& message)
{
    std::fprintf(stderr, "zkopt: %s\n%s", message.c_str(), usage);
    return EXIT_BAD_INPUT;
}

// A command line taken apart: options may come before or after the command's arguments.
struct CommandLine {
    std::vector<std::string> plugins;
    // The global limit options, by name, as given.
    std::map<std::string, std::string> limits;
    std::vector<std::string> allowedFolders;
    const Command* command = nullptr;
    std::map<std::string, std::string> options; // flags map to ""
    std::vector<std::string> arguments;
    bool help = false, version = false;
};

// Answers false with the message in error.
bool parse(const std::vector<std::string>& args, CommandLine& line, std::string& error)
{
    bool optionsEnd = false;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnd || a.size() < 2 || a[0] != '-') {
            if (!line.command && words.empty()) {
                line.command = findCommand(a);
                if (!line.command) return error = "unknown command '" + a + "'", false;
            } else
                words.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnd = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            line.help = true;
            continue;
        }
        if (a == "--version") {
            line.version = true;
            continue;
        }
        const Option* option = nullptr;
        static const Option plugin{"--plugin", true};
        static const Option limits[] = {{"--max-pixels", true}, {"--max-scene-objects", true}};
        if (a == plugin.name) option = &plugin;
        for (const Option& limit : limits)
            if (a == limit.name) option = &limit;
        for (std::size_t o = 0; line.command && !option && o < line.command->options.size(); ++o)
            if (a == line.command->options[o].name) option = &line.command->options[o];
        if (!option)
            return error = "unknown option '" + a + "'" + (line.command ? std::string(" for ") + line.command->name : ""),
                   false;
        std::string value;
        if (option->takesValue) {
            if (i + 1 >= args.size() || (args[i + 1].size() > 1 && args[i + 1].compare(0, 2, "--") == 0))
                return error = std::string("option ") + option->name + " needs a value", false;
            value = args[++i];
        }
        if (option == &plugin) line.plugins.push_back(value);
        else if (a.compare(0, 6, "--max-") == 0) line.limits[a] = value;
        else if (a == "--allow-dir") line.allowedFolders.push_back(value);
        else line.options[option->name] = value;
    }
    line.arguments = words;
    return true;
}

// --allow-dir and --import-timeout: every folder must exist, the time be a number of seconds.
bool importOptions(const CommandLine& line, Tam::Io::zkImportOptions& import, std::string& error)
{
    // zkopt imports one scene and works on it until it ends: the import's child carries on as
    // zkopt rather than copy the scene back.
    import.carryOn = true;
    for (const std::string& folder : line.allowedFolders) {
        std::error_code ec;
        if (!std::filesystem::is_directory(folder, ec))
            return error = "--allow-dir " + folder + ": not a folder", false;
        import.allowedFolders.push_back(folder);
    }
    auto timeout = line.options.find("--import-timeout");
    if (timeout != line.options.end()) {
        const char* text = timeout->second.c_str();
        char* end = nullptr;
        const double seconds = std::strtod(text, &end);
        if (end == text || *end || !std::isfinite(seconds) || seconds < 0)
            return error = "--import-timeout needs a number of seconds, got '" + timeout->second + "'", false;
        import.timeLimit = seconds;
    }
    return true;
}

int runMain(const std::vector<std::string>& args)
{
    CommandLine line;
    std::string error;
    if (!parse(args, line, error)) return badCommandLine(error);
    if (line.version) {
        std::printf("zkopt %s\n", ZK_VERSION);
        return EXIT_OK;
    }
    if (!line.command) {
        if (line.help) std::fputs(usage, stdout);
        else std::fputs(usage, stderr);
        return line.help ? EXIT_OK : EXIT_BAD_INPUT;
    }
    const Command& command = *line.command;
    const std::string name = command.name;
    if (name == "help" || line.help) {
        if (name != "help" || line.arguments.empty()) {
            std::fputs(name == "help" ? usage : command.help, stdout);
            return EXIT_OK;
        }
        const Command* about = findCommand(line.arguments[0]);
        if (!about || line.arguments.size() > 1) return badCommandLine("help: unknown command '" + line.arguments.back() + "'");
        std::fputs(about->help, stdout);
        return EXIT_OK;
    }
    // A batch takes any number of inputs.
    const bool batch = name == "ninja" || (name == "run" && line.options.count("--out-dir"));
    if (batch && line.arguments.empty()) return badCommandLine(name + " --out-dir needs at least one INPUT");
    if (!batch && line.arguments.size() != command.arguments.size()) {
        std::string wanted;
        for (const char* a : command.arguments) wanted += std::string(" ") + a;
        return badCommandLine(name + (wanted.empty() ? " takes no arguments" : " needs" + wanted) + ", got " +
                              std::to_string(line.arguments.size()) + " argument" +
                              (line.arguments.size() == 1 ? "" : "s"));
    }
    for (std::size_t i = 0; i < line.arguments.size(); ++i)
        if (line.arguments[i].empty()) return badCommandLine(name + ": " + command.arguments[i] + " is empty");
    Tam::Core::zkInputLimits limits = Tam::Core::zkGetInputLimits();
    for (const auto& [name, value] : line.limits) {
        uint64_t n = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (ec != std::errc() || end != value.data() + value.size() || n == 0)
            return badCommandLine("option " + name + " needs a positive whole number, not '" + value + "'");
        (name == "--max-pixels" ? limits.maxImagePixels : limits.maxExpandedObjects) = n;
    }
    Tam::Core::zkSetInputLimits(limits);
    auto option = [&](const char* o) { return line.options.count(o) != 0; };
    if (name == "list" && option("--json") && option("--markdown"))
        return badCommandLine("list: give --json or --markdown, not both");
    if (name == "run" && !option("--config")) return badCommandLine("run needs --config FILE");
    Tam::Io::zkImportOptions import;
    if (!importOptions(line, import, error)) return badCommandLine(error);
    BatchOptions batchOptions;
    if (batch) {
        for (const char* o : {"--config", "--out-dir"})
            if (!option(o)) return badCommandLine(name + " needs " + o);
        if (option("--depfile")) return badCommandLine("--depfile is for one scene; zkopt ninja writes one per scene");
        if (option("--html")) return badCommandLine("--html is for one scene; a batch writes no HTML report");
        batchOptions.config = line.options["--config"];
        batchOptions.report = line.options["--report"];
        batchOptions.outDir = line.options["--out-dir"];
        if (option("--format")) batchOptions.format = line.options["--format"];
        batchOptions.inputs = line.arguments;
        batchOptions.verifyEach = option("--verify-each");
        std::vector<std::string>& forwarded = batchOptions.workerOptions;
        for (const auto& [limit, value] : line.limits) forwarded.insert(forwarded.end(), {limit, value});
        for (const std::string& folder : line.allowedFolders)
            forwarded.insert(forwarded.end(), {"--allow-dir", std::filesystem::absolute(folder).string()});
        if (option("--import-timeout"))
            forwarded.insert(forwarded.end(), {"--import-timeout", line.options["--import-timeout"]});
        if (option("--jobs")) {
            const std::string& jobs = line.options["--jobs"];
            char* end = nullptr;
            unsigned long n = std::strtoul(jobs.c_str(), &end, 10);
            if (jobs.empty() || *end || jobs[0] == '-' || n < 1 || n > 1024)
                return badCommandLine("--jobs " + jobs + ": not a number of workers from 1 to 1024");
            batchOptions.jobs = static_cast<unsigned>(n);
        }
    } else
        for (const char* o : {"--jobs", "--format"})
            if (option(o)) return badCommandLine(std::string(o) + " is for a batch: give --out-dir DIR");

    Plugin plugin;
    if (line.plugins.empty()) line.plugins.push_back(defaultPluginPath());
    for (const std::string& path : line.plugins)
        if (plugin.loadError.empty() && !loadPlugin(path, plugin, error)) plugin.loadError = error;
    // run reports this failure like any other once it knows where its report goes.
    if (!plugin.loadError.empty() && name != "run") {
        std::fprintf(stderr, "zkopt: %s\n", plugin.loadError.c_str());
        return EXIT_BAD_INPUT;
    }

    if (name == "list")
        return listCommand(plugin, option("--json") ? ListForm::Json : option("--markdown") ? ListForm::Markdown : ListForm::Text);
    if (batch) return name == "ninja" ? ninjaCommand(plugin, batchOptions) : batchCommand(plugin, batchOptions);
    if (name == "run") {
        RunOptions run{line.options["--config"], line.options["--report"], line.arguments[0], line.arguments[1],
                       option("--verify-each"), line.options["--depfile"], line.options["--html"]};
        return runCommand(plugin, run, import);
    }
    if (name == "info") return infoCommand(line.arguments[0], import);
    if (name == "view") return viewCommand(line.arguments[0], line.options["--html"], import);
    if (name == "convert") return convertCommand(line.arguments[0], line.arguments[1], line.options["--images"], import);
    return demoCommand(plugin, option("--verify-each"));
}

} // namespace

int main(int argc, char** argv)
{
    // Passes run behind the host's guard; this catches what the driver itself might throw.
    try {
        return runMain(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zkopt: internal error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "zkopt: internal error\n");
    }
    return EXIT_BAD_INPUT;
}
