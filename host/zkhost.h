// The host SDK in one include.
#pragma once
#include "host/attrs/zkAttr.h"
#include "host/core/zkClass.h"
#include "host/core/zkLibrary.h"
#include "host/core/zkList.h"
#include "host/core/zkObjectWalk.h"
#include "host/core/zkRegistry.h"
#include "host/gfx/zkGfxEnums.h"
#include "host/math/zkMath.h"
#include "host/opt/zkImagePasses.h"
#include "host/opt/zkOpt.h"
#include "host/sg/zkNode.h"

namespace Tam {
// Registers every host class, so that files and configs can name any of them. Runs when
// libzkhost is loaded; calling it again changes nothing.
void zkRegisterHostClasses();
} // namespace Tam
