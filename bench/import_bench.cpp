// What containing an import costs: a 1M-triangle OBJ (written once into the temp folder) imported
// in process, in a child process that sends the scene back, and in a child that carries on with
// it. Wall seconds, and CPU seconds (user and system) of the importing process and its children.
#include "host/io/AssimpImport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// A grid of 708 x 708 quads, each cut into two triangles: 1,002,528 triangles.
const std::string& bigObj()
{
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "zk_bench_1m_triangles.obj").string();
        constexpr int n = 708;
        std::FILE* f = std::fopen(p.c_str(), "w");
        for (int y = 0; y <= n; ++y)
            for (int x = 0; x <= n; ++x) std::fprintf(f, "v %d %d %g\n", x, y, 0.001 * ((x * 7 + y * 13) % 100));
        auto at = [](int x, int y) { return y * (n + 1) + x + 1; };
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                std::fprintf(f, "f %d %d %d\n", at(x, y), at(x + 1, y), at(x + 1, y + 1));
                std::fprintf(f, "f %d %d %d\n", at(x, y), at(x + 1, y + 1), at(x, y + 1));
            }
        std::fclose(f);
        return p;
    }();
    return path;
}

double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + 1e-6 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// One import in a fresh process of its own (zkopt imports once per process, into memory no
// earlier import has warmed): wall seconds, and the CPU seconds of that process and its children
// (the import's own child, when contained).
struct Timing {
    double wall = 0, cpu = 0;
};
// How the import runs: in process, contained with the scene sent back (the library's default),
// contained with the child carrying on as the program (zkopt's way).
enum Mode { InProcess, HandBack, CarryOn, kModes };
const char* const kModeNames[] = {"in_process", "hand_back", "carry_on"};

Timing importOnce(Mode mode)
{
    Tam::Io::zkImportOptions options;
    options.contained = mode != InProcess;
    options.carryOn = mode == CarryOn;
    options.timeLimit = 0;
    const std::string& path = bigObj();
    const double before = childrenCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::string error;
        auto file = Tam::Io::zkImportScene(path, error, nullptr, options);
        _exit(file ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {-1, -1};
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            childrenCpuSeconds() - before};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Each iteration imports in each way, in an order that turns, so that all see the same state of a
// shared machine; the counters are medians over the iterations.
void BM_ImportObj1M(benchmark::State& state)
{
    std::vector<double> wall[kModes], cpu[kModes];
    int turn = 0;
    for (auto _ : state) {
        double total = 0;
        for (int k = 0; k < kModes; ++k) {
            const Mode mode = static_cast<Mode>((k + turn) % kModes);
            const Timing t = importOnce(mode);
            if (t.wall < 0) {
                state.SkipWithError("the import failed");
                return;
            }
            wall[mode].push_back(t.wall);
            cpu[mode].push_back(t.cpu);
            total += t.wall;
        }
        ++turn;
        state.SetIterationTime(total);
    }
    for (int mode = 0; mode < kModes; ++mode) {
        const std::string name = kModeNames[mode];
        state.counters[name + "_s"] = median(wall[mode]);
        state.counters[name + "_cpu_s"] = median(cpu[mode]);
        if (mode == InProcess) continue;
        state.counters[name + "_cost_pct"] = 100 * (median(wall[mode]) / median(wall[InProcess]) - 1);
        state.counters[name + "_cost_cpu_pct"] = 100 * (median(cpu[mode]) / median(cpu[InProcess]) - 1);
    }
}

} // namespace

BENCHMARK(BM_ImportObj1M)->Iterations(15)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
