#include "host/io/SceneGraph.h"

#include "host/core/zkInputLimits.h"
#include "host/core/zkObjectWalk.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <sys/mman.h>

namespace Tam::Io::detail {

std::string ScenePlace::describe() const
{
    std::string s;
    if (id != 0) {
        s = "object " + std::to_string(id);
        if (!className.empty()) s += " (" + className + ")";
    }
    if (!field.empty()) {
        if (!s.empty()) s += ", ";
        s += "field " + field;
        if (element >= 0) s += "[" + std::to_string(element) + "]";
    }
    return s;
}

std::string placed(const ScenePlace& place, const std::string& problem)
{
    std::string where = place.describe();
    return where.empty() ? problem : where + ": " + problem;
}

std::string printable(std::string_view s)
{
    constexpr std::size_t longest = 64;
    std::string out;
    for (std::size_t i = 0; i < s.size() && i < longest; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            static const char digits[] = "0123456789abcdef";
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    if (s.size() > longest) out += "...";
    return out;
}

// ---------------------------------------------------------------------------------------------

SceneObjects::SceneObjects(const zkFileInfo* file)
{
    zkVisitReachable(const_cast<zkFileInfo*>(file), nullptr, [&](zkObject* o) {
        m_objects.push_back(o);
        m_ids.push_back(m_objects.size());
        m_idOf.emplace(o, static_cast<uint32_t>(m_objects.size()));
    });
}

uint32_t SceneObjects::idOf(const zkObject* object) const
{
    if (!object) return 0;
    auto it = m_idOf.find(object);
    return it == m_idOf.end() ? 0 : it->second;
}

// ---------------------------------------------------------------------------------------------

namespace {

bool isReference(const zkMetaField* f)
{
    return f->getKind() == zkFieldKind::Object || f->getKind() == zkFieldKind::ObjectArray;
}

std::size_t referenceCount(const zkMetaField* f, const zkObject* o)
{
    if (f->getKind() == zkFieldKind::Object) return 1;
    return f->ref<zkRefArrayBase>(o).items.size();
}

zkObject* referenceAt(const zkMetaField* f, const zkObject* o, std::size_t i)
{
    if (f->getKind() == zkFieldKind::Object) return f->ref<zkSmartPointer<zkObject>>(o).get();
    return f->ref<zkRefArrayBase>(o).items[i].get();
}

// The class a reference field accepts, or null for any.
const zkMetaObject* acceptedClass(const zkMetaField* f)
{
    if (f->getKind() == zkFieldKind::Object) return static_cast<const zkObjectRefMetaField*>(f)->getReferencedMeta();
    return static_cast<const zkObjectArrayMetaField*>(f)->getElementMeta();
}

std::string label(uint64_t id, const zkObject* o)
{
    return "object " + std::to_string(id) + " (" + o->getMeta()->getName() + ")";
}

} // namespace

bool checkGraph(const std::vector<zkObject*>& objects, const std::vector<uint64_t>& ids, bool requireReached,
                GraphProblem& problem)
{
    if (objects.empty()) return true;
    std::unordered_map<const zkObject*, std::size_t> indexOf;
    indexOf.reserve(objects.size());
    for (std::size_t i = 0; i < objects.size(); ++i) indexOf.emplace(objects[i], i);
    auto fail = [&](std::size_t object, const zkMetaField* field, int64_t element, std::string text) {
        problem = {object, field, element, std::move(text)};
        return false;
    };

    if (!objects[0]->isOfType(zkFileInfo::getClassTypeSafe()))
        return fail(0, nullptr, -1, "the first object must be the file object, a zkFileInfo");

    // Field by field, in list order, so the first problem reported is the first in the file.
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const zkObject* o = objects[i];
        const zkMetaObject* meta = o->getMeta();
        if (zkFindClass(meta->getName()) != meta)
            return fail(i, nullptr, -1, std::string("class ") + meta->getName() + " is not registered under its name");
        for (int f = 0; f < meta->getMetaFieldCount(); ++f) {
            const zkMetaField* field = meta->getIndexedMetaField(f);
            if (!isReference(field)) continue;
            const zkMetaObject* accepted = acceptedClass(field);
            if (field->getKind() == zkFieldKind::ObjectArray && o->isOfType(zkObjectList::getClassTypeSafe()))
                if (const zkMetaObject* items = static_cast<const zkObjectList*>(o)->getItemClass()) accepted = items;
            std::size_t count = referenceCount(field, o);
            for (std::size_t k = 0; k < count; ++k) {
                zkObject* target = referenceAt(field, o, k);
                int64_t element = field->getKind() == zkFieldKind::ObjectArray ? static_cast<int64_t>(k) : -1;
                if (!target) {
                    if (field->getKind() == zkFieldKind::Object &&
                        static_cast<const zkObjectRefMetaField*>(field)->isConstructedWithHolder())
                        return fail(i, field, -1,
                                    std::string("is null, but a ") + meta->getName() + " always holds an object here");
                    continue;
                }
                if (accepted && !target->isOfType(accepted)) {
                    auto t = indexOf.find(target);
                    std::string what = t == indexOf.end() ? std::string("an object (") + target->getMeta()->getName() + ")"
                                                          : label(ids[t->second], target);
                    return fail(i, field, element,
                                "refers to " + what + ", which is not a " + accepted->getName());
                }
            }
        }
    }

    // Depth first from the file object: a reference to an object still on the path closes a
    // cycle; heights (the longest chain of references below an object) bound the nesting.
    enum : uint8_t { Unseen, OnPath, Done };
    std::vector<uint8_t> state(objects.size(), Unseen);
    std::vector<int> height(objects.size(), 1);
    struct Frame {
        std::size_t object;
        int field = 0;
        std::size_t element = 0;
    };
    std::vector<Frame> path;
    path.push_back({0});
    state[0] = OnPath;
    while (!path.empty()) {
        Frame& top = path.back();
        const zkObject* o = objects[top.object];
        const zkMetaObject* meta = o->getMeta();
        // The next reference of the top object, if any.
        zkObject* next = nullptr;
        const zkMetaField* via = nullptr;
        std::size_t viaElement = 0;
        while (!next && top.field < meta->getMetaFieldCount()) {
            const zkMetaField* field = meta->getIndexedMetaField(top.field);
            if (isReference(field) && top.element < referenceCount(field, o)) {
                next = referenceAt(field, o, top.element);
                via = field;
                viaElement = top.element++;
            } else {
                ++top.field;
                top.element = 0;
            }
        }
        if (!via) {
            state[top.object] = Done;
            std::size_t finished = top.object;
            path.pop_back();
            if (height[finished] > zkMaxSceneDepth)
                return fail(finished, nullptr, -1,
                            "references nest deeper than " + std::to_string(zkMaxSceneDepth) + " levels");
            if (!path.empty())
                height[path.back().object] = std::max(height[path.back().object], height[finished] + 1);
            continue;
        }
        if (!next) continue;
        auto t = indexOf.find(next);
        if (t == indexOf.end()) continue;  // a default the reader left: holds nothing from the file
        std::size_t child = t->second;
        int64_t element = via->getKind() == zkFieldKind::ObjectArray ? static_cast<int64_t>(viaElement) : -1;
        if (state[child] == OnPath)
            return fail(top.object, via, element,
                        "refers to " + label(ids[child], next) + ", which holds it: references may not form a cycle");
        if (state[child] == Done) {
            height[top.object] = std::max(height[top.object], height[child] + 1);
            continue;
        }
        state[child] = OnPath;
        path.push_back({child});
    }

    if (requireReached)
        for (std::size_t i = 0; i < objects.size(); ++i)
            if (state[i] == Unseen) return fail(i, nullptr, -1, "is not reached from the file object");
    return true;
}

bool checkExpandedSize(const std::vector<zkObject*>& objects, GraphProblem& problem)
{
    if (objects.empty()) return true;
    std::unordered_map<const zkObject*, std::size_t> indexOf;
    indexOf.reserve(objects.size());
    for (std::size_t i = 0; i < objects.size(); ++i) indexOf.emplace(objects[i], i);
    // Every reference to a listed object, once per reference: a list naming a child twice
    // doubles what a walk below it visits.
    std::vector<std::vector<std::size_t>> children(objects.size());
    std::vector<std::size_t> parents(objects.size(), 0);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const zkMetaObject* meta = objects[i]->getMeta();
        for (int f = 0; f < meta->getMetaFieldCount(); ++f) {
            const zkMetaField* field = meta->getIndexedMetaField(f);
            if (!isReference(field)) continue;
            for (std::size_t k = 0, n = referenceCount(field, objects[i]); k < n; ++k) {
                auto t = indexOf.find(referenceAt(field, objects[i], k));
                if (t == indexOf.end()) continue;
                children[i].push_back(t->second);
                ++parents[t->second];
            }
        }
    }
    // Holders before what they hold (the graph has no cycle: checkGraph or the importer saw to it).
    std::vector<std::size_t> order{0}, waiting = parents;
    for (std::size_t at = 0; at < order.size(); ++at)
        for (std::size_t c : children[order[at]])
            if (--waiting[c] == 0) order.push_back(c);
    // Counts saturate far above any limit, so 2^n paths cannot overflow them.
    static constexpr uint64_t cap = uint64_t(1) << 62;
    auto add = [](uint64_t a, uint64_t b) { return std::min(cap, a + b); };
    auto times = [](uint64_t a, uint64_t b) { return a && b > cap / a ? cap : std::min(cap, a * b); };
    // Memoised per object: the paths that reach it from the file object, and the objects a walk
    // from it visits.
    std::vector<uint64_t> paths(objects.size(), 0), expanded(objects.size(), 1);
    paths[0] = 1;
    for (std::size_t o : order)
        for (std::size_t c : children[o]) paths[c] = add(paths[c], paths[o]);
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        for (std::size_t c : children[*it]) expanded[*it] = add(expanded[*it], expanded[c]);

    const uint64_t limit = zkGetInputLimits().maxExpandedObjects;
    if (expanded[0] <= limit) return true;
    // Name the shared object whose copies weigh most: the first where the sharing starts.
    std::size_t worst = 0;
    uint64_t heaviest = 0;
    for (std::size_t o : order)
        if (paths[o] > 1 && times(paths[o], expanded[o]) > heaviest) {
            worst = o;
            heaviest = times(paths[o], expanded[o]);
        }
    const std::string size = (expanded[0] == cap ? "over " : "") + std::to_string(expanded[0]) +
                             " objects counted once per path, more than the limit of " + std::to_string(limit) +
                             " (zkopt --max-scene-objects raises it)";
    if (!heaviest) {
        problem = {0, nullptr, -1, "the scene expands to " + size};
        return false;
    }
    std::string name;
    if (objects[worst]->isOfType(Sg::zkNode::getClassTypeSafe()))
        name = static_cast<const Sg::zkNode*>(objects[worst])->getName();
    problem = {worst, nullptr, -1,
               (name.empty() ? std::string() : "\"" + printable(name) + "\" ") + "is shared: " +
                   std::to_string(parents[worst]) + " references reach it by " + std::to_string(paths[worst]) +
                   " paths, and the scene expands to " + size};
    return false;
}

bool checkConsistency(const std::vector<zkObject*>& objects, GraphProblem& problem)
{
    for (std::size_t i = 0; i < objects.size(); ++i) {
        std::string field, text;
        if (objects[i]->isConsistent(field, text)) continue;
        problem = {i, objects[i]->getMeta()->findMetaField(field.c_str()), -1,
                   text.empty() ? "is not consistent" : text};
        // A field name the class does not know still belongs in the message.
        if (!problem.field && !field.empty()) problem.text = "field " + field + ": " + problem.text;
        return false;
    }
    return true;
}

ScenePlace placeOf(const GraphProblem& problem, const std::vector<zkObject*>& objects,
                   const std::vector<uint64_t>& ids)
{
    ScenePlace place;
    place.id = ids[problem.object];
    place.className = objects[problem.object]->getMeta()->getName();
    if (problem.field) place.field = problem.field->getName();
    place.element = problem.element;
    return place;
}

// ---------------------------------------------------------------------------------------------

SceneBuilder::~SceneBuilder()
{
    // Once postRead has linked parents the graph is known to be acyclic and is released as usual;
    // before that a bad file may have joined objects into a cycle, which counting never frees.
    if (!m_linked) breakReferences();
}

void SceneBuilder::breakReferences()
{
    for (zkObject* o : m_raw) {
        const zkMetaObject* meta = o->getMeta();
        for (int f = 0; f < meta->getMetaFieldCount(); ++f) {
            const zkMetaField* field = meta->getIndexedMetaField(f);
            if (field->getKind() == zkFieldKind::Object) field->ref<zkSmartPointer<zkObject>>(o) = nullptr;
            else if (field->getKind() == zkFieldKind::ObjectArray) field->ref<zkRefArrayBase>(o).items.clear();
        }
    }
}

bool SceneBuilder::fail(const std::string& problem)
{
    if (m_error.empty()) m_error = m_fileName + ": " + placed(m_place, problem);
    return false;
}

bool SceneBuilder::failFile(const std::string& problem)
{
    if (m_error.empty()) m_error = m_fileName + ": " + problem;
    return false;
}

bool SceneBuilder::failKind(const zkMetaField* field, const std::string& found)
{
    return fail(std::string("expected ") + field->getKindName() + ", found " + found);
}

zkObject* SceneBuilder::addObject(uint64_t id, std::string_view className)
{
    m_place = ScenePlace{};
    m_place.id = id;
    if (id == 0 || id > std::numeric_limits<uint32_t>::max()) {
        m_place.id = 0;
        fail("object id " + std::to_string(id) + " is out of range (1 to 4294967295)");
        return nullptr;
    }
    // Names with a zero byte would match a shorter class name.
    zkMetaObject* meta = className.find('\0') == std::string_view::npos ? zkFindClass(std::string(className).c_str())
                                                                        : nullptr;
    if (!meta) {
        fail("unknown class " + printable(className));
        return nullptr;
    }
    m_place.className = meta->getName();
    auto seen = m_indexOf.find(id);
    if (seen != m_indexOf.end()) {
        fail(std::string("the id is already used by an earlier object (") + m_raw[seen->second]->getMeta()->getName() +
             ")");
        return nullptr;
    }
    if (!meta->isInstantiable()) {
        fail(std::string("class ") + meta->getName() + " is abstract and has no instances");
        return nullptr;
    }
    zkSmartPointer<zkObject> object = zkSmartPointer<zkObject>::adopt(meta->createInstance(nullptr));
    m_indexOf.emplace(id, m_objects.size());
    m_indexOfObject.emplace(object.get(), m_objects.size());
    m_raw.push_back(object.get());
    m_ids.push_back(id);
    m_objects.push_back(std::move(object));
    return m_raw.back();
}

const zkMetaField* SceneBuilder::findField(zkObject* object, std::string_view name)
{
    m_place.field = printable(name);
    m_place.element = -1;
    const zkMetaObject* meta = object->getMeta();
    const zkMetaField* field =
        name.find('\0') == std::string_view::npos ? meta->findMetaField(std::string(name).c_str()) : nullptr;
    if (!field) {
        fail(std::string("unknown field of class ") + meta->getName());
        return nullptr;
    }
    if (m_fieldSeenFor != object) {
        m_fieldSeen.assign(meta->getMetaFieldCount(), 0);
        m_fieldSeenFor = object;
    }
    int index = 0;
    while (meta->getIndexedMetaField(index) != field) ++index;
    if (m_fieldSeen[index]) {
        fail("given twice");
        return nullptr;
    }
    m_fieldSeen[index] = 1;
    return field;
}

void SceneBuilder::setReference(zkObject* holder, const zkMetaField* field, uint64_t id)
{
    // The default may be an object made with the holder; the file decides.
    field->ref<zkSmartPointer<zkObject>>(holder) = nullptr;
    if (id != 0) m_pending.push_back({m_indexOfObject.at(holder), field, -1, id});
}

void SceneBuilder::setElement(zkObject* holder, const zkMetaField* field, std::size_t element, uint64_t id)
{
    if (id != 0) m_pending.push_back({m_indexOfObject.at(holder), field, static_cast<int64_t>(element), id});
}

bool SceneBuilder::failAtProblem(const GraphProblem& problem)
{
    m_place = placeOf(problem, m_raw, m_ids);
    return fail(problem.text);
}

zkSmartPointer<zkFileInfo> SceneBuilder::finish()
{
    if (failed()) return nullptr;
    if (m_objects.empty()) {
        failFile("holds no objects; the first must be the file object, a zkFileInfo");
        return nullptr;
    }
    for (const Pending& p : m_pending) {
        auto target = m_indexOf.find(p.id);
        if (target == m_indexOf.end()) {
            m_place = ScenePlace{m_ids[p.holder], m_raw[p.holder]->getMeta()->getName(), p.field->getName(), p.element};
            fail("refers to object " + std::to_string(p.id) + ", which is not in the file");
            return nullptr;
        }
        zkObject* holder = m_raw[p.holder];
        if (p.element < 0) p.field->ref<zkSmartPointer<zkObject>>(holder) = m_raw[target->second];
        else p.field->ref<zkRefArrayBase>(holder).items[p.element] = m_raw[target->second];
    }
    m_pending.clear();

    GraphProblem problem;
    if (!checkGraph(m_raw, m_ids, true, problem) || !checkExpandedSize(m_raw, problem)) {
        failAtProblem(problem);
        return nullptr;
    }
    // Holders after what they hold: the file lists holders first.
    for (auto it = m_raw.rbegin(); it != m_raw.rend(); ++it) (*it)->postRead();
    m_linked = true;
    if (!checkConsistency(m_raw, problem)) {
        failAtProblem(problem);
        return nullptr;
    }
    return zkSmartPointer<zkFileInfo>(static_cast<zkFileInfo*>(m_raw[0]));
}

// ---------------------------------------------------------------------------------------------

void adviseLargeBlock(void* data, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t huge = std::uintptr_t(2) << 20;
    if (bytes < 2 * huge) return;
    std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + huge - 1) & ~(huge - 1);
    std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(huge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

// ---------------------------------------------------------------------------------------------

std::string floatText(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (std::isnan(value)) {
        if (bits == 0x7fc00000u) return "nan";
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08x", bits);
        return std::string("nan:0x") + hex;
    }
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, end);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    // JSON readers hold numbers as doubles; the float nearest that double must be this float.
    // It always is for the shortest float decimal in practice, but double rounding makes no
    // promise, so check, and fall back on the double's own exact decimal.
    double d = 0;
    std::from_chars(text.data(), text.data() + text.size(), d);
    if (static_cast<float>(d) != value || std::signbit(static_cast<float>(d)) != std::signbit(value)) {
        auto [dend, dec] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value));
        text.assign(buffer, dend);
        if (text.find_first_of(".e") == std::string::npos) text += ".0";
    }
    return text;
}

bool floatFromText(std::string_view text, float& value)
{
    if (text == "inf") value = std::numeric_limits<float>::infinity();
    else if (text == "-inf") value = -std::numeric_limits<float>::infinity();
    else if (text == "nan") value = std::numeric_limits<float>::quiet_NaN();
    else if (text.size() == 14 && text.substr(0, 6) == "nan:0x") {
        uint32_t bits = 0;
        auto [end, ec] = std::from_chars(text.data() + 6, text.data() + text.size(), bits, 16);
        if (ec != std::errc() || end != text.data() + text.size()) return false;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isnan(value)) return false;
    } else {
        double d = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
        if (ec != std::errc() || end != text.data() + text.size()) return false;
        if (!std::isfinite(d) || std::fabs(d) > 3.5e38) return false;
        value = static_cast<float>(d);
        if (std::isinf(value)) return false;
    }
    return true;
}

} // namespace Tam::Io::detail
