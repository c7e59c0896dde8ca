#include "tools/zkopt/Commands.h"
#include "tools/zkopt/HtmlReport.h"
#include "tools/zkopt/Paths.h"

#include "host/io/SceneFile.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace zkopt {

int viewCommand(const std::string& scene, const std::string& html, const Tam::Io::zkImportOptions& import)
{
    const std::string path = html.empty() ? std::filesystem::path(scene).filename().string() + ".html" : html;
    std::string error;
    if (!checkWritableFile(path, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    auto start = std::chrono::steady_clock::now();
    Tam::Core::zkSmartPointer<Tam::Sg::zkFileInfo> file = Tam::Io::zkReadScene(scene, error, import);
    if (!file) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    SceneSnapshot snapshot = takeSnapshot(file);
    if (!writeHtmlReport(path, HtmlReportContent{scene, nullptr, nullptr, &snapshot}, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    std::fprintf(stderr, "zkopt: %s viewed in %.3f s\n", scene.c_str(),
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return EXIT_OK;
}

} // namespace zkopt
