// The whole collision hull pass, run by the host as zkopt runs it, on terrain scenes of 10K, 100K
// and 1M collidable triangles, with and without merging. A scene is tiles of 10K triangles
// (indexed lists, as exporters write them) placed by transforms, every other tile under a user
// info that changes its material, so that the walk, world transforms, gathering, simplifier,
// tree, report and record are all in the time.
//
// Counters: triangles gathered and kept in the record, the peak resident set (VmHWM) of the
// process during the run, and how far that peak rose above the resident set just before the run
// (the pass's own working memory plus the record it leaves). No drive is mapped, so the
// simplifier writes no log.
#include "collision/zkCollideHullVesko.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <string>

using namespace Tam::OptExtension;
using Vesko::TolvanSharedODL::zkCollideHull;

namespace {

constexpr int kTileColumns = 50;
constexpr int kTileRows = 100; // 2 * 50 * 100 = 10K triangles per tile
constexpr float kSpacing = 2.0f;

// Rolling terraces with a little noise: flat stretches for the simplifier, slopes it must keep.
float terrain(float x, float y, std::mt19937& rng)
{
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    float z = 12.0f * std::sin(x / 90.0f) * std::cos(y / 70.0f);
    return std::round(z / 4.0f) * 4.0f + 0.5f * std::sin(x / 9.0f) + noise(rng);
}

zkSmartPointer<zkGeometry> tile(float originX, float originY, std::mt19937& rng)
{
    auto vertices = zkCreate<zkVertexArray>();
    const int across = kTileColumns + 1;
    vertices->configure(zkVertexFormat::POSITION, across * (kTileRows + 1), 0);
    for (int j = 0; j <= kTileRows; ++j)
        for (int i = 0; i <= kTileColumns; ++i) {
            const float x = float(i) * kSpacing, y = float(j) * kSpacing;
            vertices->setPosition(j * across + i, {x, y, terrain(originX + x, originY + y, rng)});
        }
    auto indices = zkCreate<zkIndexArray>();
    indices->configure(6 * kTileColumns * kTileRows);
    int k = 0;
    for (int j = 0; j < kTileRows; ++j)
        for (int i = 0; i < kTileColumns; ++i) {
            const int a = j * across + i, b = a + 1, c = a + across + 1, d = a + across;
            for (int v : {a, b, c, a, c, d}) indices->setIndex(k++, v);
        }
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(vertices);
    attr->configureIndexArray(indices);
    attr->setPrimitives(Tam::Attrs::ZK_PRIMITIVE_TRIANGLE_LIST, 2 * kTileColumns * kTileRows, 0);
    auto geometry = zkCreate<zkGeometry>();
    geometry->setFlags(ZK_NODE_FLAG_COLLIDABLE);
    geometry->appendAttr(attr);
    return geometry;
}

zkSmartPointer<zkFileInfo> terrainScene(int triangles)
{
    std::mt19937 rng(7);
    auto root = zkCreate<zkGroup>();
    const int tiles = std::max(1, triangles / (2 * kTileColumns * kTileRows));
    const int perRow = int(std::ceil(std::sqrt(double(tiles))));
    for (int t = 0; t < tiles; ++t) {
        const float x = float(t % perRow) * kTileColumns * kSpacing, y = float(t / perRow) * kTileRows * kSpacing;
        auto place = zkCreate<zkTransform>();
        zkMatrix44f m;
        m.m[3][0] = x, m.m[3][1] = y;
        place->setMatrix(m);
        zkGroup* parent = root;
        if (t % 2) {
            auto info = zkCreate<zkUserInfo>();
            info->setStringProperty("material", std::to_string(t % 4).c_str());
            root->appendChild(info);
            parent = info;
        }
        parent->appendChild(place);
        place->appendChild(tile(x, y, rng));
    }
    auto scene = zkCreate<zkSceneInfo>();
    scene->setRoot(root);
    auto file = zkCreate<zkFileInfo>();
    file->setName("terrain.zks");
    file->getInfoList()->append(scene);
    return file;
}

void resetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

double statusMegabytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stod(line.substr(std::string(key).size())) / 1024.0;
    return 0.0;
}

void BM_CollideHullPass(benchmark::State& state)
{
    const int triangles = int(state.range(0));
    zkCollideHullVesko::arkRegister();
    zkSmartPointer<zkFileInfo> file = terrainScene(triangles);
    zkObjectList* infos = file->getInfoList();
    int kept = 0;
    double peak = 0.0, rise = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        zkOptInterface run;
        run.setFile(file);
        run.setSink([](const std::string&) {});
        auto pass = zkSmartPointer<zkCollideHullVesko>::adopt(
            zkCollideHullVesko::dynamicCast(run.createOptBase("zkCollideHullVesko")));
        pass->_mergeTriangles = state.range(1) != 0;
        resetPeak();
        const double before = statusMegabytes("VmRSS:");
        state.ResumeTiming();

        if (!run.applyPass(pass)) {
            state.SkipWithError("the pass failed");
            break;
        }

        state.PauseTiming();
        peak = std::max(peak, statusMegabytes("VmHWM:"));
        rise = std::max(rise, statusMegabytes("VmHWM:") - before);
        const zkCollideHull* record = zkCollideHull::dynamicCast(infos->get(infos->getCount() - 1));
        kept = record ? record->_mNumTriangles : 0;
        while (infos->getCount() > 1) infos->remove(infos->getCount() - 1);
        state.ResumeTiming();
    }
    state.counters["tris_before"] = double(triangles);
    state.counters["tris_after"] = double(kept);
    state.counters["peak_MB"] = peak;
    state.counters["pass_MB"] = rise;
}

} // namespace

BENCHMARK(BM_CollideHullPass)
    ->ArgNames({"tris", "merge"})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

// A million triangles: a few iterations are enough and keep the shared machine free.
BENCHMARK(BM_CollideHullPass)
    ->ArgNames({"tris", "merge"})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
