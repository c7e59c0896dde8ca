// Name tags: artists steer passes with short tags written into object and image names, such as
// door$bc or wall$ct3, a dollar sign and letters optionally followed by comma-separated values.
#pragma once
#include <cstdint>

namespace Tam::OptExtension {

enum NameTag : int32_t {
    NAME_TAG_COLLISION = 0,  // "$ct": collision flags of a texture image
    NAME_TAG_BILLBOARD = 1,  // "$bb"
    NAME_TAG_FOG = 2,        // "$fn"
    NAME_TAG_CULL = 3,       // "$bc"
    NAME_TAG_NO_NORMALS = 4, // "$nn"
    NAME_TAG_NO_ALPHA = 5,   // "$nat"
};

struct NameTagQuery {
    int32_t tag = 0;           // set by the caller: which tag
    int32_t expectedCount = 0; // set by the caller: how many values it must carry (0: presence only)
    int32_t intValues[8];      // filled by the reader, in the order read
    float floatValues[8];      // the same values as floats
};

// True when the name's first occurrence of the tag carries exactly the expected number of values.
// Values past the eighth are counted but not stored. A value holding a "." is read as a fraction
// whose integer is the double read plus 0.5, truncated toward zero; others are read as integers.
// Integers beyond the int range saturate at INT_MIN or INT_MAX; a NaN gives 0.
bool readNameTag(const char* name, NameTagQuery& query);

} // namespace Tam::OptExtension
