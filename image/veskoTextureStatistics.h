// Lists every texture image with its format, size and data size, and totals them.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoTextureStatistics : public zkOptVisitObject {
    ZK_CLASS(veskoTextureStatistics, zkOptVisitObject)
public:
#define veskoTextureStatistics_FIELDS(F) \
    F(bool, _useFullPath, k_useFullPath) \
    F(int32_t, _iTextureTotalSize, k_iTextureTotalSize) \
    F(int32_t, _iTextureCount, k_iTextureCount)
    ZK_FIELDS(veskoTextureStatistics_FIELDS)

    bool configure(int section) override;
    void preVisit() override;
    void visitor(zkObject* object) override;
    void postVisit() override;
    zkMetaObject* getVisitedObjectMeta() override;

protected:
    void reset();
};

} // namespace Tam::OptExtension
