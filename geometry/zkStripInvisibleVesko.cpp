#include "geometry/zkStripInvisibleVesko.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(zkStripInvisibleVesko)

bool zkStripInvisibleVesko::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool zkStripInvisibleVesko::canOptimize(zkNode* node)
{
    return true;
}

bool zkStripInvisibleVesko::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
