// The external-image pass and the unlit-geometry pass, run by the host as zkopt runs them.
//
// BM_ImageExternal: a scene of N 256 x 256 RGBA textures written as PNG files into a temporary
// folder; the time is PNG encoding and the atomic writes. Counter: bytes of texels per second.
// BM_NoNormalsNoLighting: N geometries in groups of 8, every other one without normals, so half
// of them are split under lighting-off sets; the scene is rebuilt outside the timing.
#include "image/veskoNoNormalsNoLighting.h"
#include "image/zkImageExternalVesko.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

using namespace Tam::OptExtension;

namespace {

zkSmartPointer<zkFileInfo> sceneOver(zkGroup* root)
{
    auto file = zkCreate<zkFileInfo>();
    auto info = zkCreate<zkSceneInfo>();
    info->setRoot(root);
    file->getInfoList()->append(info);
    return file;
}

template <class P>
zkSmartPointer<P> passOn(zkOptInterface& run, const char* name)
{
    return zkSmartPointer<P>::adopt(P::dynamicCast(run.createOptBase(name)));
}

void BM_ImageExternal(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    zkImageExternalVesko::arkRegister();
    auto root = zkCreate<zkGroup>();
    auto texture = zkCreate<zkTextureAttr>();
    std::vector<uint8_t> texels(256 * 256 * 4);
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint8_t>(i * 31 + (i >> 10));
    for (int i = 0; i < count; ++i) {
        auto image = zkCreate<zkImage>();
        image->setName(("art/texture" + std::to_string(i) + ".tga").c_str());
        image->load(texels.data(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 256, 256);
        texture->setImage(image, i);
    }
    auto bind = zkCreate<zkTextureBindAttr>();
    bind->setTexture(texture);
    auto set = zkCreate<zkAttrSet>();
    set->appendAttr(bind);
    root->appendChild(set);
    zkSmartPointer<zkFileInfo> file = sceneOver(root);
    const auto folder = std::filesystem::temp_directory_path() / "zk_bench_image_external";
    std::filesystem::create_directories(folder);

    for (auto _ : state) {
        zkOptInterface run;
        run.setFile(file);
        run.setBaseDirectory(folder.string());
        run.setSink([](const std::string&) {});
        auto pass = passOn<zkImageExternalVesko>(run, "zkImageExternalVesko");
        if (!pass->configure(0) || !run.applyPass(pass)) state.SkipWithError("the pass failed");
    }
    state.SetBytesProcessed(state.iterations() * count * static_cast<int64_t>(texels.size()));
    std::filesystem::remove_all(folder);
}

zkSmartPointer<zkGroup> unlitScene(int geometries)
{
    auto root = zkCreate<zkGroup>();
    zkSmartPointer<zkGroup> group;
    for (int i = 0; i < geometries; ++i) {
        if (i % 8 == 0) {
            group = zkCreate<zkGroup>();
            root->appendChild(group);
        }
        auto array = zkCreate<zkVertexArray>();
        array->configure(zkVertexFormat::POSITION | (i % 2 ? 0u : uint32_t(zkVertexFormat::NORMAL)), 300, 0);
        auto attr = zkCreate<zkGeometryAttr>();
        attr->configureVertexArray(array);
        auto geometry = zkCreate<zkGeometry>();
        geometry->setName(("mesh" + std::to_string(i)).c_str());
        geometry->appendAttr(attr);
        group->appendChild(geometry);
    }
    return root;
}

void BM_NoNormalsNoLighting(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    veskoNoNormalsNoLighting::arkRegister();
    // Held across iterations so that the last scene is released outside the timing.
    std::unique_ptr<zkOptInterface> run;
    zkSmartPointer<veskoNoNormalsNoLighting> pass;
    zkSmartPointer<zkFileInfo> file;
    for (auto _ : state) {
        state.PauseTiming();
        pass = nullptr;
        run = std::make_unique<zkOptInterface>();
        file = sceneOver(unlitScene(count));
        run->setFile(file);
        run->setSink([](const std::string&) {});
        pass = passOn<veskoNoNormalsNoLighting>(*run, "veskoNoNormalsNoLighting");
        state.ResumeTiming();
        if (!pass->configure(0) || !run->applyPass(pass)) state.SkipWithError("the pass failed");
    }
    state.SetItemsProcessed(state.iterations() * count);
}

} // namespace

BENCHMARK(BM_ImageExternal)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoNormalsNoLighting)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
