// The pass library as the host sees it: loaded with dlopen, found by plain export name, and
// passes created and run by class name.
#include "host/zkhost.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Opt;

namespace {

using CreateFunction = void (*)(zkSmartPointer<zkLibrary>&);

struct LoadedModule {
    void* handle = dlopen(ZK_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    CreateFunction create = handle ? reinterpret_cast<CreateFunction>(dlsym(handle, "createLibraryObject")) : nullptr;
};

LoadedModule& module()
{
    static LoadedModule m;
    return m;
}

zkSmartPointer<zkGroup> group(const char* name, uint32_t flags)
{
    auto g = zkCreate<zkGroup>();
    g->setName(name);
    g->setFlags(flags);
    return g;
}

} // namespace

TEST(Module, ExportsCreateLibraryObjectUnderItsPlainName)
{
    ASSERT_NE(module().handle, nullptr) << dlerror();
    EXPECT_NE(module().create, nullptr);
}

TEST(Module, CreateLibraryObjectReleasesTheHeldObjectOnceAndOwnsTheNewOne)
{
    ASSERT_NE(module().create, nullptr);
    zkSmartPointer<zkLibrary> result;
    module().create(result);
    zkSmartPointer<zkLibrary> first = result; // a second holder of the first library object
    ASSERT_EQ(first->getRefCount(), 2u);

    module().create(result);
    EXPECT_NE(result.get(), first.get());
    EXPECT_EQ(first->getRefCount(), 1u);
    EXPECT_EQ(result->getRefCount(), 1u);
    EXPECT_EQ(result->getMemoryPool(), zkGetMemoryPool(zkMemoryPoolMetaData));
    EXPECT_NE(result->getRegisterFunction(), nullptr);
}

TEST(Module, RegisterFunctionEntersTheThirtyOnePassesInTableOrder)
{
    ASSERT_NE(module().create, nullptr);
    zkSmartPointer<zkLibrary> library;
    module().create(library);
    EXPECT_EQ(zkFindClass("zkWeldVesko"), nullptr);
    std::size_t before = zkRegisteredClasses().size();
    library->getRegisterFunction()();

    std::vector<std::string> names;
    for (std::size_t i = before; i < zkRegisteredClasses().size(); ++i)
        if (zkRegisteredClasses()[i]->isOfType(zkOptBase::getClassTypeSafe()))
            names.push_back(zkRegisteredClasses()[i]->getName());
    ASSERT_EQ(names.size(), 31u);
    EXPECT_EQ(names.front(), "veskoTextureStatistics");
    EXPECT_EQ(names[16], "zkWeldVesko");
    EXPECT_EQ(names.back(), "ExtractMotionVesko");
    // The collision record registers on first use, not here.
    EXPECT_EQ(zkFindClass("zkCollideHull"), nullptr);

    // Registering again changes nothing.
    std::size_t after = zkRegisteredClasses().size();
    library->getRegisterFunction()();
    EXPECT_EQ(zkRegisteredClasses().size(), after);
}

TEST(Module, VisitorPassByNameClearsFlagsOnEveryReachableNode)
{
    ASSERT_NE(module().create, nullptr);
    zkSmartPointer<zkLibrary> library;
    module().create(library);
    library->getRegisterFunction()();

    // root -> a -> shared, root -> shared: the shared node is visited once.
    auto root = group("root", 0x31);
    auto a = group("a", 0x10);
    auto shared = group("shared", 0x70);
    root->appendChild(a);
    a->appendChild(shared);
    root->appendChild(shared);
    auto file = zkCreate<zkFileInfo>();
    auto scene = zkCreate<zkSceneInfo>();
    scene->setRoot(root);
    file->getInfoList()->append(scene);

    std::string printed;
    zkOptInterface run;
    run.setFile(file);
    run.setSink([&](const std::string& s) { printed += s; });

    zkSmartPointer<zkOptBase> report = zkSmartPointer<zkOptBase>::adopt(run.createOptBase("veskoRemoveNodeFlags"));
    ASSERT_TRUE(report);
    zkMetaObject* meta = report->getMeta();
    meta->findMetaField("_flagsToRemove")->ref<int32_t>(report.get()) = 0x20;
    meta->findMetaField("_reportOnly")->ref<bool>(report.get()) = true;
    ASSERT_TRUE(report->configure(0));
    ASSERT_TRUE(run.applyPass(report));
    EXPECT_EQ(printed, "zkGroup \"root\" matches (0x31)\n"
                       "zkGroup \"shared\" matches (0x70)\n");

    zkSmartPointer<zkOptBase> clear = zkSmartPointer<zkOptBase>::adopt(run.createOptBase("veskoRemoveNodeFlags"));
    clear->getMeta()->findMetaField("_flagsToRemove")->ref<int32_t>(clear.get()) = 0x30;
    ASSERT_TRUE(run.applyPass(clear));
    EXPECT_EQ(root->getFlags(), 0x01u);
    EXPECT_EQ(a->getFlags(), 0x00u);
    EXPECT_EQ(shared->getFlags(), 0x40u);
}

TEST(Module, TraversalPassByNameRunsOverTheGraph)
{
    ASSERT_NE(module().create, nullptr);
    zkSmartPointer<zkLibrary> library;
    module().create(library);
    library->getRegisterFunction()();

    auto root = group("root", 0);
    root->appendChild(group("child", 0));
    auto file = zkCreate<zkFileInfo>();
    auto scene = zkCreate<zkSceneInfo>();
    scene->setRoot(root);
    file->getInfoList()->append(scene);
    zkOptInterface run;
    run.setFile(file);
    for (const char* name : {"zkWeldVesko", "zkStripVesko", "zkCheckGeometryVesko", "VeskoActorSkinFinalize"}) {
        zkSmartPointer<zkOptBase> pass = zkSmartPointer<zkOptBase>::adopt(run.createOptBase(name));
        ASSERT_TRUE(pass) << name;
        EXPECT_TRUE(pass->isOfType(zkOptTraverseGraph::getClassTypeSafe())) << name;
        EXPECT_TRUE(pass->configure(0)) << name;
        EXPECT_TRUE(run.applyPass(pass)) << name;
    }
    EXPECT_EQ(root->getChildCount(), 1);
}
