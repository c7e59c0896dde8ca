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

    bool configure(int section) override;
    using Super::canOptimize;
    bool canOptimize(zkNode* node) override;
    bool apply(zkSmartPointer<zkNode>& root) override;

    void DoConversion(zkNode* root);

private:
    // Whether the geometry's name asks for its normals to be dropped.
    bool isSelected(const char* name) const;
    // Drops the normals of a selected geometry and answers whether it has an attribute without them.
    bool collectAttrVerts(zkGeometry* geometry, bool selected);
    // Moves the attributes without normals under a lighting-off set beside the geometry.
    void convert(zkGeometry* geometry);
};

} // namespace Tam::OptExtension
