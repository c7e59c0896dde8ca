#include "tools/zkopt/Plugin.h"

#include "frame/OptExtensionLibrary.h"

#include <algorithm>
#include <dlfcn.h>
#include <exception>
#include <filesystem>

namespace zkopt {

using namespace Tam::Core;

std::string defaultPluginPath()
{
    std::error_code ec;
    std::filesystem::path bin = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    const char* name = "libZKOptExtensionVesko.so";
    // A build tree keeps everything beside zkopt; an installed tree keeps libraries in lib/.
    std::filesystem::path installed = bin.parent_path() / "lib" / name;
    if (!std::filesystem::exists(bin / name, ec) && std::filesystem::exists(installed, ec)) return installed.string();
    return (bin / name).string();
}

bool Plugin::isPass(const zkMetaObject* meta) const
{
    return std::find(passes.begin(), passes.end(), meta) != passes.end();
}

std::string Plugin::describe(const zkMetaObject* meta) const
{
    auto found = descriptions.find(meta);
    return found == descriptions.end() ? std::string() : found->second;
}

// Records that the library stores in files register themselves on first use rather than from its
// register function. A file that holds one must be readable before any pass has run, so the
// driver registers them through their exported registration member when the library loads.
static const char* const kRecordClassRegisterSymbols[] = {
    "_ZN5Vesko15TolvanSharedODL13zkCollideHull11arkRegisterEv", // zkCollideHull::arkRegister()
};

// The library's class table, which gives each pass class its one-line description.
static const char* const kClassTableSymbol = "_ZN3Tam29zkOptExtensionLibrary_classesEPi"; // zkOptExtensionLibrary_classes(int*)

static void readDescriptions(void* handle, Plugin& plugin)
{
    using ClassesFunction = const Tam::zkOptExtensionClass* (*)(int*);
    auto classes = reinterpret_cast<ClassesFunction>(dlsym(handle, kClassTableSymbol));
    if (!classes) return;
    int count = 0;
    const Tam::zkOptExtensionClass* table = classes(&count);
    for (int i = 0; i < count; ++i)
        if (zkMetaObject* meta = table[i].getClassTypeSafe()) plugin.descriptions[meta] = table[i].description;
}

static bool registerLibrary(const std::string& path, Plugin& plugin, std::string& error)
{
    // The library stays loaded for the life of the process: its classes stay registered.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = std::string("cannot load the pass library: ") + dlerror();
        return false;
    }
    using CreateFunction = void (*)(zkSmartPointer<zkLibrary>&);
    auto create = reinterpret_cast<CreateFunction>(dlsym(handle, "createLibraryObject"));
    if (!create) {
        error = path + ": not a pass library (no createLibraryObject)";
        return false;
    }
    zkSmartPointer<zkLibrary> library;
    create(library);
    if (!library || !library->getRegisterFunction()) {
        error = path + ": createLibraryObject gave no library object";
        return false;
    }
    // The classes registered by the library are the ones that appear in the registry now.
    std::size_t before = zkRegisteredClasses().size();
    library->getRegisterFunction()();
    plugin.libraries.push_back(library);
    plugin.paths.push_back(path);
    const std::size_t afterPasses = zkRegisteredClasses().size();
    for (const char* symbol : kRecordClassRegisterSymbols)
        if (auto registerRecord = reinterpret_cast<void (*)()>(dlsym(handle, symbol))) registerRecord();
    const auto& all = zkRegisteredClasses();
    zkMetaObject* passBase = Tam::Opt::zkOptBase::getClassTypeSafe();
    for (std::size_t i = before; i < afterPasses; ++i)
        if (all[i]->isOfType(passBase)) plugin.passes.push_back(all[i]);
    readDescriptions(handle, plugin);
    return true;
}

// A library whose entry or registration throws is refused like one that does not load, so that
// nothing thrown by a library's code escapes into the driver.
bool loadPlugin(const std::string& path, Plugin& plugin, std::string& error)
{
    try {
        return registerLibrary(path, plugin, error);
    } catch (const std::exception& e) {
        error = path + ": the library's registration failed: " + e.what();
    } catch (...) {
        error = path + ": the library's registration failed";
    }
    return false;
}

} // namespace zkopt
