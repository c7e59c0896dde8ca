// Scene files: every field kind through both forms, sharing and parent links, each refusal with
// the message a user sees, damaged files, all-or-nothing writes, and the class reference in
// docs/scene-format.md.
#include "host/core/zkHostClass.h"
#include "host/io/ClassDoc.h"
#include "host/io/SceneFile.h"
#include "tests/harness/PassHarness.h"
#include "tests/harness/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>

namespace Tam::IoTest {

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Io;
using Tam::Test::named;

enum ioTestShade : int32_t { IO_TEST_FLAT = 0, IO_TEST_SMOOTH = 7 };
zkMetaEnum* zkGetMetaEnum(ioTestShade*)
{
    static zkMetaEnum e("ioTestShade", {{0, "IO_TEST_FLAT"}, {7, "IO_TEST_SMOOTH"}});
    return &e;
}

// A user's own info class, with one field of every kind. The files know nothing about it.
class ioTestEveryKind : public zkInfo {
    ZK_CLASS(ioTestEveryKind, zkInfo)
public:
#define ioTestEveryKind_FIELDS(F)                 \
    F(bool, flag, k_flag, true)                   \
    F(int32_t, count, k_count, -3)                \
    F(uint32_t, mask, k_mask)                     \
    F(float, weight, k_weight, 0.5f)              \
    F(ioTestShade, shade, k_shade, IO_TEST_SMOOTH) \
    F(zkStringRef, label, k_label)                \
    F(zkSharedRef<zkNode>, target, k_target)      \
    F(int64_t, time, k_time)                      \
    F(zkVec3f, offset, k_offset)                  \
    F(zkMatrix44f, frame, k_frame)                \
    F(std::string, note, k_note)                  \
    F(zkDataBlock, blob, k_blob)                  \
    F(zkIntArray, ints, k_ints)                   \
    F(zkFloatArray, floats, k_floats)             \
    F(zkRefArray<zkNode>, nodes, k_nodes)
    ZK_FIELDS(ioTestEveryKind_FIELDS)
};
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(ioTestEveryKind)

// Stands in for a vertex array with its index list: indices must lie below the vertex count and
// the data block must hold count x stride bytes.
class ioTestMesh : public zkObject {
    ZK_CLASS(ioTestMesh, zkObject)
public:
#define ioTestMesh_FIELDS(F)                   \
    F(uint32_t, vertexCount, k_vertexCount)    \
    F(uint32_t, stride, k_stride, 12u)         \
    F(zkDataBlock, vertices, k_vertices)       \
    F(zkIntArray, indices, k_indices)
    ZK_FIELDS(ioTestMesh_FIELDS)

    bool isConsistent(std::string& field, std::string& problem) const override
    {
        if (vertices.size() != std::size_t(vertexCount) * stride) {
            field = "vertices";
            problem = "holds " + std::to_string(vertices.size()) + " bytes, but " + std::to_string(vertexCount) +
                      " vertices of " + std::to_string(stride) + " bytes need " +
                      std::to_string(std::size_t(vertexCount) * stride);
            return false;
        }
        for (std::size_t i = 0; i < indices.size(); ++i)
            if (indices[i] < 0 || uint32_t(indices[i]) >= vertexCount) {
                field = "indices";
                problem = "index " + std::to_string(indices[i]) + " at " + std::to_string(i) +
                          " is out of range of the " + std::to_string(vertexCount) + " vertices";
                return false;
            }
        return true;
    }
};
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(ioTestMesh)

// The classes libzkhost registered when it was loaded, before any test registered its own.
const std::vector<zkMetaObject*> hostClasses = zkRegisteredClasses();

float floatOfBits(uint32_t bits) { return std::bit_cast<float>(bits); }
uint32_t bitsOf(float f) { return std::bit_cast<uint32_t>(f); }

// A scene info whose root group holds a group and a leaf, the leaf also inside that group.
struct Sample {
    zkSmartPointer<zkFileInfo> file = zkCreate<zkFileInfo>();
    zkSmartPointer<zkGroup> root = named<zkGroup>("root"), inner = named<zkGroup>("inner");
    zkSmartPointer<zkNode> leaf = zkCreate<zkNode>();
    zkSmartPointer<ioTestEveryKind> all = zkCreate<ioTestEveryKind>();
    zkSmartPointer<ioTestEveryKind> plain = zkCreate<ioTestEveryKind>();
    zkSmartPointer<ioTestMesh> mesh = zkCreate<ioTestMesh>();

    Sample()
    {
        file->setName("sample");
        leaf->setName("leaf");
        leaf->setFlags(0x30);
        leaf->setBound({1, 2, 3}, 4.5f);
        inner->appendChild(leaf);
        root->appendChild(inner);
        root->appendChild(leaf);
        auto scene = zkCreate<zkSceneInfo>();
        scene->setRoot(root);
        file->getInfoList()->append(scene);

        all->setName("all kinds");
        all->flag = false;
        all->count = INT32_MIN;
        all->mask = 0xdeadbeef;
        all->weight = 0.1f;
        all->shade = IO_TEST_FLAT;
        all->label = zkStringRef("");
        all->target = leaf.get();
        all->time = -1234567890123456789;
        all->offset = {1.5f, -0.0f, 1e-45f};
        all->frame.m[0][1] = floatOfBits(0xffc00001);
        all->frame.m[3][0] = 100.25f;
        all->note = std::string("line\n\"q\"\0\xff", 10);
        all->blob = {0, 1, 2, 255};
        all->ints = {INT32_MIN, -1, 0, INT32_MAX};
        all->floats = {-0.0f, NAN, floatOfBits(0x7fc00001), INFINITY, -INFINITY, 1e-45f, FLT_MAX, 0.1f};
        all->nodes.items = {leaf.get(), nullptr, leaf.get()};
        file->getInfoList()->append(all);

        plain->shade = static_cast<ioTestShade>(3);
        plain->note = "h\xc3\xa9llo \xe2\x9c\x93";
        file->getInfoList()->append(plain);

        mesh->vertexCount = 2;
        mesh->vertices.assign(24, 7);
        mesh->indices = {0, 1, 1};
        auto holder = zkCreate<zkNamedObjectInfo>();
        holder->object = mesh.get();
        file->getInfoList()->append(holder);
    }
};

std::string encode(const zkFileInfo* file, zkSceneForm form)
{
    std::string bytes, error;
    EXPECT_TRUE(zkEncodeScene(file, form, bytes, error)) << error;
    return bytes;
}

zkSmartPointer<zkFileInfo> decode(const std::string& bytes, zkSceneForm form)
{
    std::string error;
    auto file = zkDecodeScene(bytes, form, "test", error);
    EXPECT_TRUE(file) << error;
    return file;
}

// What reading a file refuses it with ("" when it reads).
std::string refusal(const std::string& bytes, zkSceneForm form, const char* name)
{
    std::string error;
    auto file = zkDecodeScene(bytes, form, name, error);
    return file ? "" : error;
}

class SceneFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ioTestEveryKind::arkRegister();
        ioTestMesh::arkRegister();
    }
};

// ---- round trips -----------------------------------------------------------------------------

TEST_F(SceneFile, EveryFieldKindRoundTripsInBothForms)
{
    Sample sample;
    for (zkSceneForm form : {zkSceneForm::Binary, zkSceneForm::Text}) {
        std::string bytes = encode(sample.file, form);
        auto file = decode(bytes, form);
        ASSERT_TRUE(file);
        // Writing what was read gives the same bytes: every value survived, bit for bit.
        EXPECT_EQ(encode(file, form), bytes);

        zkObjectList* infos = file->getInfoList();
        ASSERT_EQ(infos->getCount(), 4);
        auto* all = ioTestEveryKind::dynamicCast(infos->get(1));
        ASSERT_TRUE(all);
        EXPECT_FALSE(all->flag);
        EXPECT_EQ(all->count, INT32_MIN);
        EXPECT_EQ(all->mask, 0xdeadbeefu);
        EXPECT_EQ(bitsOf(all->weight), bitsOf(0.1f));
        EXPECT_EQ(all->shade, IO_TEST_FLAT);
        EXPECT_FALSE(all->label.isNull());
        EXPECT_STREQ(all->label.c_str(), "");
        EXPECT_EQ(all->time, -1234567890123456789);
        EXPECT_EQ(bitsOf(all->offset.y), 0x80000000u);
        EXPECT_EQ(bitsOf(all->offset.z), 1u);
        EXPECT_EQ(bitsOf(all->frame.m[0][1]), 0xffc00001u);
        EXPECT_EQ(all->frame.m[3][0], 100.25f);
        EXPECT_EQ(all->note, std::string("line\n\"q\"\0\xff", 10));
        EXPECT_EQ(all->blob, (zkDataBlock{0, 1, 2, 255}));
        EXPECT_EQ(all->ints, (zkIntArray{INT32_MIN, -1, 0, INT32_MAX}));
        std::vector<uint32_t> floatBits;
        for (float f : all->floats) floatBits.push_back(bitsOf(f));
        EXPECT_EQ(floatBits, (std::vector<uint32_t>{0x80000000u, 0x7fc00000u, 0x7fc00001u, 0x7f800000u, 0xff800000u,
                                                    1u, 0x7f7fffffu, bitsOf(0.1f)}));
        // The shared reference and the list reach the very node the graph holds.
        auto* scene = zkSceneInfo::dynamicCast(infos->get(0));
        ASSERT_TRUE(scene);
        zkNode* leaf = static_cast<zkGroup*>(scene->getRoot())->getChild(1);
        EXPECT_EQ(all->target.get(), leaf);
        ASSERT_EQ(all->nodes.size(), 3u);
        EXPECT_EQ(all->nodes.at(0), leaf);
        EXPECT_EQ(all->nodes.at(1), nullptr);
        EXPECT_EQ(all->nodes.at(2), leaf);

        auto* plain = ioTestEveryKind::dynamicCast(infos->get(2));
        EXPECT_TRUE(plain->label.isNull());
        EXPECT_EQ(plain->shade, 3);
        EXPECT_EQ(plain->note, "h\xc3\xa9llo \xe2\x9c\x93");
        EXPECT_TRUE(plain->flag);  // the registered default, written and read back
    }
}

TEST_F(SceneFile, TextFormWritesReadableValues)
{
    Sample sample;
    std::string text = encode(sample.file, zkSceneForm::Text);
    for (const char* line : {
             "\"shade\": \"IO_TEST_FLAT\"",
             "\"shade\": 3",
             "\"weight\": 0.1",
             "\"label\": \"\"",
             "\"label\": null",
             "\"floats\": [-0.0,\"nan\",\"nan:0x7fc00001\",\"inf\",\"-inf\",1e-45,3.4028235e+38,0.1]",
             "\"frame\": [[1.0,\"nan:0xffc00001\",0.0,0.0],[0.0,1.0,0.0,0.0],[0.0,0.0,1.0,0.0],[100.25,0.0,0.0,1.0]]",
             "\"blob\": \"AAEC/w==\"",
             "\"note\": {\"base64\":\"bGluZQoicSIA/w==\"}",
             "\"note\": \"h\xc3\xa9llo \xe2\x9c\x93\"",
             "\"nodes\": [6,null,6]",
             "\"children\": [5,6]",
         })
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.substr(0, 77), "{\n  \"magic\": \"zk-scene\",\n  \"version\": 1,\n  \"objects\": [\n    {\n      \"id\": 1,\n");
}

TEST_F(SceneFile, FloatsRoundTripBitExactly)
{
    // Random bit patterns cover normals, subnormals and NaN payloads alike.
    auto file = zkCreate<zkFileInfo>();
    auto holder = zkCreate<ioTestEveryKind>();
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) holder->floats.push_back(floatOfBits(random()));
    file->getInfoList()->append(holder);
    for (zkSceneForm form : {zkSceneForm::Binary, zkSceneForm::Text}) {
        auto back = decode(encode(file, form), form);
        ASSERT_TRUE(back);
        const zkFloatArray& got = static_cast<ioTestEveryKind*>(back->getInfoList()->get(0))->floats;
        ASSERT_EQ(got.size(), holder->floats.size());
        EXPECT_EQ(std::memcmp(got.data(), holder->floats.data(), got.size() * 4), 0);
    }
}

TEST_F(SceneFile, SharedNodeStaysSharedAndParentLinksAreRebuilt)
{
    Sample sample;
    for (zkSceneForm form : {zkSceneForm::Binary, zkSceneForm::Text}) {
        auto file = decode(encode(sample.file, form), form);
        ASSERT_TRUE(file);
        auto* scene = static_cast<zkSceneInfo*>(file->getInfoList()->get(0));
        auto* root = static_cast<zkGroup*>(scene->getRoot());
        auto* inner = static_cast<zkGroup*>(root->getChild(0));
        zkNode* leaf = root->getChild(1);
        EXPECT_STREQ(inner->getName(), "inner");
        EXPECT_EQ(inner->getChild(0), leaf);
        EXPECT_EQ(leaf->getFlags(), 0x30u);
        EXPECT_EQ(leaf->boundRadius, 4.5f);
        ASSERT_EQ(leaf->getParentCount(), 2);
        EXPECT_EQ(leaf->getParent(0), inner);
        EXPECT_EQ(leaf->getParent(1), root);
        ASSERT_EQ(root->getParentCount(), 1);
        EXPECT_EQ(root->getParent(0), scene);
        // Held by the two groups, the shared reference and two list entries: the reader kept none.
        EXPECT_EQ(leaf->getRefCount(), 5u);
    }
}

// ---- refusals --------------------------------------------------------------------------------

// A text file around the given object entries; object 1 is the file object, 2 its info list.
std::string textFile(const std::string& items, const std::string& more = "")
{
    return R"({"magic": "zk-scene", "version": 1, "objects": [
{"id": 1, "class": "zkFileInfo", "fields": {"name": null, "infos": 2}},
{"id": 2, "class": "zkObjectList", "fields": {"items": [)" +
           items + "]}}" + more + "]}";
}

TEST_F(SceneFile, TextRefusalsNameFileObjectAndField)
{
    const zkSceneForm text = zkSceneForm::Text;
    EXPECT_EQ(refusal(textFile(""), text, "ok.zks.json"), "");
    struct Case {
        std::string file, message;
    } cases[] = {
        {textFile("").substr(0, textFile("").find("[]}}") + 1),
         "bad.zks.json: object 2 (zkObjectList), field items: file ends early (line 3, column 57)"},
        {R"({"magic": "zk-scene", "version": 1, "objects": [{"id": 1, "class": "zkFileInfo", "fields": {"infos": 2,}}]})",
         "bad.zks.json: object 1 (zkFileInfo), field infos: not valid JSON at line 1, column 104: syntax error while "
         "parsing object key - unexpected '}'; expected string literal"},
        {R"({"magic": "zk-scone", "version": 1, "objects": []})",
         "bad.zks.json: not a text scene file (wrong magic \"zk-scone\")"},
        {R"({"magic": "zk-scene", "version": 2, "objects": []})",
         "bad.zks.json: format version 2 is not supported (this build reads 1)"},
        {R"({"magic": "zk-scene", "version": 1, "objects": []})",
         "bad.zks.json: holds no objects; the first must be the file object, a zkFileInfo"},
        {textFile("3", R"(, {"id": 3, "class": "zkNoSuchClass", "fields": {}})"),
         "bad.zks.json: object 3: unknown class zkNoSuchClass"},
        {textFile("3", R"(, {"id": 3, "class": "zkGroup", "fields": {"colour": 1}})"),
         "bad.zks.json: object 3 (zkGroup), field colour: unknown field of class zkGroup"},
        {textFile("3", R"(, {"id": 3, "class": "zkGroup", "fields": {"flags": 1.5}})"),
         "bad.zks.json: object 3 (zkGroup), field flags: expected unsigned int, found 1.5"},
        {textFile("3", R"(, {"id": 3, "class": "zkGroup", "fields": {"flags": -1}})"),
         "bad.zks.json: object 3 (zkGroup), field flags: expected unsigned int, found -1 (out of range)"},
        {textFile("3", R"(, {"id": 3, "class": "zkGroup", "fields": {"children": [4, "x"]}})"),
         "bad.zks.json: object 3 (zkGroup), field children[1]: expected object array (ids or null), found \"x\""},
        {textFile("3", R"(, {"id": 3, "class": "zkGroup", "fields": {"flags": 1, "flags": 2}})"),
         "bad.zks.json: object 3 (zkGroup), field flags: the key \"flags\" appears twice"},
        {textFile("3", R"(, {"id": 3, "class": "zkGroup", "fields": {"children": [9]}})"),
         "bad.zks.json: object 3 (zkGroup), field children[0]: refers to object 9, which is not in the file"},
        {textFile("3", R"(, {"id": 3, "class": "zkGroup", "fields": {"children": [2]}})"),
         "bad.zks.json: object 3 (zkGroup), field children[0]: refers to object 2 (zkObjectList), which is not a "
         "zkNode"},
        {textFile("3", R"(, {"id": 3, "class": "zkGroup", "fields": {"children": [3]}})"),
         "bad.zks.json: object 3 (zkGroup), field children[0]: refers to object 3 (zkGroup), which holds it: "
         "references may not form a cycle"},
        {textFile("3", R"(, {"id": 3, "class": "zkGroup", "fields": {}}, {"id": 3, "class": "zkNode", "fields": {}})"),
         "bad.zks.json: object 3 (zkNode): the id is already used by an earlier object (zkGroup)"},
        {textFile("", R"(, {"id": 3, "class": "zkGroup", "fields": {}})"),
         "bad.zks.json: object 3 (zkGroup): is not reached from the file object"},
        {textFile("3", R"(, {"id": 3, "class": "ioTestEveryKind", "fields": {"shade": "IO_TEST_ROUND"}})"),
         "bad.zks.json: object 3 (ioTestEveryKind), field shade: \"IO_TEST_ROUND\" is not a name of enum ioTestShade"},
        {textFile("3", R"(, {"id": 3, "class": "ioTestEveryKind", "fields": {"blob": "AAE"}})"),
         "bad.zks.json: object 3 (ioTestEveryKind), field blob: expected data (base64 text), found \"AAE\" (not "
         "base64)"},
        {R"({"magic": "zk-scene", "version": 1, "objects": [{"id": 1, "class": "zkFileInfo", "fields": {"infos": null}}]})",
         "bad.zks.json: object 1 (zkFileInfo), field infos: is null, but a zkFileInfo always holds an object here"},
        {R"({"magic": "zk-scene", "version": 1, "objects": [{"id": 1, "class": "zkGroup", "fields": {}}]})",
         "bad.zks.json: object 1 (zkGroup): the first object must be the file object, a zkFileInfo"},
        {textFile("3", R"(, {"id": 3, "class": "zkNamedObjectInfo", "fields": {"object": 4}},
            {"id": 4, "class": "ioTestMesh", "fields": {"vertexCount": 2, "vertices": "AAAAAAAAAAAAAAAAAAAAAAAAAAAA", "indices": [0, 2]}})"),
         "bad.zks.json: object 4 (ioTestMesh), field vertices: holds 21 bytes, but 2 vertices of 12 bytes need 24"},
        {textFile("3", R"(, {"id": 3, "class": "zkNamedObjectInfo", "fields": {"object": 4}},
            {"id": 4, "class": "ioTestMesh", "fields": {"vertexCount": 2, "vertices": "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", "indices": [0, 2]}})"),
         "bad.zks.json: object 4 (ioTestMesh), field indices: index 2 at 1 is out of range of the 2 vertices"},
    };
    for (const Case& c : cases) EXPECT_EQ(refusal(c.file, text, "bad.zks.json"), c.message) << c.file;
}

// Lays out the binary form by hand, as docs/scene-format.md describes it.
struct Binary {
    std::string bytes;
    explicit Binary(uint32_t objects, uint32_t version = 1)
    {
        bytes.assign("\x89ZKS\r\n\x1a\n", 8);
        u32(version).u32(objects);
    }
    Binary& u8(uint8_t v) { bytes += char(v); return *this; }
    Binary& u32(uint32_t v) { for (int i = 0; i < 4; ++i) u8(uint8_t(v >> 8 * i)); return *this; }
    Binary& u64(uint64_t v) { return u32(uint32_t(v)).u32(uint32_t(v >> 32)); }
    Binary& str(const std::string& s) { u32(uint32_t(s.size())); bytes += s; return *this; }
    Binary& object(uint32_t id, const std::string& cls, uint32_t fields) { return u32(id).str(cls).u32(fields); }
    Binary& field(const std::string& name, uint8_t kind) { return str(name).u8(kind); }
};
enum : uint8_t { kFloat = 3, kObject = 6, kObjectArray = 14 };

// The file object, then an info list; `list` lays out the list's fields.
Binary binaryFile(uint32_t objects, uint32_t fieldsOfList, const std::function<void(Binary&)>& list)
{
    Binary b(objects);
    b.object(1, "zkFileInfo", 1).field("infos", kObject).u32(2);
    b.object(2, "zkObjectList", fieldsOfList);
    list(b);
    return b;
}

TEST_F(SceneFile, BinaryRefusalsNameFileObjectAndField)
{
    const zkSceneForm binary = zkSceneForm::Binary;
    auto emptyList = [](Binary& b) { b.field("items", kObjectArray).u64(0); };
    std::string good = binaryFile(2, 1, emptyList).bytes;
    ASSERT_EQ(good.size(), 94u);
    EXPECT_EQ(refusal(good, binary, "ok.zks"), "");

    Binary twice(3);
    twice.object(1, "zkFileInfo", 1).field("infos", kObject).u32(2);
    twice.object(2, "zkObjectList", 0).object(2, "zkGroup", 0);
    Binary wrongClass(2);
    wrongClass.object(1, "zkFileInfo", 1).field("infos", kObject).u32(2).object(2, "zkGroup", 0);
    Binary notFile(1);
    notFile.object(1, "zkGroup", 0);

    struct Case {
        std::string file, message;
    } cases[] = {
        {good.substr(0, 90),
         "bad.zks: object 2 (zkObjectList), field items: file ends early at offset 86 (8 bytes needed, 4 left)"},
        {good.substr(0, 5), "bad.zks: file ends early at offset 0 (8 bytes needed, 5 left)"},
        {"PK" + good.substr(2), "bad.zks: not a binary scene file (wrong magic)"},
        {Binary(0, 2).bytes, "bad.zks: format version 2 is not supported (this build reads 1)"},
        {binaryFile(3, 1, [](Binary& b) { b.field("items", kObjectArray).u64(1).u32(3).object(3, "zkNoSuchClass", 0); })
             .bytes,
         "bad.zks: object 3: unknown class zkNoSuchClass"},
        {binaryFile(2, 1, [](Binary& b) { b.field("colour", kFloat); }).bytes,
         "bad.zks: object 2 (zkObjectList), field colour: unknown field of class zkObjectList"},
        {binaryFile(2, 1, [](Binary& b) { b.field("items", kFloat).u32(0); }).bytes,
         "bad.zks: object 2 (zkObjectList), field items: expected object array, found float"},
        {binaryFile(2, 1, [](Binary& b) { b.field("items", 99); }).bytes,
         "bad.zks: object 2 (zkObjectList), field items: unknown kind code 99"},
        {binaryFile(2, 2, [](Binary& b) { b.field("items", kObjectArray).u64(0).field("items", kObjectArray).u64(0); })
             .bytes,
         "bad.zks: object 2 (zkObjectList), field items: given twice"},
        {binaryFile(2, 1, [](Binary& b) { b.field("items", kObjectArray).u64(1000000000000); }).bytes,
         "bad.zks: object 2 (zkObjectList), field items: file ends early at offset 94 (length 1000000000000 x 4 bytes, "
         "0 bytes left)"},
        {binaryFile(2, 1, [](Binary& b) { b.u32(0xfffffff0u); }).bytes,
         "bad.zks: object 2 (zkObjectList): file ends early at offset 80 (length 4294967280, 0 bytes left)"},
        {binaryFile(2, 1, [](Binary& b) { b.field("items", kObjectArray).u64(1).u32(7); }).bytes,
         "bad.zks: object 2 (zkObjectList), field items[0]: refers to object 7, which is not in the file"},
        {twice.bytes, "bad.zks: object 2 (zkGroup): the id is already used by an earlier object (zkObjectList)"},
        {wrongClass.bytes, "bad.zks: object 1 (zkFileInfo), field infos: refers to object 2 (zkGroup), which is not a "
                           "zkObjectList"},
        {notFile.bytes, "bad.zks: object 1 (zkGroup): the first object must be the file object, a zkFileInfo"},
        {good + "xyz", "bad.zks: 3 bytes follow the last object"},
    };
    for (const Case& c : cases) EXPECT_EQ(refusal(c.file, binary, "bad.zks"), c.message);
}

TEST_F(SceneFile, NestingDeeperThanTheLimitIsRefused)
{
    // file -> list -> scene info -> groups: the file object's chain is the groups plus three.
    auto sceneOfDepth = [](int groups) {
        auto file = zkCreate<zkFileInfo>();
        auto scene = zkCreate<zkSceneInfo>();
        zkSmartPointer<zkGroup> top = zkCreate<zkGroup>();
        scene->setRoot(top);
        for (int i = 1; i < groups; ++i) {
            auto next = zkCreate<zkGroup>();
            top->appendChild(next);
            top = next;
        }
        file->getInfoList()->append(scene);
        return file;
    };
    std::string error;
    EXPECT_TRUE(zkCheckScene(sceneOfDepth(zkMaxSceneDepth - 3), error)) << error;
    auto tooDeep = sceneOfDepth(zkMaxSceneDepth - 2);
    EXPECT_FALSE(zkCheckScene(tooDeep, error));
    EXPECT_EQ(error, "object 1 (zkFileInfo): references nest deeper than 1000 levels");

    // The reader applies the same limit to a file.
    std::string more;
    for (int id = 3; id <= 1001; ++id)
        more += ", {\"id\": " + std::to_string(id) + ", \"class\": \"zkGroup\", \"fields\": {\"children\": [" +
                (id < 1001 ? std::to_string(id + 1) : "") + "]}}";
    EXPECT_EQ(refusal(textFile("3", more), zkSceneForm::Text, "deep.zks.json"),
              "deep.zks.json: object 1 (zkFileInfo): references nest deeper than 1000 levels");
}

// ---- damaged files ---------------------------------------------------------------------------

TEST_F(SceneFile, DamagedFilesAreReadOrRefusedNeverCrash)
{
    Sample sample;
    for (zkSceneForm form : {zkSceneForm::Binary, zkSceneForm::Text}) {
        const std::string good = encode(sample.file, form);
        std::mt19937 random(form == zkSceneForm::Binary ? 11 : 12);
        auto at = [&](std::size_t n) { return random() % n; };
        const char textBytes[] = "0123456789-.,:[]{}\" \\enulltrueAZ";

        std::vector<std::string> variants;
        for (int i = 0; i < 100; ++i) variants.push_back(good.substr(0, good.size() * i / 100));
        for (int i = 0; i < 200; ++i) {
            std::string s = good;
            s[at(s.size())] = form == zkSceneForm::Binary ? char(random()) : textBytes[at(sizeof textBytes - 1)];
            variants.push_back(s);
        }
        for (int i = 0; i < 60; ++i) {
            std::string s = good;
            std::size_t p = at(s.size() - 4);
            if (form == zkSceneForm::Binary) {
                uint32_t v = i % 2 ? random() : uint32_t(at(20));  // small values hit ids and counts
                std::memcpy(&s[p], &v, 4);
            } else {
                s.erase(p, at(40));
            }
            variants.push_back(s);
        }

        int refused = 0;
        for (std::size_t i = 0; i < variants.size(); ++i) {
            std::string error;
            auto file = zkDecodeScene(variants[i], form, "damaged", error);
            if (file) {
                EXPECT_EQ(error, "");
                std::string again;
                zkEncodeScene(file, form, again, error);
            } else {
                ++refused;
                EXPECT_EQ(error.rfind("damaged: ", 0), 0u) << error;
                EXPECT_GT(error.size(), 10u);
            }
            if (i < 100) {
                EXPECT_FALSE(file) << "a file cut to " << variants[i].size() << " bytes was read";
            }
        }
        EXPECT_GE(refused, 250) << "too few variants were refused for the test to mean much";
    }
}

// ---- writing ---------------------------------------------------------------------------------

std::string contents(const std::string& path)
{
    std::string bytes, error;
    zkReadWholeFile(path, bytes, error);
    return bytes;
}

TEST_F(SceneFile, WritesReplaceTheTargetWholeOrNotAtAll)
{
    Tam::Test::TempFolder dir;
    ASSERT_FALSE(dir.path().empty());
    Sample sample;
    std::string error;
    for (const char* name : {"scene.zks", "scene.zks.json"}) {
        std::string path = dir / name;
        ASSERT_TRUE(zkAtomicWrite(path, std::string("old"), error)) << error;
        ASSERT_TRUE(zkWriteScene(sample.file, path, error)) << error;
        auto back = zkReadScene(path, error);
        ASSERT_TRUE(back) << error;
        EXPECT_EQ(back->getInfoList()->getCount(), 4);
    }

    // A scene the reader would refuse is not written, and the file already there stays.
    std::string path = dir / "scene.zks";
    std::string before = contents(path);
    sample.mesh->indices.push_back(5);
    EXPECT_FALSE(zkWriteScene(sample.file, path, error));
    EXPECT_EQ(error, path + ": not written: object 10 (ioTestMesh), field indices: index 5 at 3 is out of range of "
                            "the 2 vertices");
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"scene.zks", "scene.zks.json"}));

    EXPECT_FALSE(zkAtomicWrite(dir / "missing/out.zks", std::string("x"), error));
    EXPECT_EQ(error, dir / "missing/out.zks" + ": cannot write (No such file or directory)");
    EXPECT_FALSE(zkWriteScene(sample.file, dir / "scene.obj", error));
    EXPECT_EQ(error, dir / "scene.obj" + ": not a scene file name to write (expected .zks, .zks.json, .gltf or .glb)");
    EXPECT_FALSE(zkReadScene(dir / "none.ZKS", error));
    EXPECT_EQ(error, dir / "none.ZKS" + ": cannot read (No such file or directory)");
}

// ---- the class reference ---------------------------------------------------------------------

// The reference section of docs/scene-format.md is zkDescribeClasses() for the host's classes.
// After adding or changing a host class, run this test with ZK_UPDATE_SCENE_DOC=1 to rewrite it.
TEST(SceneFileDoc, ClassReferenceMatchesTheRegisteredClasses)
{
    const std::string path = std::string(ZK_FIXTURES) + "/../../docs/scene-format.md";
    const std::string begin = "<!-- classes: generated by zkDescribeClasses -->\n", end = "<!-- classes: end -->\n";
    std::string doc = contents(path);
    std::size_t from = doc.find(begin), to = doc.find(end);
    ASSERT_NE(from, std::string::npos) << path;
    ASSERT_NE(to, std::string::npos) << path;
    from += begin.size();

    std::string generated = zkDescribeClasses([](const zkMetaObject* meta) {
        return std::find(hostClasses.begin(), hostClasses.end(), meta) != hostClasses.end() &&
               !meta->isOfType(zkFindClass("zkOptBase"));
    });
    EXPECT_NE(generated.find("### zkGroup\n\nBase: zkNode. Fields after those of zkNode:\n\n| field | kind | default "
                             "|\n| --- | --- | --- |\n| `children` | object array: zkNode |  |\n"),
              std::string::npos);
    if (std::getenv("ZK_UPDATE_SCENE_DOC")) {
        std::string error;
        ASSERT_TRUE(zkAtomicWrite(path, doc.substr(0, from) + generated + doc.substr(to), error)) << error;
        return;
    }
    EXPECT_EQ(doc.substr(from, to - from), generated)
        << "docs/scene-format.md is out of date: run this test with ZK_UPDATE_SCENE_DOC=1";
}

} // namespace Tam::IoTest
