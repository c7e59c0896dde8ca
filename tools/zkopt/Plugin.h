// Loading pass libraries: dlopen, createLibraryObject, then the library's register function.
#pragma once
#include "host/zkhost.h"

#include <map>
#include <string>
#include <vector>

namespace zkopt {

struct Plugin {
    std::vector<Tam::Core::zkSmartPointer<Tam::Core::zkLibrary>> libraries;
    // The pass classes the libraries registered, in registration order: the passes a pipeline may
    // name and list shows. Host classes (zkOptBase, the image passes) are not among them.
    std::vector<Tam::Core::zkMetaObject*> passes;
    // One line per pass class, from the library's class table where it has one.
    std::map<const Tam::Core::zkMetaObject*, std::string> descriptions;
    // The files the libraries were loaded from, in order: what a batch's workers load again and
    // what a run's results depend on.
    std::vector<std::string> paths;
    // Why a library could not be loaded; empty when all were.
    std::string loadError;

    bool isPass(const Tam::Core::zkMetaObject* meta) const;
    std::string describe(const Tam::Core::zkMetaObject* meta) const;
};

// The module beside the running executable, or in the library folder of an installed tree.
std::string defaultPluginPath();
// Loads and registers one library, adding its passes; on failure answers false with the reason in
// error. Several libraries may be loaded into one Plugin, in order.
bool loadPlugin(const std::string& path, Plugin& plugin, std::string& error);

} // namespace zkopt
