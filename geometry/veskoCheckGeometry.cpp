// Reports geometry that the render state in force above it would draw wrongly: vertices without
// normals under lighting (on unless switched off) or under an environment-map shader, without
// colours under a material mode, without texture coordinates under texturing. It changes
// nothing; the artist fixes the source.
#include "geometry/veskoCheckGeometry.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoCheckGeometry)

bool veskoCheckGeometry::apply(zkSmartPointer<zkNode>& root)
{
    zkMetaObject* geometryType = zkGeometry::getClassTypeSafe();
    zkSmartPointer<zkIterateAttr> walker = zkIterateAttr::_instantiateRefFromPool(getMemoryPool()).create();
    walker->begin(root);
    while (walker->isNotLast()) {
        zkGeometry* geometry = static_cast<zkGeometry*>(walker->getNextOfExactType(geometryType));
        if (!geometry) continue;
        walker->validateAttrStack();
        auto* lighting = zkLightingStateAttr::dynamicCast(walker->getTopAttr(zkLightingStateAttr::getClassTypeSafe()));
        auto* texturing = zkTextureStateAttr::dynamicCast(walker->getTopAttr(zkTextureStateAttr::getClassTypeSafe()));
        auto* material = zkMaterialModeAttr::dynamicCast(walker->getTopAttr(zkMaterialModeAttr::getClassTypeSafe()));
        const bool lightingOn = !lighting || lighting->isEnabled();
        const bool texturingOn = texturing && texturing->isEnabled();
        const bool materialOn = material && material->getMode() != 0;
        bool environmentMapped = false;
        const zkNonRefCountedNodeList& path = walker->getCurrentPath();
        for (int i = path.getCount() - 1; i >= 0 && !environmentMapped; --i)
            environmentMapped = path[i]->isOfType(zkEnvironmentMapShader2::getClassTypeSafe());

        const char* name = geometry->getName();
        for (int i = 0; i < geometry->getAttrCount(); ++i) {
            zkGeometryAttr* attr = zkGeometryAttr::dynamicCast(geometry->getAttr(i));
            if (!attr) continue;
            const zkVertexFormat format = attr->getVertexFormat();
            if (!format.hasNormals() && lightingOn) printf("%s has no normals but has lighting on!\n", name);
            if (!format.hasNormals() && environmentMapped)
                printf("%s has no normals but has environment mapping!\n", name);
            if (!format.hasColors() && materialOn) printf("%s has no colors but has material mode!\n", name);
            if (format.getTextureCoordSetCount() == 0 && texturingOn)
                printf("%s has no texture coordinates but has texture mapping!\n", name);
        }
    }
    return true;
}

bool veskoCheckGeometry::canOptimize(zkNode*)
{
    return true;
}

bool veskoCheckGeometry::configure(int)
{
    return true;
}

} // namespace Tam::OptExtension
