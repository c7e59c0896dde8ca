// Name tags as artists write them.
#include "frame/NameTag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

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

// Each name read for one tag: whether it matches and the values stored (-99: nothing stored;
// a NaN float: expected NaN).
struct TagCase {
    const char* name;
    int tag, count;
    bool found;
    std::vector<int32_t> ints;
    std::vector<float> floats = {};
};

TEST(NameTag, NamesAsArtistsWriteThem)
{
    const float nan = std::nanf("");
    const TagCase cases[] = {
        // Presence-only tags match with no values and not with one.
        {"box$bc", NAME_TAG_CULL, 0, true, {-99}},
        {"box$bc1", NAME_TAG_CULL, 0, false, {}},
        {"wall$nat", NAME_TAG_NO_ALPHA, 0, true, {}},
        {"wall$nat$ct3", NAME_TAG_NO_ALPHA, 0, true, {}},
        {"wall$nat   ", NAME_TAG_NO_ALPHA, 0, true, {}},
        // Values are read as integers or rounded fractions.
        {"tree$bb2", NAME_TAG_BILLBOARD, 1, true, {2}, {2}},
        {"fog$fn1,0.5,0.5,0.5,10,200,0.01,1", NAME_TAG_FOG, 8, true, {1, 1, 1, 1, 10, 200, 0, 1},
         {1, 0.5f, 0.5f, 0.5f, 10, 200, 0.01f, 1}},
        {"r$ct2.5,2.4,-2.5", NAME_TAG_COLLISION, 3, true, {3, 2, -2}},
        // Only the first occurrence counts, the next dollar ends the values, and case matters.
        {"a$ct12$bb1", NAME_TAG_COLLISION, 1, true, {12}},
        {"a$ct12$bb1", NAME_TAG_BILLBOARD, 1, true, {1}},
        {"a$ct5$ct7", NAME_TAG_COLLISION, 1, true, {5}},
        {"a$CT12", NAME_TAG_COLLISION, 1, false, {}},
        // Blanks before values are skipped and any run counts as a value; without a comma, one
        // value; the fraction test looks at each value alone.
        {"x$ct 3 ,4", NAME_TAG_COLLISION, 2, true, {3, 4}},
        {"p$bbx", NAME_TAG_BILLBOARD, 1, true, {0}},
        {"p$bb1 2", NAME_TAG_BILLBOARD, 1, true, {1}},
        {"p$ct15,1.5", NAME_TAG_COLLISION, 2, true, {15}, {15, 1.5f}},
        // Unknown tags and overlong value lists answer false without overrunning.
        {"a$ct", 6, 0, false, {}},
        {"a$ct", -1, 0, false, {}},
        {"f$fn1,2,3,4,5,6,7,8,9,10", NAME_TAG_FOG, 8, false, {1, 2, 3, 4, 5, 6, 7, 8}},
        // Fractions round from the double read, not from the stored float: 0.49999997 + 0.5 is
        // below 1 as a double, the nearest float to 0.49999997 plus 0.5f is 1; the float of
        // 2147483647.0 would be 2^31, out of range; -2147483647.9 is truncated toward zero.
        {"a$ct0.49999997", NAME_TAG_COLLISION, 1, true, {0}, {0.49999997f}},
        {"a$ct-0.49999997", NAME_TAG_COLLISION, 1, true, {0}},
        {"a$ct2147483647.0", NAME_TAG_COLLISION, 1, true, {2147483647}},
        {"a$ct-2147483648.4", NAME_TAG_COLLISION, 1, true, {-2147483647}},
        // Numbers outside the int range saturate; the float is that of the saturated integer; the
        // ends of the range are kept.
        {"f$fn2147483647.5,-2147483649.0,1e300.,-1e300.,2147483648,-2147483649,99999999999999999999999,nan.",
         NAME_TAG_FOG, 8, true, {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, 0},
         {-99, -99, -99, -99, 2147483647.0f, -99, -99, nan}},
        {"x$ct-2147483648,2147483647", NAME_TAG_COLLISION, 2, true, {INT32_MIN, INT32_MAX}},
    };
    for (const TagCase& c : cases) {
        SCOPED_TRACE(c.name);
        NameTagQuery q = query(c.tag, c.count);
        EXPECT_EQ(readNameTag(c.name, q), c.found);
        for (std::size_t i = 0; i < c.ints.size(); ++i) EXPECT_EQ(q.intValues[i], c.ints[i]) << i;
        for (std::size_t i = 0; i < c.floats.size(); ++i) {
            if (std::isnan(c.floats[i])) {
                EXPECT_TRUE(std::isnan(q.floatValues[i])) << i;
            } else if (c.floats[i] != -99) {
                EXPECT_EQ(q.floatValues[i], c.floats[i]) << i;
            }
        }
    }
    NameTagQuery q = query(NAME_TAG_FOG, 8);
    EXPECT_FALSE(readNameTag(nullptr, q));
}
