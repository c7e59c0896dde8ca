#include "host/io/ImportFiles.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <set>

namespace Tam::Io {

namespace fs = std::filesystem;

namespace {

// The default file system, noting every file a format's reader opens.
class RecordingIOSystem : public Assimp::DefaultIOSystem {
public:
    std::set<std::string> opened;

    Assimp::IOStream* Open(const char* file, const char* mode) override
    {
        Assimp::IOStream* stream = DefaultIOSystem::Open(file, mode);
        if (stream) opened.insert(fs::absolute(file).lexically_normal().string());
        return stream;
    }
};

} // namespace

bool zkCanImport(const std::string& path)
{
    std::string extension = fs::path(path).extension().string();
    if (extension.size() < 2) return false;
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
    try {
        Assimp::Importer importer;
        return importer.IsExtensionSupported(extension);
    } catch (...) {
        return false;
    }
}

fs::path zkFindReferencedFile(const fs::path& folder, const std::string& reference)
{
    std::string slashed = reference;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const fs::path given(slashed);
    std::error_code ec;
    fs::path file = given.is_absolute() ? given : folder / given;
    if (fs::is_regular_file(file, ec)) return file;
    file = folder / given.filename();
    if (given.has_filename() && fs::is_regular_file(file, ec)) return file;
    return {};
}

bool zkImportedFiles(const std::string& path, std::vector<std::string>& files, std::string& error)
{
    try {
        Assimp::Importer importer;
        auto* io = new RecordingIOSystem; // the importer owns it
        importer.SetIOHandler(io);
        const aiScene* scene = importer.ReadFile(path, 0);
        if (!scene) {
            const char* reason = importer.GetErrorString();
            error = path + ": Assimp cannot import it: " + (reason && *reason ? reason : "unknown reason");
            return false;
        }
        std::set<std::string> found(io->opened);
        const fs::path folder = fs::path(path).parent_path();
        for (unsigned m = 0; m < scene->mNumMaterials; ++m) {
            const aiMaterial* material = scene->mMaterials[m];
            for (int type = aiTextureType_NONE; type <= AI_TEXTURE_TYPE_MAX; ++type)
                for (unsigned i = 0; i < material->GetTextureCount(aiTextureType(type)); ++i) {
                    aiString reference;
                    if (material->GetTexture(aiTextureType(type), i, &reference) != AI_SUCCESS || reference.length == 0 ||
                        scene->GetEmbeddedTexture(reference.C_Str()))
                        continue;
                    fs::path file = zkFindReferencedFile(folder, reference.C_Str());
                    if (!file.empty()) found.insert(fs::absolute(file).lexically_normal().string());
                }
        }
        found.erase(fs::absolute(path).lexically_normal().string());
        files.assign(found.begin(), found.end());
        return true;
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
    } catch (...) {
        error = path + ": import failed";
    }
    return false;
}

} // namespace Tam::Io
