#include "host/io/ContainedImport.h"

#include "host/io/SceneFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <iterator>
#include <new>
#include <optional>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Tam::Io::detail {

namespace {

using Core::zkSmartPointer;
using Sg::zkFileInfo;

// The answer through the pipe is its length, then a run of records; each length is 64-bit
// little-endian, each record a tag byte, a length and the bytes: any number of warnings, then the
// scene or the error. The scene's record holds no bytes: its length says how much of the shared
// memory file the child filled with the scene in the binary form. Passing tens of megabytes there
// rather than through the pipe spares a copy each way and the parent a buffer it would have to
// fault in page by page, which was most of what containment cost.
// A child that carries on (see runContained) answers kCarryOn instead of the scene.
constexpr char kWarning = 'W', kScene = 'S', kError = 'E', kCarryOn = 'C';

void appendLength(std::string& out, uint64_t size)
{
    for (int i = 0; i < 8; ++i) out += static_cast<char>((size >> (8 * i)) & 0xff);
}

uint64_t lengthAt(std::string_view bytes)
{
    uint64_t size = 0;
    for (int i = 0; i < 8; ++i) size |= uint64_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return size;
}

void appendRecord(std::string& out, char tag, const std::string& bytes)
{
    out += tag;
    appendLength(out, bytes.size());
    out += bytes;
}

bool writeAll(int fd, std::string_view bytes)
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

void sendHead(int fd, const std::string& head)
{
    std::string length;
    appendLength(length, head.size());
    if (!writeAll(fd, length) || !writeAll(fd, head)) ::_exit(3);
}

// In the child. Returns only when it carries on, with the scene, its warnings appended to
// warnings; otherwise it sends the scene back and ends.
zkSmartPointer<zkFileInfo> child(int fd, int sceneFd, const SceneWork& work, bool carryOn,
                                 std::vector<std::string>* carriedWarnings)
{
    // A crash is reported by the parent; a core file of Assimp's is no use to the user.
    struct rlimit none = {0, 0}, before = {0, 0};
    getrlimit(RLIMIT_CORE, &before);
    setrlimit(RLIMIT_CORE, &none);
    // The importer's crash ends the child by its own signal, which is what the parent names, even
    // where a handler (a sanitizer's) was installed in the parent and inherited.
    std::vector<std::pair<int, struct sigaction>> handlers;
    for (int deadly : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        struct sigaction plain = {}, old = {};
        plain.sa_handler = SIG_DFL;
        ::sigaction(deadly, &plain, &old);
        handlers.emplace_back(deadly, old);
    }
    std::string head;
    try {
        std::string error;
        std::vector<std::string> warnings;
        zkSmartPointer<zkFileInfo> file = work(error, warnings);
        if (file && carryOn) {
            // From here on this is the program: its handlers, its core files, and the warnings
            // are its own to print.
            for (const auto& [signal, old] : handlers) ::sigaction(signal, &old, nullptr);
            setrlimit(RLIMIT_CORE, &before);
            if (carriedWarnings)
                carriedWarnings->insert(carriedWarnings->end(), warnings.begin(), warnings.end());
            head += kCarryOn;
            appendLength(head, 0);
            sendHead(fd, head);
            ::close(fd);
            return file;
        }
        for (const std::string& warning : warnings) appendRecord(head, kWarning, warning);
        std::size_t sceneSize = 0;
        // The scene is encoded straight into the shared file, its pages entered in one go.
        const auto shared = [&](std::size_t size) -> char* {
            void* at = size == 0 || ::ftruncate(sceneFd, static_cast<off_t>(size)) != 0
                           ? MAP_FAILED
                           : ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, sceneFd, 0);
            if (at == MAP_FAILED) {
                error = std::string("cannot pass the scene back: ") + std::strerror(errno);
                return nullptr;
            }
            sceneSize = size;
            return static_cast<char*>(at);
        };
        if (file && zkEncodeSceneInto(file.get(), shared, error)) {
            head += kScene;
            appendLength(head, sceneSize);
        } else {
            appendRecord(head, kError, error.empty() ? "import failed" : error);
        }
    } catch (...) {
        head.clear();
        appendRecord(head, kError, "out of memory while importing");
    }
    sendHead(fd, head);
    // _exit: the parent's buffers and exit handlers are the parent's business.
    ::_exit(0);
}

// Ends this process by signal, as the default action of the signal does.
[[noreturn]] void endBy(int signal)
{
    ::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

// While a child carries on as the program, the stops asked of this process (a batch stops its
// workers by pid) are passed on to it, and remembered: this process then ends by the same stop.
// The handlers are installed before the child starts, with the stops held back in between, so
// that no stop falls between the two.
constexpr int kStops[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
volatile sig_atomic_t g_program = 0, g_stop = 0;
void passOn(int signal)
{
    g_stop = signal;
    if (g_program > 0) ::kill(static_cast<pid_t>(g_program), signal);
}

class PassStopsOn {
public:
    // Before the fork: holds the stops back.
    PassStopsOn()
    {
        sigset_t stops;
        sigemptyset(&stops);
        for (int signal : kStops) sigaddset(&stops, signal);
        ::sigprocmask(SIG_BLOCK, &stops, &m_mask);
    }
    // In the child: as it was.
    void inChild() const { ::sigprocmask(SIG_SETMASK, &m_mask, nullptr); }
    // In the parent: stops go to program from now on.
    void inParent(pid_t program)
    {
        g_program = program;
        g_stop = 0;
        struct sigaction action = {};
        action.sa_handler = passOn;
        for (std::size_t i = 0; i < std::size(kStops); ++i) ::sigaction(kStops[i], &action, &m_old[i]);
        ::sigprocmask(SIG_SETMASK, &m_mask, nullptr);
        m_installed = true;
    }
    // The import failed: the handlers as they were, and a stop that came meanwhile taken now.
    ~PassStopsOn()
    {
        if (!m_installed) {
            ::sigprocmask(SIG_SETMASK, &m_mask, nullptr);
            return;
        }
        for (std::size_t i = 0; i < std::size(kStops); ++i) ::sigaction(kStops[i], &m_old[i], nullptr);
        g_program = 0;
        if (g_stop) ::raise(g_stop);
    }

private:
    sigset_t m_mask;
    struct sigaction m_old[std::size(kStops)] = {};
    bool m_installed = false;
};

// The child carries on as the program: this process waits for it and ends as it ends, by the
// same exit status or signal (the core file, if any, is the program's).
[[noreturn]] void standBy(pid_t program)
{
    int status = 0;
    while (::waitpid(program, &status, 0) < 0 && errno == EINTR) {}
    struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
    if (WIFSIGNALED(status)) endBy(WTERMSIG(status));
    ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}

// The scene the child left in the shared memory file, size bytes of it.
zkSmartPointer<zkFileInfo> sharedScene(int fd, uint64_t size, const std::string& path, std::string& error)
{
    struct stat st{};
    if (::fstat(fd, &st) != 0 || st.st_size < 0 || static_cast<uint64_t>(st.st_size) < size) {
        error = path + ": the import process's answer is incomplete";
        return nullptr;
    }
    if (size == 0) return zkDecodeScene({}, zkSceneForm::Binary, path, error);
    // Mapped with its pages entered at once, not faulted in one by one as the decoder reads.
    void* bytes = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (bytes == MAP_FAILED) {
        error = path + ": cannot read the imported scene: " + std::strerror(errno);
        return nullptr;
    }
    zkSmartPointer<zkFileInfo> file =
        zkDecodeScene(std::string_view(static_cast<const char*>(bytes), size), zkSceneForm::Binary, path, error);
    ::munmap(bytes, size);
    return file;
}

std::string secondsText(double seconds)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", seconds);
    return buffer;
}

} // namespace

zkSmartPointer<zkFileInfo> runContained(const std::string& path, double seconds, const SceneWork& work,
                                        std::string& error, std::vector<std::string>* warnings, bool carryOn)
{
    // Output waiting in a buffer would be written by both processes.
    std::fflush(nullptr);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = path + ": cannot start the import process: " + std::strerror(errno);
        return nullptr;
    }
    const int sceneFd = ::memfd_create("zk-imported-scene", MFD_CLOEXEC);
    const pid_t parent = ::getpid();
    std::optional<PassStopsOn> stops;
    if (carryOn) stops.emplace();
    const pid_t pid = sceneFd < 0 ? -1 : ::fork();
    if (pid < 0) {
        error = path + ": cannot start the import process: " + std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        if (sceneFd >= 0) ::close(sceneFd);
        return nullptr;
    }
    if (pid == 0) {
        if (stops) stops->inChild();
        ::close(fds[0]);
        // Not left running when the parent is gone: an import is stopped at once, a program that
        // carried on is asked to stop (a batch's scheduler killed its worker, say).
        if (::prctl(PR_SET_PDEATHSIG, carryOn ? SIGTERM : SIGKILL) != 0 || ::getppid() != parent) ::_exit(1);
        zkSmartPointer<zkFileInfo> file = child(fds[1], sceneFd, work, carryOn, warnings);
        ::close(sceneFd);
        return file;
    }
    if (stops) stops->inParent(pid);
    ::close(fds[1]);
    struct SceneFile {
        int fd;
        ~SceneFile() { ::close(fd); }
    } sceneFile{sceneFd};

    using Clock = std::chrono::steady_clock;
    const bool limited = seconds > 0 && std::isfinite(seconds);
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limited ? seconds : 0));
    std::string answer(8, '\0');
    std::size_t received = 0;
    bool lengthKnown = false, timedOut = false;
    for (;;) {
        if (received == answer.size()) {
            if (lengthKnown) break;
            // The length is the child's word: memory that cannot be had ends the answer early.
            try {
                answer.resize(8 + std::min<uint64_t>(lengthAt(answer), uint64_t(1) << 36));
            } catch (const std::bad_alloc&) {
                break;
            }
            lengthKnown = true;
            continue;
        }
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
        const ssize_t n = ::read(fds[0], answer.data() + received, answer.size() - received);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        received += static_cast<std::size_t>(n);
    }
    if (!timedOut && lengthKnown && received == answer.size() && received > 8 && answer[8] == kCarryOn) {
        ::close(fds[0]);
        standBy(pid);
    }
    answer.resize(received);
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
    rest.remove_prefix(std::min<std::size_t>(8, rest.size()));
    while (rest.size() >= 9) {
        const char tag = rest[0];
        const uint64_t size = lengthAt(rest.substr(1));
        rest.remove_prefix(9);
        if (tag == kScene) return sharedScene(sceneFd, size, path, error);
        if (size > rest.size()) break;
        const std::string_view bytes = rest.substr(0, size);
        rest.remove_prefix(size);
        if (tag == kWarning) {
            if (warnings) warnings->emplace_back(bytes);
        } else if (tag == kError) {
            error = std::string(bytes);
            return nullptr;
        }
    }
    error = path + ": the import process's answer is incomplete";
    return nullptr;
}

} // namespace Tam::Io::detail
