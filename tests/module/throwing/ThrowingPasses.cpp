// A pass library for the driver's tests, loaded by zkopt with --plugin like any other: a pass that
// throws from the operation its fields name, and one that leaves the scene inconsistent.
#include "host/zkhost.h"

#include <cstdlib>
#include <new>
#include <stdexcept>

namespace Tam::DriverTest {

using namespace Tam::Core;
using namespace Tam::Opt;
using namespace Tam::Sg;

static void initialise() {}

class zkThrowingTestPass : public zkOptTraverseGraph {
    ZK_CLASS(zkThrowingTestPass, zkOptTraverseGraph)
public:
    // _throwIn: 0 nowhere, 1 configure, 2 canOptimize, 3 dispatch (inside apply), 4 postTraverse.
    // _throwWhat: 0 std::runtime_error, 1 std::bad_alloc, 2 an int.
#define zkThrowingTestPass_FIELDS(F) \
    F(int32_t, _throwIn, k_throwIn)  \
    F(int32_t, _throwWhat, k_throwWhat)
    ZK_FIELDS(zkThrowingTestPass_FIELDS)

    bool configure(int) override { return maybeThrow(1); }
    using Super::canOptimize;
    bool canOptimize(zkInfo* info) override { return maybeThrow(2) && Super::canOptimize(info); }
    GRAPH_TRAVERSAL dispatch(zkSmartPointer<zkNode>& node) override
    {
        printf("dispatch %s\n", node->getName());
        maybeThrow(3);
        return GRAPH_TRAVERSAL_CONTINUE;
    }
    bool postTraverse() override { return maybeThrow(4); }

private:
    bool maybeThrow(int where)
    {
        if (_throwIn != where) return true;
        if (_throwWhat == 1) throw std::bad_alloc();
        if (_throwWhat == 2) throw 42;
        throw std::runtime_error("thrown on purpose");
    }
};
ZK_DEFINE_CLASS_WITH_FIELDS(zkThrowingTestPass, zkThrowingTestPass_FIELDS, ::Tam::DriverTest::initialise, nullptr)

// Appends an image of no known format to the file's infos: a scene that no reader would accept.
class zkBreakSceneTestPass : public zkOptBase {
    ZK_CLASS(zkBreakSceneTestPass, zkOptBase)
public:
    bool applyInfo(zkInfo*) override
    {
        auto image = zkSmartPointer<Gfx::zkImage>::adopt(Gfx::zkImage::_instantiateFromPool(nullptr));
        image->format = static_cast<Gfx::ZK_GFX_TEXTURE_FORMAT>(12345);
        getOptInterface()->getInfoList()->append(image.get());
        return true;
    }
};
ZK_DEFINE_CLASS(zkBreakSceneTestPass, ::Tam::DriverTest::initialise, nullptr)

// With ZK_TEST_PASSES_REFUSE set, the library fails its own registration.
static void registerPasses()
{
    if (std::getenv("ZK_TEST_PASSES_REFUSE")) throw std::runtime_error("refused on purpose");
    zkThrowingTestPass::arkRegister();
    zkBreakSceneTestPass::arkRegister();
}

} // namespace Tam::DriverTest

extern "C" __attribute__((visibility("default"))) void
createLibraryObject(Tam::Core::zkSmartPointer<Tam::Core::zkLibrary>& result)
{
    using namespace Tam::Core;
    result = zkSmartPointer<zkLibrary>::adopt(zkLibrary::_instantiateFromPool(nullptr));
    result->setRegisterFunction(&Tam::DriverTest::registerPasses);
}
