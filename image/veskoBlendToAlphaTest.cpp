// Blended geometry must be sorted and drawn back to front; alpha-tested geometry need not. Many
// blended textures (foliage, fences, decals) are in fact nearly two-valued: texels are either
// fully transparent or fully opaque. This pass finds attribute sets that blend with source alpha,
// judges their texture by its alpha histogram, and where few texels lie in between, turns the
// blending off and an alpha test on. The inverse blend gets the inverse test. Artists can keep a
// set blended with "$nat" in its name; shadow zones are never touched.
//
// Separately, user-info groups whose "force_additive" property is a non-zero number have every
// blend function below them switched to additive.
#include "image/veskoBlendToAlphaTest.h"

#include "frame/NameTag.h"

#include <strings.h>

#include <cstdlib>

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoBlendToAlphaTest)

namespace {

// The alpha test passes texels on the opaque side of half alpha.
constexpr float kReference = 0.5f;

bool isExactly(const zkObject* object, zkMetaObject* type) { return object->isOfExactType(type); }

} // namespace

bool veskoBlendToAlphaTest::configure(int)
{
    return true;
}

bool veskoBlendToAlphaTest::canOptimize(zkNode*)
{
    return true;
}

bool veskoBlendToAlphaTest::apply(zkSmartPointer<zkNode>& root)
{
    printf("Converting blends to alpha tests.\n");
    DoConversion(root.get());
    printf("Forcing additive.\n");
    LookForForceAdditive(root.get());
    printf("veskoBlendToAlphaTest all done!\n");
    return true;
}

void veskoBlendToAlphaTest::DoConversion(zkNode* root)
{
    m_transparentLevel = static_cast<int>(_transparentMax * 256);
    m_opaqueLevel = static_cast<int>(_opaqueMin * 256);

    // One set of appended attributes serves every converted set.
    auto alphaTest = zkCreate<zkAlphaFunctionAttr>();
    alphaTest->setFunction(ZK_ALPHA_FUNCTION_GEQUAL);
    alphaTest->setReference(kReference);
    auto inverseAlphaTest = zkCreate<zkAlphaFunctionAttr>();
    inverseAlphaTest->setFunction(ZK_ALPHA_FUNCTION_LEQUAL);
    inverseAlphaTest->setReference(kReference);
    auto alphaOn = zkCreate<zkAlphaStateAttr>();
    alphaOn->setEnabled(true);
    auto blendOff = zkCreate<zkBlendStateAttr>();
    blendOff->setEnabled(false);

    auto walk = zkCreate<zkIterateGraph>();
    for (zkNode* node = walk->begin(root); walk->isNotLast(); node = walk->getNext()) {
        const char* name = node->getName();
        NameTagQuery query;
        query.tag = NAME_TAG_NO_ALPHA;
        query.expectedCount = 0;
        if (readNameTag(name, query)) {
            printf("Skipping %s, by request.\n", name);
            continue;
        }
        if (strncasecmp(name, "zone_shadow", 11) == 0) {
            printf("Skipping %s, matches zone_shadow.*\n", name);
            continue;
        }
        if (!isExactly(node, zkAttrSet::getClassTypeSafe())) continue;
        zkAttrSet* set = static_cast<zkAttrSet*>(node);

        zkTextureBindAttr* bind = nullptr;
        zkBlendStateAttr* blendState = nullptr;
        zkBlendFunctionAttr* blendFunction = nullptr;
        zkAlphaFunctionAttr* alphaFunction = nullptr;
        zkAlphaStateAttr* alphaState = nullptr;
        for (int i = 0; i < set->getAttrCount(); ++i) {
            zkAttr* attr = set->getAttr(i);
            if (!attr) continue;
            if (isExactly(attr, zkTextureBindAttr::getClassTypeSafe())) bind = static_cast<zkTextureBindAttr*>(attr);
            else if (isExactly(attr, zkBlendStateAttr::getClassTypeSafe())) blendState = static_cast<zkBlendStateAttr*>(attr);
            else if (isExactly(attr, zkBlendFunctionAttr::getClassTypeSafe()))
                blendFunction = static_cast<zkBlendFunctionAttr*>(attr);
            else if (isExactly(attr, zkAlphaFunctionAttr::getClassTypeSafe()))
                alphaFunction = static_cast<zkAlphaFunctionAttr*>(attr);
            else if (isExactly(attr, zkAlphaStateAttr::getClassTypeSafe())) alphaState = static_cast<zkAlphaStateAttr*>(attr);
        }

        if (!blendFunction) continue;
        const int source = blendFunction->getSourceFactor(), destination = blendFunction->getDestinationFactor();
        int direction = 0;
        if (source == ZK_BLEND_FACTOR_SRC_ALPHA && destination == ZK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA) direction = 1;
        else if (source == ZK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA && destination == ZK_BLEND_FACTOR_SRC_ALPHA) direction = -1;
        if (direction == 0) continue;
        if (alphaFunction || alphaState) continue;
        int counts[3] = {0, 0, 0};
        if (!TextureNeedsAlphaTest(bind, counts)) continue;

        // Hold the set while its attributes change: the walk holds it too, but only by path.
        zkSmartPointer<zkAttrSet> keep(set);
        if (blendState) set->removeAttr(blendState);
        set->appendAttr(direction > 0 ? alphaTest.get() : inverseAlphaTest.get());
        set->appendAttr(alphaOn);
        set->appendAttr(blendOff);
        printf("Texture in zkAttrSet %s used for alpha test: %s\n", set->getName(),
               bind->getTexture()->getImage(0)->getName());
        printf("Texel counts - T:%d B:%d O:%d\n", counts[0], counts[1], counts[2]);
    }
}

bool veskoBlendToAlphaTest::TextureNeedsAlphaTest(zkTextureBindAttr* bind, int counts[3])
{
    const zkTextureAttr* texture = bind ? bind->getTexture() : nullptr;
    const zkImage* image = texture ? texture->getImage(0) : nullptr;
    if (!image || image->isUninterpreted() || !image->hasAlpha()) return false;

    auto histogram = zkCreate<Utils::zkIntHistogram>();
    if (!histogram->initialize(0, 256, 256)) return false;
    if (!image->computeHistogram(ZK_GFX_IMAGE_CMPNT_ALPHA, histogram)) return false;

    // Three ranges that follow on from each other, whatever the two levels are.
    int bin = 0;
    auto sumUpTo = [&](int end) {
        int sum = 0;
        for (; bin < end && bin < 256; ++bin) sum += histogram->getSampleCount(bin);
        return sum;
    };
    counts[0] = sumUpTo(m_transparentLevel);
    counts[1] = sumUpTo(m_opaqueLevel);
    counts[2] = sumUpTo(256);

    const int total = counts[0] + counts[1] + counts[2];
    if (total == 0) return false;
    const float middleShare = static_cast<float>(counts[1]) / static_cast<float>(total);
    const float transparentShare = static_cast<float>(counts[0]) / static_cast<float>(total);
    return middleShare <= _middleThreshold && transparentShare >= _transparentThreshold;
}

void veskoBlendToAlphaTest::LookForForceAdditive(zkNode* node)
{
    zkGroup* group = zkGroup::dynamicCast(node);
    if (!group) return;
    const bool userInfoClass = isExactly(node, zkUserInfo::getClassTypeSafe()) ||
                               isExactly(node, zkHashedUserInfo::getClassTypeSafe()) ||
                               isExactly(node, zkSimpleUserInfo::getClassTypeSafe());
    if (userInfoClass) {
        const zkUserInfo* info = static_cast<const zkUserInfo*>(node);
        auto key = zkCreate<zkStringKey>();
        key->setValue("force_additive");
        const zkProperty* property = info->getProperty(key.get());
        const zkStringValue* text = property ? zkStringValue::dynamicCast(property->getValue()) : nullptr;
        if (text && std::atoi(text->getValue()) != 0) {
            ForceAdditive(node);
            return;
        }
    }
    for (int i = 0; i < group->getChildCount(); ++i) LookForForceAdditive(group->getChild(i));
}

void veskoBlendToAlphaTest::ForceAdditive(zkNode* node)
{
    zkGroup* group = zkGroup::dynamicCast(node);
    if (!group) return;
    if (isExactly(node, zkAttrSet::getClassTypeSafe())) {
        zkAttrSet* set = static_cast<zkAttrSet*>(node);
        for (int i = 0; i < set->getAttrCount(); ++i) {
            zkAttr* attr = set->getAttr(i);
            if (!attr || !isExactly(attr, zkBlendFunctionAttr::getClassTypeSafe())) continue;
            static_cast<zkBlendFunctionAttr*>(attr)->setFactors(ZK_BLEND_FACTOR_ONE, ZK_BLEND_FACTOR_ONE);
            printf("%s forced additive\n", set->getName());
        }
    }
    for (int i = 0; i < group->getChildCount(); ++i) ForceAdditive(group->getChild(i));
}

} // namespace Tam::OptExtension
