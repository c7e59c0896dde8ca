// The collision hull pass. A game collides against one flat record rather than against the
// render geometry, so this pass gathers every collidable triangle of the scene in world space,
// tags each with collision flags and a material number from the artists' annotations, hands
// them to the collision tree builder (which simplifies them first when merging is on) and
// appends the resulting zkCollideHull to the file's info list. Nodes that were there only for
// collision (flag 0x20) are then taken out of the scene, and so are attribute sets left empty.
//
// What is collidable: geometry flagged 0x10, and all geometry below an attribute set whose
// texture image carries a "$ct" tag (whose value becomes the flags). User-info groups set the
// flags and material of their subtree through collision words and "material". A subtree
// flagged 0x40 is left out whole.
#include "collision/zkCollideHullVesko.h"

#include "collision/HostClock.h"
#include "collision/Tavik.h"
#include "frame/Messages.h"
#include "frame/NameTag.h"

#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

namespace Tam::OptExtension {

using Vesko::TolvanSharedODL::zkCollideHull;

ZK_DEFINE_PASS_WITH_FIELDS(zkCollideHullVesko)

namespace {

// Flags of every collision word except "stopteleport" and "forceonesided".
constexpr uint32_t kDefaultCollisionFlags = 0x1FB;
constexpr long kMaxMaterial = 31;
constexpr int kMinTrianglesPerLeaf = 4;

// Bit i of a flags word belongs to collision word i; "other1" to "other21" name bits 10 to 30.
constexpr const char* kNamedCollisionWords[] = {
    "stopwalk",     "stopfly",         "stopteleport",   "stophero",      "stopnpcneutral",
    "stopnpcenemy", "stopnpcaltenemy", "stopprojectile", "cameracollide", "forceonesided",
};
constexpr int kNamedCollisionWordCount = 10;
constexpr int kCollisionWordCount = 31;

// What a node changes for its own subtree only: the walk saves it on entry to each group and
// puts it back after the group's children.
struct SubtreeState {
    zkMatrix44f world;
    uint32_t flags = kDefaultCollisionFlags;
    int material = 0;
    bool collidableScope = false; // below an attribute set with a "$ct" tag
};

// The collision run: one per process, live during one apply, on the host's thread.
struct CollideRun {
    CollideHullBuilder* builder = nullptr;
    zkCollideHullVesko* pass = nullptr;
    SubtreeState subtree;
};
CollideRun g_run;

// Makes a run current for the scope of apply, and leaves none behind on any way out.
class CurrentRun {
public:
    CurrentRun(CollideHullBuilder& builder, zkCollideHullVesko& pass) { g_run = {&builder, &pass, {}}; }
    ~CurrentRun() { g_run = {}; }
    CurrentRun(const CurrentRun&) = delete;
    CurrentRun& operator=(const CurrentRun&) = delete;
};

std::string collisionWord(int bit)
{
    return bit < kNamedCollisionWordCount ? kNamedCollisionWords[bit] : "other" + std::to_string(bit - 9);
}

// Property values other than text leave the subtree's setting as it is.
const zkStringValue* textProperty(const zkUserInfo* info, const char* key)
{
    const zkProperty* property = info->getProperty(key);
    return property ? zkStringValue::dynamicCast(property->getValue()) : nullptr;
}

bool isExactly(const zkObject* object, zkMetaObject* type) { return object->getMeta() == type; }

// Sizes a record list to count words; false when it cannot hold them.
bool sizeWords(zkFloatList* list, int count)
{
    if (!list) return false;
    try {
        list->setCount(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return list->getData() != nullptr;
}

} // namespace

bool zkCollideHullVesko::configure(int)
{
    return true;
}

bool zkCollideHullVesko::canOptimize(zkInfo* info)
{
    return zkOptBase::canOptimize(info);
}

bool zkCollideHullVesko::applyInfo(zkInfo* info)
{
    return zkOptBase::applyInfo(info) != false;
}

// An allocation failure anywhere in the walk or the build fails the run, never the host.
bool zkCollideHullVesko::apply(zkSmartPointer<zkNode>& root)
try {
    auto builder = std::make_unique<Tavik>(0);
    builder->setHullLog(hullLogSettings());
    CurrentRun run(*builder, *this);
    _notifyOfError = true;
    walk(root.get());

    if (_totalBeforeVerts < 3) {
        printf("CollideHull: No Input Verts, no collide hull built\n");
        return true;
    }
    printf("CollideHull: Input Verts = %d\n", _totalBeforeVerts);
    _maxTrianglesPerLeaf = std::max(_maxTrianglesPerLeaf, kMinTrianglesPerLeaf);

    // The simplifier logs the file's name as what it is processing.
    const zkFileInfo* file = getOptInterface() ? getOptInterface()->getFile() : nullptr;
    const char* name = file && file->getName()[0] != '\0' ? file->getName() : nullptr;
    int treeBytes = 0, triangleBytes = 0;
    if (!builder->build(_maxTrianglesPerLeaf, treeBytes, triangleBytes, _mergeTriangles, name)) {
        printf("Tavik failed for unclear reasons\n");
        return false;
    }

    const LineSink print = [this](const std::string& line) { printf("%s", line.c_str()); };
    CollideTreeStats stats;
    builder->getStatistics(stats);
    printCollideReport(print, treeBytes, triangleBytes, stats);
    zkSmartPointer<zkCollideHull> record = fillRecord(*builder, treeBytes, triangleBytes);
    if (!record) {
        printf("CollideHull builder failed to allocate memory for unclear reasons\n");
        return false;
    }
    printCollideTotals(print, treeBytes, triangleBytes);
    if (file) file->getInfoList()->append(record.get());

    _notifyOfError = true;
    g_run.subtree.world.makeIdentity();
    removeCollisionOnlyNodes(root.get());
    removeEmptyAttrSets(root.get());
    return true;
} catch (...) {
    try {
        printf("CollideHull builder failed to allocate memory for unclear reasons\n");
    } catch (...) {
    }
    return false;
}

bool zkCollideHullVesko::addTriangles(zkGeometry* geometry, const zkMatrix44f* world)
{
    if (!geometry || !world || !g_run.builder || g_run.pass != this) return false;
    const uint32_t flags = g_run.subtree.flags;
    const uint32_t material = static_cast<uint32_t>(g_run.subtree.material);
    auto add = [&](const zkVec3f& a, const zkVec3f& b, const zkVec3f& c, bool swap) {
        const CollideTriangle triangle{{{a.x, a.y, a.z, 0u}, {b.x, b.y, b.z, flags}, {c.x, c.y, c.z, material}}};
        g_run.builder->addTriangle(triangle, swap, _mergeTriangles);
    };

    bool allTriangles = true;
    for (int a = 0; a < geometry->getGeometryAttrCount(); ++a) {
        const zkGeometryAttr* attr = geometry->getGeometryAttr(a);
        if (!attr) break;
        const int type = attr->getPrimitiveType();
        const int count = attr->getPrimitiveCount();
        if (type != ZK_PRIMITIVE_TRIANGLE_LIST && type != ZK_PRIMITIVE_TRIANGLE_STRIPS) {
            allTriangles = false;
            continue;
        }
        // Vertex k of the attribute's sequence, through its index array when it has one.
        const zkIndexArray* indices = attr->getIndexArray();
        auto corner = [&](int k) {
            return world->transformPoint(attr->getPosition(indices ? indices->getIndex(k) : k));
        };

        if (type == ZK_PRIMITIVE_TRIANGLE_LIST) {
            _totalBeforeVerts += 3 * count;
            for (int t = 0; t < count; ++t)
                add(corner(3 * t), corner(3 * t + 1), corner(3 * t + 2), true);
            continue;
        }
        // Strips alternate their winding, so every second triangle goes in unswapped.
        _totalBeforeVerts += count + 2;
        int k = 0;
        for (int strip = 0; strip < count; ++strip) {
            const int length = std::max(attr->getPrimitiveLength(strip), 0);
            if (length >= 3) {
                zkVec3f p0 = corner(k), p1 = corner(k + 1), p2 = corner(k + 2);
                bool swap = true;
                add(p0, p1, p2, swap);
                for (int v = 3; v < length; ++v) {
                    p0 = p1;
                    p1 = p2;
                    p2 = corner(k + v);
                    swap = !swap;
                    add(p0, p1, p2, swap);
                }
            }
            k += length;
        }
    }
    return allTriangles;
}

void zkCollideHullVesko::walk(zkNode* node)
{
    if (!node || (node->getFlags() & ZK_NODE_FLAG_SKIP_COLLISION)) return;
    zkGroup* group = zkGroup::dynamicCast(node);
    if (!group) return;
    const SubtreeState saved = g_run.subtree;

    if (isExactly(node, zkTransform::getClassTypeSafe())) {
        g_run.subtree.world.multiply(static_cast<zkTransform*>(node)->getMatrix(), g_run.subtree.world);
    } else if (isExactly(node, zkTransformSequence::getClassTypeSafe())) {
        g_run.subtree.world.multiply(static_cast<zkTransformSequence*>(node)->getMatrix(0), g_run.subtree.world);
    } else if (isExactly(node, zkGeometry::getClassTypeSafe())) {
        if ((node->getFlags() & ZK_NODE_FLAG_COLLIDABLE) || g_run.subtree.collidableScope) gatherGeometry(node);
    } else if (isExactly(node, zkUserInfo::getClassTypeSafe()) ||
               isExactly(node, zkHashedUserInfo::getClassTypeSafe()) ||
               isExactly(node, zkSimpleUserInfo::getClassTypeSafe())) {
        readCollisionWords(static_cast<zkUserInfo*>(node));
    } else if (isExactly(node, zkAttrSet::getClassTypeSafe())) {
        readCollisionTag(static_cast<zkAttrSet*>(node));
    }

    for (int i = 0; i < group->getChildCount(); ++i) {
        zkSmartPointer<zkNode> child(group->getChild(i));
        walk(child.get());
    }
    g_run.subtree = saved;
}

// A user info starts its subtree from the default flags, whatever it inherited, so that one
// annotated object does not depend on where it was placed.
void zkCollideHullVesko::readCollisionWords(const zkUserInfo* info)
{
    g_run.subtree.material = 0;
    if (const zkStringValue* text = textProperty(info, "material"))
        g_run.subtree.material =
            static_cast<int>(std::clamp(std::strtol(text->getValue(), nullptr, 10), 0L, kMaxMaterial));

    uint32_t flags = kDefaultCollisionFlags;
    for (int bit = 0; bit < kCollisionWordCount; ++bit)
        if (const zkStringValue* text = textProperty(info, collisionWord(bit).c_str()))
            flags = strcasecmp(text->getValue(), "true") == 0 ? flags | (1u << bit) : flags & ~(1u << bit);
    g_run.subtree.flags = flags;
}

void zkCollideHullVesko::readCollisionTag(zkAttrSet* set)
{
    for (int i = 0; i < set->getAttrCount(); ++i) {
        const zkAttr* attr = set->getAttr(i);
        if (!attr || !isExactly(attr, zkTextureBindAttr::getClassTypeSafe())) continue;
        const zkTextureAttr* texture = static_cast<const zkTextureBindAttr*>(attr)->getTexture();
        const zkImage* image = texture ? texture->getImage(0) : nullptr;
        NameTagQuery query;
        query.tag = NAME_TAG_COLLISION;
        query.expectedCount = 1;
        if (!image || !readNameTag(image->getName(), query)) continue;

        g_run.subtree.flags = static_cast<uint32_t>(query.intValues[0]);
        printf("clip flags Found %i\n", query.intValues[0]);
        set->setFlag(ZK_NODE_FLAG_INVISIBLE, true);
        g_run.subtree.collidableScope = true;
    }
}

void zkCollideHullVesko::gatherGeometry(zkNode* node)
{
    zkSmartPointer<zkGeometry> geometry(zkGeometry::dynamicCast(node));
    if (!geometry) {
        if (_notifyOfError) printf("NULL geometry passed to traversal.\n");
        _notifyOfError = false;
        return;
    }
    if (!addTriangles(geometry.get(), &g_run.subtree.world))
        printf("WARNING!! Bogus Geometry 0x%08x \"%s\"\n", addressWord(node), node->getName());
}

HullLogSettings zkCollideHullVesko::hullLogSettings() const
{
    HullLogSettings settings = m_hullLog;
    if (!settings.resolveDirectory) {
        const zkOptInterface* run = getOptInterface();
        settings.resolveDirectory = [run](const std::string& path) {
            return run ? run->resolveDrivePath(path) : std::string();
        };
    }
    if (settings.userName.empty()) settings.userName = zkUserName();
    return settings;
}

// Both lists hold raw words: flag and material words go in as bit patterns, never converted.
zkSmartPointer<zkCollideHull> zkCollideHullVesko::fillRecord(const Tavik& builder, int treeBytes, int triangleBytes)
{
    zkSmartPointer<zkCollideHull> record = zkCreate<zkCollideHull>();
    if (!sizeWords(record->_mNodes, treeBytes / 4) || !sizeWords(record->_mTriangles, triangleBytes / 4))
        return nullptr;
    CollideExport out{0, 0, reinterpret_cast<uint32_t*>(record->_mNodes->getData()),
                      reinterpret_cast<uint32_t*>(record->_mTriangles->getData())};
    builder.exportTo(out);
    record->_mNumNodes = out.nodeCount - 1; // the hull bounds node is not counted
    record->_mNumTriangles = out.triangleCount;
    return record;
}

// Children last to first, so that a node taking itself out of its parent leaves the positions
// still to be visited where they were.
void zkCollideHullVesko::removeCollisionOnlyNodes(zkNode* node)
{
    if (!node) return;
    zkSmartPointer<zkNode> keep(node);
    if (zkGroup* group = zkGroup::dynamicCast(node))
        for (int i = group->getChildCount() - 1; i >= 0; --i)
            if (i < group->getChildCount()) removeCollisionOnlyNodes(group->getChild(i));
    if (!(node->getFlags() & ZK_NODE_FLAG_INVISIBLE)) return;

    printf("Found Invisable node: %s\n", node->getName());
    for (int p = node->getParentCount() - 1; p >= 0; --p)
        if (p < node->getParentCount())
            if (zkGroup* parent = zkGroup::dynamicCast(node->getParent(p))) parent->removeChild(node);
}

void zkCollideHullVesko::removeEmptyAttrSets(zkNode* node)
{
    zkGroup* group = zkGroup::dynamicCast(node);
    if (!group) return;
    for (int i = 0; i < group->getChildCount();) {
        zkNode* child = group->getChild(i);
        if (child && isExactly(child, zkAttrSet::getClassTypeSafe()) &&
            static_cast<zkGroup*>(child)->getChildCount() == 0) {
            group->removeChild(i);
            continue;
        }
        removeEmptyAttrSets(child);
        ++i;
    }
}

} // namespace Tam::OptExtension
