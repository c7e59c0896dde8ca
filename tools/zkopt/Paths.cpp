#include "tools/zkopt/Paths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace zkopt {

static bool fail(const std::string& path, const char* what, int why, std::string& error)
{
    error = path + ": " + what + " (" + std::strerror(why) + ")";
    return false;
}

// 0 when path is a folder we may use (writable if asked), else the errno that says why not.
static int folderProblem(const std::string& path, bool writable)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    if (writable && ::access(path.c_str(), W_OK | X_OK) != 0) return errno;
    return 0;
}

bool checkWritableFile(const std::string& path, std::string& error)
{
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (int why = folderProblem(folder.empty() ? "." : folder, true)) return fail(path, "cannot write", why, error);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return fail(path, "cannot write", EISDIR, error);
    return true;
}

bool checkWritableFolder(const std::string& folder, bool create, std::string& error)
{
    if (create) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec && ec != std::errc::file_exists) return fail(folder, "cannot create the folder", ec.value(), error);
    }
    if (int why = folderProblem(folder, true)) return fail(folder, "cannot write into the folder", why, error);
    return true;
}

bool checkFolder(const std::string& folder, std::string& error)
{
    if (int why = folderProblem(folder, false)) return fail(folder, "not a folder", why, error);
    return true;
}

std::string shareFolder(const std::string& name)
{
    std::error_code ec;
    std::filesystem::path bin = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    return (bin.parent_path() / "share" / "zkopt" / name).string();
}

} // namespace zkopt
