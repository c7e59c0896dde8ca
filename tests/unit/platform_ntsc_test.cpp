// The colour filter: its per-pixel rule checked against a plain computation of the rule on every
// 8-bit colour under both standards, and the switch to PAL. The walk over images of several
// layouts and the report lines are golden cases under tests/passes/veskoNTSCFilter.
#include "image/veskoNTSCFilter.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/PlatformScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace Tam::OptExtension;
using namespace Tam::Test;
using namespace Tam::Examples;

namespace {

// The rule written out directly from its description, with no table and no shared code.
struct PlainStandard {
    float y[3], c1[3], c2[3], gamma, maxC, maxY;
};
const PlainStandard kPlainNtsc{{0.2989f, 0.5866f, 0.1144f}, {0.5959f, -0.2741f, -0.3218f},
                               {0.2113f, -0.5227f, 0.3113f}, 2.2f, 50.0f / (100.0f - 7.5f),
                               (110.0f - 7.5f) / (100.0f - 7.5f)};
const PlainStandard kPlainPal{{0.2989f, 0.5866f, 0.1144f}, {-0.1473f, -0.2891f, 0.4364f},
                              {0.6149f, -0.5145f, -0.1004f}, 2.8f, 0.5f, 1.1f};

float gammaCorrected(const PlainStandard& k, int byte) { return std::pow(byte * (1.0f / 255), 1.0f / k.gamma); }

// Answers whether (r, g, b) is hot, and its filtered bytes in out.
bool plainRule(const PlainStandard& k, float vr, float vg, float vb, uint8_t out[3])
{
    const float Y = k.y[0] * vr + k.y[1] * vg + k.y[2] * vb;
    const float C1 = k.c1[0] * vr + k.c1[1] * vg + k.c1[2] * vb;
    const float C2 = k.c2[0] * vr + k.c2[1] * vg + k.c2[2] * vb;
    const float cc = C1 * C1 + C2 * C2;
    if (!(cc > k.maxC * k.maxC || cc > (k.maxY - Y) * (k.maxY - Y))) return false;
    const float c = std::hypot(C1, C2);
    const float s1 = k.maxC / c, s2 = k.maxY / (Y + c);
    const float t = std::pow(s2 < s1 ? s2 : s1, k.gamma);
    out[0] = uint8_t(int(255 * vr * t + 0.5f));
    out[1] = uint8_t(int(255 * vg * t + 0.5f));
    out[2] = uint8_t(int(255 * vb * t + 0.5f));
    return true;
}

// Every colour through both; answers the number of hot colours, failing at the first mismatch.
long long compareAllColours(const VideoStandard& standard, const PlainStandard& plain)
{
    long long hot = 0;
    float v[256];
    for (int i = 0; i < 256; ++i) v[i] = gammaCorrected(plain, i);
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                uint8_t expected[3] = {uint8_t(r), uint8_t(g), uint8_t(b)};
                const bool expectHot = plainRule(plain, v[r], v[g], v[b], expected);
                uint8_t got[3] = {uint8_t(r), uint8_t(g), uint8_t(b)};
                const bool isHot = filterPixel(standard, got[0], got[1], got[2]);
                if (isHot != expectHot || got[0] != expected[0] || got[1] != expected[1] || got[2] != expected[2]) {
                    ADD_FAILURE() << "colour " << r << "," << g << "," << b << ": hot " << isHot << " gives "
                                  << int(got[0]) << "," << int(got[1]) << "," << int(got[2]) << ", expected hot "
                                  << expectHot << " giving " << int(expected[0]) << "," << int(expected[1]) << ","
                                  << int(expected[2]);
                    return -1;
                }
                hot += isHot;
            }
    return hot;
}

std::array<uint8_t, 3> filtered(const VideoStandard& standard, uint8_t r, uint8_t g, uint8_t b)
{
    filterPixel(standard, r, g, b);
    return {r, g, b};
}

} // namespace

TEST(NTSCFilter, AgreesWithThePlainRuleOnEveryColourUnderBothStandards)
{
    const long long ntscHot = compareAllColours(ntscStandard(), kPlainNtsc);
    const long long palHot = compareAllColours(palStandard(), kPlainPal);
    // Saturated colours are common among all colours; the two standards disagree on which.
    EXPECT_GT(ntscHot, 100000);
    EXPECT_GT(palHot, 100000);
    EXPECT_NE(ntscHot, palHot);
}

TEST(NTSCFilter, KnownColours)
{
    for (const VideoStandard* s : {&ntscStandard(), &palStandard()}) {
        uint8_t r = 255, g = 255, b = 255;
        EXPECT_FALSE(filterPixel(*s, r, g, b));
        r = g = b = 0;
        EXPECT_FALSE(filterPixel(*s, r, g, b));
        r = g = b = 128;
        EXPECT_FALSE(filterPixel(*s, r, g, b));
    }
    EXPECT_EQ(filtered(ntscStandard(), 255, 0, 0), (std::array<uint8_t, 3>{181, 0, 0}));
    EXPECT_EQ(filtered(palStandard(), 255, 0, 0), (std::array<uint8_t, 3>{132, 0, 0}));
    EXPECT_EQ(ntscStandard().maxChroma, 50.0f / 92.5f);
    EXPECT_EQ(&veskoNTSCFilter::CurrentStandard(), &ntscStandard());
}

// The switch is process-wide and one-way, so it is watched in a process of its own.
TEST(NTSCFilterDeathTest, AFilterConfiguredForPalSwitchesTheWholeProcess)
{
    EXPECT_EXIT(
        {
            PassHarness h;
            auto red = rgbaImage("red", 1, 1, [](int, int) { return Texel{255, 0, 0, 255}; });
            texturedSet("set", h.root, textureOf(red));
            auto pal = h.create<veskoNTSCFilter>();
            pal->_ntsc = false;
            h.configure(pal.get());
            auto ntscAgain = h.create<veskoNTSCFilter>();
            h.configure(ntscAgain.get());
            const std::string printed = h.run(ntscAgain.get());
            const bool ok = &veskoNTSCFilter::CurrentStandard() == &palStandard() &&
                            printed == "100.00% Hot NTSC: red\n" && red->getData()[0] == 132;
            std::exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
