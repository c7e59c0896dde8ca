#include "collision/zkCollideHull.h"

namespace Vesko::TolvanSharedODL {

static const zkRegisterFunction zkCollideHull_dependencies[] = {zkFloatList::arkRegister, nullptr};
ZK_DEFINE_PASS_WITH_FIELDS_AND_DEPS(zkCollideHull, zkCollideHull_dependencies)

} // namespace Vesko::TolvanSharedODL
