// Collision hull build on displaced-grid terrain: 10K, 100K and 1M triangles, with
// and without the simplifier. Each iteration does what the hull pass does with the
// builder: add every triangle (swap flag set), build, statistics, report, export.
//
// Counters: triangles before and after simplification, and the peak resident set
// (VmHWM) of the iteration, reset through /proc/self/clear_refs before each run.
#include "collision/Tavik.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace Tam::OptExtension;

namespace {

// Rolling terrain with flat plateaus (where the simplifier has something to remove),
// a little noise, and flag/material regions so that not every corner may weld.
std::vector<CollideTriangle> displacedGrid(int triangles, uint32_t seed) {
    const int cells = int(std::ceil(std::sqrt(triangles / 2.0)));
    const float spacing = 2.0f;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    std::vector<float> height(size_t(cells + 1) * size_t(cells + 1));
    for (int j = 0; j <= cells; ++j) {
        for (int i = 0; i <= cells; ++i) {
            float x = float(i) * spacing, y = float(j) * spacing;
            float z = 12.0f * std::sin(x / 90.0f) * std::cos(y / 70.0f);
            z = std::round(z / 4.0f) * 4.0f + 0.5f * std::sin(x / 9.0f);  // terraces
            height[size_t(j) * size_t(cells + 1) + size_t(i)] = z + noise(rng);
        }
    }
    auto vertex = [&](int i, int j, uint32_t word) {
        return CollideTriangle::Vertex{float(i) * spacing, float(j) * spacing,
                                       height[size_t(j) * size_t(cells + 1) + size_t(i)], word};
    };
    std::vector<CollideTriangle> soup;
    soup.reserve(size_t(triangles));
    for (int j = 0; j < cells && int(soup.size()) < triangles; ++j) {
        for (int i = 0; i < cells && int(soup.size()) < triangles; ++i) {
            uint32_t flags = ((i / 64 + j / 64) % 5 == 0) ? 0x003u : 0x1FBu;
            uint32_t material = uint32_t((i / 128) % 4);
            soup.push_back({{vertex(i, j, 0), vertex(i + 1, j, flags), vertex(i + 1, j + 1, material)}});
            if (int(soup.size()) < triangles)
                soup.push_back({{vertex(i, j, 0), vertex(i + 1, j + 1, flags), vertex(i, j + 1, material)}});
        }
    }
    return soup;
}

void resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

double peakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0.0;
}

void BM_CollideHull(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool merge = state.range(1) != 0;
    const std::vector<CollideTriangle> soup = displacedGrid(count, 7);
    size_t after = 0;
    size_t reportLines = 0;
    double peak = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        state.ResumeTiming();
        Tavik builder(0);
        for (const CollideTriangle& t : soup)
            builder.addTriangle(t, true, merge);
        int treeBytes = 0, triangleBytes = 0;
        if (!builder.build(4, treeBytes, triangleBytes, merge, "bench")) {
            state.SkipWithError("build failed");
            break;
        }
        CollideTreeStats stats;
        builder.getStatistics(stats);
        LineSink sink = [&](const std::string&) { ++reportLines; };
        printCollideReport(sink, treeBytes, triangleBytes, stats);
        CollideHullWords words = builder.exportWords();
        printCollideTotals(sink, treeBytes, triangleBytes);
        benchmark::DoNotOptimize(words.nodes.data());
        after = size_t(words.recordTriangleCount);
        state.PauseTiming();
        peak = std::max(peak, peakMegabytes());
        state.ResumeTiming();
    }
    state.counters["tris_before"] = double(soup.size());
    state.counters["tris_after"] = double(after);
    state.counters["peak_MB"] = peak;
}

}  // namespace

BENCHMARK(BM_CollideHull)
    ->ArgNames({"tris", "merge"})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

// A million triangles: a few iterations are plenty and keep the shared machine free.
BENCHMARK(BM_CollideHull)
    ->ArgNames({"tris", "merge"})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
