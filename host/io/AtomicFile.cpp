// Whole-file reads and all-or-nothing writes.
#include "host/io/SceneFile.h"

#include "host/io/SceneGraph.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tam::Io {

namespace {

std::string reason(const std::string& path, const char* what, int err)
{
    return path + ": " + what + " (" + std::strerror(err) + ")";
}

bool writeAll(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        ssize_t done = ::write(fd, p, n);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}

// A write that was killed leaves its temporary file: the next write of the same target removes
// those whose writer is gone.
void removeStaleTemporaries(const std::string& dir, const std::string& base)
{
    DIR* folder = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!folder) return;
    const std::string prefix = "." + base + ".tmp-";
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '-' || pid == ::getpid()) continue;
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH) ::unlink((dir + name).c_str());
    }
    ::closedir(folder);
}

} // namespace

bool detail::checkRegularFile(const std::string& path, std::string& error)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        error = reason(path, "cannot read", errno);
        return false;
    }
    if (S_ISREG(st.st_mode)) return true;
    // A FIFO or a device would block or never end; a folder is no file at all.
    error = S_ISDIR(st.st_mode) ? reason(path, "cannot read", EISDIR) : path + ": cannot read (not a regular file)";
    return false;
}

bool zkAtomicWrite(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    // The temporary file sits beside the target so that the rename stays on one file system,
    // which is what makes it atomic.
    std::size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    removeStaleTemporaries(dir, base);
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = dir + "." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            error = reason(path, "cannot write", errno);
            return false;
        }
    }
    if (fd < 0) {
        error = reason(path, "cannot write", EEXIST);
        return false;
    }
    // A replaced file keeps its permissions.
    struct stat old;
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);

    // On disk before the rename, so that a crash after it cannot leave the new name empty.
    bool written = writeAll(fd, static_cast<const char*>(data), size) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        err = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        error = reason(path, "cannot write", err);
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        err = errno;
        ::unlink(temporary.c_str());
        error = reason(path, "cannot replace", err);
        return false;
    }
    return true;
}

bool zkAtomicWrite(const std::string& path, std::string_view bytes, std::string& error)
{
    return zkAtomicWrite(path, bytes.data(), bytes.size(), error);
}

bool zkReadWholeFile(const std::string& path, std::string& bytes, std::string& error)
{
    if (!detail::checkRegularFile(path, error)) return false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = reason(path, "cannot read", errno);
        return false;
    }
    bytes.clear();
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(st.st_size));
        detail::adviseLargeBlock(bytes.data(), bytes.capacity());
    }
    char buffer[1 << 16];
    for (;;) {
        // Straight into the string once its room is known; through a buffer otherwise.
        std::size_t room = bytes.capacity() - bytes.size();
        ssize_t n;
        if (room >= sizeof buffer) {
            std::size_t at = bytes.size();
            bytes.resize(bytes.capacity());
            n = ::read(fd, bytes.data() + at, room);
            bytes.resize(at + (n > 0 ? static_cast<std::size_t>(n) : 0));
        } else {
            n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) bytes.append(buffer, static_cast<std::size_t>(n));
        }
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = reason(path, "cannot read", errno);
            ::close(fd);
            return false;
        }
    }
    ::close(fd);
    return true;
}

} // namespace Tam::Io
