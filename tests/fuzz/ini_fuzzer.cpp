// Pipeline configs, read and checked as zkopt run does against the real pass library.
#include "tools/zkopt/Pipeline.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const zkopt::Plugin& plugin()
{
    static zkopt::Plugin loaded = [] {
        zkopt::Plugin p;
        std::string error;
        if (!zkopt::loadPlugin(ZK_MODULE_PATH, p, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::abort();
        }
        return p;
    }();
    return loaded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // The pipeline reader takes a file, as users give it.
    static const std::string path = "/tmp/zk_fuzz_pipeline_" + std::to_string(::getpid()) + ".ini";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    zkopt::Pipeline pipeline;
    std::string error;
    if (zkopt::loadPipeline(path, plugin(), pipeline, error)) zkopt::unusedKeyWarnings(pipeline);
    return 0;
}
