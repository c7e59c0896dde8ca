// How much a file read into this process may claim: bounds that keep a small hostile file from
// making the readers allocate or walk without end. They are process-wide, like the reader itself:
// a driver sets them once from its command line before it reads anything; every reader of
// images and scenes consults them.
#pragma once
#include <cstdint>

namespace Tam::Core {

struct zkInputLimits {
    // Pixels (width x height) one image may hold: 8192 x 8192, 256 MB as RGBA.
    uint64_t maxImagePixels = uint64_t(1) << 26;
    // Objects a scene expands to when every object is counted once per path of references from
    // the file object: what a walk that follows every reference visits.
    uint64_t maxExpandedObjects = uint64_t(1) << 24;
};

const zkInputLimits& zkGetInputLimits();
void zkSetInputLimits(const zkInputLimits& limits);

} // namespace Tam::Core
