// The host scene model: vertex and index storage, attribute lists, user data, walkers and the
// consistency checks that scene readers rely on.
#include "host/zkhost.h"
#include "tests/harness/PassHarness.h"

#include <gtest/gtest.h>

#include <set>

using namespace Tam::Core;
using namespace Tam::Gfx;
using namespace Tam::Attrs;
using namespace Tam::Sg;
using Tam::Math::zkMatrix44f;
using Tam::Math::zkVec3f;
using Tam::Test::named;

namespace {

// Every component the format word can carry: positions, normals, colours, 2 weights, 3 blend
// indices, 2 texture sets, a 2-float user coordinate, tangents, binormals, fog coordinates.
zkVertexFormat fullFormat()
{
    zkVertexFormat f(zkVertexFormat::POSITION | zkVertexFormat::NORMAL | zkVertexFormat::COLOR |
                     zkVertexFormat::TANGENT | zkVertexFormat::BINORMAL | zkVertexFormat::FOGCOORD);
    f.setWeightCount(2);
    f.setBlendMatrixIndexCount(3);
    f.setTextureCoordSetCount(2);
    f.setUserCoordSize(2);
    return f;
}

// Vertex v gets values that differ per vertex and per slot, so a copy from the wrong place shows.
void fillVertex(zkVertexArray& a, int v)
{
    float b = 10.0f * (v + 1);
    a.setPosition(v, {b + 0.1f, b + 0.2f, b + 0.3f});
    a.setNormal(v, {b + 0.4f, b + 0.5f, b + 0.6f});
    a.setColor(v, 0xff000000u | uint32_t(v));
    for (int j = 0; j < a.getWeightCount(); ++j) a.setWeight(j, v, b + 1.0f + j);
    for (int j = 0; j < a.getBlendMatrixIndexCount(); ++j) a.setBlendMatrixIndex(j, v, uint8_t(v * 10 + j));
    for (int s = 0; s < a.getTextureCoordSetCount(); ++s) a.setTextureCoord(s, v, b + 2.0f + s, b + 3.0f + s);
    if (float* u = a.getUserCoord(v))
        for (int k = 0; k < a.getUserCoordSize(); ++k) u[k] = b + 4.0f + k;
    if (float* t = a.getTangent(v)) t[0] = t[1] = t[2] = b + 5.0f;
    if (float* n = a.getBinormal(v)) n[0] = n[1] = n[2] = b + 6.0f;
    if (float* f = a.getFogCoord(v)) *f = b + 7.0f;
}

// The same vertex in two arrays, component by component, as the re-instancing pass compares.
void expectSameVertex(const zkVertexArray& a, int va, const zkVertexArray& b, int vb)
{
    const zkVertexFormat f = a.getVertexFormat();
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(a.getPosition(va)[k], b.getPosition(vb)[k]);
        EXPECT_EQ(a.getNormal(va)[k], b.getNormal(vb)[k]);
        EXPECT_EQ(a.getTangent(va)[k], b.getTangent(vb)[k]);
        EXPECT_EQ(a.getBinormal(va)[k], b.getBinormal(vb)[k]);
    }
    EXPECT_EQ(a.getColor(va), b.getColor(vb));
    for (int j = 0; j < f.getWeightCount(); ++j) EXPECT_EQ(a.getWeight(j, va), b.getWeight(j, vb));
    for (int j = 0; j < f.getBlendMatrixIndexCount(); ++j)
        EXPECT_EQ(a.getBlendMatrixIndex(j, va), b.getBlendMatrixIndex(j, vb));
    for (int s = 0; s < f.getTextureCoordSetCount(); ++s) {
        EXPECT_EQ(a.getTextureCoord(s, va)[0], b.getTextureCoord(s, vb)[0]);
        EXPECT_EQ(a.getTextureCoord(s, va)[1], b.getTextureCoord(s, vb)[1]);
    }
    for (int k = 0; k < f.getUserCoordSize(); ++k) EXPECT_EQ(a.getUserCoord(va)[k], b.getUserCoord(vb)[k]);
    EXPECT_EQ(*a.getFogCoord(va), *b.getFogCoord(vb));
}

zkSmartPointer<zkVertexArray> filledArray(zkVertexFormat format, int count)
{
    auto a = zkCreate<zkVertexArray>();
    EXPECT_TRUE(a->configure(format, count, 0x55, 0));
    for (int v = 0; v < count; ++v) fillVertex(*a, v);
    return a;
}

// An indexed triangle list over positions only.
zkSmartPointer<zkGeometryAttr> triangles(int vertices, std::vector<int32_t> indices)
{
    auto attr = zkCreate<zkGeometryAttr>();
    auto va = zkCreate<zkVertexArray>();
    va->configure(zkVertexFormat::POSITION, vertices, 0);
    for (int v = 0; v < vertices; ++v) va->setPosition(v, {float(v), 0.0f, 0.0f});
    auto ia = zkCreate<zkIndexArray>();
    ia->indices = std::move(indices);
    attr->configureVertexArray(va);
    attr->configureIndexArray(ia);
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_LIST, ia->getCount() / 3, 0);
    return attr;
}

std::string walk(zkIterateGraph& it, zkNode* root)
{
    std::string order;
    for (it.begin(root); it.isNotLast(); it.getNext()) order += std::string(order.empty() ? "" : " ") + it.getCurrent()->getName();
    return order;
}

std::string pathOf(const zkIterateGraph& it)
{
    std::string path;
    for (int i = 0; i < it.getCurrentPath().getCount(); ++i)
        path += std::string(i ? "/" : "") + it.getCurrentPath()[i]->getName();
    return path;
}

} // namespace

TEST(SceneModel, VertexArraySizesEveryBlockByFormatAndCount)
{
    auto a = filledArray(fullFormat(), 4);
    EXPECT_EQ(a->positions.size(), 12u);
    EXPECT_EQ(a->normals.size(), 12u);
    EXPECT_EQ(a->colors.size(), 16u);
    EXPECT_EQ(a->weights.size(), 8u);
    EXPECT_EQ(a->blendIndices.size(), 12u);
    EXPECT_EQ(a->texCoords.size(), 16u);
    EXPECT_EQ(a->userCoords.size(), 8u);
    EXPECT_EQ(a->fogCoords.size(), 4u);
    EXPECT_EQ(a->getConfiguration(), 0x55u);
    // Texture set 0 of all vertices comes first, so a welder reads it with an 8-byte stride.
    EXPECT_EQ(a->getTextureCoord(0, 1), a->getTextureCoord(0, 0) + 2);
    EXPECT_EQ(a->getTextureCoord(1, 0), a->getTextureCoord(0, 0) + 8);
    // Weights are by slot first, then vertex.
    EXPECT_EQ(a->getWeight(1, 2), 32.0f);
    EXPECT_EQ(a->getBlendMatrixIndex(2, 3), 32);
}

TEST(SceneModel, AbsentComponentsAndOutOfRangeVerticesAnswerNothing)
{
    auto a = filledArray(zkVertexFormat::POSITION, 2);
    EXPECT_EQ(a->getNormal(0), nullptr);
    EXPECT_EQ(a->getTextureCoord(0, 0), nullptr);
    EXPECT_EQ(a->getPosition(2), nullptr);
    EXPECT_EQ(a->getPosition(-1), nullptr);
    EXPECT_EQ(a->getWeight(0, 0), 0.0f);
    a->setWeight(0, 0, 1.0f); // no weights: nothing happens
    a->setTextureCoord(0, 0, 1.0f, 1.0f);
    EXPECT_TRUE(a->weights.empty());
    zkVec3f p;
    EXPECT_FALSE(a->readPosition(5, p));
    EXPECT_TRUE(a->readPosition(1, p));
    EXPECT_FLOAT_EQ(p.x, 20.1f);
    EXPECT_FLOAT_EQ(p.z, 20.3f);
    EXPECT_FALSE(a->configure(zkVertexFormat::POSITION, -1, 0));
    EXPECT_EQ(a->getVertexCount(), 2);
}

TEST(SceneModel, CopyVertexCopiesEveryComponentOfTheFormat)
{
    auto src = filledArray(fullFormat(), 3);
    auto dst = zkCreate<zkVertexArray>();
    dst->configure(fullFormat(), 2, src->getConfiguration());
    ASSERT_TRUE(zkVertexArray::copyVertex(dst, 0, src, 2, fullFormat()));
    ASSERT_TRUE(zkVertexArray::copyVertex(dst, 1, src, 0, fullFormat()));
    expectSameVertex(*dst, 0, *src, 2);
    expectSameVertex(*dst, 1, *src, 0);
    EXPECT_FALSE(zkVertexArray::copyVertex(dst, 2, src, 0, fullFormat()));
    EXPECT_FALSE(zkVertexArray::copyVertex(dst, 0, src, 3, fullFormat()));
}

TEST(SceneModel, CopyVertexIntoFewerWeightsKeepsTheFirstInOrder)
{
    zkVertexFormat three(zkVertexFormat::POSITION);
    three.setWeightCount(3);
    three.setBlendMatrixIndexCount(3);
    auto src = zkCreate<zkVertexArray>();
    src->configure(three, 1, 0);
    const float weights[] = {0.6f, 0.3f, 0.1f};
    const uint8_t indices[] = {7, 9, 4};
    for (int j = 0; j < 3; ++j) {
        src->setWeight(j, 0, weights[j]);
        src->setBlendMatrixIndex(j, 0, indices[j]);
    }
    zkVertexFormat two = three;
    two.setWeightCount(2);
    two.setBlendMatrixIndexCount(2);
    auto dst = zkCreate<zkVertexArray>();
    dst->configure(two, 1, 0);
    auto helper = zkCreate<zkVertexArrayHelper>();
    ASSERT_TRUE(helper->copyVertex(dst, src, 0, two));
    EXPECT_EQ(dst->getWeight(0, 0), 0.6f);
    EXPECT_EQ(dst->getWeight(1, 0), 0.3f);
    EXPECT_EQ(dst->getBlendMatrixIndex(0, 0), 7);
    EXPECT_EQ(dst->getBlendMatrixIndex(1, 0), 9);

    // The other way, slots the source lacks arrive as zero.
    auto wide = zkCreate<zkVertexArray>();
    wide->configure(three, 1, 0);
    wide->setWeight(2, 0, 5.0f);
    ASSERT_TRUE(helper->copyVertex(wide, dst, 0, three));
    EXPECT_EQ(wide->getWeight(1, 0), 0.3f);
    EXPECT_EQ(wide->getWeight(2, 0), 0.0f);
}

TEST(SceneModel, ReconfigureKeepsTheFirstVerticesOfSharedComponents)
{
    auto a = filledArray(fullFormat(), 4);
    auto before = zkSmartPointer<zkVertexArray>::adopt(static_cast<zkVertexArray*>(a->createCopy(zkObject::COPY_DEEP)));

    // Fewer vertices, same format: the first ones stay, every component.
    ASSERT_TRUE(a->reconfigure(fullFormat(), 3, 0x55, 0));
    EXPECT_EQ(a->getVertexCount(), 3);
    for (int v = 0; v < 3; ++v) expectSameVertex(*a, v, *before, v);

    // Without normals, one texture set fewer, one weight more: what both have is kept.
    zkVertexFormat f = fullFormat();
    f.setFlag(zkVertexFormat::NORMAL, false);
    f.setTextureCoordSetCount(1);
    f.setWeightCount(3);
    ASSERT_TRUE(a->reconfigure(f, 5, 0x55, 0));
    EXPECT_TRUE(a->normals.empty());
    EXPECT_EQ(a->texCoords.size(), 10u);
    EXPECT_EQ(a->getTextureCoord(0, 2)[1], before->getTextureCoord(0, 2)[1]);
    EXPECT_EQ(a->getWeight(1, 2), before->getWeight(1, 2));
    EXPECT_EQ(a->getWeight(2, 2), 0.0f);
    EXPECT_EQ(a->getPosition(4)[0], 0.0f);
    std::string field, problem;
    EXPECT_TRUE(a->isConsistent(field, problem)) << field << " " << problem;
}

TEST(SceneModel, ConsistencyNamesABlockOfTheWrongSize)
{
    auto a = filledArray(fullFormat(), 4);
    std::string field, problem;
    ASSERT_TRUE(a->isConsistent(field, problem));
    a->texCoords.pop_back();
    EXPECT_FALSE(a->isConsistent(field, problem));
    EXPECT_EQ(field, "texCoords");
    EXPECT_EQ(problem, "holds 15 floats where 4 vertices of format 0x01e20327 need 16");

    auto b = filledArray(zkVertexFormat::POSITION, 2);
    b->colors.resize(8); // a block the format does not have
    EXPECT_FALSE(b->isConsistent(field, problem));
    EXPECT_EQ(field, "colors");
    EXPECT_EQ(problem, "holds 8 bytes where 2 vertices of format 0x00000001 need 0");
}

TEST(SceneModel, ConsistencyCatchesAnIndexOutsideTheVertexArray)
{
    auto attr = triangles(4, {0, 1, 2, 2, 1, 3});
    std::string field, problem;
    EXPECT_TRUE(attr->isConsistent(field, problem)) << problem;
    attr->getIndexArray()->setIndex(4, 4);
    EXPECT_FALSE(attr->isConsistent(field, problem));
    EXPECT_EQ(field, "indexArray");
    EXPECT_EQ(problem, "index 4 at position 4 is outside the vertex array's 4 vertices");

    auto strips = triangles(4, {0, 1, 2, 3});
    strips->setPrimitives(ZK_PRIMITIVE_TRIANGLE_STRIPS, 1, 0);
    strips->setPrimitiveLength(0, 5);
    EXPECT_FALSE(strips->isConsistent(field, problem));
    EXPECT_EQ(problem, "1 primitives need 5 vertices, the index array has 4");
    strips->setPrimitiveLength(0, 4);
    EXPECT_TRUE(strips->isConsistent(field, problem)) << problem;
}

TEST(SceneModel, AttributeSetListsAppendRemoveAndReplace)
{
    auto set = zkCreate<zkGeometry>();
    EXPECT_EQ(set->getAttrs(), nullptr);
    EXPECT_EQ(set->getAttrCount(), 0);
    auto light = zkCreate<zkLightingStateAttr>();
    auto geo = triangles(3, {0, 1, 2});
    auto tex = zkCreate<zkTextureBindAttr>();
    set->appendAttr(light);
    set->appendAttr(geo);
    set->appendAttr(tex);
    ASSERT_EQ(set->getGeometryAttrCount(), 3);
    EXPECT_EQ(set->getGeometryAttr(0), nullptr); // not a geometry attribute
    EXPECT_EQ(set->getGeometryAttr(1), geo.get());
    EXPECT_EQ(set->getAttr(3), nullptr);
    EXPECT_EQ(light->getRefCount(), 2u); // the list holds its own reference

    auto other = triangles(3, {2, 1, 0});
    set->setGeometryAttr(1, other);
    EXPECT_EQ(set->getGeometryAttr(1), other.get());
    EXPECT_EQ(geo->getRefCount(), 1u);

    EXPECT_TRUE(set->removeAttr(light.get()));
    EXPECT_FALSE(set->removeAttr(light.get()));
    EXPECT_EQ(light->getRefCount(), 1u);
    set->removeGeometryAttr(0);
    ASSERT_EQ(set->getAttrCount(), 1);
    EXPECT_EQ(set->getAttr(0), tex.get());
    set->removeAttr(0);
    EXPECT_EQ(set->getAttrCount(), 0);
}

TEST(SceneModel, ParentLinksFollowAppendRemoveAndDeepCopy)
{
    auto root = named<zkAttrSet>("root");
    auto left = named<zkGroup>("left"), right = named<zkGroup>("right");
    auto geo = named<zkGeometry>("geo");
    root->appendChild(left);
    root->appendChild(right);
    left->appendChild(geo);
    right->appendChild(geo);
    ASSERT_EQ(geo->getParentCount(), 2);
    EXPECT_EQ(geo->getParent(0), left.get());
    EXPECT_EQ(geo->getParent(1), right.get());

    left->removeChild(geo.get());
    ASSERT_EQ(geo->getParentCount(), 1);
    EXPECT_EQ(geo->getParent(0), right.get());
    left->appendChild(geo);

    auto copy = zkSmartPointer<zkAttrSet>::adopt(static_cast<zkAttrSet*>(root->createCopy(zkObject::COPY_DEEP)));
    auto* cl = static_cast<zkGroup*>(copy->getChild(0));
    auto* cr = static_cast<zkGroup*>(copy->getChild(1));
    zkNode* cg = cr->getChild(0);
    ASSERT_EQ(cl->getChild(0), cg);
    EXPECT_NE(cg, geo.get());
    ASSERT_EQ(cg->getParentCount(), 2);
    EXPECT_EQ((std::set<zkObject*>{cg->getParent(0), cg->getParent(1)}), (std::set<zkObject*>{cl, cr}));
    EXPECT_EQ(geo->getParentCount(), 2); // the original is untouched
    EXPECT_EQ(cl->getParent(0), copy.get());
}

TEST(SceneModel, DeepCopyOfGeometrySharesNothingWithTheOriginal)
{
    auto geo = named<zkGeometry>("rock");
    auto attr = triangles(4, {0, 1, 2, 2, 1, 3});
    geo->appendAttr(attr);
    geo->appendAttr(zkCreate<zkMaterialModeAttr>());

    auto copy = zkSmartPointer<zkGeometry>::adopt(static_cast<zkGeometry*>(geo->createCopy(zkObject::COPY_DEEP)));
    std::set<zkObject*> original, copied;
    zkVisitReachable(geo, nullptr, [&](zkObject* o) { original.insert(o); });
    zkVisitReachable(copy, nullptr, [&](zkObject* o) { copied.insert(o); });
    EXPECT_EQ(original.size(), 6u); // geometry, list, two attributes, vertex and index array
    EXPECT_EQ(copied.size(), original.size());
    for (zkObject* o : copied) EXPECT_EQ(original.count(o), 0u) << o->getMeta()->getName();

    zkGeometryAttr* ca = copy->getGeometryAttr(0);
    EXPECT_TRUE(zkFieldsEqual(attr->getIndexArray(), ca->getIndexArray()));
    ca->getVertexArray()->setPosition(0, {9, 9, 9});
    ca->getIndexArray()->setIndex(0, 3);
    EXPECT_EQ(attr->getPosition(0), (zkVec3f{0, 0, 0}));
    EXPECT_EQ(attr->getIndexArray()->getIndex(0), 0);
    EXPECT_EQ(copy->getVertexCount(), 4);
}

TEST(SceneModel, UserInfoLooksPropertiesUpByKey)
{
    for (zkUserInfo* info : {static_cast<zkUserInfo*>(zkCreate<zkSimpleUserInfo>().detach()),
                             static_cast<zkUserInfo*>(zkCreate<zkHashedUserInfo>().detach())}) {
        auto hold = zkSmartPointer<zkUserInfo>::adopt(info);
        info->setStringProperty("stopteleport", "TRUE");
        info->setStringProperty("material", "12");
        auto count = zkCreate<zkIntValue>();
        count->setValue(3);
        info->setProperty("count", count);

        auto key = zkCreate<zkStringKey>();
        key->setValue("material");
        zkProperty* p = info->getProperty(key.get());
        ASSERT_NE(p, nullptr) << info->getMeta()->getName();
        zkStringValue* s = zkStringValue::dynamicCast(p->getValue());
        ASSERT_NE(s, nullptr);
        EXPECT_STREQ(s->getValue(), "12");
        EXPECT_EQ(zkStringValue::dynamicCast(info->getProperty("count")->getValue()), nullptr);

        key->setValue("Material"); // keys are case-sensitive
        EXPECT_EQ(info->getProperty(key.get()), nullptr);
        EXPECT_EQ(info->getProperty("ItemName"), nullptr);

        info->setStringProperty("material", "31"); // replaces, does not add
        EXPECT_EQ(info->getPropertyCount(), 3);
        EXPECT_STREQ(static_cast<zkStringValue*>(info->getProperty("material")->getValue())->getValue(), "31");
        EXPECT_TRUE(info->removeProperty("material"));
        EXPECT_EQ(info->getProperty("material"), nullptr);
    }
}

TEST(SceneModel, IterateGraphVisitsDepthFirstOncePerPath)
{
    auto root = named<zkGroup>("root");
    auto a = named<zkAttrSet>("a");
    auto b = named<zkGroup>("b");
    auto g = named<zkGeometry>("g");
    auto t = named<zkTransform>("t");
    root->appendChild(a);
    root->appendChild(b);
    a->appendChild(g);
    a->appendChild(t);
    b->appendChild(g); // shared
    b->appendChild(root); // a cycle back to the root

    auto it = zkCreate<zkIterateGraph>();
    EXPECT_EQ(walk(*it, root), "root a g t b g root");
    std::vector<std::string> paths;
    for (it->beginOfExactType(root, zkGeometry::getClassTypeSafe()); it->isNotLast();
         it->getNextOfExactType(zkGeometry::getClassTypeSafe()))
        paths.push_back(pathOf(*it));
    EXPECT_EQ(paths, (std::vector<std::string>{"root/a/g", "root/b/g"}));

    // Of type: an attribute set, and the geometry derived from it.
    std::string sets;
    for (it->beginOfType(root, zkAttrSet::getClassTypeSafe()); it->isNotLast();
         it->getNextOfType(zkAttrSet::getClassTypeSafe()))
        sets += it->getCurrent()->getName();
    EXPECT_EQ(sets, "agg");
    b->removeChild(1);
}

TEST(SceneModel, ReplacingOrRemovingTheCurrentNodeContinuesWithTheNext)
{
    auto root = named<zkGroup>("root");
    auto a = named<zkGroup>("a"), c = named<zkGroup>("c");
    auto x = named<zkGeometry>("x");
    root->appendChild(a);
    a->appendChild(x);
    a->appendChild(c);
    x->appendChild(named<zkGroup>("under-x"));

    auto it = zkCreate<zkIterateGraph>();
    std::string order;
    for (it->begin(root); it->isNotLast(); it->getNext()) {
        order += std::string(it->getCurrent()->getName()) + " ";
        if (it->getCurrent() == x.get()) {
            auto empty = named<zkGroup>("empty");
            empty->appendChild(named<zkGroup>("under-empty"));
            ASSERT_TRUE(it->replaceCurrentNode(empty));
            EXPECT_EQ(pathOf(*it), "root/a/empty");
        }
    }
    // Neither the old node's subtree nor the replacement's is walked.
    EXPECT_EQ(order, "root a x c ");
    EXPECT_EQ(a->getChild(0)->getName(), std::string("empty"));
    EXPECT_EQ(x->getParentCount(), 0);
    EXPECT_EQ(a->getChild(0)->getParent(0), a.get());

    // Removing the current node from its group: the walk goes on with the child after it.
    auto d = named<zkGroup>("d");
    a->appendChild(d);
    order.clear();
    for (it->begin(root); it->isNotLast(); it->getNext()) {
        order += std::string(it->getCurrent()->getName()) + " ";
        if (it->getCurrent() == c.get()) a->removeChild(c.get());
    }
    EXPECT_EQ(order, "root a empty under-empty c d ");
}

TEST(SceneModel, IterateAttrFindsTheAttributeInForceWithOverrides)
{
    auto root = named<zkAttrSet>("root");
    auto over = named<zkOverrideAttrSet>("over");
    auto inner = named<zkAttrSet>("inner");
    auto geo = named<zkGeometry>("geo");
    auto rootLight = zkCreate<zkLightingStateAttr>(), innerLight = zkCreate<zkLightingStateAttr>();
    auto overMode = zkCreate<zkMaterialModeAttr>(), innerMode = zkCreate<zkMaterialModeAttr>();
    root->appendAttr(rootLight);
    over->appendAttr(overMode);
    inner->appendAttr(innerLight);
    inner->appendAttr(innerMode);
    root->appendChild(over);
    over->appendChild(inner);
    inner->appendChild(geo);
    root->appendChild(named<zkGroup>("beside"));

    auto it = zkCreate<zkIterateAttr>();
    zkNode* n = it->beginOfExactType(root, zkGeometry::getClassTypeSafe());
    ASSERT_EQ(n, geo.get());
    ASSERT_TRUE(it->validateAttrStack());
    EXPECT_EQ(it->getTopAttr(zkLightingStateAttr::getClassTypeSafe()), innerLight.get());
    EXPECT_EQ(it->getTopAttr(zkMaterialModeAttr::getClassTypeSafe()), overMode.get());
    EXPECT_EQ(it->getTopAttr(zkTextureStateAttr::getClassTypeSafe()), nullptr);
    EXPECT_EQ(it->getTopAttr(zkStateAttr::getClassTypeSafe()), innerLight.get());

    it->getNext();
    ASSERT_STREQ(it->getCurrent()->getName(), "beside");
    EXPECT_EQ(it->getTopAttr(zkLightingStateAttr::getClassTypeSafe()), rootLight.get());
    EXPECT_EQ(it->getTopAttr(zkMaterialModeAttr::getClassTypeSafe()), nullptr);
}

TEST(SceneModel, TransformSequenceEvaluatesBetweenKeysInNanoseconds)
{
    auto seq = zkCreate<zkTransformSequence1_5>();
    ASSERT_TRUE(seq->configure(3, zkTransformSequence::TRANSLATION | zkTransformSequence::ROTATION));
    const int64_t second = 1000000000LL;
    seq->setTime(1, 5 * second); // past 32 bits
    seq->setTime(2, 10 * second);
    seq->setTranslation(1, {10, 0, 0});
    seq->setTranslation(2, {10, 20, 0});
    const float quarter[4] = {0, 0, std::sqrt(0.5f), std::sqrt(0.5f)}; // 90 degrees about z
    seq->setRotation(2, quarter);
    EXPECT_EQ(seq->getTime(1), 5 * second);
    EXPECT_EQ(seq->getTranslationKeyCount(), 3);
    EXPECT_EQ(seq->getScaleKeyCount(), 0);

    zkMatrix44f m = seq->getMatrix(7500000000LL); // halfway from key 1 to key 2
    EXPECT_FLOAT_EQ(m.getTranslation().x, 10.0f);
    EXPECT_FLOAT_EQ(m.getTranslation().y, 10.0f);
    zkMatrix44f end = seq->getMatrix(20 * second); // held at the last key
    zkVec3f p = end.transformPoint({1, 0, 0});
    EXPECT_NEAR(p.x, 10.0f, 1e-5f);
    EXPECT_NEAR(p.y, 21.0f, 1e-5f);
    EXPECT_EQ(seq->getMatrix(-1).getTranslation(), (zkVec3f{0, 0, 0}));

    std::string field, problem;
    EXPECT_TRUE(seq->isConsistent(field, problem));
    seq->rotations.resize(8);
    EXPECT_FALSE(seq->isConsistent(field, problem));
    EXPECT_EQ(field, "rotations");
    EXPECT_EQ(problem, "holds 8 floats where 3 keys need 12");
}

TEST(SceneModel, AnimationDatabaseFindsTracksBonesAndSkins)
{
    auto db = zkCreate<zkAnimationDatabase>();
    EXPECT_EQ(db->getSkeletonList(), nullptr);
    auto skeleton = named<zkSkeleton>("body");
    skeleton->appendBone(named<zkBoneInfo>("Bip01"));
    skeleton->appendBone(named<zkBoneInfo>("motion"));
    db->appendSkeleton(skeleton);
    auto anim = named<zkAnimation>("walk");
    auto track = named<zkAnimationTrack>("motion");
    track->setSource(zkCreate<zkTransformSequence1_5>());
    anim->appendTrack(named<zkAnimationTrack>("bip01"));
    anim->appendTrack(track);
    db->appendAnimation(anim);
    auto skin = named<zkSkin>("hero");
    skin->setSkinnedGraph(named<zkGroup>("graph"));
    db->appendSkin(skin);

    EXPECT_STREQ(db->getSkeleton(0)->getBoneInfo(1)->getName(), "motion");
    EXPECT_EQ(db->getSkeleton(0)->getBoneInfo(2), nullptr);
    EXPECT_EQ(db->getAnimation(0)->getAnimationTrack("motion"), track.get());
    EXPECT_EQ(anim->getAnimationTrack("Motion"), nullptr);
    EXPECT_NE(zkTransformSequence1_5::dynamicCast(track->getSource()), nullptr);
    EXPECT_STREQ(db->getSkin(0)->getSkinnedGraph()->getName(), "graph");
    EXPECT_EQ(db->getSkin(0), zkSkin::dynamicCast(db->getSkinList()->get(0)));

    track->setMotion({1, 2, 3}, -999.0f, {4, 5, 6});
    EXPECT_EQ(track->getMotionVelocity(), (zkVec3f{1, 2, 3}));
    EXPECT_EQ(track->getMotionMarker(), -999.0f);
}

TEST(SceneModel, ImagesLoadByFormatAndCheckTheirSizes)
{
    const uint8_t texels[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    auto image = named<zkImage>("wall$ct12.tga");
    ASSERT_TRUE(image->load(texels, ZK_GFX_TEXTURE_FORMAT_RGB_888_24, 2, 2));
    EXPECT_EQ(image->getStride(), 6);
    EXPECT_EQ(image->getDataSize(), 12);
    EXPECT_EQ(image->getComponentBits(ZK_GFX_IMAGE_CMPNT_GREEN), 8);
    EXPECT_EQ(image->getComponentBits(ZK_GFX_IMAGE_CMPNT_ALPHA), 0);
    EXPECT_FALSE(image->hasAlpha());
    EXPECT_FALSE(image->load(texels, 3, 2, 2)); // no format 3
    EXPECT_EQ(image->getFormat(), ZK_GFX_TEXTURE_FORMAT_RGB_888_24);
    int positions[4];
    ASSERT_TRUE(image->getIndexFromComponentOrder(ZK_GFX_IMAGE_ORDER_PLATFORM, positions));
    EXPECT_EQ(positions[0], 2); // red is the third byte in the platform order
    EXPECT_EQ(positions[3], -1);

    std::string field, problem;
    EXPECT_TRUE(image->isConsistent(field, problem)) << problem;
    image->pixels.pop_back();
    EXPECT_FALSE(image->isConsistent(field, problem));
    EXPECT_EQ(field, "pixels");
    EXPECT_EQ(problem, "holds 11 bytes where 2x2 texels of format 5 need 12");

    auto indexed = zkCreate<zkImage>();
    ASSERT_TRUE(indexed->load(texels, ZK_GFX_TEXTURE_FORMAT_INDEXED_4, 3, 1));
    EXPECT_EQ(indexed->getDataSize(), 2);
    EXPECT_FALSE(indexed->isConsistent(field, problem));
    EXPECT_EQ(field, "clut");
    auto clut = zkCreate<zkClut>();
    uint8_t entries[16 * 4] = {};
    entries[4 * 15 + 3] = 255;
    ASSERT_TRUE(clut->configure(ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 16, entries));
    indexed->setClut(clut);
    EXPECT_TRUE(indexed->isConsistent(field, problem)) << problem;
    EXPECT_EQ(clut->getEntry(15)[3], 255);
    EXPECT_EQ(clut->getEntry(16), nullptr);

    auto copy = zkCreate<zkImage>();
    ASSERT_TRUE(copy->copyFrom(indexed, true));
    EXPECT_NE(copy->getClut(), clut.get());
    EXPECT_TRUE(zkFieldsEqual(copy->getClut(), clut));
}

TEST(SceneModel, TexturesGrowTheirImageListAndCubesReleaseByApplyType)
{
    auto tex = zkCreate<zkTextureAttr>();
    auto image = zkCreate<zkImage>();
    tex->setImage(image, 2);
    EXPECT_EQ(tex->getImageCount(), 3);
    EXPECT_EQ(tex->getImage(0), nullptr);
    EXPECT_EQ(tex->getImage(2), image.get());
    tex->setWrapS(1);
    tex->swapWraps();
    EXPECT_EQ(tex->getWrapS(), 0);
    EXPECT_EQ(tex->getWrapT(), 1);

    auto cube = zkCreate<zkTextureCubeAttr>();
    for (int face = 0; face < 6; ++face) cube->setCubeImage(face, zkCreate<zkImage>());
    cube->setImage(image, 0);
    cube->releaseImage(ZK_TEXTURE_APPLY_CUBE);
    EXPECT_EQ(cube->getCubeImage(0), nullptr);
    EXPECT_EQ(cube->getImage(0), image.get());
    cube->releaseImage(ZK_TEXTURE_APPLY_SPHERE);
    EXPECT_EQ(cube->getImageCount(), 0);
}

TEST(SceneModel, BoundingBoxTakesInGeometryThroughTransforms)
{
    auto root = named<zkUserInfo>("item");
    auto move = named<zkTransform>("move");
    zkMatrix44f m;
    m.m[3][0] = 100.0f;
    move->setMatrix(m);
    auto geo = named<zkGeometry>("geo");
    geo->appendAttr(triangles(3, {0, 1, 2})); // x = 0, 1, 2
    root->appendChild(move);
    move->appendChild(geo);
    root->appendChild(geo);

    auto maker = zkCreate<zkBoundingBoxesMaker>();
    zkBoundingBox box = maker->getBoundingBox(root);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_EQ(box.min, (zkVec3f{0, 0, 0}));
    EXPECT_EQ(box.max, (zkVec3f{102, 0, 0}));
    root->setBound(box);
    EXPECT_EQ(root->getBoundCenter(), (zkVec3f{51, 0, 0}));
    EXPECT_FLOAT_EQ(root->getBoundRadius(), 51.0f);
    EXPECT_TRUE(maker->getBoundingBox(named<zkGroup>("nothing")).isEmpty());
}

TEST(SceneModel, EverySceneClassIsCreatedByName)
{
    for (const char* name :
         {"zkAttrSet", "zkOverrideAttrSet", "zkGeometry", "zkMorphInstance", "zkBillboard", "zkTransform",
          "zkTransformSequence", "zkTransformSequence1_5", "zkCamera", "zkLightSet", "zkBlendMatrixSelect",
          "zkDx8EnvironmentMapShader", "zkEnvironmentMapShader2", "zkUserInfo", "zkSimpleUserInfo",
          "zkHashedUserInfo", "zkStringKey", "zkProperty", "zkStringValue", "zkBoundingBoxesMaker",
          "zkCreateSphereMap", "zkIterateGraph", "zkIterateAttr", "zkAnimationDatabase", "zkAnimation",
          "zkAnimationTrack", "zkSkeleton", "zkBoneInfo", "zkSkin", "zkGeometryAttr", "zkTextureBindAttr",
          "zkTextureAttr", "zkTextureCubeAttr", "zkAlphaStateAttr", "zkAlphaFunctionAttr", "zkBlendStateAttr",
          "zkBlendFunctionAttr", "zkCullFaceAttr", "zkFogAttr", "zkFogStateAttr", "zkLightingStateAttr",
          "zkMaterialModeAttr", "zkTextureStateAttr", "zkVertexArray", "zkVertexArrayHelper", "zkIndexArray",
          "zkImage", "zkClut"}) {
        auto object = zkSmartPointer<zkObject>::adopt(zkCreateInstanceByName(name));
        ASSERT_NE(object, nullptr) << name;
        EXPECT_STREQ(object->getMeta()->getName(), name);
    }
    // A palette exists from the select's creation; a new blend function is the plain "one, zero".
    EXPECT_NE(zkCreate<zkBlendMatrixSelect>()->getBlendMatrixIndices(), nullptr);
    auto blend = zkCreate<zkBlendFunctionAttr>();
    EXPECT_EQ(blend->getSourceFactor(), ZK_BLEND_FACTOR_ONE);
    EXPECT_EQ(blend->getDestinationFactor(), ZK_BLEND_FACTOR_ZERO);
}
