#include "frame/NameTag.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwctype>

namespace Tam::OptExtension {

static const char* const kTagTexts[] = {"$ct", "$bb", "$fn", "$bc", "$nn", "$nat"};

// A name can hold any number, and converting one outside the int range is undefined: such values
// saturate at INT_MIN or INT_MAX, and NaN reads as 0. Within the range the number is truncated
// toward zero, as a plain conversion would.
static int32_t clampToInt(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return INT32_MAX;
    if (value <= -2147483649.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool readNameTag(const char* name, NameTagQuery& query)
{
    if (!name || query.tag < 0 || query.tag > 5) return false;
    const char* tagText = kTagTexts[query.tag];
    const char* found = std::strstr(name, tagText);
    if (!found) return false;
    const char* cursor = found + std::strlen(tagText);
    const char* closing = std::strchr(cursor, '$');
    const char* end = closing ? closing : cursor + std::strlen(cursor);

    int count = 0;
    while (cursor < end) {
        if (std::iswspace(static_cast<wint_t>(static_cast<unsigned char>(*cursor)))) {
            ++cursor;
            continue;
        }
        const char* comma = std::strchr(cursor, ',');
        const char* separator = comma && comma < end ? comma : end;
        const char* dot = std::strchr(cursor, '.');
        int32_t intValue;
        float floatValue;
        if (dot && dot < separator) {
            // Rounded from the double that was read, not from the float kept: 0.49999997 is
            // below a half, though the nearest float to it is not.
            const double read = std::atof(cursor);
            floatValue = static_cast<float>(read);
            intValue = clampToInt(read + 0.5);
        } else {
            // strtoll rather than atoi, whose result is undefined past the int range.
            intValue = clampToInt(static_cast<double>(std::strtoll(cursor, nullptr, 10)));
            floatValue = static_cast<float>(intValue);
        }
        if (count < 8) {
            query.intValues[count] = intValue;
            query.floatValues[count] = floatValue;
        }
        ++count;
        cursor = separator;
        if (*cursor == ',' || *cursor == '$') ++cursor;
    }
    return count == query.expectedCount;
}

} // namespace Tam::OptExtension
