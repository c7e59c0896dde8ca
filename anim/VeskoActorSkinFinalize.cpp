// Prepares the skinned graphs of an animation database for the game's renderer. Outline geometry
// (named "_outline", or drawn without normals) gets lighting switched off in the attribute set
// that owns it, and is made alpha-tested with a near-opaque threshold under an override set.
// Blend-matrix palettes are sorted into ascending bone order, with the blend indices of the
// vertices below renumbered, so that equal palettes compare equal and the renderer can walk
// bones in order. The graph traversal itself does nothing: all work is per skin.
#include "anim/VeskoActorSkinFinalize.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(VeskoActorSkinFinalize)

namespace {

// Outlines keep texels whose alpha is at least this, which drops only the faded edge.
constexpr float kOutlineAlphaReference = 0.99f;

bool isGeometry(const zkNode* node)
{
    return node && node->isOfExactType(zkGeometry::getClassTypeSafe());
}

// An attribute set that can own geometry: any set but geometry itself.
zkAttrSet* asOwningSet(zkNode* node)
{
    return isGeometry(node) ? nullptr : zkAttrSet::dynamicCast(node);
}

bool isOutline(const zkGeometry* geometry)
{
    if (std::strstr(geometry->getName(), "_outline")) return true;
    for (int i = 0; i < geometry->getGeometryAttrCount(); ++i)
        if (const zkGeometryAttr* attr = geometry->getGeometryAttr(i);
            attr && !(attr->getVertexFormat().word & zkVertexFormat::NORMAL))
            return true;
    return false;
}

} // namespace

bool VeskoActorSkinFinalize::applyInfo(zkInfo* info)
{
    const bool applied = zkOptBase::applyInfo(info);
    const auto* db = zkAnimationDatabase::dynamicCast(info);
    const zkObjectList* skins = db ? db->getSkinList() : nullptr;
    for (int i = 0; skins && i < skins->getCount(); ++i) {
        const zkSkin* skin = db->getSkin(i);
        zkSmartPointer<zkNode> graph(skin ? skin->getSkinnedGraph() : nullptr);
        if (!graph) continue;
        if (_fixOutlines) {
            printf("Removing Lighting From Outlines!\n");
            removeLighting(graph.get(), nullptr);
        }
        if (_addBlendStateToOutlines) {
            printf("Ensuring Opaque Outlines!\n");
            addAlphaTest(graph.get());
        }
        if (_canonicalizeSkeleton) {
            printf("Canonicalizing Skeleton!\n");
            canonicalize(graph.get(), nullptr);
        }
    }
    return applied;
}

bool VeskoActorSkinFinalize::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info) || zkAnimationDatabase::dynamicCast(info) != nullptr;
}

bool VeskoActorSkinFinalize::configure(int)
{
    return true;
}

GRAPH_TRAVERSAL VeskoActorSkinFinalize::dispatch(zkSmartPointer<zkNode>&)
{
    return GRAPH_TRAVERSAL_CONTINUE;
}

void VeskoActorSkinFinalize::removeLighting(zkNode* node, zkAttrSet* owner)
{
    if (zkAttrSet* set = asOwningSet(node)) owner = set;
    if (isGeometry(node) && owner && isOutline(static_cast<zkGeometry*>(node))) {
        bool found = false;
        for (int i = 0; i < owner->getAttrCount(); ++i) {
            zkAttr* attr = owner->getAttr(i);
            if (!attr || !attr->isOfExactType(zkLightingStateAttr::getClassTypeSafe())) continue;
            static_cast<zkLightingStateAttr*>(attr)->setEnabled(false);
            found = true;
        }
        if (!found) {
            auto lighting = zkCreate<zkLightingStateAttr>(owner->getMemoryPool());
            lighting->setEnabled(false);
            owner->appendAttr(lighting.get());
            return;
        }
    }
    if (auto* group = zkGroup::dynamicCast(node))
        for (int i = 0; i < group->getChildCount(); ++i) removeLighting(group->getChild(i), owner);
}

void VeskoActorSkinFinalize::addAlphaTest(zkNode* graph)
{
    auto sets = zkCreate<zkNodeList>();
    collectOutlineSets(graph, nullptr, sets.get());
    for (int i = 0; i < sets->getCount(); ++i) {
        auto* set = static_cast<zkAttrSet*>(sets->getNode(i));
        auto over = zkCreate<zkOverrideAttrSet>();
        auto function = zkCreate<zkAlphaFunctionAttr>();
        function->setFunction(ZK_ALPHA_FUNCTION_GEQUAL);
        function->setReference(kOutlineAlphaReference);
        auto state = zkCreate<zkAlphaStateAttr>(set->getMemoryPool());
        state->setEnabled(true);
        over->appendAttr(function.get());
        over->appendAttr(state.get());
        for (int c = set->getChildCount() - 1; c >= 0; --c) {
            over->appendChild(set->getChild(c));
            set->removeChild(c);
        }
        set->appendChild(over.get());
    }
}

// The owning sets of outline geometry, each once, in the order Remove lighting meets them.
void VeskoActorSkinFinalize::collectOutlineSets(zkNode* node, zkAttrSet* owner, zkNodeList* sets)
{
    if (zkAttrSet* set = asOwningSet(node)) owner = set;
    if (isGeometry(node) && owner && isOutline(static_cast<zkGeometry*>(node))) {
        sets->appendUnique(owner);
        return;
    }
    if (auto* group = zkGroup::dynamicCast(node))
        for (int i = 0; i < group->getChildCount(); ++i) collectOutlineSets(group->getChild(i), owner, sets);
}

// remap gives, for each position of the enclosing palette before sorting, its position after.
void VeskoActorSkinFinalize::canonicalize(zkNode* node, const zkIntList* remap)
{
    zkSmartPointer<zkIntList> ownRemap;
    auto* select = zkBlendMatrixSelect::dynamicCast(node);
    if (zkIntList* palette = select ? select->getBlendMatrixIndices() : nullptr) {
        const int n = palette->getCount();
        std::vector<std::pair<int32_t, int>> sorted;
        for (int p = 0; p < n; ++p) sorted.emplace_back(palette->get(p), p);
        std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        ownRemap = zkCreate<zkIntList>();
        ownRemap->setCount(n);
        for (int k = 0; k < n; ++k) {
            ownRemap->set(sorted[k].second, k);
            palette->set(k, sorted[k].first);
        }
        remap = ownRemap.get();
    }
    if (auto* set = zkAttrSet::dynamicCast(node); set && remap)
        for (int i = 0; i < set->getAttrCount(); ++i) {
            auto* attr = zkGeometryAttr::dynamicCast(set->getAttr(i));
            if (!attr) continue;
            const int slots = attr->getVertexFormat().getBlendMatrixIndexCount();
            for (int v = 0; v < attr->getVertexCount(); ++v)
                for (int s = 0; s < slots; ++s) {
                    const int old = attr->getBlendMatrixIndex(s, v);
                    // An index past the palette is the file's fault; it stays as it was.
                    if (old < remap->getCount()) attr->setBlendMatrixIndex(s, v, remap->get(old) & 0xff);
                }
        }
    if (auto* group = zkGroup::dynamicCast(node))
        for (int i = 0; i < group->getChildCount(); ++i) canonicalize(group->getChild(i), remap);
}

} // namespace Tam::OptExtension
