// The plug-in's class frame: registration on demand, field tables, casting and instances.
#include "collision/zkCollideHull.h"
#include "geometry/zkReduceBlendWeightsWeldVesko.h"
#include "geometry/zkStripVesko.h"
#include "geometry/zkWeldVesko.h"
#include "image/zkQuantizeVesko.h"
#include "image/zkUseMipmapVesko.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Tam::OptExtension;

// Named rather than anonymous: the registration members of the test classes are not all used.
namespace frame_test {
// A class derived from a pass, as another module might declare one.
class derivedWeld : public zkWeldVesko {
    ZK_CLASS(derivedWeld, zkWeldVesko)
};
ZK_DEFINE_CLASS(derivedWeld, ::Tam::Core::zkNoLibraryInit, nullptr)

std::vector<std::string> ownFieldNames(zkMetaObject* meta)
{
    std::vector<std::string> names;
    for (int i = meta->getOwnFieldStart(); i < meta->getMetaFieldCount(); ++i)
        names.push_back(meta->getIndexedMetaField(i)->getName());
    return names;
}
} // namespace frame_test
using namespace frame_test;

TEST(Frame, InstantiatingBeforeTheRegisterFunctionRegistersAndAppliesDefaults)
{
    zkSmartPointer<zkReduceBlendWeightsWeldVesko> pass = zkCreate<zkReduceBlendWeightsWeldVesko>();
    ASSERT_TRUE(pass);
    EXPECT_EQ(pass->getRefCount(), 1u);
    EXPECT_TRUE(zkReduceBlendWeightsWeldVesko::getClassMeta()->isRegistered());
    EXPECT_TRUE(pass->_weldVerts);
    EXPECT_EQ(pass->_blendWeightCount, 1u);
    EXPECT_EQ(pass->_blendWeightMin, 0.0f);
    EXPECT_TRUE(pass->_notifyOfError);
    EXPECT_EQ(pass->_totalBeforeVerts, 0);
}

TEST(Frame, OwnFieldsFollowTheBaseFieldsInDeclaredOrderWithKeysFilled)
{
    zkMetaObject* meta = zkReduceBlendWeightsWeldVesko::getClassTypeSafe();
    zkMetaObject* base = zkOptTraverseGraph::getClassTypeSafe();
    ASSERT_EQ(meta->getOwnFieldStart(), base->getMetaFieldCount());
    for (int i = 0; i < base->getMetaFieldCount(); ++i)
        EXPECT_EQ(meta->getIndexedMetaField(i), base->getIndexedMetaField(i));
    EXPECT_EQ(ownFieldNames(meta),
              (std::vector<std::string>{"_weldVerts", "_blendWeightCount", "_blendWeightMin", "_totalAllWeights",
                                        "_totalBeforeWeights", "_totalAfterWeights", "_notifyOfError",
                                        "_totalBeforeVerts", "_totalAfterVerts"}));
    EXPECT_EQ(zkReduceBlendWeightsWeldVesko::k_blendWeightCount, meta->findMetaField("_blendWeightCount"));
    EXPECT_EQ(zkReduceBlendWeightsWeldVesko::k_totalAfterVerts, meta->findMetaField("_totalAfterVerts"));
    EXPECT_EQ(meta->findMetaField("_blendWeightCount")->getKind(), zkFieldKind::UInt);

    // A field named without an underscore gets the capitalised key.
    EXPECT_EQ(zkUseMipmapVesko::kMipmapTaggedOnly, zkUseMipmapVesko::getClassTypeSafe()->findMetaField("mipmapTaggedOnly"));
}

TEST(Frame, RegisteringAgainLeavesTheFieldsAsTheyWere)
{
    zkMetaObject* meta = zkWeldVesko::getClassTypeSafe();
    int count = meta->getMetaFieldCount();
    zkMetaField* first = meta->getIndexedMetaField(meta->getOwnFieldStart());
    zkWeldVesko::arkRegister();
    zkWeldVesko::arkRegister();
    EXPECT_EQ(meta->getMetaFieldCount(), count);
    EXPECT_EQ(meta->getIndexedMetaField(meta->getOwnFieldStart()), first);
}

TEST(Frame, DynamicCastAcceptsTheClassAndItsSubclassesOnly)
{
    EXPECT_EQ(zkWeldVesko::dynamicCast(static_cast<zkObject*>(nullptr)), nullptr);
    zkSmartPointer<zkWeldVesko> weld = zkCreate<zkWeldVesko>();
    zkSmartPointer<zkQuantizeVesko> quantize = zkCreate<zkQuantizeVesko>();
    zkSmartPointer<derivedWeld> derived = zkCreate<derivedWeld>();
    EXPECT_EQ(zkWeldVesko::dynamicCast(weld.get()), weld.get());
    EXPECT_EQ(zkWeldVesko::dynamicCast(quantize.get()), nullptr);
    EXPECT_EQ(zkWeldVesko::dynamicCast(derived.get()), derived.get());
    EXPECT_EQ(derivedWeld::dynamicCast(weld.get()), nullptr);
    const zkObject* constant = derived.get();
    EXPECT_EQ(zkOptTraverseGraph::dynamicCast(constant), derived.get());
    // The derived class inherits the pass's fields with their defaults.
    EXPECT_TRUE(derived->_weldVerts);
    EXPECT_EQ(derivedWeld::getClassTypeSafe()->getMetaFieldCount(), zkWeldVesko::getClassTypeSafe()->getMetaFieldCount());
}

TEST(Frame, ObjectReferenceFieldsHoldEmptyObjectsFromCreationAndEnumsNameTheirValues)
{
    zkSmartPointer<zkUseMipmapVesko> pass = zkCreate<zkUseMipmapVesko>();
    ASSERT_TRUE(pass->_imageList);
    EXPECT_EQ(pass->_imageList->getCount(), 0);
    ASSERT_TRUE(pass->_imageListFilename);
    EXPECT_STREQ(pass->_imageListFilename->c_str(), "");
    EXPECT_EQ(pass->_filterType, zkResizeImage::FILTER_MITCHELL);
    EXPECT_EQ(pass->_minFilter, ZK_GFX_TEXTURE_FILTER_NEAREST_MIPMAP_LINEAR);
    EXPECT_EQ(pass->_magFilter, ZK_GFX_TEXTURE_FILTER_LINEAR);

    auto* minField = static_cast<zkEnumMetaField*>(zkUseMipmapVesko::k_minFilter);
    ASSERT_NE(minField->getMetaEnum(), nullptr);
    EXPECT_STREQ(minField->getMetaEnum()->getEnumName(3), "NearestMipmapLinear");
    auto* listField = static_cast<zkObjectRefMetaField*>(zkUseMipmapVesko::k_imageList);
    EXPECT_EQ(listField->getReferencedMeta(), zkStringObjList::getClassTypeSafe());
    EXPECT_TRUE(listField->isOwned());
    EXPECT_TRUE(listField->isConstructedWithHolder());
    // The dependency list registered the referenced classes.
    EXPECT_TRUE(zkStringObjList::getClassMeta()->isRegistered());
}

TEST(Frame, CopiesCarryEveryFieldAndDeepCopiesOwnTheirLists)
{
    zkSmartPointer<zkQuantizeVesko> pass = zkCreate<zkQuantizeVesko>();
    pass->_isReduce = true;
    pass->_imageList->appendString("a.png");
    auto shallow = zkSmartPointer<zkQuantizeVesko>::adopt(
        static_cast<zkQuantizeVesko*>(pass->createCopy(zkObject::COPY_SHALLOW)));
    auto deep = zkSmartPointer<zkQuantizeVesko>::adopt(
        static_cast<zkQuantizeVesko*>(pass->createCopy(zkObject::COPY_DEEP)));
    EXPECT_TRUE(shallow->_isReduce);
    EXPECT_TRUE(deep->_isReduce);
    EXPECT_EQ(shallow->_imageList.get(), pass->_imageList.get());
    ASSERT_NE(deep->_imageList.get(), pass->_imageList.get());
    ASSERT_EQ(deep->_imageList->getCount(), 1);
    EXPECT_NE(deep->_imageList->getString(0), pass->_imageList->getString(0));
    EXPECT_STREQ(deep->_imageList->getString(0)->c_str(), "a.png");

    zkQuantizeVesko constructed(*pass); // the C++ copy constructor copies the fields too
    EXPECT_TRUE(constructed._isReduce);
    EXPECT_EQ(constructed._imageList.get(), pass->_imageList.get());
}

TEST(Frame, VTablePointerIsTheOneInstancesCarry)
{
    zkSmartPointer<zkWeldVesko> weld = zkCreate<zkWeldVesko>();
    void* fromInstance = nullptr;
    std::memcpy(&fromInstance, static_cast<void*>(weld.get()), sizeof fromInstance);
    EXPECT_EQ(zkWeldVesko::retrieveVTablePointer(), fromInstance);
    EXPECT_NE(zkWeldVesko::retrieveVTablePointer(), zkStripVesko::retrieveVTablePointer());
}

TEST(Frame, ReleasingTheLastReferenceReturnsTheMemory)
{
    zkMemoryPool* pool = zkGetMemoryPool(zkMemoryPoolScene);
    std::size_t before = pool->getLiveBlocks();
    {
        zkSmartPointer<zkUseMipmapVesko> pass =
            zkSmartPointer<zkUseMipmapVesko>::adopt(zkUseMipmapVesko::_instantiateFromPool(pool));
        EXPECT_EQ(pool->getLiveBlocks(), before + 3); // the pass and its two owned objects
        pass->_imageList->appendString("x");
    }
    EXPECT_EQ(pool->getLiveBlocks(), before);
}
