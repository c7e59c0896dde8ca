// Checks on the places a command will write to, made before any work starts so that a run never
// does its work only to find it cannot keep the result. Errors give the system's reason:
// "PATH: cannot write (No such file or directory)".
#pragma once
#include <string>

namespace zkopt {

// A file can be created or replaced at path: its folder exists and is writable, and path is not a
// folder itself.
bool checkWritableFile(const std::string& path, std::string& error);
// folder exists (or, with create, is made) and is a writable folder.
bool checkWritableFolder(const std::string& folder, bool create, std::string& error);
// folder exists and is a folder.
bool checkFolder(const std::string& folder, std::string& error);

// The folder share/zkopt/NAME beside bin/ (the build tree has one too), so that an installed or
// moved tree finds its own examples and report template.
std::string shareFolder(const std::string& name);

} // namespace zkopt
