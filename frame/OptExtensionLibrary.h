// The plug-in's entry: the library object, the register function that enters the 31 pass
// classes into the host's class registry, and the library-initialised flag.
#pragma once
#include "host/zkhost.h"

namespace Tam {

void zkOptExtensionLibrary_arkRegister();
void _zkOptExtensionLibrary_Init();
bool zkOptExtensionLibrary_isInitialised();

// The pass classes in registration order, each with the one line that zkopt list and the pass
// reference show for it.
struct zkOptExtensionClass {
    const char* name;
    Core::zkRegisterFunction arkRegister;
    Core::zkGetMetaFunction getClassTypeSafe;
    const char* description;
};
const zkOptExtensionClass* zkOptExtensionLibrary_classes(int* count);

} // namespace Tam

// Looked up by this plain name when the host loads the module.
extern "C" __attribute__((visibility("default"))) void
createLibraryObject(Tam::Core::zkSmartPointer<Tam::Core::zkLibrary>& result);
