// The text form, .zks.json: one JSON document,
//
//   { "magic": "zk-scene", "version": 1, "objects": [ { "id": 1, "class": "zkFileInfo",
//     "fields": { "name": null, "infos": 2 } }, ... ] }
//
// written one object and one field per line with each value compact, so that diffs show which
// field of which object changed. Floats are the shortest decimals that read back to the same bits;
// data blocks are base64; text that is not UTF-8 is written as {"base64": "..."} so that it still
// round-trips byte for byte.
//
// Reading goes through our JSON reader (JsonReader.h) into a document built here: that lets a syntax error
// or a cut-off file be reported at the object and field it fell in, refuses repeated keys instead
// of keeping the last, and bounds nesting. Once the header is known to be right, each entry of
// "objects" is decoded as soon as it is complete and then dropped, so that the document never
// holds more than one object's values beside the scene being built.
#include "host/io/Base64.h"
#include "host/io/JsonReader.h"
#include "host/io/SceneGraph.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace Tam::Io::detail {

namespace {

constexpr const char* kMagic = "zk-scene";
// Our documents nest six deep (matrix rows inside fields inside objects); anything much deeper is
// not a scene.
constexpr std::size_t kMaxNesting = 16;

// ---- UTF-8 ------------------------------------------------------------------------------------

// Well-formed UTF-8 as RFC 3629 has it: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isUtf8(std::string_view s)
{
    auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::size_t n = s.size(), i = 0;
    while (i < n) {
        unsigned char c = p[i];
        std::size_t len;
        uint32_t cp, min;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xe0) == 0xc0) { len = 2; cp = c & 0x1f; min = 0x80; }
        else if ((c & 0xf0) == 0xe0) { len = 3; cp = c & 0x0f; min = 0x800; }
        else if ((c & 0xf8) == 0xf0) { len = 4; cp = c & 0x07; min = 0x10000; }
        else return false;
        if (n - i < len) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xc0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3f);
        }
        if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
        i += len;
    }
    return true;
}

// ---- writing ---------------------------------------------------------------------------------

void quote(std::string& out, std::string_view s)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (char ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

void text(std::string& out, std::string_view s)
{
    if (isUtf8(s)) return quote(out, s);
    out += "{\"base64\":\"";
    out += zkBase64Encode(s);
    out += "\"}";
}

void number(std::string& out, float v)
{
    std::string t = floatText(v);
    if (std::isfinite(v)) out += t;
    else quote(out, t);
}

template <class T>
void integer(std::string& out, T v)
{
    char buffer[24];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, end);
}

void value(std::string& out, const zkMetaField* f, const zkObject* o, const SceneObjects& scene)
{
    switch (f->getKind()) {
    case zkFieldKind::Bool: out += f->ref<bool>(o) ? "true" : "false"; break;
    case zkFieldKind::Int: integer(out, f->ref<int32_t>(o)); break;
    case zkFieldKind::UInt: integer(out, f->ref<uint32_t>(o)); break;
    case zkFieldKind::Float: number(out, f->ref<float>(o)); break;
    case zkFieldKind::Enum: {
        int v = f->ref<int32_t>(o);
        const zkMetaEnum* e = static_cast<const zkEnumMetaField*>(f)->getMetaEnum();
        const char* name = e ? e->getEnumName(v) : nullptr;
        if (name) quote(out, name);
        else integer(out, v);
        break;
    }
    case zkFieldKind::String: {
        const zkStringRef& s = f->ref<zkStringRef>(o);
        if (s.isNull()) out += "null";
        else text(out, s.c_str());
        break;
    }
    case zkFieldKind::Object: {
        uint32_t id = scene.idOf(f->ref<zkSmartPointer<zkObject>>(o).get());
        if (id) integer(out, id);
        else out += "null";
        break;
    }
    case zkFieldKind::Int64: integer(out, f->ref<int64_t>(o)); break;
    case zkFieldKind::Vec3: {
        const Math::zkVec3f& v = f->ref<Math::zkVec3f>(o);
        out += '[';
        number(out, v.x), out += ',', number(out, v.y), out += ',', number(out, v.z);
        out += ']';
        break;
    }
    case zkFieldKind::Matrix: {
        const Math::zkMatrix44f& m = f->ref<Math::zkMatrix44f>(o);
        out += '[';
        for (int r = 0; r < 4; ++r) {
            out += r ? ",[" : "[";
            for (int c = 0; c < 4; ++c) {
                if (c) out += ',';
                number(out, m.m[r][c]);
            }
            out += ']';
        }
        out += ']';
        break;
    }
    case zkFieldKind::Text: text(out, f->ref<std::string>(o)); break;
    case zkFieldKind::Data: {
        const zkDataBlock& d = f->ref<zkDataBlock>(o);
        out += '"';
        out += zkBase64Encode(std::string_view(reinterpret_cast<const char*>(d.data()), d.size()));
        out += '"';
        break;
    }
    case zkFieldKind::IntArray: {
        out += '[';
        bool first = true;
        for (int32_t v : f->ref<zkIntArray>(o)) {
            if (!first) out += ',';
            first = false;
            integer(out, v);
        }
        out += ']';
        break;
    }
    case zkFieldKind::FloatArray: {
        out += '[';
        bool first = true;
        for (float v : f->ref<zkFloatArray>(o)) {
            if (!first) out += ',';
            first = false;
            number(out, v);
        }
        out += ']';
        break;
    }
    case zkFieldKind::ObjectArray: {
        out += '[';
        bool first = true;
        for (const auto& item : f->ref<zkRefArrayBase>(o).items) {
            if (!first) out += ',';
            first = false;
            uint32_t id = scene.idOf(item.get());
            if (id) integer(out, id);
            else out += "null";
        }
        out += ']';
        break;
    }
    }
}

// ---- reading: the document -------------------------------------------------------------------

// Builds the document from parser events, keeping track of the object and field it is in, so
// that a syntax error can be placed.
class DocumentBuilder : public nlohmann::json_sax<Json> {
public:
    // Called with each entry of "objects" as soon as it is complete, when the header before the
    // array was right: the entry is then dropped, so that the document never holds the whole
    // scene twice. False stops the parse (the callee has recorded why).
    using ObjectSink = std::function<bool(const Json& entry, std::size_t index)>;
    DocumentBuilder(std::string_view text, ObjectSink sink) : m_text(text), m_sink(std::move(sink)) {}

    Json root;
    ScenePlace place;
    std::string problem;
    // The sink refused an entry.
    bool sinkFailed = false;

    // Number arrays of the entry being read, by field name, kept as the field holds them: a
    // million-vertex array as JSON values would take four times its size. The document holds an
    // empty array in their place.
    struct PackedArray {
        std::vector<float> floats;
        std::vector<int32_t> ints;
    };
    std::unordered_map<std::string, PackedArray> packed;

    bool null() override { return unpack() && put(Json()); }
    bool boolean(bool v) override { return unpack() && put(Json(v)); }
    bool number_integer(number_integer_t v) override
    {
        if (packs() && m_floats && pack(float(v))) return true;
        if (packs() && !m_floats && v >= INT32_MIN && v <= INT32_MAX && pack(int32_t(v))) return true;
        noteId(v >= 0 ? static_cast<uint64_t>(v) : 0);
        return unpack() && put(Json(v));
    }
    bool number_unsigned(number_unsigned_t v) override
    {
        if (packs() && m_floats && pack(float(v))) return true;
        if (packs() && !m_floats && v <= INT32_MAX && pack(int32_t(v))) return true;
        noteId(v);
        return unpack() && put(Json(v));
    }
    bool number_float(number_float_t v, const string_t&) override
    {
        // A double beyond float's range is the decoder's to refuse, with its message.
        if (packs() && m_floats && (std::isfinite(float(v)) || !std::isfinite(v)) && pack(float(v))) return true;
        return unpack() && put(Json(v));
    }
    bool string(string_t& v) override
    {
        float f;
        if (packs() && m_floats && floatFromText(v, f) && pack(f)) return true;
        if (inElement() && m_stack.size() == 3 && m_keys[3] == "class") {
            place.className = printable(v);
            m_className = v;
        }
        return unpack() && put(Json(std::move(v)));
    }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override
    {
        if (!unpack()) return false;
        if (m_stack.size() == 2 && m_keys[1] == "objects") {
            place = ScenePlace{};
            m_className.clear();
            packed.clear();
        }
        return open(Json::object());
    }
    bool key(string_t& k) override
    {
        // ordered_json finds keys by a linear search; a set per open object keeps a hostile file
        // with a great many keys from taking quadratic time.
        if (!m_keysSeen[m_stack.size()].insert(k).second) {
            problem = "the key " + quoted(k) + " appears twice";
            return false;
        }
        m_keys[m_stack.size()] = k;
        if (m_stack.size() == 4 && inElementFields()) place.field = printable(k);
        return true;
    }
    bool end_object() override
    {
        if (m_stack.size() == 4 && inElementFields()) place.field.clear();
        else if (inElement() && m_stack.size() == 3) {
            place = ScenePlace{};
            if (m_streaming) {
                if (!m_sink(*m_stack.back(), m_streamed++)) {
                    sinkFailed = true;
                    return false;
                }
                m_stack[1]->get_ref<Json::array_t&>().pop_back();
            }
        }
        m_stack.pop_back();
        return true;
    }
    bool start_array(std::size_t elements) override
    {
        if (!unpack()) return false;
        if (m_stack.size() == 1 && m_keys[1] == "objects") m_streaming = headerIsRight();
        if (m_streaming && m_stack.size() == 4 && inElementFields()) startPacking(elements);
        return open(Json::array());
    }
    bool end_array() override
    {
        if (m_packing && m_stack.size() == 5) {
            packed[m_keys[4]] = std::move(m_pack);
            m_pack = {};
            m_packing = false;
        }
        m_stack.pop_back();
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& ex) override
    {
        notJson(position, ex.what());
        return false;
    }
    // The text is not JSON at position, for the reason nlohmann gives in what.
    void notJson(std::size_t position, const std::string& what)
    {
        // nlohmann's text reads "[json.exception.parse_error.101] parse error at line 3, column 5:
        // syntax error while parsing ..."; the line and column are given again here, so keep what
        // follows them.
        std::size_t column = what.find("column ");
        std::size_t colon = column == std::string::npos ? std::string::npos : what.find(": ", column);
        std::string detail = colon == std::string::npos ? what : what.substr(colon + 2);
        std::size_t line = 1, lineStart = 0;
        for (std::size_t i = 0; i < position && i < m_text.size(); ++i)
            if (m_text[i] == '\n') ++line, lineStart = i + 1;
        std::string at = "line " + std::to_string(line) + ", column " + std::to_string(position - lineStart);
        if (detail.find("unexpected end of input") != std::string::npos)
            problem = "file ends early (" + at + ")";
        else
            problem = "not valid JSON at " + at + ": " + detail;
    }

private:
    // An array that is the value of a float-array or int-array field of a class named before it.
    // Its size, when the reader counted it, is reserved: growing by doubling would hold up to three
    // times the array at once.
    void startPacking(std::size_t elements)
    {
        const zkMetaObject* meta = m_className.empty() ? nullptr : zkFindClass(m_className.c_str());
        const zkMetaField* f = meta ? meta->findMetaField(m_keys[4].c_str()) : nullptr;
        m_packing = f && (f->getKind() == zkFieldKind::FloatArray || f->getKind() == zkFieldKind::IntArray);
        m_floats = m_packing && f->getKind() == zkFieldKind::FloatArray;
        m_pack = {};
        if (!m_packing || elements == static_cast<std::size_t>(-1)) return;
        if (m_floats) {
            m_pack.floats.reserve(elements);
            adviseLargeBlock(m_pack.floats.data(), elements * sizeof(float));
        } else {
            m_pack.ints.reserve(elements);
            adviseLargeBlock(m_pack.ints.data(), elements * sizeof(int32_t));
        }
    }
    // A value lands directly in the array being packed.
    bool packs() const { return m_packing && m_stack.size() == 5; }
    bool pack(float v)
    {
        m_pack.floats.push_back(v);
        return true;
    }
    bool pack(int32_t v)
    {
        m_pack.ints.push_back(v);
        return true;
    }
    // A value the field cannot take: the array becomes plain JSON again, so that the decoder
    // finds it and names it as for any other file.
    bool unpack()
    {
        if (!packs()) return true;
        Json& array = *m_stack.back();
        for (float v : m_pack.floats) array.push_back(Json(static_cast<double>(v)));
        for (int32_t v : m_pack.ints) array.push_back(Json(static_cast<int64_t>(v)));
        m_pack = {};
        m_packing = false;
        return true;
    }

    // The magic and the version came before the objects, and are the ones this build reads.
    bool headerIsRight() const
    {
        const auto& members = root.get_ref<const Json::object_t&>();
        bool magic = false, version = false;
        for (const auto& [key, v] : members) {
            if (key == "magic") magic = v.is_string() && v.get_ref<const std::string&>() == kMagic;
            if (key == "version") version = v.is_number_unsigned() && v.get<uint64_t>() == kSceneFormatVersion;
        }
        return magic && version && m_sink;
    }
    static std::string quoted(std::string_view s) { return "\"" + printable(s) + "\""; }
    bool inElement() const { return m_stack.size() >= 3 && m_keys[1] == "objects"; }
    bool inElementFields() const { return inElement() && m_keys[3] == "fields"; }
    void noteId(uint64_t v)
    {
        if (inElement() && m_stack.size() == 3 && m_keys[3] == "id") place.id = v;
    }
    Json* put(Json&& v)
    {
        if (m_stack.empty()) {
            root = std::move(v);
            return &root;
        }
        Json& top = *m_stack.back();
        if (top.is_array()) {
            top.push_back(std::move(v));
            return &top.back();
        }
        // The key is new (see key()), so it is appended without a search.
        auto& members = top.get_ref<Json::object_t&>();
        members.Container::emplace_back(m_keys[m_stack.size()], std::move(v));
        return &members.back().second;
    }
    bool open(Json&& container)
    {
        if (m_stack.size() >= kMaxNesting) {
            problem = "values nest deeper than " + std::to_string(kMaxNesting) + " levels";
            return false;
        }
        m_stack.push_back(put(std::move(container)));
        m_keys[m_stack.size()].clear();
        m_keysSeen[m_stack.size()].clear();
        return true;
    }

    std::string_view m_text;
    ObjectSink m_sink;
    std::string m_className; // of the entry being read, as the file gives it
    bool m_packing = false, m_floats = false;
    PackedArray m_pack;
    bool m_streaming = false;
    std::size_t m_streamed = 0;
    std::vector<Json*> m_stack;
    // The last key seen in the open object at each nesting level (index: the level, from 1).
    std::vector<std::string> m_keys = std::vector<std::string>(kMaxNesting + 2);
    std::vector<std::unordered_set<std::string>> m_keysSeen =
        std::vector<std::unordered_set<std::string>>(kMaxNesting + 2);
};

// nlohmann's reader, run over a text ours found not to be JSON only for its account of the fault:
// every value is accepted and dropped.
struct SyntaxWords : nlohmann::json_sax<Json> {
    std::size_t position = 0;
    std::string what;

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t at, const std::string&, const nlohmann::detail::exception& ex) override
    {
        position = at;
        what = ex.what();
        return false;
    }
};

// ---- reading: the scene ----------------------------------------------------------------------

std::string describe(const Json& v)
{
    switch (v.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return v.get<bool>() ? "true" : "false";
    case Json::value_t::string: return "\"" + printable(v.get_ref<const std::string&>()) + "\"";
    case Json::value_t::array: return "an array of " + std::to_string(v.size());
    case Json::value_t::object: return "a JSON object";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return v.dump();
    default: return "a binary value";
    }
}

// What each kind looks like in this form, for messages.
const char* shape(zkFieldKind kind)
{
    switch (kind) {
    case zkFieldKind::Bool: return "bool (true or false)";
    case zkFieldKind::Enum: return "enum (a name or a whole number)";
    case zkFieldKind::String: return "string (text or null)";
    case zkFieldKind::Object: return "object (an id or null)";
    case zkFieldKind::Vec3: return "vec3 (3 numbers)";
    case zkFieldKind::Matrix: return "matrix (4 rows of 4 numbers)";
    case zkFieldKind::Data: return "data (base64 text)";
    case zkFieldKind::ObjectArray: return "object array (ids or null)";
    default: return zkFieldKindName(kind);
    }
}

class Decoder {
public:
    explicit Decoder(SceneBuilder& builder) : m_b(builder) {}

    // Number arrays the document kept aside for the entry being decoded.
    std::unordered_map<std::string, DocumentBuilder::PackedArray>* packed = nullptr;

    bool scene(const Json& root)
    {
        if (!root.is_object() || !root.contains("magic"))
            return m_b.failFile("not a text scene file (no \"magic\": \"" + std::string(kMagic) + "\")");
        const Json& magic = root["magic"];
        if (!magic.is_string() || magic.get_ref<const std::string&>() != kMagic)
            return m_b.failFile("not a text scene file (wrong magic " + describe(magic) + ")");
        for (const auto& [key, v] : root.items())
            if (key != "magic" && key != "version" && key != "objects")
                return m_b.failFile("unknown key \"" + printable(key) + "\" at the top level");
        const Json* version = find(root, "version");
        if (!version || !version->is_number_unsigned() || version->get<uint64_t>() != kSceneFormatVersion)
            return m_b.failFile("format version " + (version ? describe(*version) : std::string("(none)")) +
                                " is not supported (this build reads " + std::to_string(kSceneFormatVersion) + ")");
        const Json* objects = find(root, "objects");
        if (!objects || !objects->is_array()) return m_b.failFile("\"objects\" must be an array");
        for (std::size_t i = 0; i < objects->size(); ++i)
            if (!object((*objects)[i], i)) return false;
        return true;
    }

    // One entry of "objects", the index-th.
    bool object(const Json& e, std::size_t index)
    {
        m_b.place() = ScenePlace{};
        std::string entry = "objects[" + std::to_string(index) + "]";
        if (!e.is_object()) return m_b.failFile(entry + " is " + describe(e) + ", not an object entry");
        const Json* id = find(e, "id");
        if (!id || !id->is_number_unsigned() || id->get<uint64_t>() == 0 ||
            id->get<uint64_t>() > std::numeric_limits<uint32_t>::max())
            return m_b.failFile(entry + ": the id must be a whole number from 1 to 4294967295, found " +
                                (id ? describe(*id) : std::string("none")));
        m_b.place().id = id->get<uint64_t>();
        const Json* cls = find(e, "class");
        if (!cls || !cls->is_string()) return m_b.fail("the class must be a string");
        zkObject* o = m_b.addObject(id->get<uint64_t>(), cls->get_ref<const std::string&>());
        if (!o) return false;
        for (const auto& [key, v] : e.items())
            if (key != "id" && key != "class" && key != "fields")
                return m_b.fail("unknown key \"" + printable(key) + "\"");
        const Json* fields = find(e, "fields");
        if (!fields) return true;
        if (!fields->is_object()) return m_b.fail("\"fields\" must be a JSON object");
        for (const auto& [name, v] : fields->items()) {
            const zkMetaField* f = m_b.findField(o, name);
            if (!f) return false;
            if (auto kept = packed->find(name); kept != packed->end()) {
                if (f->getKind() == zkFieldKind::FloatArray) f->ref<zkFloatArray>(o) = std::move(kept->second.floats);
                else f->ref<zkIntArray>(o) = std::move(kept->second.ints);
                continue;
            }
            if (!value(f, o, v)) return false;
        }
        return true;
    }

private:
    static const Json* find(const Json& o, const char* key)
    {
        auto it = o.find(key);
        return it == o.end() ? nullptr : &*it;
    }

    bool wrong(const zkMetaField* f, const Json& v, const char* why = "")
    {
        return m_b.fail(std::string("expected ") + shape(f->getKind()) + ", found " + describe(v) + why);
    }

    // A whole number within [lo, hi].
    bool integer(const zkMetaField* f, const Json& v, int64_t lo, int64_t hi, int64_t& out)
    {
        if (v.is_number_unsigned()) {
            uint64_t u = v.get<uint64_t>();
            if (u > static_cast<uint64_t>(hi)) return wrong(f, v, " (out of range)");
            out = static_cast<int64_t>(u);
            return true;
        }
        if (!v.is_number_integer()) return wrong(f, v);
        out = v.get<int64_t>();
        if (out < lo || out > hi) return wrong(f, v, " (out of range)");
        return true;
    }

    bool real(const zkMetaField* f, const Json& v, float& out)
    {
        if (v.is_number_integer()) {
            out = v.is_number_unsigned() ? static_cast<float>(v.get<uint64_t>()) : static_cast<float>(v.get<int64_t>());
            return true;
        }
        if (v.is_number_float()) {
            double d = v.get<double>();
            out = static_cast<float>(d);
            if (std::isinf(out) && std::isfinite(d)) return wrong(f, v, " (out of range)");
            return true;
        }
        if (v.is_string() && floatFromText(v.get_ref<const std::string&>(), out)) return true;
        return wrong(f, v);
    }

    // Text, or {"base64": "..."} for bytes that are not UTF-8.
    bool textOf(const zkMetaField* f, const Json& v, std::string& out)
    {
        if (v.is_string()) {
            out = v.get_ref<const std::string&>();
            return true;
        }
        const Json* b = v.is_object() && v.size() == 1 ? find(v, "base64") : nullptr;
        std::vector<uint8_t> bytes;
        if (!b || !b->is_string() || !zkBase64Decode(b->get_ref<const std::string&>(), bytes)) return wrong(f, v);
        out.assign(bytes.begin(), bytes.end());
        return true;
    }

    // Each element of an array in turn, with the element named in messages.
    template <class Each>
    bool elements(const zkMetaField* f, const Json& v, std::size_t count, Each each)
    {
        if (!v.is_array() || (count && v.size() != count)) return wrong(f, v);
        for (std::size_t i = 0; i < v.size(); ++i) {
            m_b.place().element = static_cast<int64_t>(i);
            if (!each(i, v[i])) return false;
        }
        m_b.place().element = -1;
        return true;
    }

    bool value(const zkMetaField* f, zkObject* o, const Json& v)
    {
        int64_t n = 0;
        switch (f->getKind()) {
        case zkFieldKind::Bool:
            if (!v.is_boolean()) return wrong(f, v);
            f->ref<bool>(o) = v.get<bool>();
            return true;
        case zkFieldKind::Int:
            if (!integer(f, v, INT32_MIN, INT32_MAX, n)) return false;
            f->ref<int32_t>(o) = static_cast<int32_t>(n);
            return true;
        case zkFieldKind::UInt:
            if (!integer(f, v, 0, UINT32_MAX, n)) return false;
            f->ref<uint32_t>(o) = static_cast<uint32_t>(n);
            return true;
        case zkFieldKind::Float: return real(f, v, f->ref<float>(o));
        case zkFieldKind::Enum: {
            if (v.is_string()) {
                const zkMetaEnum* e = static_cast<const zkEnumMetaField*>(f)->getMetaEnum();
                int value = 0;
                const std::string& name = v.get_ref<const std::string&>();
                if (!e || !e->getEnumValue(name.c_str(), value))
                    return m_b.fail("\"" + printable(name) + "\" is not a name of enum " +
                                    (e ? e->getName() : "(unnamed)"));
                f->ref<int32_t>(o) = value;
                return true;
            }
            if (!integer(f, v, INT32_MIN, INT32_MAX, n)) return false;
            f->ref<int32_t>(o) = static_cast<int32_t>(n);
            return true;
        }
        case zkFieldKind::String: {
            if (v.is_null()) {
                f->ref<zkStringRef>(o) = zkStringRef();
                return true;
            }
            std::string s;
            if (!textOf(f, v, s)) return false;
            if (s.find('\0') != std::string::npos) return m_b.fail("a string may not hold a zero byte");
            f->ref<zkStringRef>(o).set(s.c_str());
            return true;
        }
        case zkFieldKind::Object:
            if (v.is_null()) {
                m_b.setReference(o, f, 0);
                return true;
            }
            if (!integer(f, v, 1, UINT32_MAX, n)) return false;
            m_b.setReference(o, f, static_cast<uint64_t>(n));
            return true;
        case zkFieldKind::Int64:
            if (!integer(f, v, INT64_MIN, INT64_MAX, n)) return false;
            f->ref<int64_t>(o) = n;
            return true;
        case zkFieldKind::Vec3: {
            Math::zkVec3f& p = f->ref<Math::zkVec3f>(o);
            float* xyz[3] = {&p.x, &p.y, &p.z};
            return elements(f, v, 3, [&](std::size_t i, const Json& e) { return real(f, e, *xyz[i]); });
        }
        case zkFieldKind::Matrix: {
            Math::zkMatrix44f& m = f->ref<Math::zkMatrix44f>(o);
            return elements(f, v, 4, [&](std::size_t r, const Json& row) {
                if (!row.is_array() || row.size() != 4) return wrong(f, row);
                for (std::size_t c = 0; c < 4; ++c)
                    if (!real(f, row[c], m.m[r][c])) return false;
                return true;
            });
        }
        case zkFieldKind::Text: return textOf(f, v, f->ref<std::string>(o));
        case zkFieldKind::Data:
            if (!v.is_string() || !zkBase64Decode(v.get_ref<const std::string&>(), f->ref<zkDataBlock>(o)))
                return wrong(f, v, v.is_string() ? " (not base64)" : "");
            return true;
        case zkFieldKind::IntArray: {
            if (!v.is_array()) return wrong(f, v);
            zkIntArray& a = f->ref<zkIntArray>(o);
            a.assign(v.size(), 0);
            return elements(f, v, 0, [&](std::size_t i, const Json& e) {
                if (!integer(f, e, INT32_MIN, INT32_MAX, n)) return false;
                a[i] = static_cast<int32_t>(n);
                return true;
            });
        }
        case zkFieldKind::FloatArray: {
            if (!v.is_array()) return wrong(f, v);
            zkFloatArray& a = f->ref<zkFloatArray>(o);
            a.assign(v.size(), 0.0f);
            return elements(f, v, 0, [&](std::size_t i, const Json& e) { return real(f, e, a[i]); });
        }
        case zkFieldKind::ObjectArray: {
            if (!v.is_array()) return wrong(f, v);
            auto& items = f->ref<zkRefArrayBase>(o).items;
            items.clear();
            items.resize(v.size());
            return elements(f, v, 0, [&](std::size_t i, const Json& e) {
                if (e.is_null()) return true;
                if (!integer(f, e, 1, UINT32_MAX, n)) return false;
                m_b.setElement(o, f, i, static_cast<uint64_t>(n));
                return true;
            });
        }
        }
        return false;
    }

    SceneBuilder& m_b;
};

} // namespace

// Room for the text of a scene, generous: what is reserved but not written costs address space
// only, while growing the text by doubling copies it and touches fresh memory each time.
std::size_t roomFor(const SceneObjects& scene)
{
    std::size_t bytes = 64;
    for (const zkObject* o : scene.objects()) {
        const zkMetaObject* meta = o->getMeta();
        bytes += 96;
        for (int i = 0; i < meta->getMetaFieldCount(); ++i) {
            const zkMetaField* f = meta->getIndexedMetaField(i);
            bytes += 48 + std::strlen(f->getName());
            switch (f->getKind()) {
            case zkFieldKind::Text: bytes += 6 * f->ref<std::string>(o).size(); break;
            case zkFieldKind::Data: bytes += f->ref<zkDataBlock>(o).size() / 3 * 4 + 8; break;
            case zkFieldKind::IntArray: bytes += 12 * f->ref<zkIntArray>(o).size(); break;
            case zkFieldKind::FloatArray: bytes += 17 * f->ref<zkFloatArray>(o).size(); break;
            case zkFieldKind::ObjectArray: bytes += 11 * f->ref<zkRefArrayBase>(o).items.size(); break;
            case zkFieldKind::Matrix: bytes += 16 * 17; break;
            default: bytes += 64;
            }
        }
    }
    return bytes;
}

void encodeJson(const SceneObjects& scene, std::string& out)
{
    out.clear();
    const std::size_t room = roomFor(scene);
    out.reserve(room);
    adviseLargeBlock(out.data(), room);
    out += "{\n  \"magic\": \"";
    out += kMagic;
    out += "\",\n  \"version\": ";
    integer(out, kSceneFormatVersion);
    out += ",\n  \"objects\": [";
    bool firstObject = true;
    for (const zkObject* o : scene.objects()) {
        const zkMetaObject* meta = o->getMeta();
        out += firstObject ? "\n    {\n      \"id\": " : ",\n    {\n      \"id\": ";
        firstObject = false;
        integer(out, scene.idOf(o));
        out += ",\n      \"class\": ";
        quote(out, meta->getName());
        out += ",\n      \"fields\": {";
        for (int i = 0; i < meta->getMetaFieldCount(); ++i) {
            const zkMetaField* f = meta->getIndexedMetaField(i);
            out += i ? ",\n        " : "\n        ";
            quote(out, f->getName());
            out += ": ";
            value(out, f, o, scene);
        }
        out += meta->getMetaFieldCount() ? "\n      }\n    }" : "}\n    }";
    }
    out += firstObject ? "]\n}\n" : "\n  ]\n}\n";
}

zkSmartPointer<zkFileInfo> decodeJson(std::string_view bytes, SceneBuilder& builder)
{
    Decoder decoder(builder);
    DocumentBuilder document(bytes, [&](const Json& entry, std::size_t index) {
        try {
            return decoder.object(entry, index);
        } catch (const std::exception& e) {
            builder.fail(std::string("unreadable value: ") + e.what());
            return false;
        }
    });
    decoder.packed = &document.packed;
    bool parsed = false;
    try {
        const JsonRead read = readJson(bytes, document);
        parsed = read == JsonRead::Whole;
        if (read == JsonRead::NotJson) {
            // Our reader stopped where nlohmann's does; nlohmann's says why.
            SyntaxWords words;
            Json::sax_parse(bytes.begin(), bytes.end(), &words);
            if (words.what.empty()) document.problem = "not valid JSON";
            else document.notJson(words.position, words.what);
        }
    } catch (const std::exception& e) {
        document.problem = std::string("not valid JSON: ") + e.what();
    }
    if (document.sinkFailed) return nullptr;
    if (!parsed) {
        builder.place() = document.place;
        builder.fail(document.problem.empty() ? "not valid JSON" : document.problem);
        return nullptr;
    }
    try {
        if (!decoder.scene(document.root)) return nullptr;
    } catch (const std::exception& e) {
        // Every value is checked before it is taken; this only guards against a slip.
        builder.fail(std::string("unreadable value: ") + e.what());
        return nullptr;
    }
    return builder.finish();
}

} // namespace Tam::Io::detail
