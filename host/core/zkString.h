// Host strings: interned string references for fields, and the mutable string object with the path
// edits that passes use on file names.
#pragma once
#include <string>

namespace Tam::Core {

// A reference to a string held by the process-wide intern pool; null means "no string". Interned
// strings live as long as the process, so copying a reference is copying a pointer.
class zkStringRef {
public:
    zkStringRef() = default;
    zkStringRef(const char* s);
    const char* c_str() const { return m_str; }
    const char* get() const { return m_str; }
    bool isNull() const { return m_str == nullptr; }
    bool empty() const { return !m_str || !*m_str; }
    void set(const char* s);
    bool operator==(const zkStringRef& o) const { return m_str == o.m_str; }

private:
    const char* m_str = nullptr;
};

class zkInternalStringPool {
public:
    static zkInternalStringPool& getDefault();
    // The pooled copy of s; equal texts give the same pointer.
    const char* intern(const char* s);
    void setString(zkStringRef& ref, const char* s) { ref.set(s); }
};

} // namespace Tam::Core
