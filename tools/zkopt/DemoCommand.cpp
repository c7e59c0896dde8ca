#include "tools/zkopt/Commands.h"
#include "tools/zkopt/Paths.h"

#include <cstdio>
#include <filesystem>

namespace zkopt {

// The bundled pipelines, each over its own sample scene, run in this order.
struct DemoPipeline {
    const char* config;
    const char* scene;
};
static const DemoPipeline demoPipelines[] = {
    {"demo.ini", "sample.zks.json"},
    {"textures.ini", "textures.zks.json"},
    {"platforms.ini", "platforms.zks.json"},
    {"fixups.ini", "fixups.zks.json"},
    {"animation.ini", "animation.zks.json"},
    {"scene.ini", "scene.zks.json"},
};

int demoCommand(const Plugin& plugin, bool verifyEach)
{
    const std::string examples = shareFolder("examples");
    if (!std::filesystem::is_directory(examples)) {
        std::fprintf(stderr, "zkopt: %s: no bundled examples there\n", examples.c_str());
        return EXIT_BAD_INPUT;
    }
    const std::string folder = "zkopt-demo";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (const DemoPipeline& demo : demoPipelines) {
        const std::string stem = std::filesystem::path(demo.config).stem().string();
        RunOptions options{examples + "/" + demo.config, folder + "/" + stem + ".report.json",
                           examples + "/" + demo.scene, folder + "/" + stem + ".out.zks.json", verifyEach, {},
                           folder + "/" + stem + ".report.html"};
        std::printf("zkopt demo: running %s over %s\n\n", options.config.c_str(), options.input.c_str());
        int status = runCommand(plugin, options);
        if (status != EXIT_OK) return status;
        std::printf("\nzkopt demo: wrote %s, %s and %s\n\n", options.output.c_str(), options.report.c_str(),
                    options.html.c_str());
    }
    return EXIT_OK;
}

} // namespace zkopt
