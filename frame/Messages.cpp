#include "frame/Messages.h"

#include <cstdio>

namespace Tam::OptExtension {

std::string geometryAttrName(const Sg::zkNode* geometry, int attr)
{
    static const char* const format = "Geometry 0x%08x \"%s\", attr%d";
    const unsigned address = addressWord(geometry);
    const char* name = geometry->getName();
    std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, format, address, name, attr)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, address, name, attr);
    return text;
}

} // namespace Tam::OptExtension
