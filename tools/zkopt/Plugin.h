// Loading the pass library: dlopen, createLibraryObject, then the library's register function.
#pragma once
#include "host/zkhost.h"

#include <string>
#include <vector>

namespace zkopt {

struct Plugin {
    void* handle = nullptr;
    Tam::Core::zkSmartPointer<Tam::Core::zkLibrary> library;
    // The pass classes the library registered, in registration order.
    std::vector<Tam::Core::zkMetaObject*> passes;
};

// The module beside the running executable.
std::string defaultPluginPath();
// Loads and registers; on failure answers false with the reason in error.
bool loadPlugin(const std::string& path, Plugin& plugin, std::string& error);

} // namespace zkopt
