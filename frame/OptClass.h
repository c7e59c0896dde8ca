// Registration of the plug-in's classes: the host's class members, with the library-initialised
// flag set before every registration.
#pragma once
#include "frame/OptExtensionLibrary.h"

namespace Tam::OptExtension {
using namespace Tam::Core;
using namespace Tam::Math;
using namespace Tam::Sg;
using namespace Tam::Attrs;
using namespace Tam::Gfx;
using namespace Tam::Opt;
} // namespace Tam::OptExtension

#define ZK_DEFINE_PASS(X) ZK_DEFINE_CLASS(X, ::Tam::_zkOptExtensionLibrary_Init, nullptr)
#define ZK_DEFINE_PASS_WITH_FIELDS(X) \
    ZK_DEFINE_CLASS_WITH_FIELDS(X, X##_FIELDS, ::Tam::_zkOptExtensionLibrary_Init, nullptr)
// DEPS: a null-terminated array of the arkRegister functions of the classes the fields refer to.
#define ZK_DEFINE_PASS_WITH_FIELDS_AND_DEPS(X, DEPS) \
    ZK_DEFINE_CLASS_WITH_FIELDS(X, X##_FIELDS, ::Tam::_zkOptExtensionLibrary_Init, DEPS)
