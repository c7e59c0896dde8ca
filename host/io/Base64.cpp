#include "host/io/Base64.h"

namespace Tam::Io {

std::string zkBase64Encode(std::string_view bytes)
{
    static const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    std::string out;
    out.reserve((n + 2) / 3 * 4);
    for (std::size_t i = 0; i < n; i += 3) {
        uint32_t w = uint32_t(p[i]) << 16;
        if (i + 1 < n) w |= uint32_t(p[i + 1]) << 8;
        if (i + 2 < n) w |= p[i + 2];
        out += kBase64[w >> 18];
        out += kBase64[(w >> 12) & 63];
        out += i + 1 < n ? kBase64[(w >> 6) & 63] : '=';
        out += i + 2 < n ? kBase64[w & 63] : '=';
    }
    return out;
}

bool zkBase64Decode(std::string_view s, std::vector<uint8_t>& out)
{
    if (s.size() % 4 != 0) return false;
    out.clear();
    out.reserve(s.size() / 4 * 3);
    for (std::size_t i = 0; i < s.size(); i += 4) {
        uint32_t w = 0;
        int pad = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            char c = s[i + k];
            int v;
            if (c >= 'A' && c <= 'Z') v = c - 'A';
            else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
            else if (c >= '0' && c <= '9') v = c - '0' + 52;
            else if (c == '+') v = 62;
            else if (c == '/') v = 63;
            else if (c == '=' && i + 4 == s.size() && k >= 2) { v = 0; ++pad; }
            else return false;
            if (pad && c != '=') return false;
            w = (w << 6) | uint32_t(v);
        }
        out.push_back(static_cast<uint8_t>(w >> 16));
        if (pad < 2) out.push_back(static_cast<uint8_t>(w >> 8));
        if (pad < 1) out.push_back(static_cast<uint8_t>(w));
    }
    return true;
}

} // namespace Tam::Io
