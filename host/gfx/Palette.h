// The host's own palette builder, used when an image is converted to an indexed format.
// Colours that fit get an exact palette in order of first appearance; otherwise a median
// cut over the RGBA colour set picks the entries and each texel maps to the nearest one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Tam::Gfx {

// `rgba` holds `count` texels. On success `palette` holds exactly `entries` RGBA entries
// (unused ones opaque black) and `indices` one entry index per texel. `entries` is 2..256.
bool quantizePalette(const uint8_t* rgba, size_t count, uint32_t entries, std::vector<uint8_t>& palette,
                     std::vector<uint8_t>& indices, std::string* error = nullptr);

} // namespace Tam::Gfx
