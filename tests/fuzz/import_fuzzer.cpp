// Import through Assimp behind the containment, as zkopt imports. The first byte picks the
// format (the file name's extension), the rest is the file. The child process's coverage is not
// seen here, so this explores what returns from the child: its answer and the scene decoded
// from it. With ZK_FUZZ_FINDINGS set, inputs that crashed or hung the importer are copied into
// that folder for a look without the containment.
#include "host/io/AssimpImport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static const char* const extensions[] = {"obj", "ply", "stl", "off", "gltf", "glb", "dae", "3ds", "fbx", "x",
                                             "md2", "ase", "smd", "lwo", "ac", "ms3d", "b3d", "q3o", "3mf", "raw"};
    constexpr std::size_t count = sizeof extensions / sizeof extensions[0];
    if (size == 0) return 0;
    static const fs::path folder = fs::temp_directory_path() / ("zk_fuzz_import_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path path = folder / (std::string("scene.") + extensions[data[0] % count]);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));

    Tam::Io::zkImportOptions options;
    options.timeLimit = 1;
    std::string error;
    std::vector<std::string> warnings;
    Tam::Io::zkImportScene(path.string(), error, &warnings, options);
    const bool contained = error.find(": the importer crashed") != std::string::npos ||
                           error.find(": the importer did not finish") != std::string::npos ||
                           error.find(": the importer stopped") != std::string::npos;
    if (const char* findings = std::getenv("ZK_FUZZ_FINDINGS"); findings && contained) {
        fs::create_directories(findings);
        std::ofstream(fs::path(findings) / (std::to_string(std::hash<std::string>()(error + std::string(
                                                reinterpret_cast<const char*>(data), size))) + "." +
                                            path.extension().string().substr(1)),
                      std::ios::binary)
            .write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
    }
    return 0;
}
