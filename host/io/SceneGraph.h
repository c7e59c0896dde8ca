// The part of the scene-file code that knows neither form: which objects a write covers and their
// ids, the reader's object table and reference resolution, and the checks both sides share.
// Internal to host/io.
#pragma once
#include "host/io/SceneFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Tam::Io::detail {

using namespace Tam::Core;

// Both forms name this version in their header; a reader refuses any other.
constexpr uint32_t kSceneFormatVersion = 1;

// A place in a scene, for messages: "object 4 (zkGroup), field children[1]".
struct ScenePlace {
    uint64_t id = 0;          // 0: not inside an object
    std::string className;    // empty: not known yet
    std::string field;        // empty: not inside a field
    int64_t element = -1;     // index into an array field, or -1
    std::string describe() const;
};

// "PLACE: PROBLEM", or just the problem when the place is empty.
std::string placed(const ScenePlace& place, const std::string& problem);

// A name taken from a file, fit for a message: unprintable bytes escaped, long names cut short.
std::string printable(std::string_view s);

// The objects a write covers, in the order zkVisitReachable gives, and their ids (1, 2, ...).
class SceneObjects {
public:
    explicit SceneObjects(const zkFileInfo* file);
    const std::vector<zkObject*>& objects() const { return m_objects; }
    uint32_t idOf(const zkObject* object) const;  // 0 for null
    const std::vector<uint64_t>& ids() const { return m_ids; }

private:
    std::vector<zkObject*> m_objects;
    std::vector<uint64_t> m_ids;
    std::unordered_map<const zkObject*, uint32_t> m_idOf;
};

// A problem the graph checks found: which object (an index into the list checked), which field.
struct GraphProblem {
    std::size_t object = 0;
    const zkMetaField* field = nullptr;
    int64_t element = -1;
    std::string text;
};

// The structural checks, over objects[0] (the file object) and what it reaches: the file object's
// class, each class registered under its name, references of the classes their fields accept, no
// null where the class always holds an object, no cycle, no nesting deeper than zkMaxSceneDepth,
// and, when requireReached, every listed object reached from the file object. Objects outside the
// list (defaults the reader left in place) count as leaves. False with the first problem.
bool checkGraph(const std::vector<zkObject*>& objects, const std::vector<uint64_t>& ids, bool requireReached,
                GraphProblem& problem);

// The objects a walk from the file object visits, each once per path that reaches it (memoised
// per object, so shared objects cost no more to count than any other). False when that is over
// zkInputLimits::maxExpandedObjects, the problem naming the shared object that multiplies the
// count most.
bool checkExpandedSize(const std::vector<zkObject*>& objects, GraphProblem& problem);

// isConsistent of every object, in list order. False with the first that answers false.
bool checkConsistency(const std::vector<zkObject*>& objects, GraphProblem& problem);

// The place a GraphProblem names.
ScenePlace placeOf(const GraphProblem& problem, const std::vector<zkObject*>& objects,
                   const std::vector<uint64_t>& ids);

// Builds the objects a file lists. The decoders of both forms feed it objects and field values as
// they meet them; references wait until every object is known, since one may name a later object.
// On failure everything built is released, even objects a bad file joined into a cycle.
class SceneBuilder {
public:
    explicit SceneBuilder(std::string fileName) : m_fileName(std::move(fileName)) {}
    ~SceneBuilder();
    SceneBuilder(const SceneBuilder&) = delete;
    SceneBuilder& operator=(const SceneBuilder&) = delete;

    // Where the decoder is; messages name it.
    ScenePlace& place() { return m_place; }
    // Records "FILE: PLACE: PROBLEM" and answers false, so decoders can `return fail(...)`.
    bool fail(const std::string& problem);
    // The same with no object or field named (header problems).
    bool failFile(const std::string& problem);
    const std::string& error() const { return m_error; }
    bool failed() const { return !m_error.empty(); }

    // A new object of the named class with the given id; null on failure. Starts the place at it.
    zkObject* addObject(uint64_t id, std::string_view className);
    // The object's field of that name, checked to be known and not yet given; null on failure.
    // Sets the place's field.
    const zkMetaField* findField(zkObject* object, std::string_view name);
    // "expected KIND, found WHAT".
    bool failKind(const zkMetaField* field, const std::string& found);

    // A reference by id (0: null) for an object field, or for element `element` of an object-array
    // field whose items the decoder has already sized.
    void setReference(zkObject* holder, const zkMetaField* field, uint64_t id);
    void setElement(zkObject* holder, const zkMetaField* field, std::size_t element, uint64_t id);

    // Resolves references, checks the graph, calls postRead (holders after what they hold) and
    // isConsistent. The file object, or null on failure.
    zkSmartPointer<zkFileInfo> finish();

private:
    struct Pending {
        std::size_t holder;
        const zkMetaField* field;
        int64_t element;
        uint64_t id;
    };
    bool failAtProblem(const GraphProblem& problem);
    void breakReferences();

    std::string m_fileName;
    std::string m_error;
    ScenePlace m_place;
    std::vector<zkSmartPointer<zkObject>> m_objects;
    std::vector<zkObject*> m_raw;
    std::vector<uint64_t> m_ids;
    std::unordered_map<uint64_t, std::size_t> m_indexOf;
    std::unordered_map<const zkObject*, std::size_t> m_indexOfObject;
    std::vector<Pending> m_pending;
    std::vector<char> m_fieldSeen;
    const zkObject* m_fieldSeenFor = nullptr;
    bool m_linked = false;
};

// Whether path names a regular file; false with "PATH: cannot read (WHY)" for anything else, so
// that a FIFO or a device is refused at once rather than read until it ends.
bool checkRegularFile(const std::string& path, std::string& error);

// The form codecs. Encoding cannot fail on a checked scene.
void encodeBinary(const SceneObjects& scene, std::string& out);
// The same into memory that buffer hands out for the measured size; false when it hands out none.
bool encodeBinary(const SceneObjects& scene, const std::function<char*(std::size_t size)>& buffer);
void encodeJson(const SceneObjects& scene, std::string& out);
zkSmartPointer<zkFileInfo> decodeBinary(std::string_view bytes, SceneBuilder& builder);
zkSmartPointer<zkFileInfo> decodeJson(std::string_view bytes, SceneBuilder& builder);

// Asks for huge pages over a large block that has been reserved but not yet touched. First
// touches of fresh memory dominate the time to load or save a big scene (every 4 KiB page faults
// on its own); with 2 MiB pages they all but vanish. Small blocks and other systems: no effect.
void adviseLargeBlock(void* data, std::size_t bytes);

// Floats as text: the shortest decimal that reads back to the same bits, always with a '.' or an
// exponent so that JSON readers keep it a float; "inf", "-inf", "nan" and "nan:0xXXXXXXXX" (any
// other NaN, its bits in hex) for the values JSON numbers cannot hold.
std::string floatText(float value);
// Reads what floatText writes (and any decimal); false for anything else.
bool floatFromText(std::string_view text, float& value);

} // namespace Tam::Io::detail
