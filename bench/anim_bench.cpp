// The two animation passes, run by the host as zkopt runs them, on databases built in memory.
//
// ExtractMotion: 20 animations whose root and motion bones both have N keys (a tracked walk, so
// the motion path is evaluated at every root key), for N of 30 (a second at 30 keys per second),
// 1K and 30K. Each run works on fresh copies of the sequences; copying is outside the time.
//
// SkinFinalize: one skin whose graph holds 16 palettes of 48 shuffled bones, each over a mesh of
// V/16 vertices with 4 blend indices, and an outline mesh; V of 10K, 100K and 1M. Palettes sorted
// by one run are shuffled back outside the time.
#include "anim/ExtractMotionVesko.h"
#include "anim/VeskoActorSkinFinalize.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

using namespace Tam::OptExtension;

namespace {

constexpr int kAnimations = 20;
constexpr int64_t kKeyStep = 33333333; // 30 keys per second

zkSmartPointer<zkTransformSequence1_5> walkSequence(int keys, float height)
{
    auto s = zkCreate<zkTransformSequence1_5>();
    s->configure(keys, zkTransformSequence::TRANSLATION | zkTransformSequence::ROTATION);
    s->setDuration(int64_t(keys - 1) * kKeyStep);
    for (int k = 0; k < keys; ++k) {
        s->setTime(k, int64_t(k) * kKeyStep);
        s->setTranslation(k, {2.0f * std::sin(0.2f * k), height, 5.0f * k});
    }
    return s;
}

struct Walks {
    zkSmartPointer<zkFileInfo> file = zkCreate<zkFileInfo>();
    zkSmartPointer<zkAnimationDatabase> db = zkCreate<zkAnimationDatabase>();
    std::vector<zkSmartPointer<zkAnimationTrack>> tracks;  // root, motion, root, motion, ...
    std::vector<zkSmartPointer<zkTransformSequence1_5>> originals;

    explicit Walks(int keys)
    {
        auto skeleton = zkCreate<zkSkeleton>();
        for (const char* name : {"Bip01", "motion"}) {
            auto bone = zkCreate<zkBoneInfo>();
            bone->setName(name);
            skeleton->appendBone(bone);
        }
        db->appendSkeleton(skeleton);
        for (int a = 0; a < kAnimations; ++a) {
            auto animation = zkCreate<zkAnimation>();
            animation->setName(("walk" + std::to_string(a)).c_str());
            for (const char* name : {"Bip01", "motion"}) {
                auto track = zkCreate<zkAnimationTrack>();
                track->setName(name);
                animation->appendTrack(track);
                tracks.push_back(track);
                originals.push_back(walkSequence(keys, name[0] == 'B' ? 90.0f : 0.0f));
            }
            db->appendAnimation(animation);
        }
        file->getInfoList()->append(db);
    }

    void reset()
    {
        for (std::size_t i = 0; i < tracks.size(); ++i)
            tracks[i]->setSource(zkSmartPointer<zkObject>::adopt(originals[i]->createCopy(zkObject::COPY_DEEP)).get());
    }
};

void BM_ExtractMotion(benchmark::State& state)
{
    ExtractMotionVesko::arkRegister();
    Walks walks(static_cast<int>(state.range(0)));
    zkOptInterface host;
    host.setFile(walks.file);
    host.setSink([](const std::string&) {});
    zkSmartPointer<zkOptBase> pass = zkSmartPointer<zkOptBase>::adopt(host.createOptBase("ExtractMotionVesko"));
    for (auto _ : state) {
        state.PauseTiming();
        walks.reset();
        state.ResumeTiming();
        host.applyPass(pass.get());
    }
    state.counters["keys"] = benchmark::Counter(double(state.range(0)) * kAnimations * 2,
                                                benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ExtractMotion)->Arg(30)->Arg(1000)->Arg(30000)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr int kPalettes = 16;
constexpr int kPaletteBones = 48;

zkSmartPointer<zkGeometry> skinnedMesh(const char* name, int vertices, bool normals, std::mt19937& rng)
{
    zkVertexFormat format(zkVertexFormat::POSITION);
    format.setFlag(zkVertexFormat::NORMAL, normals);
    format.setWeightCount(4);
    format.setBlendMatrixIndexCount(4);
    auto array = zkCreate<zkVertexArray>();
    array->configure(format, vertices, 0, 0);
    std::uniform_int_distribution<int> bone(0, kPaletteBones - 1);
    for (int v = 0; v < vertices; ++v)
        for (int j = 0; j < 4; ++j) {
            array->setWeight(j, v, 0.25f);
            array->setBlendMatrixIndex(j, v, static_cast<uint8_t>(bone(rng)));
        }
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array);
    attr->setPrimitives(Tam::Attrs::ZK_PRIMITIVE_TRIANGLE_LIST, vertices / 3, 0);
    auto geometry = zkCreate<zkGeometry>();
    geometry->setName(name);
    geometry->appendAttr(attr);
    return geometry;
}

void BM_SkinFinalize(benchmark::State& state)
{
    VeskoActorSkinFinalize::arkRegister();
    std::mt19937 rng(7);
    const int perPalette = static_cast<int>(state.range(0)) / kPalettes;
    auto file = zkCreate<zkFileInfo>();
    auto db = zkCreate<zkAnimationDatabase>();
    auto body = zkCreate<zkGroup>();
    std::vector<int> bones(kPaletteBones);
    std::vector<zkSmartPointer<zkBlendMatrixSelect>> palettes;
    for (int p = 0; p < kPalettes; ++p) {
        auto set = zkCreate<zkAttrSet>();
        auto select = zkCreate<zkBlendMatrixSelect>();
        std::iota(bones.begin(), bones.end(), p * 4);
        for (int b : bones) select->getBlendMatrixIndices()->append(b);
        select->appendChild(skinnedMesh(p == 0 ? "body_outline" : "body", perPalette, p != 0, rng));
        set->appendChild(select);
        body->appendChild(set);
        palettes.push_back(select);
    }
    auto skin = zkCreate<zkSkin>();
    skin->setSkinnedGraph(body);
    db->appendSkin(skin);
    file->getInfoList()->append(db);

    zkOptInterface host;
    host.setFile(file);
    host.setSink([](const std::string&) {});
    zkSmartPointer<zkOptBase> pass = zkSmartPointer<zkOptBase>::adopt(host.createOptBase("VeskoActorSkinFinalize"));
    for (auto _ : state) {
        state.PauseTiming();
        for (auto& select : palettes) std::shuffle(select->getBlendMatrixIndices()->values.begin(),
                                                   select->getBlendMatrixIndices()->values.end(), rng);
        state.ResumeTiming();
        host.applyPass(pass.get());
    }
    state.counters["vertices"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SkinFinalize)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
