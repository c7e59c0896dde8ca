// Re-instancing a large level: 20,000 geometry nodes of 100 to 1,000 vertices (positions,
// normals, one texture set), each a private copy of one of 200 shapes, every fifth shape equal
// to the one before it but for one coordinate of one vertex, spread over 50 groups. The time is
// the whole DoInstancing: the walk that collects candidates, hashing, the exact comparisons and
// the re-parenting. Each iteration gets a freshly built scene, built outside the timing.
//
// Counters: candidates collected, geometries replaced, and the CPU time of the pass alone.
#include "scene/veskoReinstanceGeometry.h"
#include "tools/examples/InstancedScene.h"

#include <benchmark/benchmark.h>

#include <ctime>

using namespace Tam::OptExtension;

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void BM_ReinstanceLevel(benchmark::State& state)
{
    Tam::Examples::InstancedSceneLayout layout;
    layout.geometries = static_cast<int>(state.range(0));
    layout.shapes = 200;
    layout.minVertices = 100;
    layout.maxVertices = 1000;
    layout.groups = 50;
    layout.seed = 2026;

    zkOptInterface host;
    host.setSink([](const std::string&) {});
    zkSmartPointer<zkOptBase> made = zkSmartPointer<zkOptBase>::adopt(host.createOptBase(veskoReinstanceGeometry::getClassTypeSafe()->getName()));
    veskoReinstanceGeometry* pass = veskoReinstanceGeometry::dynamicCast(made.get());
    if (!pass) {
        state.SkipWithError("veskoReinstanceGeometry is not registered");
        return;
    }
    double cpu = 0;
    int64_t candidates = 0, replaced = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto root = zkCreate<zkGroup>();
        Tam::Examples::buildInstancedScene(root.get(), layout);
        candidates = static_cast<int64_t>(pass->collectCandidates(root.get()).size());
        state.ResumeTiming();

        const double start = cpuSeconds();
        pass->DoInstancing(root.get());
        cpu += cpuSeconds() - start;

        state.PauseTiming();
        replaced = candidates - static_cast<int64_t>(pass->collectCandidates(root.get()).size());
        root = nullptr;
        state.ResumeTiming();
    }
    state.counters["candidates"] = static_cast<double>(candidates);
    state.counters["replaced"] = static_cast<double>(replaced);
    state.counters["cpu_s_per_run"] = cpu / static_cast<double>(state.iterations());
}

} // namespace

BENCHMARK(BM_ReinstanceLevel)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
