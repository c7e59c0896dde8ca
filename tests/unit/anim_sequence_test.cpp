// Transform sequences evaluated at any time, the way motion extraction samples them.
#include "host/zkhost.h"

#include <gtest/gtest.h>

using namespace Tam::Core;
using namespace Tam::Sg;

namespace {

TEST(TransformSequence, EvaluationFindsTheKeysAroundAnyTimeOfALongUnevenSequence)
{
    // Key k at time k*k ms, translated (k, 0, 0): between keys the x is fractional.
    const int keys = 500;
    auto s = zkCreate<zkTransformSequence1_5>();
    s->configure(keys, zkTransformSequence::TRANSLATION);
    for (int k = 0; k < keys; ++k) {
        s->setTime(k, int64_t(k) * k * 1000000);
        s->setTranslation(k, {float(k), 0, 0});
    }
    for (int k = 0; k + 1 < keys; k += 7) {
        const int64_t t0 = s->getTime(k), t1 = s->getTime(k + 1);
        EXPECT_FLOAT_EQ(s->getMatrix(t0).getTranslation().x, float(k)) << k;
        EXPECT_NEAR(s->getMatrix(t0 + (t1 - t0) / 4).getTranslation().x, k + 0.25f, 1e-4f) << k;
    }
    EXPECT_EQ(s->getMatrix(s->getTime(keys - 1) + 5).getTranslation().x, float(keys - 1));
}

TEST(TransformSequence, AChannelOutsideTheMaskStillPlacesTheBone)
{
    auto s = zkCreate<zkTransformSequence1_5>();
    s->configure(2, zkTransformSequence::TRANSLATION | zkTransformSequence::ROTATION);
    s->setTranslation(0, {0, 4, 0});
    s->setTranslation(1, {0, 4, 0});
    s->setTime(1, 1000);
    s->setComponentMask(zkTransformSequence::ROTATION); // held, not animated
    EXPECT_EQ(s->getMatrix(500).getTranslation(), (Tam::Math::zkVec3f{0, 4, 0}));
}

} // namespace
