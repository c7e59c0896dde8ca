// Base64 (RFC 4648, with padding): raw blocks in the scene text form and buffers in glTF files.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Tam::Io {

std::string zkBase64Encode(std::string_view bytes);
// False for text that is not padded base64 (wrong length, a stray character, misplaced '=').
bool zkBase64Decode(std::string_view text, std::vector<uint8_t>& bytes);

} // namespace Tam::Io
