#include "host/io/SceneFile.h"

#include "host/io/AssimpImport.h"
#include "host/io/GltfExport.h"
#include "host/io/SceneGraph.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace Tam::Io {

namespace {

bool endsWith(const std::string& s, const char* suffix)
{
    std::size_t n = std::char_traits<char>::length(suffix);
    if (s.size() < n) return false;
    return std::equal(s.end() - n, s.end(), suffix, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

} // namespace

bool zkSceneFormOf(const std::string& path, zkSceneForm& form)
{
    if (endsWith(path, ".zks.json")) form = zkSceneForm::Text;
    else if (endsWith(path, ".zks")) form = zkSceneForm::Binary;
    else return false;
    return true;
}

bool zkCheckScene(const zkFileInfo* file, std::string& error)
{
    if (!file) {
        error = "there is no file object";
        return false;
    }
    detail::SceneObjects scene(file);
    detail::GraphProblem problem;
    if (detail::checkGraph(scene.objects(), scene.ids(), false, problem) &&
        detail::checkConsistency(scene.objects(), problem))
        return true;
    error = detail::placed(detail::placeOf(problem, scene.objects(), scene.ids()), problem.text);
    return false;
}

bool zkEncodeScene(const zkFileInfo* file, zkSceneForm form, std::string& bytes, std::string& error)
{
    if (!zkCheckScene(file, error)) return false;
    detail::SceneObjects scene(file);
    if (form == zkSceneForm::Binary) detail::encodeBinary(scene, bytes);
    else detail::encodeJson(scene, bytes);
    return true;
}

bool zkEncodeSceneInto(const zkFileInfo* file, const std::function<char*(std::size_t size)>& buffer,
                       std::string& error)
{
    return zkCheckScene(file, error) && detail::encodeBinary(detail::SceneObjects(file), buffer);
}

zkSmartPointer<zkFileInfo> zkDecodeScene(std::string_view bytes, zkSceneForm form, const std::string& name,
                                         std::string& error)
{
    detail::SceneBuilder builder(name);
    zkSmartPointer<zkFileInfo> file =
        form == zkSceneForm::Binary ? detail::decodeBinary(bytes, builder) : detail::decodeJson(bytes, builder);
    if (!file) error = builder.failed() ? builder.error() : name + ": unreadable";
    return file;
}

bool zkWriteScene(const zkFileInfo* file, const std::string& path, std::string& error)
{
    zkSceneForm form;
    zkGltfForm gltf;
    if (!zkSceneFormOf(path, form) && zkGltfFormOf(path, gltf)) {
        std::vector<std::string> warnings;
        const bool written = zkExportGltf(file, path, gltf, error, &warnings);
        for (const std::string& warning : warnings) std::fprintf(stderr, "%s: warning: %s\n", path.c_str(), warning.c_str());
        return written;
    }
    if (!zkSceneFormOf(path, form)) {
        error = path + ": not a scene file name to write (expected .zks, .zks.json, .gltf or .glb)";
        return false;
    }
    std::string bytes, problem;
    if (!zkEncodeScene(file, form, bytes, problem)) {
        error = path + ": not written: " + problem;
        return false;
    }
    return zkAtomicWrite(path, bytes, error);
}

zkSmartPointer<zkFileInfo> zkReadScene(const std::string& path, std::string& error)
{
    return zkReadScene(path, error, zkImportOptions{});
}

zkSmartPointer<zkFileInfo> zkReadScene(const std::string& path, std::string& error, const zkImportOptions& import)
{
    zkSceneForm form;
    if (!detail::checkRegularFile(path, error)) return nullptr;
    if (!zkSceneFormOf(path, form)) {
        // Every other name is the art tools' business: Assimp knows their formats.
        std::vector<std::string> warnings;
        zkSmartPointer<zkFileInfo> file = zkImportScene(path, error, &warnings, import);
        for (const std::string& warning : warnings) std::fprintf(stderr, "%s: warning: %s\n", path.c_str(), warning.c_str());
        if (file) {
            // The art tools' formats may share nodes too; the walks that follow cost what this counts.
            detail::SceneObjects scene(file.get());
            detail::GraphProblem problem;
            if (!detail::checkExpandedSize(scene.objects(), problem)) {
                error = path + ": " + detail::placed(detail::placeOf(problem, scene.objects(), scene.ids()), problem.text);
                return nullptr;
            }
        }
        return file;
    }
    std::string bytes;
    if (!zkReadWholeFile(path, bytes, error)) return nullptr;
    return zkDecodeScene(bytes, form, path, error);
}

} // namespace Tam::Io
