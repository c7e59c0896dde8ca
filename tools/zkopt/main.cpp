// zkopt: runs pipelines of scene passes from the pass library over scene files.
#include "tools/zkopt/Commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace zkopt;

static const char* const usage =
    "usage: zkopt [--plugin PATH] COMMAND ...\n"
    "  run --config FILE [--report FILE] INPUT OUTPUT   run the pipeline of FILE over INPUT\n"
    "  list [--json]                                     every pass class, with its fields\n"
    "  info INPUT                                        what a scene holds\n"
    "  convert INPUT OUTPUT                              convert between scene formats\n"
    "  demo                                              the default pipeline on the sample scene\n";

int main(int argc, char** argv)
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
    std::fprintf(stderr, "zkopt: unknown command '%s'\n%s", command.c_str(), usage);
    return EXIT_BAD_INPUT;
}
