#include "tools/zkopt/Commands.h"

#include <cstdio>
#include <filesystem>

namespace zkopt {

int demoCommand(const std::string&)
{
    const std::string examples = ZK_EXAMPLES_DIR;
    const std::string folder = "zkopt-demo";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    RunOptions options{examples + "/demo.ini", folder + "/report.json", examples + "/sample.zks.json",
                       folder + "/sample.out.zks.json"};
    std::printf("zkopt demo: running %s over %s\n\n", options.config.c_str(), options.input.c_str());
    int status = runCommand(options);
    if (status == EXIT_OK)
        std::printf("\nzkopt demo: wrote %s and %s\n", options.output.c_str(), options.report.c_str());
    return status;
}

} // namespace zkopt
