// Welding and strip-building benchmarks on grid meshes and triangle soups,
// with meshoptimizer and Assimp on the same meshes for comparison.
//
// Ours/theirs ratios are reported as counters on the peer benchmarks, which
// are registered (and so run) after ours. Peak memory of the strip builder is
// measured in a separate process per size, so that sizes do not mask each
// other.
#include "geometry/Welder.h"
#include "geometry/strip/StripBuilder.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <meshoptimizer.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace Tam::OptExtension;

struct Vertex {
    float pos[3];
    float nrm[3];
    float uv[2];
};

struct Mesh {
    std::vector<Vertex> vertices;
    std::vector<int32_t> indices;
};

// A w x w quad grid, two triangles per quad, about `triangles` triangles.
int gridSide(int triangles) { return static_cast<int>(std::lround(std::sqrt(triangles / 2.0))); }

const Mesh& grid(int triangles) {
    static std::map<int, Mesh> cache;
    Mesh& m = cache[triangles];
    if (!m.indices.empty()) return m;
    const int w = gridSide(triangles);
    for (int y = 0; y <= w; ++y)
        for (int x = 0; x <= w; ++x)
            m.vertices.push_back({{x * 0.01f, y * 0.01f, 0.0f},
                                  {0.0f, 0.0f, 1.0f},
                                  {x / static_cast<float>(w), y / static_cast<float>(w)}});
    for (int y = 0; y < w; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = y * (w + 1) + x, b = a + 1, c = a + w + 1, d = c + 1;
            m.indices.insert(m.indices.end(), {a, b, c, b, d, c});
        }
    return m;
}

// The same grid unindexed: every triangle on its own three vertices.
const Mesh& soup(int triangles) {
    static std::map<int, Mesh> cache;
    Mesh& m = cache[triangles];
    if (!m.vertices.empty()) return m;
    const Mesh& g = grid(triangles);
    m.vertices.reserve(g.indices.size());
    for (int32_t i : g.indices) m.vertices.push_back(g.vertices[i]);
    return m;
}

WeldVertexView viewOf(const Mesh& m) {
    WeldVertexView v;
    v.vertexCount = m.vertices.size();
    v.positions = m.vertices[0].pos;
    v.normals = m.vertices[0].nrm;
    v.texCoords = m.vertices[0].uv;
    v.positionStride = v.normalStride = v.texCoordStride = sizeof(Vertex);
    return v;
}

// Seconds per iteration of our runs, for the ratios.
std::map<std::string, double>& ours() {
    static std::map<std::string, double> m;
    return m;
}

std::string key(const char* op, int triangles) { return std::string(op) + std::to_string(triangles); }

template <typename Fn>
double timed(benchmark::State& state, Fn fn) {
    double total = 0.0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    return total / static_cast<double>(state.iterations());
}

long statusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, n, field) == 0) return std::stol(line.substr(n + 1));
    return -1;
}

// Peak memory of the strip builder, measured in a fresh copy of this
// program (a fork would reuse the heap this process has already grown):
// with ZK_STRIP_PEAK=<triangles> set, the copy builds the grid, strips it,
// prints its VmHWM in MB and exits before the benchmarks start.
const bool kPeakChild = [] {
    const char* arg = std::getenv("ZK_STRIP_PEAK");
    if (arg == nullptr) return false;
    const Mesh& g = grid(std::atoi(arg));
    std::vector<int32_t> out(2 * g.indices.size());
    int s = 0, d = 0, r = 0;
    stripTriangleList(g.indices.data(), static_cast<int>(g.indices.size() / 3), out.data(), s, d, r);
    std::printf("%f\n", statusKb("VmHWM:") / 1024.0);
    std::fflush(stdout);
    _exit(0);
}();

double stripPeakMb(int triangles) {
    const std::string cmd = "ZK_STRIP_PEAK=" + std::to_string(triangles) + " /proc/" +
                            std::to_string(getpid()) + "/exe";
    double mb = -1.0;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        if (std::fscanf(p, "%lf", &mb) != 1) mb = -1.0;
        pclose(p);
    }
    return mb;
}

void BM_WeldOurs(benchmark::State& state) {
    const int t = static_cast<int>(state.range(0));
    const Mesh& m = soup(t);
    size_t welded = 0;
    const double sec = timed(state, [&] {
        WeldResult r = weldVertices(viewOf(m));
        welded = r.source.size();
        benchmark::DoNotOptimize(r.remap.data());
    });
    ours()[key("weld", t)] = sec;
    state.counters["vertices"] = static_cast<double>(m.vertices.size());
    state.counters["welded"] = static_cast<double>(welded);
    state.counters["vertices/s"] = m.vertices.size() / sec;
}

void BM_WeldMeshopt(benchmark::State& state) {
    const int t = static_cast<int>(state.range(0));
    const Mesh& m = soup(t);
    std::vector<unsigned int> remap(m.vertices.size());
    size_t welded = 0;
    const double sec = timed(state, [&] {
        welded = meshopt_generateVertexRemap(remap.data(), nullptr, m.vertices.size(), m.vertices.data(),
                                             m.vertices.size(), sizeof(Vertex));
        benchmark::DoNotOptimize(remap.data());
    });
    state.counters["welded"] = static_cast<double>(welded);
    state.counters["vertices/s"] = m.vertices.size() / sec;
    state.counters["time_ours/theirs"] = ours()[key("weld", t)] / sec;
}

// A PLY file of the soup in memory, imported without post-processing; only
// the joining step is timed.
std::string plyOf(const Mesh& m) {
    std::string s = "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(m.vertices.size()) +
                    "\nproperty float x\nproperty float y\nproperty float z\n"
                    "property float nx\nproperty float ny\nproperty float nz\n"
                    "property float s\nproperty float t\nelement face " +
                    std::to_string(m.vertices.size() / 3) +
                    "\nproperty list uchar int vertex_indices\nend_header\n";
    s.append(reinterpret_cast<const char*>(m.vertices.data()), m.vertices.size() * sizeof(Vertex));
    for (size_t f = 0; f < m.vertices.size() / 3; ++f) {
        const unsigned char three = 3;
        const int32_t idx[3] = {static_cast<int32_t>(3 * f), static_cast<int32_t>(3 * f + 1),
                                static_cast<int32_t>(3 * f + 2)};
        s.append(reinterpret_cast<const char*>(&three), 1);
        s.append(reinterpret_cast<const char*>(idx), sizeof idx);
    }
    return s;
}

void BM_WeldAssimp(benchmark::State& state) {
    const int t = static_cast<int>(state.range(0));
    const std::string ply = plyOf(soup(t));
    double total = 0.0;
    unsigned int before = 0, after = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFileFromMemory(ply.data(), ply.size(), 0, "ply");
        if (scene == nullptr || scene->mNumMeshes == 0) {
            state.SkipWithError(importer.GetErrorString());
            break;
        }
        before = scene->mMeshes[0]->mNumVertices;
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        scene = importer.ApplyPostProcessing(aiProcess_JoinIdenticalVertices);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        after = scene != nullptr ? scene->mMeshes[0]->mNumVertices : 0;
        state.PauseTiming();  // the importer's teardown is not the welder's
        importer.FreeScene();
        state.ResumeTiming();
    }
    const double sec = total / static_cast<double>(state.iterations());
    state.counters["vertices"] = before;
    state.counters["welded"] = after;
    state.counters["vertices/s"] = before / sec;
    state.counters["time_ours/theirs"] = ours()[key("weld", t)] / sec;
}

void BM_StripOurs(benchmark::State& state) {
    const int t = static_cast<int>(state.range(0));
    const Mesh& g = grid(t);
    const int tris = static_cast<int>(g.indices.size() / 3);
    std::vector<int32_t> out(6 * static_cast<size_t>(tris));
    int n = 0, strips = 0;
    const double sec = timed(state, [&] {
        int s = 0, d = 0, r = 0;
        n = stripTriangleList(g.indices.data(), tris, out.data(), s, d, r);
        strips = s;
    });
    ours()[key("strip", t)] = sec;
    ours()[key("stripipt", t)] = static_cast<double>(n) / tris;
    state.counters["triangles"] = tris;
    state.counters["triangles/s"] = tris / sec;
    state.counters["indices/tri"] = static_cast<double>(n) / tris;
    state.counters["strips"] = strips;
    state.counters["peak_MB"] = stripPeakMb(t);
}

void BM_StripMeshopt(benchmark::State& state) {
    const int t = static_cast<int>(state.range(0));
    const Mesh& g = grid(t);
    const std::vector<unsigned int> idx(g.indices.begin(), g.indices.end());
    std::vector<unsigned int> out(meshopt_stripifyBound(idx.size()));
    size_t n = 0;
    const double sec = timed(state, [&] {
        // Restart index 0: strips joined by degenerate triangles, as ours.
        n = meshopt_stripify(out.data(), idx.data(), idx.size(), g.vertices.size(), 0u);
        benchmark::DoNotOptimize(out.data());
    });
    const double tris = static_cast<double>(idx.size() / 3);
    state.counters["triangles/s"] = tris / sec;
    state.counters["indices/tri"] = n / tris;
    state.counters["time_ours/theirs"] = ours()[key("strip", t)] / sec;
    state.counters["ipt_ours/theirs"] = ours()[key("stripipt", t)] / (n / tris);
}

constexpr int kSmall = 10000, kMedium = 100000, kLarge = 1000000;

BENCHMARK(BM_WeldOurs)->Arg(kSmall)->Arg(kMedium)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WeldMeshopt)->Arg(kSmall)->Arg(kMedium)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WeldAssimp)->Arg(kSmall)->Arg(kMedium)->Arg(kLarge)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_StripOurs)->Arg(kSmall)->Arg(kMedium)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StripOurs)->Arg(kLarge)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StripMeshopt)->Arg(kSmall)->Arg(kMedium)->Arg(kLarge)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
