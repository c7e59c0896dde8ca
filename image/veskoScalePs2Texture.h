// Makes textures fit the PS2 texture unit: transposes tall textures (swapping the coordinates of their geometry) or widens them.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoScalePs2Texture : public zkOptVisitObject {
    ZK_CLASS(veskoScalePs2Texture, zkOptVisitObject)
public:
#define veskoScalePs2Texture_FIELDS(F) \
    F(bool, _textureRotationState, k_textureRotationState, true) \
    F(zkSmartPointer<zkNodeList>, _visitedGeometryList, k_visitedGeometryList) \
    F(zkSmartPointer<zkAttrList>, _visitedTextureList, k_visitedTextureList) \
    F(zkSmartPointer<zkBoolList>, _textureWasFlippedList, k_textureWasFlippedList) \
    F(bool, _printProgress, k_printProgress)
    ZK_FIELDS(veskoScalePs2Texture_FIELDS)

    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
