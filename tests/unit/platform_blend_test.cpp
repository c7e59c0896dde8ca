// Blend to alpha test and forced additive blending, run in process as the host runs them: which
// sets are converted, with which attributes, and the lines a user reads.
#include "image/veskoBlendToAlphaTest.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/PlatformScene.h"

#include <gtest/gtest.h>

#include <string>

using namespace Tam::OptExtension;
using namespace Tam::Test;
using namespace Tam::Examples;

namespace {

// A 10 x 10 texture whose first texels have the given alphas and the rest alpha 255.
zkSmartPointer<zkTextureAttr> alphaTexture(const char* name, std::vector<uint8_t> alphas)
{
    return textureOf(rgbaImage(name, 10, 10, [&](int x, int y) {
        const std::size_t i = std::size_t(y) * 10 + x;
        return Texel{90, 140, 60, i < alphas.size() ? alphas[i] : uint8_t(255)};
    }));
}

std::vector<uint8_t> repeated(std::initializer_list<std::pair<int, uint8_t>> runs)
{
    std::vector<uint8_t> out;
    for (auto [count, alpha] : runs) out.insert(out.end(), std::size_t(count), alpha);
    return out;
}

zkSmartPointer<zkAttr> blend(int source, int destination)
{
    auto f = zkCreate<zkBlendFunctionAttr>();
    f->setFactors(source, destination);
    return f;
}

zkSmartPointer<zkAttr> blendState(bool on)
{
    auto s = zkCreate<zkBlendStateAttr>();
    s->setEnabled(on);
    return s;
}

std::vector<zkAttr*> attrsOf(const zkAttrSet* set)
{
    std::vector<zkAttr*> out;
    for (int i = 0; i < set->getAttrCount(); ++i) out.push_back(set->getAttr(i));
    return out;
}

std::string framed(const std::string& conversion, const std::string& forcing = "")
{
    return "Converting blends to alpha tests.\n" + conversion + "Forcing additive.\n" + forcing +
           "veskoBlendToAlphaTest all done!\n";
}

} // namespace

TEST(BlendToAlphaTest, JudgesTexturesByTheShareOfTransparentAndInBetweenTexels)
{
    PassHarness h;
    texturedSet("leaves", h.root, alphaTexture("leaves.png", repeated({{30, 0}})), {blend(4, 5)});
    texturedSet("few_holes", h.root, alphaTexture("few_holes.png", repeated({{5, 0}})), {blend(4, 5)});
    texturedSet("smoke", h.root, alphaTexture("smoke.png", repeated({{60, 128}, {40, 0}})), {blend(4, 5)});
    // Alpha 24 is below level 25, 25 and 229 lie in between, 230 is at the opaque level.
    texturedSet("edges", h.root, alphaTexture("edges.png", repeated({{10, 24}, {20, 25}, {20, 229}, {50, 230}})),
                {blend(4, 5)});

    EXPECT_EQ(h.run(h.pass<veskoBlendToAlphaTest>()),
              framed("Texture in zkAttrSet leaves used for alpha test: leaves.png\n"
                     "Texel counts - T:30 B:0 O:70\n"
                     "Texture in zkAttrSet edges used for alpha test: edges.png\n"
                     "Texel counts - T:10 B:40 O:50\n"));
}

TEST(BlendToAlphaTest, ConvertedSetsShareTheAppendedAttributesAndLoseTheirBlendState)
{
    PassHarness h;
    auto forward = texturedSet("forward", h.root, alphaTexture("a.png", repeated({{50, 0}})),
                               {blendState(true), blend(4, 5)});
    auto inverse = texturedSet("inverse", h.root, alphaTexture("b.png", repeated({{50, 255}, {50, 0}})),
                               {blend(5, 4)});
    zkAttr* forwardBind = forward->getAttr(0);
    zkAttr* forwardBlend = forward->getAttr(2);
    h.run(h.pass<veskoBlendToAlphaTest>());

    const std::vector<zkAttr*> f = attrsOf(forward), i = attrsOf(inverse);
    ASSERT_EQ(f.size(), 5u);
    ASSERT_EQ(i.size(), 5u);
    EXPECT_EQ(f[0], forwardBind);
    EXPECT_EQ(f[1], forwardBlend); // the blend function stays, the blend state went
    auto* test = zkAlphaFunctionAttr::dynamicCast(f[2]);
    auto* inverseTest = zkAlphaFunctionAttr::dynamicCast(i[2]);
    ASSERT_TRUE(test && inverseTest);
    EXPECT_EQ(test->getFunction(), 6);
    EXPECT_EQ(inverseTest->getFunction(), 3);
    EXPECT_EQ(test->getReference(), 0.5f);
    EXPECT_EQ(inverseTest->getReference(), 0.5f);
    ASSERT_TRUE(zkAlphaStateAttr::dynamicCast(f[3]) && zkBlendStateAttr::dynamicCast(f[4]));
    EXPECT_TRUE(zkAlphaStateAttr::dynamicCast(f[3])->isEnabled());
    EXPECT_FALSE(zkBlendStateAttr::dynamicCast(f[4])->isEnabled());
    EXPECT_EQ(f[3], i[3]);
    EXPECT_EQ(f[4], i[4]);
}

TEST(BlendToAlphaTest, LeavesAloneWhatIsTaggedShadowedAlreadyTestedOrOtherwiseBlended)
{
    PassHarness h;
    const auto holes = repeated({{50, 0}});
    texturedSet("wall$nat", h.root, alphaTexture("1.png", holes), {blend(4, 5)});
    texturedSet("wall$nat1", h.root, alphaTexture("2.png", holes), {blend(4, 5)});
    texturedSet("Zone_Shadow_03", h.root, alphaTexture("3.png", holes), {blend(4, 5)});
    texturedSet("zone_shadowX", h.root, alphaTexture("4.png", holes), {blend(4, 5)});
    texturedSet("myzone_shadow", h.root, alphaTexture("5.png", holes), {blend(4, 5)});
    texturedSet("tested", h.root, alphaTexture("6.png", holes), {blend(4, 5), zkCreate<zkAlphaStateAttr>()});
    texturedSet("modulated", h.root, alphaTexture("7.png", holes), {blend(4, 4)});
    texturedSet("untextured", h.root, nullptr, {blend(4, 5)});
    auto opaque = zkCreate<zkImage>();
    opaque->setName("8.png");
    opaque->load(std::vector<uint8_t>(300, 0).data(), ZK_GFX_TEXTURE_FORMAT_RGB_888_24, 10, 10);
    texturedSet("no_alpha", h.root, textureOf(opaque), {blend(4, 5)});
    // A tagged group is skipped itself; the sets below it are still visited.
    auto tagged = zkCreate<zkGroup>();
    tagged->setName("grove$nat");
    h.root->appendChild(tagged);
    texturedSet("tree", tagged, alphaTexture("9.png", holes), {blend(4, 5)});

    EXPECT_EQ(h.run(h.pass<veskoBlendToAlphaTest>()),
              framed("Skipping wall$nat, by request.\n"
                     "Texture in zkAttrSet wall$nat1 used for alpha test: 2.png\n"
                     "Texel counts - T:50 B:0 O:50\n"
                     "Skipping Zone_Shadow_03, matches zone_shadow.*\n"
                     "Skipping zone_shadowX, matches zone_shadow.*\n"
                     "Texture in zkAttrSet myzone_shadow used for alpha test: 5.png\n"
                     "Texel counts - T:50 B:0 O:50\n"
                     "Skipping grove$nat, by request.\n"
                     "Texture in zkAttrSet tree used for alpha test: 9.png\n"
                     "Texel counts - T:50 B:0 O:50\n"));
}

TEST(BlendToAlphaTest, ThresholdFieldsMoveTheLevelsAndShares)
{
    PassHarness h;
    // 0.5 * 256 = 128: alpha 127 is transparent, 128 in between; the opaque level 0 puts
    // everything from 128 up among the opaque texels.
    texturedSet("set", h.root, alphaTexture("t.png", repeated({{20, 127}, {30, 128}})), {blend(4, 5)});
    auto pass = h.create<veskoBlendToAlphaTest>();
    pass->_transparentMax = 0.5f;
    pass->_opaqueMin = 0.0f;
    pass->_transparentThreshold = 0.25f;
    ASSERT_TRUE(h.configure(pass.get()));
    EXPECT_EQ(h.run(pass.get()), framed(""));
    pass->_transparentThreshold = 0.2f;
    EXPECT_EQ(h.run(pass.get()), framed("Texture in zkAttrSet set used for alpha test: t.png\n"
                                        "Texel counts - T:20 B:0 O:80\n"));
}

TEST(BlendToAlphaTest, ForcesAdditiveBelowGroupsWhosePropertyIsANonZeroNumber)
{
    PassHarness h;
    auto off = zkCreate<zkUserInfo>();
    off->setName("off");
    off->setStringProperty("force_additive", "0");
    h.root->appendChild(off);
    auto untouched = texturedSet("glass", off, nullptr, {blend(4, 5)});
    auto on = zkCreate<zkHashedUserInfo>();
    on->setName("on");
    on->setStringProperty("force_additive", "1 please");
    off->appendChild(on);
    auto glow = texturedSet("glow", on, nullptr, {blend(4, 5), blend(2, 3)});
    auto deeper = texturedSet("sparks", glow, nullptr, {blend(0, 1)});
    auto numeric = zkCreate<zkSimpleUserInfo>();
    numeric->setName("not_text");
    numeric->setProperty("force_additive", zkCreate<zkIntValue>());
    h.root->appendChild(numeric);
    auto other = texturedSet("water", numeric, nullptr, {blend(4, 5)});

    EXPECT_EQ(h.run(h.pass<veskoBlendToAlphaTest>()),
              framed("", "glow forced additive\nglow forced additive\nsparks forced additive\n"));
    for (zkAttrSet* set : {glow.get(), deeper.get()})
        for (zkAttr* attr : attrsOf(set)) {
            auto* f = zkBlendFunctionAttr::dynamicCast(attr);
            EXPECT_EQ(f->getSourceFactor(), 1);
            EXPECT_EQ(f->getDestinationFactor(), 1);
        }
    EXPECT_EQ(zkBlendFunctionAttr::dynamicCast(untouched->getAttr(0))->getSourceFactor(), 4);
    EXPECT_EQ(zkBlendFunctionAttr::dynamicCast(other->getAttr(0))->getSourceFactor(), 4);
}
