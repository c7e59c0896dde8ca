#include "host/sg/zkSceneNodes.h"

#include "host/core/zkHostClass.h"

namespace Tam::Sg {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkBillboard)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkTransform)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkCamera)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkLightSet)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkBlendMatrixSelect)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkEnvironmentMapShader)
ZK_DEFINE_HOST_CLASS(zkEnvironmentMapShader2)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkDx8EnvironmentMapShader)

} // namespace Tam::Sg
