// The host object model: reference counts, generic copies and visits, the registry, strings, and
// the call order of the three kinds of pass.
#include "host/zkhost.h"
#include "tests/harness/PassHarness.h"

#include <gtest/gtest.h>

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Opt;
using Tam::Test::named;

// Named rather than anonymous: the registration members of the test classes are not all used.
namespace object_model_test {

std::vector<std::string> names(const std::vector<zkObject*>& objects)
{
    std::vector<std::string> out;
    for (zkObject* o : objects) out.push_back(static_cast<zkNamedObject*>(o)->getName());
    return out;
}

// Passes that record the calls the host makes, as a module's passes would see them.
std::vector<std::string> calls;

class recordingTraversal : public zkOptTraverseGraph {
    ZK_CLASS(recordingTraversal, zkOptTraverseGraph)
public:
    bool configure(int section) override { calls.push_back("configure " + std::to_string(section)); return true; }
    bool preTraverse() override
    {
        calls.push_back("preTraverse");
        setNodeType(zkGroup::getClassTypeSafe());
        return true;
    }
    GRAPH_TRAVERSAL dispatch(zkSmartPointer<zkNode>& node) override
    {
        calls.push_back(std::string("dispatch ") + node->getName());
        // Replacing a node puts the replacement in the parent's slot.
        if (std::string(node->getName()) == "old") {
            auto replacement = zkCreate<zkGroup>();
            replacement->setName("new");
            node = replacement;
        }
        return GRAPH_TRAVERSAL_CONTINUE;
    }
    bool postTraverse() override { calls.push_back("postTraverse"); return true; }
};
ZK_DEFINE_CLASS(recordingTraversal, zkNoLibraryInit, nullptr)

class recordingVisitor : public zkOptVisitObject {
    ZK_CLASS(recordingVisitor, zkOptVisitObject)
public:
    void preVisit() override { calls.push_back("preVisit"); }
    zkMetaObject* getVisitedObjectMeta() override { return zkGroup::getClassTypeSafe(); }
    void visitor(zkObject* o) override { calls.push_back(std::string("visitor ") + static_cast<zkNode*>(o)->getName()); }
    void postVisit() override { calls.push_back("postVisit"); }
};
ZK_DEFINE_CLASS(recordingVisitor, zkNoLibraryInit, nullptr)

class recordingBase : public zkOptBase {
    ZK_CLASS(recordingBase, zkOptBase)
public:
    bool apply(zkSmartPointer<zkNode>& root) override
    {
        calls.push_back(std::string("apply ") + root->getName());
        printf("applied to %s\n", root->getName());
        return std::string(root->getName()) != "fail";
    }
};
ZK_DEFINE_CLASS(recordingBase, zkNoLibraryInit, nullptr)

struct Scene {
    zkSmartPointer<zkFileInfo> file = zkCreate<zkFileInfo>();
    zkSmartPointer<zkGroup> root = named<zkGroup>("root");
    Scene()
    {
        // Passes are created by name, so their classes register first, as a module's would.
        recordingTraversal::arkRegister();
        recordingVisitor::arkRegister();
        recordingBase::arkRegister();
        auto info = zkCreate<zkSceneInfo>();
        info->setRoot(root);
        file->getInfoList()->append(info);
    }
};

} // namespace object_model_test
using namespace object_model_test;

TEST(ObjectModel, CountWordKeepsTheReferenceCountInItsLow23Bits)
{
    zkMemoryPool* pool = zkGetMemoryPool(zkMemoryPoolScene);
    std::size_t before = pool->getLiveBlocks();
    zkGroup* g = zkGroup::_instantiateFromPool(pool);
    EXPECT_EQ(g->getCountWord() & 0x7fffff, 1u);
    g->addRef();
    EXPECT_EQ(g->getRefCount(), 2u);
    g->release();
    EXPECT_EQ(pool->getLiveBlocks(), before + 1);
    g->release(); // the creation reference: frees it
    EXPECT_EQ(pool->getLiveBlocks(), before);
}

TEST(ObjectModel, VisitReachesEveryObjectOnceInFieldOrder)
{
    auto root = named<zkGroup>("root");
    auto a = named<zkGroup>("a"), b = named<zkGroup>("b"), shared = named<zkGroup>("shared");
    root->appendChild(a);
    root->appendChild(b);
    a->appendChild(shared);
    b->appendChild(shared);
    b->appendChild(a); // a cycle-free second path to a
    std::vector<zkObject*> seen;
    zkVisitReachable(root, zkGroup::getClassTypeSafe(), [&](zkObject* o) { seen.push_back(o); });
    EXPECT_EQ(names(seen), (std::vector<std::string>{"root", "a", "shared", "b"}));
}

TEST(ObjectModel, DeepCopyKeepsSharingAndRebuildsParentLinks)
{
    auto root = named<zkGroup>("root");
    auto a = named<zkGroup>("a"), b = named<zkGroup>("b"), shared = named<zkGroup>("shared");
    root->appendChild(a);
    root->appendChild(b);
    a->appendChild(shared);
    b->appendChild(shared);
    EXPECT_EQ(shared->getParentCount(), 2);

    auto copy = zkSmartPointer<zkGroup>::adopt(static_cast<zkGroup*>(root->createCopy(zkObject::COPY_DEEP)));
    auto* ca = static_cast<zkGroup*>(copy->getChild(0));
    auto* cb = static_cast<zkGroup*>(copy->getChild(1));
    EXPECT_NE(ca, a.get());
    EXPECT_STREQ(ca->getName(), "a");
    ASSERT_EQ(ca->getChild(0), cb->getChild(0)); // still one shared node
    EXPECT_NE(ca->getChild(0), shared.get());
    EXPECT_EQ(ca->getChild(0)->getParentCount(), 2);
    EXPECT_EQ(ca->getParent(0), copy.get());
    EXPECT_EQ(shared->getParentCount(), 2); // the original is untouched

    auto shallow = zkSmartPointer<zkGroup>::adopt(static_cast<zkGroup*>(root->createCopy(zkObject::COPY_SHALLOW)));
    EXPECT_EQ(shallow->getChild(0), a.get());
    EXPECT_EQ(a->getParentCount(), 2); // the original root and its shallow copy
    shallow = nullptr;
    EXPECT_EQ(a->getParentCount(), 1);
}

TEST(ObjectModel, RemovingAChildDropsTheParentLinkAndUnlinkLeavesEveryHolder)
{
    auto p1 = named<zkGroup>("p1"), p2 = named<zkGroup>("p2"), child = named<zkGroup>("child");
    p1->appendChild(child);
    p2->appendChild(child);
    auto info = zkCreate<zkSceneInfo>();
    info->setRoot(child);
    EXPECT_EQ(child->getParentCount(), 3);
    EXPECT_EQ(child->getParent(2), info.get());
    EXPECT_TRUE(p1->removeChild(child.get()));
    EXPECT_EQ(child->getParentCount(), 2);
    child->unlink();
    EXPECT_EQ(child->getParentCount(), 0);
    EXPECT_EQ(p2->getChildCount(), 0);
    EXPECT_EQ(info->getRoot(), nullptr);
}

TEST(ObjectModel, HostCallsTraversalPassesInOrderOverNodesOfTheChosenClass)
{
    calls.clear();
    Scene scene;
    auto old = named<zkGroup>("old");
    scene.root->appendChild(old);
    old->appendChild(named<zkGroup>("below"));
    auto plain = zkCreate<zkNode>();
    plain->setName("leaf");
    scene.root->appendChild(plain);

    zkOptInterface run;
    run.setFile(scene.file);
    zkSmartPointer<zkOptBase> pass = zkSmartPointer<zkOptBase>::adopt(run.createOptBase("recordingTraversal"));
    ASSERT_TRUE(pass);
    ASSERT_TRUE(pass->configure(7));
    ASSERT_TRUE(run.applyPass(pass));
    // The replacement "new" has no children, so "below" is no longer reached; "leaf" is no group.
    EXPECT_EQ(calls, (std::vector<std::string>{"configure 7", "preTraverse", "dispatch root", "dispatch old",
                                               "postTraverse"}));
    EXPECT_STREQ(scene.root->getChild(0)->getName(), "new");
    EXPECT_EQ(scene.root->getChild(0)->getParent(0), scene.root.get());
    EXPECT_EQ(old->getParentCount(), 0);
}

TEST(ObjectModel, HostCallsVisitorPassesOncePerObjectOfTheVisitedClass)
{
    calls.clear();
    Scene scene;
    auto a = named<zkGroup>("a");
    scene.root->appendChild(a);
    scene.root->appendChild(a);
    zkOptInterface run;
    run.setFile(scene.file);
    zkSmartPointer<zkOptBase> pass = zkSmartPointer<zkOptBase>::adopt(run.createOptBase("recordingVisitor"));
    ASSERT_TRUE(run.applyPass(pass));
    EXPECT_EQ(calls, (std::vector<std::string>{"preVisit", "visitor root", "visitor a", "postVisit"}));
}

TEST(ObjectModel, PlainPassesGetEachSceneRootAndStopAtTheFirstFailure)
{
    calls.clear();
    Scene first;
    auto second = zkCreate<zkSceneInfo>();
    second->setRoot(named<zkGroup>("fail"));
    auto third = zkCreate<zkSceneInfo>();
    third->setRoot(named<zkGroup>("never"));
    first.file->getInfoList()->append(second);
    first.file->getInfoList()->append(third);
    first.file->getInfoList()->append(zkCreate<zkInfo>()); // not a scene: the base pass skips it

    std::string printed;
    zkOptInterface run;
    run.setFile(first.file);
    run.setSink([&](const std::string& s) { printed += s; });
    zkSmartPointer<zkOptBase> pass = zkSmartPointer<zkOptBase>::adopt(run.createOptBase("recordingBase"));
    EXPECT_FALSE(run.applyPass(pass));
    EXPECT_EQ(calls, (std::vector<std::string>{"apply root", "apply fail"}));
    EXPECT_EQ(printed, "applied to root\napplied to fail\n");
}

TEST(ObjectModel, CreateOptBaseRefusesUnknownClassesAndNonPasses)
{
    zkOptInterface run;
    EXPECT_EQ(run.createOptBase("noSuchPass"), nullptr);
    EXPECT_EQ(run.createOptBase("zkGroup"), nullptr);
    EXPECT_EQ(run.createOptBase(nullptr), nullptr);
}

TEST(ObjectModel, RegistryReadsSectionsAndNamesTheLineOfBadInput)
{
    zkRegistry registry;
    std::string error;
    ASSERT_TRUE(registry.parse("; pipeline\n[pipeline]\npasses = a b\n\n[a]\nx = 1\nx = 2\n", "p.ini", error));
    int a = registry.getSectionIndex("a");
    ASSERT_EQ(a, 1);
    zkSmartPointer<zkStringObj> value;
    EXPECT_TRUE(registry.getValue(a, "x", value, "", false));
    EXPECT_EQ(value->str(), "2");
    EXPECT_FALSE(registry.getValue(a, "y", value, "dflt", false));
    EXPECT_EQ(value->str(), "dflt");
    EXPECT_TRUE(registry.findEntry(a, "x")->used);

    EXPECT_FALSE(registry.parse("[a]\nnot a setting\n", "bad.ini", error));
    EXPECT_EQ(error, "bad.ini:2: expected 'key = value', got 'not a setting'");
    EXPECT_FALSE(registry.parse("k = v\n", "bad.ini", error));
    EXPECT_EQ(error, "bad.ini:1: key 'k' before any [section]");
    EXPECT_FALSE(registry.parse("[open\n", "bad.ini", error));
    EXPECT_EQ(error, "bad.ini:1: malformed section header '[open'");
}

TEST(ObjectModel, StringObjectsEditPathsAndExtensions)
{
    zkStringObj s;
    s.set("C:\\art/Textures/Wall.Brick.TGA");
    s.removePathFromFileName();
    EXPECT_EQ(s.str(), "Wall.Brick.TGA");
    s.removeFileExtension(3);
    EXPECT_EQ(s.str(), "Wall.Brick");
    s.removeFileExtension(3); // "Brick" is longer than 3
    EXPECT_EQ(s.str(), "Wall.Brick");
    s.appendFileExtension(".png");
    s.insertBefore("out/", 0, 4);
    EXPECT_EQ(s.str(), "out/Wall.Brick.png");
    s.keepFileExtension();
    EXPECT_EQ(s.str(), ".png");
    s.printf("%s_%02d", "mip", 3);
    s.toLower();
    EXPECT_EQ(s.str(), "mip_03");
}

TEST(ObjectModel, InternedStringsShareStorage)
{
    zkStringRef a("wall"), b(std::string("wa").append("ll").c_str()), none;
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_TRUE(none.isNull());
    EXPECT_TRUE(none.empty());
}
