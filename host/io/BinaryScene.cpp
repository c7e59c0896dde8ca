// The binary form, .zks. Little-endian throughout; every string, block and array carries its
// length, so a reader checks each length against the bytes left before it takes anything, and
// raw blocks and arrays are stored exactly as they lie in memory on a little-endian machine.
//
//   header   8 bytes magic 89 'Z' 'K' 'S' 0D 0A 1A 0A, u32 version, u32 object count
//   object   u32 id, str class, u32 field count, then per field: str name, u8 kind, value
//   str      u32 length + bytes (a string field's null: length 0xFFFFFFFF, no bytes)
//
// The magic's high byte and line endings show a file mangled by a text-mode copy at once.
#include "host/io/SceneGraph.h"

#include <bit>
#include <cstring>

namespace Tam::Io::detail {

namespace {

constexpr unsigned char kMagic[8] = {0x89, 'Z', 'K', 'S', 0x0d, 0x0a, 0x1a, 0x0a};
constexpr uint32_t kNullString = 0xffffffffu;
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// Kind codes are part of the format, so they are listed here rather than taken from the enum's
// order.
constexpr zkFieldKind kKindOfCode[] = {
    zkFieldKind::Bool,   zkFieldKind::Int,   zkFieldKind::UInt,     zkFieldKind::Float,    zkFieldKind::Enum,
    zkFieldKind::String, zkFieldKind::Object, zkFieldKind::Int64,   zkFieldKind::Vec3,     zkFieldKind::Matrix,
    zkFieldKind::Text,   zkFieldKind::Data,  zkFieldKind::IntArray, zkFieldKind::FloatArray, zkFieldKind::ObjectArray,
};
constexpr int kKindCodeCount = sizeof kKindOfCode / sizeof kKindOfCode[0];

uint8_t codeOfKind(zkFieldKind kind)
{
    for (int i = 0; i < kKindCodeCount; ++i)
        if (kKindOfCode[i] == kind) return static_cast<uint8_t>(i);
    return 0xff;
}

// Sinks for the encoder: one only measures, so the buffer is allocated once at its final size.
struct Measure {
    std::size_t size = 0;
    void bytes(const void*, std::size_t n) { size += n; }
};
struct Append {
    std::string& out;
    void bytes(const void* p, std::size_t n) { out.append(static_cast<const char*>(p), n); }
};
struct Copy {
    char* at;
    void bytes(const void* p, std::size_t n)
    {
        if (n) std::memcpy(at, p, n);
        at += n;
    }
};

template <class Sink>
class Encoder {
public:
    Encoder(Sink& sink, const SceneObjects& scene) : m_sink(sink), m_scene(scene) {}

    void scene()
    {
        m_sink.bytes(kMagic, sizeof kMagic);
        u32(kSceneFormatVersion);
        u32(static_cast<uint32_t>(m_scene.objects().size()));
        for (const zkObject* o : m_scene.objects()) object(o);
    }

private:
    void object(const zkObject* o)
    {
        const zkMetaObject* meta = o->getMeta();
        u32(m_scene.idOf(o));
        str(meta->getName());
        u32(static_cast<uint32_t>(meta->getMetaFieldCount()));
        for (int i = 0; i < meta->getMetaFieldCount(); ++i) {
            const zkMetaField* f = meta->getIndexedMetaField(i);
            str(f->getName());
            u8(codeOfKind(f->getKind()));
            value(f, o);
        }
    }

    void value(const zkMetaField* f, const zkObject* o)
    {
        switch (f->getKind()) {
        case zkFieldKind::Bool: u8(f->ref<bool>(o) ? 1 : 0); break;
        case zkFieldKind::Int:
        case zkFieldKind::Enum: u32(static_cast<uint32_t>(f->ref<int32_t>(o))); break;
        case zkFieldKind::UInt: u32(f->ref<uint32_t>(o)); break;
        case zkFieldKind::Float: f32(f->ref<float>(o)); break;
        case zkFieldKind::String: {
            const zkStringRef& s = f->ref<zkStringRef>(o);
            if (s.isNull()) u32(kNullString);
            else str(s.c_str());
            break;
        }
        case zkFieldKind::Object: u32(m_scene.idOf(f->ref<zkSmartPointer<zkObject>>(o).get())); break;
        case zkFieldKind::Int64: u64(static_cast<uint64_t>(f->ref<int64_t>(o))); break;
        case zkFieldKind::Vec3: {
            const Math::zkVec3f& v = f->ref<Math::zkVec3f>(o);
            f32(v.x), f32(v.y), f32(v.z);
            break;
        }
        case zkFieldKind::Matrix:
            for (const auto& row : f->ref<Math::zkMatrix44f>(o).m)
                for (float x : row) f32(x);
            break;
        case zkFieldKind::Text: {
            const std::string& t = f->ref<std::string>(o);
            u64(t.size());
            m_sink.bytes(t.data(), t.size());
            break;
        }
        case zkFieldKind::Data: {
            const zkDataBlock& d = f->ref<zkDataBlock>(o);
            u64(d.size());
            m_sink.bytes(d.data(), d.size());
            break;
        }
        case zkFieldKind::IntArray: words(f->ref<zkIntArray>(o)); break;
        case zkFieldKind::FloatArray: words(f->ref<zkFloatArray>(o)); break;
        case zkFieldKind::ObjectArray: {
            const auto& items = f->ref<zkRefArrayBase>(o).items;
            u64(items.size());
            for (const auto& item : items) u32(m_scene.idOf(item.get()));
            break;
        }
        }
    }

    template <class T>
    void words(const std::vector<T>& v)
    {
        static_assert(sizeof(T) == 4);
        u64(v.size());
        if constexpr (kLittleEndian) {
            m_sink.bytes(v.data(), v.size() * 4);
        } else {
            for (T x : v) {
                uint32_t bits;
                std::memcpy(&bits, &x, 4);
                u32(bits);
            }
        }
    }

    void u8(uint8_t v) { m_sink.bytes(&v, 1); }
    void u32(uint32_t v)
    {
        unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        m_sink.bytes(b, 4);
    }
    void u64(uint64_t v)
    {
        u32(static_cast<uint32_t>(v));
        u32(static_cast<uint32_t>(v >> 32));
    }
    void f32(float v) { u32(std::bit_cast<uint32_t>(v)); }
    void str(const char* s)
    {
        std::size_t n = std::strlen(s);
        u32(static_cast<uint32_t>(n));
        m_sink.bytes(s, n);
    }

    Sink& m_sink;
    const SceneObjects& m_scene;
};

class Decoder {
public:
    Decoder(std::string_view bytes, SceneBuilder& builder)
        : m_p(reinterpret_cast<const unsigned char*>(bytes.data())), m_size(bytes.size()), m_b(builder)
    {
    }

    bool scene()
    {
        // A file cut inside the magic is short, not foreign.
        if (m_size < sizeof kMagic && (m_size == 0 || std::memcmp(m_p, kMagic, m_size) == 0))
            return need(sizeof kMagic);
        if (m_size < sizeof kMagic || std::memcmp(m_p, kMagic, sizeof kMagic) != 0)
            return m_b.failFile("not a binary scene file (wrong magic)");
        m_pos = sizeof kMagic;
        uint32_t version = 0, count = 0;
        if (!u32(version)) return false;
        if (version != kSceneFormatVersion)
            return m_b.failFile("format version " + std::to_string(version) + " is not supported (this build reads " +
                                std::to_string(kSceneFormatVersion) + ")");
        if (!u32(count)) return false;
        for (uint32_t i = 0; i < count; ++i)
            if (!object()) return false;
        m_b.place() = ScenePlace{};
        if (m_pos != m_size)
            return m_b.failFile(std::to_string(m_size - m_pos) + " bytes follow the last object");
        return true;
    }

private:
    bool object()
    {
        m_b.place() = ScenePlace{};
        uint32_t id = 0, fieldCount = 0;
        std::string_view className;
        if (!u32(id) || !name(className)) return false;
        zkObject* o = m_b.addObject(id, className);
        if (!o || !u32(fieldCount)) return false;
        for (uint32_t i = 0; i < fieldCount; ++i) {
            m_b.place().field.clear();
            std::string_view fieldName;
            uint8_t code = 0;
            if (!name(fieldName)) return false;
            const zkMetaField* f = m_b.findField(o, fieldName);
            if (!f || !u8(code)) return false;
            if (code >= kKindCodeCount) return m_b.fail("unknown kind code " + std::to_string(code));
            if (kKindOfCode[code] != f->getKind()) return m_b.failKind(f, zkFieldKindName(kKindOfCode[code]));
            if (!value(f, o)) return false;
        }
        return true;
    }

    bool value(const zkMetaField* f, zkObject* o)
    {
        switch (f->getKind()) {
        case zkFieldKind::Bool: {
            uint8_t v = 0;
            if (!u8(v)) return false;
            if (v > 1) return m_b.fail("a bool is 0 or 1, found " + std::to_string(v));
            f->ref<bool>(o) = v != 0;
            return true;
        }
        case zkFieldKind::Int:
        case zkFieldKind::Enum: {
            uint32_t v = 0;
            if (!u32(v)) return false;
            f->ref<int32_t>(o) = static_cast<int32_t>(v);
            return true;
        }
        case zkFieldKind::UInt: return u32(f->ref<uint32_t>(o));
        case zkFieldKind::Float: return f32(f->ref<float>(o));
        case zkFieldKind::String: {
            uint32_t n = 0;
            if (!u32(n)) return false;
            if (n == kNullString) {
                f->ref<zkStringRef>(o) = zkStringRef();
                return true;
            }
            std::string_view s;
            if (!take(n, 1, s)) return false;
            if (s.find('\0') != std::string_view::npos) return m_b.fail("a string may not hold a zero byte");
            f->ref<zkStringRef>(o).set(std::string(s).c_str());
            return true;
        }
        case zkFieldKind::Object: {
            uint32_t id = 0;
            if (!u32(id)) return false;
            m_b.setReference(o, f, id);
            return true;
        }
        case zkFieldKind::Int64: {
            uint64_t v = 0;
            if (!u64(v)) return false;
            f->ref<int64_t>(o) = static_cast<int64_t>(v);
            return true;
        }
        case zkFieldKind::Vec3: {
            Math::zkVec3f& v = f->ref<Math::zkVec3f>(o);
            return f32(v.x) && f32(v.y) && f32(v.z);
        }
        case zkFieldKind::Matrix:
            for (auto& row : f->ref<Math::zkMatrix44f>(o).m)
                for (float& x : row)
                    if (!f32(x)) return false;
            return true;
        case zkFieldKind::Text: {
            std::string_view s;
            if (!block(1, s)) return false;
            std::string& t = f->ref<std::string>(o);
            t.clear();
            t.reserve(s.size());
            adviseLargeBlock(t.data(), s.size());
            t.assign(s);
            return true;
        }
        case zkFieldKind::Data: {
            std::string_view s;
            if (!block(1, s)) return false;
            auto* p = reinterpret_cast<const uint8_t*>(s.data());
            zkDataBlock& d = f->ref<zkDataBlock>(o);
            d.clear();
            d.reserve(s.size());
            adviseLargeBlock(d.data(), s.size());
            d.assign(p, p + s.size());
            return true;
        }
        case zkFieldKind::IntArray: return words(f->ref<zkIntArray>(o));
        case zkFieldKind::FloatArray: return words(f->ref<zkFloatArray>(o));
        case zkFieldKind::ObjectArray: {
            std::string_view s;
            if (!block(4, s)) return false;
            auto& items = f->ref<zkRefArrayBase>(o).items;
            items.clear();
            items.resize(s.size() / 4);
            auto* p = reinterpret_cast<const unsigned char*>(s.data());
            for (std::size_t i = 0; i < items.size(); ++i, p += 4) m_b.setElement(o, f, i, load32(p));
            return true;
        }
        }
        return false;
    }

    template <class T>
    bool words(std::vector<T>& v)
    {
        std::string_view s;
        if (!block(4, s)) return false;
        v.clear();
        v.reserve(s.size() / 4);
        adviseLargeBlock(v.data(), s.size());
        v.resize(s.size() / 4);
        if constexpr (kLittleEndian) {
            if (!s.empty()) std::memcpy(v.data(), s.data(), s.size());
        } else {
            auto* p = reinterpret_cast<const unsigned char*>(s.data());
            for (std::size_t i = 0; i < v.size(); ++i, p += 4) {
                uint32_t bits = load32(p);
                std::memcpy(&v[i], &bits, 4);
            }
        }
        return true;
    }

    static uint32_t load32(const unsigned char* p)
    {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }

    bool need(std::size_t n)
    {
        if (n <= m_size - m_pos) return true;
        return m_b.fail("file ends early at offset " + std::to_string(m_pos) + " (" + std::to_string(n) +
                        " bytes needed, " + std::to_string(m_size - m_pos) + " left)");
    }
    // count items of `size` bytes each; the count is checked against the bytes left before
    // anything is taken or allocated.
    bool take(uint64_t count, std::size_t size, std::string_view& s)
    {
        std::size_t left = m_size - m_pos;
        if (count > left / size)
            return m_b.fail("file ends early at offset " + std::to_string(m_pos) + " (length " + std::to_string(count) +
                            (size > 1 ? " x " + std::to_string(size) + " bytes" : "") + ", " + std::to_string(left) +
                            " bytes left)");
        s = std::string_view(reinterpret_cast<const char*>(m_p + m_pos), count * size);
        m_pos += count * size;
        return true;
    }
    bool block(std::size_t size, std::string_view& s)
    {
        uint64_t count = 0;
        return u64(count) && take(count, size, s);
    }
    bool name(std::string_view& s)
    {
        uint32_t n = 0;
        return u32(n) && take(n, 1, s);
    }
    bool u8(uint8_t& v)
    {
        if (!need(1)) return false;
        v = m_p[m_pos++];
        return true;
    }
    bool u32(uint32_t& v)
    {
        if (!need(4)) return false;
        v = load32(m_p + m_pos);
        m_pos += 4;
        return true;
    }
    bool u64(uint64_t& v)
    {
        if (!need(8)) return false;
        v = uint64_t(load32(m_p + m_pos)) | uint64_t(load32(m_p + m_pos + 4)) << 32;
        m_pos += 8;
        return true;
    }
    bool f32(float& v)
    {
        uint32_t bits = 0;
        if (!u32(bits)) return false;
        v = std::bit_cast<float>(bits);
        return true;
    }

    const unsigned char* m_p;
    std::size_t m_size;
    std::size_t m_pos = 0;
    SceneBuilder& m_b;
};

} // namespace

void encodeBinary(const SceneObjects& scene, std::string& out)
{
    Measure measure;
    Encoder<Measure>(measure, scene).scene();
    out.clear();
    out.reserve(measure.size);
    adviseLargeBlock(out.data(), measure.size);
    Append append{out};
    Encoder<Append>(append, scene).scene();
}

bool encodeBinary(const SceneObjects& scene, const std::function<char*(std::size_t size)>& buffer)
{
    Measure measure;
    Encoder<Measure>(measure, scene).scene();
    char* at = buffer(measure.size);
    if (!at) return false;
    Copy copy{at};
    Encoder<Copy>(copy, scene).scene();
    return true;
}

zkSmartPointer<zkFileInfo> decodeBinary(std::string_view bytes, SceneBuilder& builder)
{
    if (!Decoder(bytes, builder).scene()) return nullptr;
    return builder.finish();
}

} // namespace Tam::Io::detail
