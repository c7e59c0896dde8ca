// Name tags as artists write them.
#include "frame/NameTag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace Tam::OptExtension;

namespace {
NameTagQuery query(int tag, int expected)
{
    NameTagQuery q;
    q.tag = tag;
    q.expectedCount = expected;
    for (int i = 0; i < 8; ++i) {
        q.intValues[i] = -99;
        q.floatValues[i] = -99.0f;
    }
    return q;
}
} // namespace

TEST(NameTag, PresenceOnlyTagsMatchWithNoValuesAndNotWithOne)
{
    NameTagQuery q = query(NAME_TAG_CULL, 0);
    EXPECT_TRUE(readNameTag("box$bc", q));
    EXPECT_EQ(q.intValues[0], -99); // nothing stored
    EXPECT_FALSE(readNameTag("box$bc1", q));
    q = query(NAME_TAG_NO_ALPHA, 0);
    EXPECT_TRUE(readNameTag("wall$nat", q));
    EXPECT_TRUE(readNameTag("wall$nat$ct3", q));
    EXPECT_TRUE(readNameTag("wall$nat   ", q));
}

TEST(NameTag, ValuesAreReadAsIntegersOrRoundedFractions)
{
    NameTagQuery q = query(NAME_TAG_BILLBOARD, 1);
    EXPECT_TRUE(readNameTag("tree$bb2", q));
    EXPECT_EQ(q.intValues[0], 2);
    EXPECT_EQ(q.floatValues[0], 2.0f);

    q = query(NAME_TAG_FOG, 8);
    ASSERT_TRUE(readNameTag("fog$fn1,0.5,0.5,0.5,10,200,0.01,1", q));
    const int ints[] = {1, 1, 1, 1, 10, 200, 0, 1};
    const float floats[] = {1, 0.5f, 0.5f, 0.5f, 10, 200, 0.01f, 1};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(q.intValues[i], ints[i]) << i;
        EXPECT_EQ(q.floatValues[i], floats[i]) << i;
    }

    q = query(NAME_TAG_COLLISION, 3);
    ASSERT_TRUE(readNameTag("r$ct2.5,2.4,-2.5", q));
    EXPECT_EQ(q.intValues[0], 3);
    EXPECT_EQ(q.intValues[1], 2);
    EXPECT_EQ(q.intValues[2], -2);
}

TEST(NameTag, OnlyTheFirstOccurrenceCountsAndTheNextDollarEndsTheValues)
{
    NameTagQuery q = query(NAME_TAG_COLLISION, 1);
    ASSERT_TRUE(readNameTag("a$ct12$bb1", q));
    EXPECT_EQ(q.intValues[0], 12);
    q = query(NAME_TAG_BILLBOARD, 1);
    ASSERT_TRUE(readNameTag("a$ct12$bb1", q));
    EXPECT_EQ(q.intValues[0], 1);
    q = query(NAME_TAG_COLLISION, 1);
    EXPECT_TRUE(readNameTag("a$ct5$ct7", q));
    EXPECT_EQ(q.intValues[0], 5);
    EXPECT_FALSE(readNameTag("a$CT12", q)); // case matters
}

TEST(NameTag, BlanksBeforeValuesAreSkippedAndAnyRunCountsAsAValue)
{
    NameTagQuery q = query(NAME_TAG_COLLISION, 2);
    ASSERT_TRUE(readNameTag("x$ct 3 ,4", q));
    EXPECT_EQ(q.intValues[0], 3);
    EXPECT_EQ(q.intValues[1], 4);
    q = query(NAME_TAG_BILLBOARD, 1);
    ASSERT_TRUE(readNameTag("p$bbx", q));
    EXPECT_EQ(q.intValues[0], 0);
    ASSERT_TRUE(readNameTag("p$bb1 2", q)); // no comma: one value
    EXPECT_EQ(q.intValues[0], 1);
    q = query(NAME_TAG_COLLISION, 2);
    ASSERT_TRUE(readNameTag("p$ct15,1.5", q)); // the fraction test looks at each value alone
    EXPECT_EQ(q.intValues[0], 15);
    EXPECT_EQ(q.floatValues[1], 1.5f);
}

TEST(NameTag, UnknownTagsAndOverlongValueListsAnswerFalseWithoutOverrunning)
{
    NameTagQuery q = query(6, 0);
    EXPECT_FALSE(readNameTag("a$ct", q));
    q = query(-1, 0);
    EXPECT_FALSE(readNameTag("a$ct", q));
    q = query(NAME_TAG_FOG, 8);
    EXPECT_FALSE(readNameTag("f$fn1,2,3,4,5,6,7,8,9,10", q));
    EXPECT_EQ(q.intValues[7], 8);
    EXPECT_FALSE(readNameTag(nullptr, q));
}

TEST(NameTag, FractionsRoundFromTheDoubleReadNotFromTheStoredFloat)
{
    // 0.49999997 + 0.5 is below 1 as a double; the nearest float to 0.49999997 plus 0.5f is 1.
    NameTagQuery q = query(NAME_TAG_COLLISION, 1);
    ASSERT_TRUE(readNameTag("a$ct0.49999997", q));
    EXPECT_EQ(q.intValues[0], 0);
    EXPECT_EQ(q.floatValues[0], 0.49999997f);
    ASSERT_TRUE(readNameTag("a$ct-0.49999997", q)); // -0.49999997 + 0.5 truncates to 0
    EXPECT_EQ(q.intValues[0], 0);
    ASSERT_TRUE(readNameTag("a$ct2147483647.0", q)); // the float would be 2^31, out of range
    EXPECT_EQ(q.intValues[0], 2147483647);
    ASSERT_TRUE(readNameTag("a$ct-2147483648.4", q));
    EXPECT_EQ(q.intValues[0], -2147483647); // -2147483647.9 truncated toward zero
}

TEST(NameTag, NumbersOutsideTheIntRangeSaturate)
{
    NameTagQuery q = query(NAME_TAG_FOG, 8);
    ASSERT_TRUE(readNameTag("f$fn2147483647.5,-2147483649.0,1e300.,-1e300.,2147483648,-2147483649,"
                            "99999999999999999999999,nan.",
                            q));
    const int32_t ints[] = {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(q.intValues[i], ints[i]) << i;
    EXPECT_EQ(q.floatValues[4], 2147483647.0f); // the float of the saturated integer
    EXPECT_TRUE(std::isnan(q.floatValues[7]));
    q = query(NAME_TAG_COLLISION, 2);
    ASSERT_TRUE(readNameTag("x$ct-2147483648,2147483647", q)); // the ends of the range are kept
    EXPECT_EQ(q.intValues[0], INT32_MIN);
    EXPECT_EQ(q.intValues[1], INT32_MAX);
}
