#include "host/io/ConfinedFiles.h"

#include <algorithm>

namespace Tam::Io::detail {

namespace fs = std::filesystem;

namespace {

// The path made absolute, with ".", ".." and symbolic links resolved as far as it exists.
fs::path resolved(const fs::path& path)
{
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    if (ec) return {};
    fs::path canonical = fs::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal() : canonical;
}

} // namespace

FolderGuard::FolderGuard(const std::string& scenePath, const std::vector<std::string>& allowedFolders)
{
    fs::path folder = fs::path(scenePath).parent_path();
    m_roots.push_back(resolved(folder.empty() ? fs::path(".") : folder));
    // A scene reached through a link reads its files beside the file itself.
    m_roots.push_back(resolved(scenePath).parent_path());
    for (const std::string& allowed : allowedFolders)
        if (!allowed.empty()) m_roots.push_back(resolved(allowed));
}

bool FolderGuard::allows(const fs::path& path) const
{
    const fs::path file = resolved(path);
    if (file.empty()) return false;
    return std::any_of(m_roots.begin(), m_roots.end(), [&](const fs::path& root) {
        if (root.empty()) return false;
        // Compared by components, so that /scenes-private is not inside /scenes; a trailing
        // separator leaves an empty last component, which matches anything.
        auto r = root.begin(), f = file.begin();
        for (; r != root.end(); ++r, ++f) {
            if (r->empty() && std::next(r) == root.end()) return true;
            if (f == file.end() || *r != *f) return false;
        }
        return true;
    });
}

bool ConfinedIOSystem::allows(const char* file) const
{
    if (!file) return false;
    if (m_guard.allows(file)) return true;
    // Readers also probe names that do not exist (Assimp's OBJ reader tries cut-off ones); only
    // a file that is there was kept from the reader.
    std::error_code ec;
    if (fs::exists(file, ec) && std::find(m_refused.begin(), m_refused.end(), file) == m_refused.end())
        m_refused.emplace_back(file);
    return false;
}

bool ConfinedIOSystem::Exists(const char* file) const { return allows(file) && DefaultIOSystem::Exists(file); }

Assimp::IOStream* ConfinedIOSystem::Open(const char* file, const char* mode)
{
    return allows(file) ? DefaultIOSystem::Open(file, mode) : nullptr;
}

} // namespace Tam::Io::detail
