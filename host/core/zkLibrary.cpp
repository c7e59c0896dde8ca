#include "host/core/zkLibrary.h"

#include "host/core/zkHostClass.h"

namespace Tam::Core {
ZK_DEFINE_HOST_CLASS(zkLibrary)
}
