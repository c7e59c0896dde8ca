// Registration on first use, seen from a process in which nothing of the library has been
// registered yet: these tests have a binary of their own, and each touches a different class.
#include "collision/zkCollideHull.h"
#include "geometry/zkWeldVesko.h"
#include "image/veskoMakeSphereMaps.h"

#include <gtest/gtest.h>

using namespace Tam::OptExtension;

TEST(Startup, ClassTypeSafeRegistersOnFirstCallOnly)
{
    EXPECT_EQ(veskoMakeSphereMaps::getClassMeta(), nullptr);
    EXPECT_FALSE(Tam::zkOptExtensionLibrary_isInitialised());

    zkMetaObject* meta = veskoMakeSphereMaps::getClassTypeSafe();
    ASSERT_NE(meta, nullptr);
    EXPECT_TRUE(meta->isRegistered());
    EXPECT_STREQ(meta->getName(), "veskoMakeSphereMaps");
    EXPECT_EQ(meta->getBase(), zkOptVisitObject::getClassTypeSafe());
    EXPECT_TRUE(Tam::zkOptExtensionLibrary_isInitialised());
    EXPECT_EQ(zkFindClass("veskoMakeSphereMaps"), meta);

    std::size_t classes = zkRegisteredClasses().size();
    EXPECT_EQ(veskoMakeSphereMaps::getClassTypeSafe(), meta);
    EXPECT_EQ(veskoMakeSphereMaps::getClassMeta(), meta);
    EXPECT_EQ(zkRegisteredClasses().size(), classes);
}

TEST(Startup, LazyClassTypeCreatesAnUnregisteredMetaThatRegistrationCompletes)
{
    zkMetaObject* lazy = zkWeldVesko::getClassTypeLazy();
    ASSERT_NE(lazy, nullptr);
    EXPECT_FALSE(lazy->isRegistered());
    EXPECT_EQ(zkWeldVesko::getClassType(), lazy);
    EXPECT_EQ(zkWeldVesko::getClassTypeSafe(), lazy);
    EXPECT_TRUE(lazy->isRegistered());
    EXPECT_EQ(lazy->getMetaFieldCount(), 4);
}

TEST(Startup, CollisionRecordRegistersOnFirstUseWithItsListsMade)
{
    using Vesko::TolvanSharedODL::zkCollideHull;
    EXPECT_EQ(zkFindClass("zkCollideHull"), nullptr);
    zkSmartPointer<zkCollideHull> hull = zkCreate<zkCollideHull>();
    EXPECT_NE(zkFindClass("zkCollideHull"), nullptr);
    EXPECT_EQ(hull->getMeta()->getBase(), zkInfo::getClassTypeSafe());
    ASSERT_TRUE(hull->_mTriangles);
    ASSERT_TRUE(hull->_mNodes);
    EXPECT_EQ(hull->_mTriangles->getCount(), 0);
    EXPECT_EQ(hull->_mNumNodes, 0);
}
