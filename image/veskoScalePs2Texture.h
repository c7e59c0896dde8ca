// Makes textures fit the PS2 texture unit: transposes tall textures (swapping the coordinates of their geometry) or widens them.
#pragma once
#include "frame/OptClass.h"

#include <string>

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

    void setTextureRotationState(bool on) { _textureRotationState = on; }
    void setVisitedGeometryList(zkNodeList* list) { _visitedGeometryList = list; }
    void setVisitedTextureList(zkAttrList* list) { _visitedTextureList = list; }
    zkAttrList* getVisitedTextureList() const { return _visitedTextureList.get(); }
    void setTextureWasFlippedList(zkBoolList* list) { _textureWasFlippedList = list; }
    zkBoolList* getTextureWasFlippedList() const { return _textureWasFlippedList.get(); }
    void setPrintProgress(bool on) { _printProgress = on; }
    bool getPrintProgress() const { return _printProgress; }

private:
    // The width an image of this format and size should have, or 0 when it is fine as it is.
    static int targetWidth(int format, int width, int height);
    // Replaces image 0 of the texture by its transpose and exchanges the two axes' settings.
    bool transposeTexture(zkTextureAttr* texture);
    // Replaces image 0 of the texture by a resampled copy of width x height.
    bool widenTexture(zkTextureAttr* texture, int width, int height);
    // Swaps the geometry's texture coordinates of set 0 unless an earlier visit did.
    void swapCoordinatesBelow(zkAttrSet* set, std::string& progress);
};

} // namespace Tam::OptExtension
