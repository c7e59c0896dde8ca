// Both animation passes on the example character (examples/character.gltf, written by
// examples/make_character.py) as the importer brings it in: the pelvis "Bip01" walks forward and
// the "motion" bone tracks its travel; the skin's palettes come in out of bone order.
#include "anim/ExtractMotionVesko.h"
#include "anim/VeskoActorSkinFinalize.h"
#include "host/io/AssimpImport.h"
#include "host/io/GltfExport.h"
#include "tests/harness/PassHarness.h"
#include "tests/harness/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <vector>

using namespace Tam::OptExtension;
using Tam::Test::PassHarness;

namespace {

const std::string kCharacter = std::string(ZK_FIXTURES) + "/../../examples/character.gltf";
constexpr float kDeadZone = 6.0f;

zkSmartPointer<zkFileInfo> importCharacter(const std::string& path = kCharacter)
{
    std::string error;
    auto file = Tam::Io::zkImportScene(path, error);
    EXPECT_TRUE(file) << error;
    return file;
}

zkAnimationDatabase* databaseOf(const zkFileInfo* file)
{
    for (int i = 0; file && i < file->getInfoList()->getCount(); ++i)
        if (auto* db = zkAnimationDatabase::dynamicCast(file->getInfoList()->get(i))) return db;
    return nullptr;
}

zkTransformSequence1_5* sequenceOf(const zkAnimation* animation, const char* track)
{
    const zkAnimationTrack* t = animation ? animation->getAnimationTrackAnyCase(track) : nullptr;
    return t ? zkTransformSequence1_5::dynamicCast(t->getSource()) : nullptr;
}

std::vector<zkVec3f> translations(const zkTransformSequence* s)
{
    std::vector<zkVec3f> out;
    for (int k = 0; k < s->getTranslationKeyCount(); ++k) out.push_back(s->getTranslation(k));
    return out;
}

void expectNear(const zkVec3f& a, const zkVec3f& b, float tolerance, const std::string& what)
{
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
    EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

// The farthest the root strays sideways or forward from where it starts, sampled over the whole
// animation.
float horizontalTravel(const zkTransformSequence* root)
{
    const int64_t duration = root->getDuration();
    const zkVec3f first = root->getMatrix(0).getTranslation();
    float most = 0.0f;
    for (int i = 0; i <= 200; ++i) {
        const zkVec3f p = root->getMatrix(duration * i / 200).getTranslation();
        most = std::max({most, std::fabs(p.x - first.x), std::fabs(p.z - first.z)});
    }
    return most;
}

TEST(AnimatedCharacter, ImportsWithTheChannelsTheFileAnimatesAndAnUnsortedPalette)
{
    auto file = importCharacter();
    zkAnimationDatabase* db = databaseOf(file);
    ASSERT_TRUE(db);
    ASSERT_EQ(db->getAnimationCount(), 2);
    const uint8_t moves = zkTransformSequence::TRANSLATION | zkTransformSequence::ROTATION;
    for (const char* name : {"walk", "step"}) {
        ASSERT_TRUE(sequenceOf(db->getAnimation(name), "Bip01")) << name;
        ASSERT_TRUE(sequenceOf(db->getAnimation(name), "motion")) << name;
        EXPECT_EQ(sequenceOf(db->getAnimation(name), "motion")->getComponentMask(), moves) << name;
    }
    EXPECT_EQ(sequenceOf(db->getAnimation("walk"), "Bip01")->getComponentMask(), moves);
    EXPECT_EQ(sequenceOf(db->getAnimation("step"), "Bip01")->getComponentMask(), zkTransformSequence::TRANSLATION);
    // A thigh only turns; its sequence still places it at its offset from the pelvis.
    const zkTransformSequence1_5* thigh = sequenceOf(db->getAnimation("walk"), "Bip01 L Thigh");
    ASSERT_TRUE(thigh);
    EXPECT_EQ(thigh->getComponentMask(), zkTransformSequence::ROTATION);
    expectNear(thigh->getMatrix(0).getTranslation(), {10, -6, 0}, 1e-5f, "thigh offset");
    ASSERT_TRUE(db->getSkeleton(0));
    EXPECT_EQ(db->getSkinList()->getCount(), 2);
}

TEST(AnimatedCharacter, MotionExtractionKeepsTheRootInPlaceAndRootPlusMotionIsTheOldPath)
{
    auto file = importCharacter();
    zkAnimationDatabase* db = databaseOf(file);
    ASSERT_TRUE(db);
    const zkAnimation* walk = db->getAnimation("walk");
    const zkAnimation* step = db->getAnimation("step");
    const std::vector<zkVec3f> walkBefore = translations(sequenceOf(walk, "Bip01"));
    const std::vector<zkVec3f> stepBefore = translations(sequenceOf(step, "Bip01"));
    ASSERT_EQ(walkBefore.size(), 21u);
    EXPECT_GT(horizontalTravel(sequenceOf(walk, "Bip01")), 100.0f);

    PassHarness h(file);
    auto pass = h.pass<ExtractMotionVesko>();
    EXPECT_EQ(h.run(pass.get()), "Motion bone  0  Root Bone  1\n"
                                 "Animation walk\n(Motion) Tracked - keys=21 dur=1.0 dist=(0.0,0.0,150.0)\n"
                                 "Animation step\n(Motion) Linear - keys=2 dur=0.500 dist=(0.0,0.0,40.0)\n");

    // Tracked: the motion bone now starts at the origin, the start position holds where it was.
    const zkTransformSequence1_5* root = sequenceOf(walk, "Bip01");
    const zkTransformSequence1_5* motion = sequenceOf(walk, "motion");
    const zkAnimationTrack* motionTrack = walk->getAnimationTrackAnyCase("motion");
    EXPECT_LE(horizontalTravel(root), kDeadZone);
    EXPECT_EQ(motionTrack->getMotionMarker(), -999.0f);
    expectNear(motionTrack->getMotionVelocity(), {0, 0, 150}, 1e-3f, "walk velocity");
    for (int j = 0; j < root->getTranslationKeyCount(); ++j) {
        const int64_t t = root->getTime(j);
        const zkVec3f carried = motion->getMatrix(t).getTranslation();
        const zkVec3f start = motionTrack->getMotionStart();
        const zkVec3f now = root->getTranslation(j);
        expectNear({now.x + carried.x + start.x, now.y + carried.y + start.y, now.z + carried.z + start.z},
                   walkBefore[j], 1e-4f, "walk key " + std::to_string(j));
    }

    // Linear: the line from the motion's first key at the recorded velocity.
    const zkTransformSequence1_5* stepRoot = sequenceOf(step, "Bip01");
    const zkTransformSequence1_5* stepMotion = sequenceOf(step, "motion");
    const zkAnimationTrack* stepTrack = step->getAnimationTrackAnyCase("motion");
    EXPECT_LE(horizontalTravel(stepRoot), kDeadZone);
    EXPECT_EQ(stepTrack->getMotionMarker(), 999.0f);
    const zkVec3f v = stepTrack->getMotionVelocity(), p0 = stepMotion->getTranslation(0);
    expectNear(v, {0, 0, 80}, 1e-3f, "step velocity");
    for (int j = 0; j < stepRoot->getTranslationKeyCount(); ++j) {
        const float s = static_cast<float>(stepRoot->getTime(j)) * 1e-9f;
        const zkVec3f now = stepRoot->getTranslation(j);
        expectNear({now.x + p0.x + v.x * s, now.y + p0.y + v.y * s, now.z + p0.z + v.z * s}, stepBefore[j], 1e-3f,
                   "step key " + std::to_string(j));
    }
}

// Each vertex's skinned position under distinct bone matrices, in graph order.
std::vector<zkVec3f> skinnedPositions(const zkAnimationDatabase* db)
{
    auto boneMatrix = [](int bone) {
        zkMatrix44f m;
        const float a = 0.3f * bone, c = std::cos(a), s = std::sin(a);
        m.m[0][0] = c, m.m[0][2] = -s, m.m[2][0] = s, m.m[2][2] = c;
        m.m[3][0] = bone + 1.0f, m.m[3][1] = 2.0f * bone, m.m[3][2] = -3.0f * bone;
        return m;
    };
    std::vector<zkVec3f> out;
    std::function<void(const zkNode*, const zkBlendMatrixSelect*)> walk = [&](const zkNode* node,
                                                                            const zkBlendMatrixSelect* select) {
        if (auto* s = zkBlendMatrixSelect::dynamicCast(const_cast<zkNode*>(node))) select = s;
        if (auto* g = zkGeometry::dynamicCast(const_cast<zkNode*>(node)); g && select)
            for (int a = 0; a < g->getGeometryAttrCount(); ++a) {
                const zkGeometryAttr* attr = g->getGeometryAttr(a);
                const zkVertexArray* array = attr->getVertexArray();
                for (int v = 0; v < attr->getVertexCount(); ++v) {
                    zkVec3f sum;
                    for (int slot = 0; slot < array->getBlendMatrixIndexCount(); ++slot) {
                        const int bone = select->getBlendMatrixIndices()->get(array->getBlendMatrixIndex(slot, v));
                        const zkVec3f p = boneMatrix(bone).transformPoint(attr->getPosition(v));
                        const float w = array->getWeight(slot, v);
                        sum.set(sum.x + w * p.x, sum.y + w * p.y, sum.z + w * p.z);
                    }
                    out.push_back(sum);
                }
            }
        if (auto* group = zkGroup::dynamicCast(const_cast<zkNode*>(node)))
            for (int i = 0; i < group->getChildCount(); ++i) walk(group->getChild(i), select);
    };
    for (int s = 0; s < db->getSkinList()->getCount(); ++s) walk(db->getSkin(s)->getSkinnedGraph(), nullptr);
    return out;
}

bool sorted(const zkBlendMatrixSelect* select)
{
    const auto& values = select->getBlendMatrixIndices()->values;
    return std::is_sorted(values.begin(), values.end());
}

TEST(AnimatedCharacter, CanonicalPalettesLeaveEverySkinnedPositionWhereItWas)
{
    auto file = importCharacter();
    zkAnimationDatabase* db = databaseOf(file);
    ASSERT_TRUE(db);
    const std::vector<zkVec3f> before = skinnedPositions(db);
    ASSERT_GT(before.size(), 100u);
    std::vector<const zkBlendMatrixSelect*> palettes;
    std::function<void(const zkNode*)> find = [&](const zkNode* node) {
        if (auto* select = zkBlendMatrixSelect::dynamicCast(const_cast<zkNode*>(node))) palettes.push_back(select);
        if (auto* group = zkGroup::dynamicCast(const_cast<zkNode*>(node)))
            for (int i = 0; i < group->getChildCount(); ++i) find(group->getChild(i));
    };
    for (int s = 0; s < db->getSkinList()->getCount(); ++s) find(db->getSkin(s)->getSkinnedGraph());
    ASSERT_EQ(palettes.size(), 2u);
    for (const zkBlendMatrixSelect* select : palettes) EXPECT_FALSE(sorted(select));

    PassHarness h(file);
    auto pass = h.pass<VeskoActorSkinFinalize>();
    h.run(pass.get());
    for (const zkBlendMatrixSelect* select : palettes) EXPECT_TRUE(sorted(select));
    const std::vector<zkVec3f> after = skinnedPositions(db);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t v = 0; v < after.size(); ++v) expectNear(after[v], before[v], 1e-4f, "vertex " + std::to_string(v));
}

TEST(AnimatedCharacter, TheExportedResultCarriesTheInPlaceWalk)
{
    auto file = importCharacter();
    PassHarness h(file);
    auto extract = h.pass<ExtractMotionVesko>();
    auto finalize = h.pass<VeskoActorSkinFinalize>();
    h.run(extract.get());
    h.run(finalize.get());

    Tam::Test::TempFolder folder;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(Tam::Io::zkExportGltf(file, folder / "out.gltf", Tam::Io::zkGltfForm::Embedded, error, &warnings)) << error;
    EXPECT_EQ(warnings, std::vector<std::string>{});
    auto back = importCharacter(folder / "out.gltf");
    zkAnimationDatabase* db = databaseOf(back);
    ASSERT_TRUE(db);
    const zkTransformSequence1_5* root = sequenceOf(db->getAnimation("walk"), "Bip01");
    ASSERT_TRUE(root);
    EXPECT_LE(horizontalTravel(root), kDeadZone);
    expectNear(sequenceOf(db->getAnimation("walk"), "motion")->getTranslation(20), {0, 0, 150}, 1e-3f, "motion end");
}

} // namespace
