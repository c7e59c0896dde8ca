#include "host/attrs/zkAttr.h"

#include "host/core/zkHostClass.h"

namespace Tam::Attrs {
ZK_DEFINE_HOST_CLASS(zkAttr)
ZK_DEFINE_HOST_CLASS(zkAttrList)
} // namespace Tam::Attrs
