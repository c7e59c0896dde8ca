#include "host/io/JsonReader.h"

#include <charconv>
#include <cstring>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace Tam::Io::detail {

namespace {

constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class Reader {
public:
    Reader(std::string_view text, nlohmann::json_sax<Json>& handler)
        : m_p(text.data()), m_end(text.data() + text.size()), m_h(handler)
    {
    }

    JsonRead run()
    {
        if (m_p < m_end && static_cast<unsigned char>(*m_p) == 0xEF) {
            if (m_end - m_p < 3 || m_p[1] != '\xBB' || m_p[2] != '\xBF') return JsonRead::NotJson;
            m_p += 3;
        }
        // A value is wanted; then what may follow it in the container around it, if any.
        for (;;) {
            skipSpace();
            if (m_p == m_end) return JsonRead::NotJson;
            bool afterValue = true;
            switch (*m_p) {
            case '{':
                ++m_p;
                if (!m_h.start_object(kUnknown)) return JsonRead::Stopped;
                skipSpace();
                if (m_p < m_end && *m_p == '}') {
                    ++m_p;
                    if (!m_h.end_object()) return JsonRead::Stopped;
                } else {
                    m_stack.push_back('{');
                    if (JsonRead r = key(); r != JsonRead::Whole) return r;
                    afterValue = false;
                }
                break;
            case '[': {
                const std::size_t count = plainCount(m_p + 1);
                ++m_p;
                if (!m_h.start_array(count)) return JsonRead::Stopped;
                skipSpace();
                if (m_p < m_end && *m_p == ']') {
                    ++m_p;
                    if (!m_h.end_array()) return JsonRead::Stopped;
                } else {
                    m_stack.push_back('[');
                    afterValue = false;
                }
                break;
            }
            case '"':
                if (!string()) return JsonRead::NotJson;
                if (!m_h.string(m_string)) return JsonRead::Stopped;
                break;
            case 't':
                if (!literal("true")) return JsonRead::NotJson;
                if (!m_h.boolean(true)) return JsonRead::Stopped;
                break;
            case 'f':
                if (!literal("false")) return JsonRead::NotJson;
                if (!m_h.boolean(false)) return JsonRead::Stopped;
                break;
            case 'n':
                if (!literal("null")) return JsonRead::NotJson;
                if (!m_h.null()) return JsonRead::Stopped;
                break;
            default:
                if (JsonRead r = number(); r != JsonRead::Whole) return r;
            }
            if (!afterValue) continue;
            // Close what ends here; stop at a comma, which asks for the next value.
            for (;;) {
                skipSpace();
                if (m_stack.empty()) return m_p == m_end ? JsonRead::Whole : JsonRead::NotJson;
                if (m_p == m_end) return JsonRead::NotJson;
                const char c = *m_p++;
                if (c == ',') {
                    if (m_stack.back() == '{')
                        if (JsonRead r = key(); r != JsonRead::Whole) return r;
                    break;
                }
                if (c != (m_stack.back() == '{' ? '}' : ']')) return JsonRead::NotJson;
                const bool object = m_stack.back() == '{';
                m_stack.pop_back();
                if (!(object ? m_h.end_object() : m_h.end_array())) return JsonRead::Stopped;
            }
        }
    }

private:
    void skipSpace()
    {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t')) ++m_p;
    }

    // A key and its colon; Whole when the value may follow.
    JsonRead key()
    {
        skipSpace();
        if (m_p == m_end || *m_p != '"' || !string()) return JsonRead::NotJson;
        if (!m_h.key(m_string)) return JsonRead::Stopped;
        skipSpace();
        if (m_p == m_end || *m_p != ':') return JsonRead::NotJson;
        ++m_p;
        return JsonRead::Whole;
    }

    // The number of elements of the array whose text starts at from, when it holds only plain
    // values: commas are then its separators. A branch-free pass the compiler vectorises.
    std::size_t plainCount(const char* from) const
    {
        const void* close = std::memchr(from, ']', static_cast<std::size_t>(m_end - from));
        if (!close) return kUnknown;
        const char* to = static_cast<const char*>(close);
        std::size_t commas = 0, nested = 0, blank = 0;
        for (const char* q = from; q < to; ++q) {
            const char c = *q;
            commas += c == ',';
            nested += (c == '[') | (c == '{') | (c == '"');
            blank += (c == ' ') | (c == '\n') | (c == '\r') | (c == '\t');
        }
        if (nested) return kUnknown;
        return blank == static_cast<std::size_t>(to - from) ? 0 : commas + 1;
    }

    bool literal(std::string_view word)
    {
        if (static_cast<std::size_t>(m_end - m_p) < word.size() || std::string_view(m_p, word.size()) != word)
            return false;
        m_p += word.size();
        return true;
    }

    // m_p at the opening quote; the text, unescaped, in m_string.
    bool string()
    {
        ++m_p;
        m_string.clear();
        for (;;) {
            const char* run = m_p;
            while (m_p < m_end) {
                const auto c = static_cast<unsigned char>(*m_p);
                if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) break;
                ++m_p;
            }
            m_string.append(run, m_p);
            if (m_p == m_end) return false;
            const auto c = static_cast<unsigned char>(*m_p);
            if (c == '"') {
                ++m_p;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') {
                if (!escape()) return false;
            } else if (!utf8()) {
                return false;
            }
        }
    }

    // One character of two bytes or more, checked as RFC 3629 has it (no overlong forms, no
    // surrogates, nothing above U+10FFFF).
    bool utf8()
    {
        const auto at = [&](std::ptrdiff_t i) { return static_cast<unsigned char>(m_p[i]); };
        const unsigned char lead = at(0);
        std::ptrdiff_t length = 0;
        unsigned char lo = 0x80, hi = 0xBF; // the range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF) length = 3, lo = lead == 0xE0 ? 0xA0 : 0x80, hi = lead == 0xED ? 0x9F : 0xBF;
        else if (lead >= 0xF0 && lead <= 0xF4) length = 4, lo = lead == 0xF0 ? 0x90 : 0x80, hi = lead == 0xF4 ? 0x8F : 0xBF;
        else return false;
        if (m_end - m_p < length || at(1) < lo || at(1) > hi) return false;
        for (std::ptrdiff_t i = 2; i < length; ++i)
            if (at(i) < 0x80 || at(i) > 0xBF) return false;
        m_string.append(m_p, static_cast<std::size_t>(length));
        m_p += length;
        return true;
    }

    bool hex4(uint32_t& cp)
    {
        if (m_end - m_p < 4) return false;
        cp = 0;
        for (int i = 0; i < 4; ++i) {
            const int v = hexValue(*m_p++);
            if (v < 0) return false;
            cp = cp * 16 + static_cast<uint32_t>(v);
        }
        return true;
    }

    // m_p at the backslash.
    bool escape()
    {
        if (m_end - m_p < 2) return false;
        const char c = m_p[1];
        m_p += 2;
        switch (c) {
        case '"': m_string += '"'; return true;
        case '\\': m_string += '\\'; return true;
        case '/': m_string += '/'; return true;
        case 'b': m_string += '\b'; return true;
        case 'f': m_string += '\f'; return true;
        case 'n': m_string += '\n'; return true;
        case 'r': m_string += '\r'; return true;
        case 't': m_string += '\t'; return true;
        case 'u': break;
        default: return false;
        }
        uint32_t cp = 0;
        if (!hex4(cp)) return false;
        if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            uint32_t low = 0;
            if (m_end - m_p < 2 || m_p[0] != '\\' || m_p[1] != 'u') return false;
            m_p += 2;
            if (!hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(m_string, cp);
        return true;
    }

    // As nlohmann reads numbers: a whole number is unsigned, or signed when it has a minus, and
    // becomes a double when it does not fit; a double that is not finite is not JSON.
    JsonRead number()
    {
        const char* start = m_p;
        const bool minus = *m_p == '-';
        if (minus) ++m_p;
        if (m_p == m_end || !isDigit(*m_p)) return JsonRead::NotJson;
        if (*m_p++ != '0')
            while (m_p < m_end && isDigit(*m_p)) ++m_p;
        bool whole = true;
        if (m_p < m_end && *m_p == '.') {
            ++m_p;
            if (m_p == m_end || !isDigit(*m_p)) return JsonRead::NotJson;
            while (m_p < m_end && isDigit(*m_p)) ++m_p;
            whole = false;
        }
        if (m_p < m_end && (*m_p == 'e' || *m_p == 'E')) {
            ++m_p;
            if (m_p < m_end && (*m_p == '+' || *m_p == '-')) ++m_p;
            if (m_p == m_end || !isDigit(*m_p)) return JsonRead::NotJson;
            while (m_p < m_end && isDigit(*m_p)) ++m_p;
            whole = false;
        }
        bool taken = true;
        if (whole && minus) {
            int64_t v = 0;
            if (std::from_chars(start, m_p, v).ec == std::errc()) taken = m_h.number_integer(v);
            else whole = false;
        } else if (whole) {
            uint64_t v = 0;
            if (std::from_chars(start, m_p, v).ec == std::errc()) taken = m_h.number_unsigned(v);
            else whole = false;
        }
        if (!whole) {
            double v = 0;
            if (std::from_chars(start, m_p, v).ec != std::errc()) {
                // Out of range either way: strtod tells a tiny number (kept) from a huge one.
                const std::string text(start, m_p);
                v = std::strtod(text.c_str(), nullptr);
            }
            if (!std::isfinite(v)) return JsonRead::NotJson;
            m_token.assign(start, m_p);
            taken = m_h.number_float(v, m_token);
        }
        return taken ? JsonRead::Whole : JsonRead::Stopped;
    }

    const char* m_p;
    const char* const m_end;
    nlohmann::json_sax<Json>& m_h;
    std::vector<char> m_stack; // '{' or '[' for each open container
    std::string m_string, m_token;
};

} // namespace

JsonRead readJson(std::string_view text, nlohmann::json_sax<Json>& handler)
{
    return Reader(text, handler).run();
}

} // namespace Tam::Io::detail
