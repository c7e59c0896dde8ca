#include "host/utils/zkIntHistogram.h"

#include "host/core/zkHostClass.h"

namespace Tam::Utils {
ZK_DEFINE_HOST_CLASS(zkIntHistogram)
}
