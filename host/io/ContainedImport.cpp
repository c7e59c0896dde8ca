#include "host/io/ContainedImport.h"

#include "host/io/SceneFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Tam::Io::detail {

namespace {

using Core::zkSmartPointer;
using Sg::zkFileInfo;

// The answer is a run of records, each a tag byte, a 64-bit little-endian length and the bytes:
// any number of warnings, then the scene or the error.
constexpr char kWarning = 'W', kScene = 'S', kError = 'E';

void appendRecord(std::string& out, char tag, const std::string& bytes)
{
    out += tag;
    uint64_t size = bytes.size();
    for (int i = 0; i < 8; ++i) out += static_cast<char>((size >> (8 * i)) & 0xff);
    out += bytes;
}

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// In the child: never returns.
[[noreturn]] void child(int fd, const SceneWork& work)
{
    // A crash is reported by the parent; a core file of Assimp's is no use to the user.
    struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
    std::string answer;
    try {
        std::string error;
        std::vector<std::string> warnings;
        zkSmartPointer<zkFileInfo> file = work(error, warnings);
        for (const std::string& warning : warnings) appendRecord(answer, kWarning, warning);
        std::string bytes;
        if (file && zkEncodeScene(file.get(), zkSceneForm::Binary, bytes, error)) appendRecord(answer, kScene, bytes);
        else appendRecord(answer, kError, error.empty() ? "import failed" : error);
    } catch (...) {
        answer.clear();
        appendRecord(answer, kError, "out of memory while importing");
    }
    // _exit: the parent's buffers and exit handlers are the parent's business.
    ::_exit(writeAll(fd, answer) ? 0 : 3);
}

std::string secondsText(double seconds)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", seconds);
    return buffer;
}

} // namespace

zkSmartPointer<zkFileInfo> runContained(const std::string& path, double seconds, const SceneWork& work,
                                        std::string& error, std::vector<std::string>* warnings)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = path + ": cannot start the import process: " + std::strerror(errno);
        return nullptr;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = path + ": cannot start the import process: " + std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        return nullptr;
    }
    if (pid == 0) {
        ::close(fds[0]);
        child(fds[1], work);
    }
    ::close(fds[1]);

    using Clock = std::chrono::steady_clock;
    const bool limited = seconds > 0 && std::isfinite(seconds);
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limited ? seconds : 0));
    std::string answer;
    bool timedOut = false;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        int wait = -1;
        if (limited) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                timedOut = true;
                break;
            }
            wait = static_cast<int>(std::min<long long>(left, 1 << 30));
        }
        pollfd p = {fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) continue;  // the deadline is checked above
        if (ready < 0) break;
        const ssize_t n = ::read(fds[0], buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        answer.append(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (timedOut) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}

    if (timedOut) {
        error = path + ": the importer did not finish in " + secondsText(seconds) + " s";
        return nullptr;
    }
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        error = path + ": the importer crashed (signal " + std::to_string(signal) + ", " + strsignal(signal) + ")";
        return nullptr;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = path + ": the importer stopped with exit status " + std::to_string(WEXITSTATUS(status));
        return nullptr;
    }

    std::string_view rest(answer);
    while (rest.size() >= 9) {
        const char tag = rest[0];
        uint64_t size = 0;
        for (int i = 0; i < 8; ++i) size |= uint64_t(static_cast<unsigned char>(rest[1 + i])) << (8 * i);
        rest.remove_prefix(9);
        if (size > rest.size()) break;
        const std::string_view bytes = rest.substr(0, size);
        rest.remove_prefix(size);
        if (tag == kWarning) {
            if (warnings) warnings->emplace_back(bytes);
        } else if (tag == kError) {
            error = std::string(bytes);
            return nullptr;
        } else if (tag == kScene) {
            return zkDecodeScene(bytes, zkSceneForm::Binary, path, error);
        }
    }
    error = path + ": the import process's answer is incomplete";
    return nullptr;
}

} // namespace Tam::Io::detail
