// The host SDK in one include.
#pragma once
#include "host/anim/zkAnimation.h"
#include "host/attrs/zkAttr.h"
#include "host/attrs/zkGeometryAttr.h"
#include "host/attrs/zkRenderAttrs.h"
#include "host/attrs/zkTextureAttr.h"
#include "host/core/zkClass.h"
#include "host/core/zkLibrary.h"
#include "host/core/zkList.h"
#include "host/core/zkObjectWalk.h"
#include "host/core/zkRegistry.h"
#include "host/core/zkReportError.h"
#include "host/gfx/zkGfxEnums.h"
#include "host/gfx/zkImage.h"
#include "host/gfx/zkVertexArray.h"
#include "host/math/zkMath.h"
#include "host/opt/zkImagePasses.h"
#include "host/opt/zkOpt.h"
#include "host/sg/zkAttrSet.h"
#include "host/sg/zkIterateGraph.h"
#include "host/sg/zkNode.h"
#include "host/sg/zkSceneNodes.h"
#include "host/sg/zkSceneTools.h"
#include "host/sg/zkTransformSequence.h"
#include "host/sg/zkUserInfo.h"
#include "host/utils/zkIntHistogram.h"

namespace Tam {
// Registers every host class, so that files and configs can name any of them. Runs when
// libzkhost is loaded; calling it again changes nothing.
void zkRegisterHostClasses();
} // namespace Tam
