// Gives every node with several parents a private copy per parent.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class zkDeinstanceGeometryVesko : public zkOptBase {
    ZK_CLASS(zkDeinstanceGeometryVesko, zkOptBase)
public:
    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;

    // Children first, then the node itself: a node held by n parents is replaced by n copies,
    // one under each, named after it with "+" and the process-wide copy number.
    void RemoveInstancing(zkNode* node);
    // Copies made in this process so far: the last copy number given.
    static int getCopyCount();

private:
    // A geometry is copied deeply; any other node shallowly, with its children replaced in order
    // by copies of theirs, so the whole subtree is duplicated.
    static zkSmartPointer<zkNode> copyNode(const zkNode* node);
};

} // namespace Tam::OptExtension
