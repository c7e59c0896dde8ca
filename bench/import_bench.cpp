// What containing an import costs: a 1M-triangle OBJ (written once into the temp folder) imported
// in process and in a child process that sends the scene back. Wall time is the benchmark's time;
// cpu_s is the CPU time (user and system) of the importing process and its children.
#include "host/io/AssimpImport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// zkopt imports once per process, into memory no earlier import has warmed; so each import runs
// in a fresh process of its own, and its CPU time (with the import's own child, when contained)
// is what that process and its children used.
void BM_ImportObj1M(benchmark::State& state)
{
    Tam::Io::zkImportOptions options;
    options.contained = state.range(0) != 0;
    options.timeLimit = 0;
    const std::string& path = bigObj();
    double cpu = 0;
    for (auto _ : state) {
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
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the import failed");
        cpu += childrenCpuSeconds() - before;
    }
    state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
    state.SetLabel(options.contained ? "contained" : "in process");
}

} // namespace

BENCHMARK(BM_ImportObj1M)->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
