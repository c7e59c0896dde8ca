// A loadable library's object: the host calls its register function to enter the library's
// classes into the class registry.
#pragma once
#include "host/core/zkClass.h"

namespace Tam::Core {

class zkLibrary : public zkObject {
    ZK_CLASS(zkLibrary, zkObject)
public:
    using RegisterFunction = void (*)();
    void setRegisterFunction(RegisterFunction f) { m_registerFunction = f; }
    RegisterFunction getRegisterFunction() const { return m_registerFunction; }

private:
    RegisterFunction m_registerFunction = nullptr;
};

} // namespace Tam::Core
