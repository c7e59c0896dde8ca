// zkopt: runs pipelines of scene passes from the pass library over scene files.
#include "tools/zkopt/Commands.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

using namespace zkopt;

static const char* const usage =
    "usage: zkopt [--plugin PATH] COMMAND ...\n"
    "  run --config FILE [--report FILE] INPUT OUTPUT   run the pipeline of FILE over INPUT\n"
    "  list [--json]                                     every pass class, with its fields\n"
    "  info INPUT                                        what a scene holds\n"
    "  convert INPUT OUTPUT [--images DIR]               convert between scene formats; write images as PNG\n"
    "  demo                                              the default pipeline on the sample scene\n";

static int runMain(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string pluginPath = defaultPluginPath();
    if (args.size() >= 2 && args[0] == "--plugin") {
        pluginPath = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(usage, args.empty() ? stderr : stdout);
        return args.empty() ? EXIT_BAD_INPUT : EXIT_OK;
    }

    Plugin plugin;
    std::string error;
    if (!loadPlugin(pluginPath, plugin, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }

    const std::string& command = args[0];
    if (command == "list") {
        bool asJson = args.size() == 2 && args[1] == "--json";
        if (args.size() > 2 || (args.size() == 2 && !asJson)) {
            std::fputs(usage, stderr);
            return EXIT_BAD_INPUT;
        }
        return listCommand(plugin, asJson);
    }
    if (command == "run") {
        RunOptions options;
        std::vector<std::string> positional;
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--config" && i + 1 < args.size())
                options.config = args[++i];
            else if (args[i] == "--report" && i + 1 < args.size())
                options.report = args[++i];
            else if (args[i].rfind("--", 0) == 0) {
                std::fprintf(stderr, "zkopt: unknown option '%s'\n%s", args[i].c_str(), usage);
                return EXIT_BAD_INPUT;
            } else
                positional.push_back(args[i]);
        }
        if (options.config.empty() || positional.size() != 2) {
            std::fprintf(stderr, "zkopt: run needs --config FILE, INPUT and OUTPUT\n%s", usage);
            return EXIT_BAD_INPUT;
        }
        options.input = positional[0];
        options.output = positional[1];
        return runCommand(options);
    }
    if (command == "info" && args.size() == 2) return infoCommand(args[1]);
    if (command == "convert" && args.size() == 3) return convertCommand(args[1], args[2], "");
    if (command == "convert" && args.size() == 5 && args[3] == "--images")
        return convertCommand(args[1], args[2], args[4]);
    if (command == "demo" && args.size() == 1) return demoCommand(argv[0]);
    if (command == "info" || command == "convert" || command == "demo") {
        std::fprintf(stderr, "zkopt: wrong arguments for %s\n%s", command.c_str(), usage);
        return EXIT_BAD_INPUT;
    }
    std::fprintf(stderr, "zkopt: unknown command '%s'\n%s", command.c_str(), usage);
    return EXIT_BAD_INPUT;
}

int main(int argc, char** argv)
{
    // Nothing thrown inside may end the process without a word.
    try {
        return runMain(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zkopt: internal error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "zkopt: internal error\n");
    }
    return EXIT_BAD_INPUT;
}
