#include "frame/NameTag.h"

#include <cstdlib>
#include <cstring>
#include <cwctype>

namespace Tam::OptExtension {

static const char* const kTagTexts[] = {"$ct", "$bb", "$fn", "$bc", "$nn", "$nat"};

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
            floatValue = static_cast<float>(std::atof(cursor));
            intValue = static_cast<int32_t>(floatValue + 0.5f);
        } else {
            intValue = std::atoi(cursor);
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
