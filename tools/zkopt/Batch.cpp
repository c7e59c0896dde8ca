#include "tools/zkopt/Batch.h"
#include "tools/zkopt/FieldText.h"
#include "tools/zkopt/Paths.h"
#include "tools/zkopt/Pipeline.h"
#include "tools/zkopt/Progress.h"

#include "host/io/GltfExport.h"
#include "host/io/ImportFiles.h"
#include "host/io/SceneFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zkopt {

namespace fs = std::filesystem;

namespace {

bool isSceneFile(const fs::path& path)
{
    Tam::Io::zkSceneForm form;
    return zkSceneFormOf(path.string(), form) || Tam::Io::zkCanImport(path.string());
}

// A scene file's name less its extension (".zks.json" is one), plus format; an imported file's
// whole name plus format, since art folders often hold one model in several formats ("crate.obj"
// and "crate.fbx" become "crate.obj.zks" and "crate.fbx.zks").
std::string outputName(const fs::path& relative, const std::string& format)
{
    std::string name = relative.string();
    Tam::Io::zkSceneForm form;
    if (zkSceneFormOf(name, form))
        name.resize(name.size() - (form == Tam::Io::zkSceneForm::Text ? 9 : 4));
    return name + format;
}

std::string canonical(const std::string& path)
{
    std::error_code ec;
    fs::path c = fs::weakly_canonical(path, ec);
    return ec ? fs::absolute(path).lexically_normal().string() : c.string();
}

} // namespace

std::string zkoptPath()
{
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? "zkopt" : self.string();
}

bool collectScenes(const BatchOptions& options, std::vector<BatchScene>& scenes, std::string& error)
{
    Tam::Io::zkSceneForm form;
    Tam::Io::zkGltfForm gltf;
    const std::string probe = "scene" + options.format;
    if (options.format.empty() || options.format[0] != '.' ||
        (!zkSceneFormOf(probe, form) && !Tam::Io::zkGltfFormOf(probe, gltf)))
        return error = "--format " + options.format + ": not an output format (.zks, .zks.json, .gltf or .glb)", false;
    const std::string outDir = canonical(options.outDir);
    std::map<std::string, std::string> claimed; // output -> the input that writes it
    for (const std::string& input : options.inputs) {
        std::error_code ec;
        fs::file_status status = fs::status(input, ec);
        if (!fs::exists(status)) return error = input + ": no such file or folder", false;
        std::vector<BatchScene> found;
        if (!fs::is_directory(status)) {
            found.push_back({input, outputName(fs::path(input).filename(), options.format)});
        } else {
            std::vector<fs::path> files;
            for (auto it = fs::recursive_directory_iterator(input, fs::directory_options::skip_permission_denied, ec);
                 !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
                const fs::path& path = it->path();
                if (it->is_directory(ec)) {
                    if (path.filename().string().starts_with(".") || canonical(path.string()) == outDir)
                        it.disable_recursion_pending();
                } else if (it->is_regular_file(ec) && isSceneFile(path))
                    files.push_back(path);
            }
            if (ec) return error = input + ": cannot read the folder (" + ec.message() + ")", false;
            std::sort(files.begin(), files.end());
            for (const fs::path& file : files)
                found.push_back({file.string(), outputName(file.lexically_relative(input), options.format)});
        }
        for (BatchScene& scene : found) {
            auto [at, isNew] = claimed.emplace(scene.relative, scene.input);
            if (!isNew)
                return error = scene.input + " and " + at->second + " would both write " +
                               (fs::path(options.outDir) / scene.relative).string(),
                       false;
            scenes.push_back(std::move(scene));
        }
    }
    if (scenes.empty()) return error = "no scene to run in the inputs given", false;
    return true;
}

namespace {

enum class Outcome { Written, Failed, Refused, Skipped };
const char* outcomeName(Outcome o)
{
    switch (o) {
    case Outcome::Written: return "written";
    case Outcome::Failed: return "failed";
    case Outcome::Refused: return "refused";
    case Outcome::Skipped: return "skipped";
    }
    return "";
}

struct SceneRun {
    BatchScene scene;
    std::string output, report, log;
    Outcome outcome = Outcome::Skipped;
    double seconds = 0;
    std::string problem;
    json record; // the worker's own report, when it wrote one
    std::chrono::steady_clock::time_point start;
    // The output's time before the worker started (none when missing), to tell a new output.
    std::optional<fs::file_time_type> previous;
};

volatile std::sig_atomic_t stopSignal = 0;
extern "C" void onStopSignal(int signal) { stopSignal = signal; }

class Batch {
public:
    Batch(const Plugin& plugin, const BatchOptions& options) : m_plugin(plugin), m_options(options) {}

    int run();

private:
    int refuse(const std::string& error);
    // The worker's process id, or -1 when it could not be started (the run says why).
    pid_t start(SceneRun& run);
    void reap(SceneRun& run, int waitStatus);
    int finish(bool interrupted);
    void printSummary(const json& summary, bool interrupted) const;
    json summaryJson(double seconds) const;

    const Plugin& m_plugin;
    const BatchOptions& m_options;
    std::vector<SceneRun> m_runs;
    std::string m_workDir;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

int Batch::refuse(const std::string& error)
{
    std::fprintf(stderr, "zkopt: %s\n", error.c_str());
    if (!m_options.report.empty()) {
        json report{{"status", EXIT_BAD_INPUT}, {"config", m_options.config}, {"outDir", m_options.outDir},
                    {"error", error}, {"interrupted", false}, {"scenes", json::array()}};
        std::string why;
        if (!Tam::Io::zkAtomicWrite(m_options.report, report.dump(2) + "\n", why))
            std::fprintf(stderr, "zkopt: %s\n", why.c_str());
    }
    return EXIT_BAD_INPUT;
}

int Batch::run()
{
    std::string error;
    if (!m_options.report.empty() && !checkWritableFile(m_options.report, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    if (!m_plugin.loadError.empty()) return refuse(m_plugin.loadError);
    // The config is checked once here, so that a mistake in it stops the batch before any work.
    Pipeline pipeline;
    if (!loadPipeline(m_options.config, m_plugin, pipeline, error)) return refuse(error);
    std::vector<BatchScene> scenes;
    if (!collectScenes(m_options, scenes, error)) return refuse(error);
    if (!checkWritableFolder(m_options.outDir, true, error)) return refuse(error);
    // Workers' reports and logs, beside the outputs and gone when the batch ends.
    m_workDir = (fs::path(m_options.outDir) / (".zkopt-batch-" + std::to_string(::getpid()))).string();
    if (!checkWritableFolder(m_workDir, true, error)) return refuse(error);

    for (std::size_t i = 0; i < scenes.size(); ++i) {
        SceneRun run;
        run.scene = scenes[i];
        run.output = (fs::path(m_options.outDir) / scenes[i].relative).string();
        run.report = m_workDir + "/" + std::to_string(i) + ".json";
        run.log = m_workDir + "/" + std::to_string(i) + ".log";
        m_runs.push_back(std::move(run));
    }

    // Ctrl-C, a closed terminal or a scheduler's stop: the workers are stopped and what they
    // finished stays. Interrupted system calls are not restarted, so the wait below notices.
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);

    unsigned jobs = m_options.jobs ? m_options.jobs : std::max(1u, std::thread::hardware_concurrency());
    BatchProgress progress(m_runs.size(), progressOnTerminal());
    std::map<pid_t, SceneRun*> running;
    std::size_t next = 0;
    bool stopping = false;
    while (true) {
        while (!stopSignal && running.size() < jobs && next < m_runs.size()) {
            SceneRun& run = m_runs[next++];
            pid_t pid = start(run);
            if (pid > 0) running[pid] = &run;
            else progress.sceneDone(run.scene.input, outcomeName(run.outcome), 0, run.problem);
        }
        if (stopSignal && !stopping) {
            stopping = true;
            progress.note(std::string("interrupted (") + strsignal(stopSignal) + "): stopping " +
                          std::to_string(running.size()) + " running scene" + (running.size() == 1 ? "" : "s"));
            for (const auto& [pid, run] : running) ::kill(pid, SIGTERM);
        }
        if (running.empty()) break;
        int status = 0;
        pid_t pid = ::waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno == EINTR) continue;
            break;
        }
        auto it = running.find(pid);
        if (it == running.end()) continue;
        SceneRun& run = *it->second;
        running.erase(it);
        reap(run, status);
        progress.sceneDone(run.scene.input, outcomeName(run.outcome), run.seconds, run.problem);
    }
    progress.finish();
    return finish(stopSignal != 0);
}

pid_t Batch::start(SceneRun& run)
{
    run.start = std::chrono::steady_clock::now();
    std::error_code ec;
    if (auto time = fs::last_write_time(run.output, ec); !ec) run.previous = time;
    fs::create_directories(fs::path(run.output).parent_path(), ec);
    if (ec) {
        run.outcome = Outcome::Refused;
        run.problem = run.output + ": cannot create its folder (" + ec.message() + ")";
        return -1;
    }
    // A fresh zkopt per scene: the pass library keeps process-wide state by design, so a scene
    // run in a process that ran others could come out differently.
    std::vector<std::string> args{zkoptPath()};
    for (const std::string& path : m_plugin.paths) args.insert(args.end(), {"--plugin", path});
    args.push_back("run");
    args.insert(args.end(), m_options.workerOptions.begin(), m_options.workerOptions.end());
    args.insert(args.end(), {"--config", m_options.config, "--report", run.report});
    if (m_options.verifyEach) args.push_back("--verify-each");
    args.insert(args.end(), {"--", run.scene.input, run.output});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, run.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, stops;
    sigemptyset(&none);
    sigemptyset(&stops);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &stops);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    int failed = posix_spawn(&pid, argv[0], &files, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (failed) {
        run.outcome = Outcome::Failed;
        run.problem = std::string("cannot start a worker: ") + std::strerror(failed);
        return -1;
    }
    return pid;
}

// The last line the worker printed, which says why it stopped when it wrote no report.
static std::string lastLine(const std::string& text)
{
    std::size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) return "";
    std::size_t begin = text.rfind('\n', end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1, end - (begin == std::string::npos ? 0 : begin + 1) + 1);
}

void Batch::reap(SceneRun& run, int waitStatus)
{
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - run.start).count();
    std::string text, why;
    if (Tam::Io::zkReadWholeFile(run.report, text, why)) {
        run.record = json::parse(text, nullptr, false);
        if (run.record.is_discarded()) run.record = nullptr;
    }
    if (WIFEXITED(waitStatus)) {
        int code = WEXITSTATUS(waitStatus);
        run.outcome = code == EXIT_OK ? Outcome::Written : code == EXIT_BAD_INPUT ? Outcome::Refused : Outcome::Failed;
        if (code > EXIT_BAD_INPUT) run.problem = "the worker exited with status " + std::to_string(code);
    } else {
        int signal = WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
        if (stopSignal && (signal == SIGINT || signal == SIGTERM || signal == SIGHUP)) {
            // Stopped with the batch: before its output, or (the signal held off while the file
            // was written) just after it, before its report.
            std::error_code ec;
            fs::file_time_type written = fs::last_write_time(run.output, ec);
            run.outcome = !ec && written != run.previous ? Outcome::Written : Outcome::Skipped;
            return;
        }
        run.outcome = Outcome::Failed;
        run.problem = std::string("the worker was killed by ") + strsignal(signal);
    }
    if (run.outcome == Outcome::Written || !run.problem.empty()) return;
    if (run.record.is_object() && run.record["error"].is_string()) run.problem = run.record["error"].get<std::string>();
    else if (Tam::Io::zkReadWholeFile(run.log, text, why)) run.problem = lastLine(text);
}

json Batch::summaryJson(double seconds) const
{
    std::map<Outcome, std::size_t> counts;
    std::map<std::string, double> passSeconds;
    std::vector<const SceneRun*> ran;
    for (const SceneRun& run : m_runs) {
        ++counts[run.outcome];
        if (run.outcome != Outcome::Skipped) ran.push_back(&run);
        if (!run.record.is_object() || !run.record["passes"].is_array()) continue;
        for (const json& pass : run.record["passes"])
            if (pass["class"].is_string() && pass["seconds"].is_number())
                passSeconds[pass["class"].get<std::string>()] += pass["seconds"].get<double>();
    }
    std::sort(ran.begin(), ran.end(), [](const SceneRun* a, const SceneRun* b) { return a->seconds > b->seconds; });
    json slowest = json::array();
    for (std::size_t i = 0; i < ran.size() && i < 5; ++i)
        slowest.push_back({{"input", ran[i]->scene.input}, {"seconds", ran[i]->seconds}});
    std::vector<std::pair<std::string, double>> byTime(passSeconds.begin(), passSeconds.end());
    std::stable_sort(byTime.begin(), byTime.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    json perClass = json::object();
    for (const auto& [name, time] : byTime) perClass[name] = time;
    return {{"scenes", m_runs.size()},
            {"written", counts[Outcome::Written]},
            {"failed", counts[Outcome::Failed]},
            {"refused", counts[Outcome::Refused]},
            {"skipped", counts[Outcome::Skipped]},
            {"seconds", seconds},
            {"slowest", slowest},
            {"passSeconds", perClass}};
}

void Batch::printSummary(const json& summary, bool interrupted) const
{
    const double seconds = summary["seconds"].get<double>();
    std::printf("zkopt: %s%zu scenes in %.2f s (%.2f scenes/s): %zu written, %zu failed, %zu refused, %zu skipped\n",
                interrupted ? "interrupted: " : "", m_runs.size(), seconds,
                seconds > 0 ? double(m_runs.size() - summary["skipped"].get<std::size_t>()) / seconds : 0.0,
                summary["written"].get<std::size_t>(), summary["failed"].get<std::size_t>(),
                summary["refused"].get<std::size_t>(), summary["skipped"].get<std::size_t>());
    if (!summary["slowest"].empty()) std::printf("slowest scenes:\n");
    for (const json& scene : summary["slowest"])
        std::printf("  %9.3f s  %s\n", scene["seconds"].get<double>(), scene["input"].get<std::string>().c_str());
    if (!summary["passSeconds"].empty()) std::printf("time per pass class, all scenes:\n");
    for (const auto& [name, time] : summary["passSeconds"].items())
        std::printf("  %9.3f s  %s\n", time.get<double>(), name.c_str());
    for (Outcome outcome : {Outcome::Failed, Outcome::Refused}) {
        bool first = true;
        for (const SceneRun& run : m_runs) {
            if (run.outcome != outcome) continue;
            if (first) std::printf("%s:\n", outcomeName(outcome));
            first = false;
            std::printf("  %s\n", aboutScene(run.scene.input, run.problem).c_str());
        }
    }
    if (interrupted)
        std::printf("every output written is complete; the skipped scenes were not started or were stopped "
                    "before writing\n");
    std::fflush(stdout);
}

int Batch::finish(bool interrupted)
{
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    int status = EXIT_OK;
    for (const SceneRun& run : m_runs) {
        if (run.outcome == Outcome::Failed) status = std::max<int>(status, EXIT_PASS_FAILED);
        if (run.outcome == Outcome::Refused) status = EXIT_BAD_INPUT;
    }
    if (interrupted) status = 128 + stopSignal;
    json summary = summaryJson(seconds);
    printSummary(summary, interrupted);

    if (!m_options.report.empty()) {
        json scenes = json::array();
        for (const SceneRun& run : m_runs)
            scenes.push_back({{"input", run.scene.input},
                              {"output", run.output},
                              {"result", outcomeName(run.outcome)},
                              {"seconds", run.seconds},
                              {"error", run.problem.empty() ? json(nullptr) : json(run.problem)},
                              {"report", run.record}});
        json report{{"status", status},         {"config", m_options.config}, {"outDir", m_options.outDir},
                    {"error", nullptr},         {"interrupted", interrupted}, {"summary", summary},
                    {"scenes", scenes}};
        std::string why;
        if (!Tam::Io::zkAtomicWrite(m_options.report, report.dump(2) + "\n", why)) {
            std::fprintf(stderr, "zkopt: %s\n", why.c_str());
            status = std::max<int>(status, EXIT_BAD_INPUT);
        }
    }
    std::error_code ec;
    fs::remove_all(m_workDir, ec);
    return status;
}

} // namespace

int batchCommand(const Plugin& plugin, const BatchOptions& options)
{
    Batch batch(plugin, options);
    return batch.run();
}

} // namespace zkopt
