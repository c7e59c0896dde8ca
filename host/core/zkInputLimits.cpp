#include "host/core/zkInputLimits.h"

namespace Tam::Core {

namespace {
zkInputLimits g_limits;
}

const zkInputLimits& zkGetInputLimits() { return g_limits; }

void zkSetInputLimits(const zkInputLimits& limits) { g_limits = limits; }

} // namespace Tam::Core
