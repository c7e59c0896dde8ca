#include "host/core/zkString.h"

#include <memory>
#include <string_view>
#include <unordered_set>

namespace Tam::Core {

zkStringRef::zkStringRef(const char* s) { set(s); }

void zkStringRef::set(const char* s) { m_str = s ? zkInternalStringPool::getDefault().intern(s) : nullptr; }

zkInternalStringPool& zkInternalStringPool::getDefault()
{
    static zkInternalStringPool pool;
    return pool;
}

const char* zkInternalStringPool::intern(const char* s)
{
    // Node-based set: stored strings never move, so handed-out pointers stay valid.
    static std::unordered_set<std::string>* strings = new std::unordered_set<std::string>();
    return strings->emplace(s).first->c_str();
}

} // namespace Tam::Core
