// The folders an import may read from: the scene's own folder with everything below it, and the
// folders the user allows. Scene files name other files (material libraries, textures, buffers);
// following a name that is absolute or climbs out with ".." would let a crafted scene read any
// file the user can read: a private picture embedded in the output, a text file taken for vertex
// positions.
#pragma once
#include <assimp/DefaultIOSystem.h>

#include <filesystem>
#include <string>
#include <vector>

namespace Tam::Io::detail {

class FolderGuard {
public:
    FolderGuard(const std::string& scenePath, const std::vector<std::string>& allowedFolders);

    // True when path (absolute, or relative to the working directory) lies, with symbolic links
    // followed, in one of the folders or below it.
    bool allows(const std::filesystem::path& path) const;

private:
    std::vector<std::filesystem::path> m_roots;
};

// Assimp's file access through the guard: a refused file does not exist for the importer, and
// its name is kept so that the refusal can be told.
class ConfinedIOSystem : public Assimp::DefaultIOSystem {
public:
    explicit ConfinedIOSystem(const FolderGuard& guard) : m_guard(guard) {}

    bool Exists(const char* file) const override;
    Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;

    // The existing files refused so far, each once, in the order asked for.
    const std::vector<std::string>& refused() const { return m_refused; }

private:
    bool allows(const char* file) const;

    const FolderGuard& m_guard;
    mutable std::vector<std::string> m_refused;
};

} // namespace Tam::Io::detail
