#include "tools/zkopt/Plugin.h"

#include <dlfcn.h>
#include <filesystem>

namespace zkopt {

using namespace Tam::Core;

std::string defaultPluginPath()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (exe.parent_path() / "libZKOptExtensionVesko.so").string();
}

// Records that the library stores in files register themselves on first use rather than from its
// register function. A file that holds one must be readable before any pass has run, so the
// driver registers them through their exported registration member when the library loads.
static const char* const kRecordClassRegisterSymbols[] = {
    "_ZN5Vesko15TolvanSharedODL13zkCollideHull11arkRegisterEv", // zkCollideHull::arkRegister()
};

bool loadPlugin(const std::string& path, Plugin& plugin, std::string& error)
{
    plugin.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!plugin.handle) {
        error = std::string("cannot load the pass library: ") + dlerror();
        return false;
    }
    using CreateFunction = void (*)(zkSmartPointer<zkLibrary>&);
    auto create = reinterpret_cast<CreateFunction>(dlsym(plugin.handle, "createLibraryObject"));
    if (!create) {
        error = path + ": not a pass library (no createLibraryObject)";
        return false;
    }
    create(plugin.library);
    if (!plugin.library || !plugin.library->getRegisterFunction()) {
        error = path + ": createLibraryObject gave no library object";
        return false;
    }
    // The classes registered by the library are the ones that appear in the registry now.
    std::size_t before = zkRegisteredClasses().size();
    plugin.library->getRegisterFunction()();
    const std::size_t afterPasses = zkRegisteredClasses().size();
    for (const char* symbol : kRecordClassRegisterSymbols)
        if (auto registerRecord = reinterpret_cast<void (*)()>(dlsym(plugin.handle, symbol))) registerRecord();
    const auto& all = zkRegisteredClasses();
    zkMetaObject* passBase = Tam::Opt::zkOptBase::getClassTypeSafe();
    for (std::size_t i = before; i < afterPasses; ++i)
        if (all[i]->isOfType(passBase)) plugin.passes.push_back(all[i]);
    return true;
}

} // namespace zkopt
