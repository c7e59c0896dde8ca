// Geometry without normals cannot be lit, so it is drawn with lighting off: every geometry
// attribute without normals moves into a new geometry under a new attribute set that switches
// lighting off, placed beside the old geometry in each of its parent groups. Artists can ask
// for this by name: a geometry whose name holds "$nn" or "$bc" without a value (or, with
// _searchNames, the text _nameSubString) first loses the normals of all its attributes. A
// geometry left without attributes is removed; its children, if any, move into a plain group
// of its name.
#include "image/veskoNoNormalsNoLighting.h"

#include "frame/NameTag.h"

#include <cstring>
#include <unordered_set>

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoNoNormalsNoLighting)

namespace {

bool hasNameTag(const char* name, NameTag tag)
{
    NameTagQuery query;
    query.tag = tag;
    query.expectedCount = 0;
    return readNameTag(name, query);
}

// The groups that hold the node, each once.
std::vector<zkSmartPointer<zkGroup>> parentGroups(const zkNode* node)
{
    std::vector<zkSmartPointer<zkGroup>> groups;
    for (int i = 0; i < node->getParentCount(); ++i) {
        zkGroup* group = zkGroup::dynamicCast(node->getParent(i));
        bool known = false;
        for (const auto& g : groups) known = known || g.get() == group;
        if (group && !known) groups.emplace_back(group);
    }
    return groups;
}

} // namespace

bool veskoNoNormalsNoLighting::configure(int)
{
    return true;
}

bool veskoNoNormalsNoLighting::canOptimize(zkNode*)
{
    return true;
}

bool veskoNoNormalsNoLighting::apply(zkSmartPointer<zkNode>& root)
{
    DoConversion(root.get());
    printf("veskoNoNormalsNoLighting all done!\n");
    return true;
}

void veskoNoNormalsNoLighting::DoConversion(zkNode* root)
{
    if (!root) return;
    zkSmartPointer<zkNodeList> unlit = zkCreate<zkNodeList>(getMemoryPool());
    std::unordered_set<const zkNode*> seen; // the walk meets a shared node once per path
    zkSmartPointer<zkIterateGraph> walk = zkCreate<zkIterateGraph>(getMemoryPool());
    for (walk->begin(root), walk->getNext(); walk->isNotLast(); walk->getNext()) {
        zkGeometry* geometry = zkGeometry::dynamicCast(walk->getCurrent());
        if (!geometry || zkMorphInstance::dynamicCast(geometry) || !seen.insert(geometry).second) continue;
        const bool selected = isSelected(geometry->getName());
        if (selected) printf("Removing normals from %s\n", geometry->getName());
        if (collectAttrVerts(geometry, selected)) unlit->append(geometry);
    }
    for (int i = 0; i < unlit->getCount(); ++i) convert(static_cast<zkGeometry*>(unlit->getNode(i)));
}

bool veskoNoNormalsNoLighting::isSelected(const char* name) const
{
    if (!*name) return false;
    if (hasNameTag(name, NAME_TAG_NO_NORMALS) || hasNameTag(name, NAME_TAG_CULL)) return true;
    return _searchNames && !_nameSubString.isNull() && std::strstr(name, _nameSubString.c_str());
}

bool veskoNoNormalsNoLighting::collectAttrVerts(zkGeometry* geometry, bool selected)
{
    for (int i = 0; i < geometry->getAttrCount(); ++i) {
        zkGeometryAttr* attr = geometry->getGeometryAttr(i);
        if (!attr) continue;
        zkVertexArray* array = attr->getVertexArray();
        if (selected && array) {
            zkVertexFormat format = array->getVertexFormat();
            format.setFlag(zkVertexFormat::NORMAL, false);
            array->reconfigure(format, array->getVertexCount(), array->getConfiguration());
        }
        if (!attr->getVertexFormat().hasNormals()) return true;
    }
    return false;
}

void veskoNoNormalsNoLighting::convert(zkGeometry* geometry)
{
    zkSmartPointer<zkGeometry> old(geometry);
    printf("%s had at least one zkGeometryAttr with no normals.\n", old->getName());
    const std::vector<zkSmartPointer<zkGroup>> parents = parentGroups(old.get());

    zkSmartPointer<zkAttrSet> unlitSet = zkCreate<zkAttrSet>(getMemoryPool());
    zkSmartPointer<zkGeometry> unlit = zkCreate<zkGeometry>(getMemoryPool());
    unlitSet->setName(old->getName());
    unlit->setName(old->getName());
    zkSmartPointer<zkLightingStateAttr> lightingOff = zkCreate<zkLightingStateAttr>(getMemoryPool());
    lightingOff->setEnabled(false);
    unlitSet->appendAttr(lightingOff.get());
    unlitSet->appendChild(unlit.get());
    for (const auto& parent : parents) parent->appendChild(unlitSet.get());

    for (int i = old->getAttrCount() - 1; i >= 0; --i) {
        zkSmartPointer<zkGeometryAttr> attr(old->getGeometryAttr(i));
        if (!attr || attr->getVertexFormat().hasNormals()) continue;
        unlit->appendAttr(attr.get());
        old->removeAttr(i);
    }

    if (old->getAttrCount() > 0) return;
    if (old->getChildCount() > 0) {
        zkSmartPointer<zkGroup> group = zkCreate<zkGroup>(getMemoryPool());
        group->setName(old->getName());
        for (const auto& parent : parents) parent->appendChild(group.get());
        while (old->getChildCount() > 0) {
            group->appendChild(old->getChild(0));
            old->removeChild(0);
        }
        printf("Old %s converted to a group.\n", old->getName());
    } else {
        printf("Old %s removed.\n", old->getName());
    }
    for (const auto& parent : parents)
        while (parent->removeChild(old.get())) {
        }
}

} // namespace Tam::OptExtension
