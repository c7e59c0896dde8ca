// The palette quantizer written plainly, one neuron record at a time in the documented order, as
// the reference that the fast quantizer must match byte for byte.
#pragma once
#include <cstdint>
#include <vector>

namespace Tam::Test {

struct OracleQuantized {
    bool learnt = false;
    std::vector<uint8_t> palette; // 256 entries of 4 bytes
    std::vector<uint8_t> indices; // one per pixel, or per 2x2 block when reduced
};

// picture: tight rows of width pixels, 4 bytes each with alpha, else 3.
OracleQuantized quantizeByOracle(const uint8_t* picture, int width, int height, bool hasAlpha, bool reduce);

} // namespace Tam::Test
