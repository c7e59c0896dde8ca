// Moves geometry without normals (or tagged to lose them) under an attribute set that switches lighting off.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoNoNormalsNoLighting : public zkOptBase {
    ZK_CLASS(veskoNoNormalsNoLighting, zkOptBase)
public:
#define veskoNoNormalsNoLighting_FIELDS(F) \
    F(bool, _searchNames, k_searchNames, true) \
    F(zkStringRef, _nameSubString, k_nameSubString)
    ZK_FIELDS(veskoNoNormalsNoLighting_FIELDS)

    bool apply(zkSmartPointer<zkNode>& root) override;
    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool configure(int section) override;
};

} // namespace Tam::OptExtension
