#include "host/core/zkList.h"

#include "host/core/zkHostClass.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace Tam::Core {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkStringObj)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkObjectList)
ZK_DEFINE_HOST_CLASS(zkStringObjList)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkIntList)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkBoolList)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkFloatList)

void zkStringObj::toLower()
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

void zkStringObj::printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string formatted(n > 0 ? n : 0, '\0');
    if (n > 0) std::vsnprintf(formatted.data(), n + 1, format, args);
    va_end(args);
    text = std::move(formatted);
}

static std::size_t lastSeparator(const std::string& s)
{
    std::size_t p = s.find_last_of("/\\:");
    return p == std::string::npos ? 0 : p + 1;
}

void zkStringObj::removePathFromFileName() { text.erase(0, lastSeparator(text)); }

void zkStringObj::removeFileExtension(int maxLength)
{
    std::size_t dot = text.rfind('.');
    if (dot == std::string::npos || dot < lastSeparator(text)) return;
    if (maxLength > 0 && text.size() - dot - 1 > static_cast<std::size_t>(maxLength)) return;
    text.erase(dot);
}

void zkStringObj::keepFileExtension()
{
    std::size_t dot = text.rfind('.');
    if (dot == std::string::npos || dot < lastSeparator(text)) text.clear();
    else text.erase(0, dot);
}

void zkStringObj::appendFileExtension(const char* extension) { text += extension ? extension : ""; }

void zkStringObj::insertBefore(const char* s, int position, int length)
{
    if (!s) return;
    std::size_t at = position < 0 ? 0 : std::min<std::size_t>(position, text.size());
    std::size_t n = length < 0 ? std::strlen(s) : static_cast<std::size_t>(length);
    text.insert(at, s, std::min(n, std::strlen(s)));
}

bool zkObjectList::appendUnique(zkObject* o)
{
    if (find(o) >= 0) return false;
    append(o);
    return true;
}

int zkObjectList::find(const zkObject* o) const
{
    for (int i = 0; i < getCount(); ++i)
        if (get(i) == o) return i;
    return -1;
}

bool zkObjectList::removeByValue(zkObject* o)
{
    int i = find(o);
    if (i < 0) return false;
    remove(i);
    return true;
}

void zkObjectList::sortedAdd(zkObject* o, const std::function<int(const zkObject*, const zkObject*)>& compare)
{
    auto& v = items.items;
    auto at = std::upper_bound(v.begin(), v.end(), o, [&](zkObject* a, const zkSmartPointer<zkObject>& b) {
        return compare(a, b.get()) < 0;
    });
    v.emplace(at, o);
}

int zkObjectList::sortedFind(const zkObject* o,
                             const std::function<int(const zkObject*, const zkObject*)>& compare) const
{
    const auto& v = items.items;
    auto at = std::lower_bound(v.begin(), v.end(), o, [&](const zkSmartPointer<zkObject>& a, const zkObject* b) {
        return compare(a.get(), b) < 0;
    });
    if (at == v.end() || compare(at->get(), o) != 0) return -1;
    return static_cast<int>(at - v.begin());
}

void zkStringObjList::appendString(const char* s)
{
    zkSmartPointer<zkStringObj> str = zkCreate<zkStringObj>(getMemoryPool());
    str->set(s);
    append(str.get());
}

} // namespace Tam::Core
