// Brings texture colours into the legal range of the NTSC (or PAL) television signal.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

class veskoNTSCFilter : public zkOptVisitObject {
    ZK_CLASS(veskoNTSCFilter, zkOptVisitObject)
public:
#define veskoNTSCFilter_FIELDS(F) \
    F(bool, _ntsc, k_ntsc, true) \
    F(bool, _smptec, k_smptec, true) \
    F(bool, _gammaCorrect, k_gammaCorrect)
    ZK_FIELDS(veskoNTSCFilter_FIELDS)

    bool configure(int section) override;
    void visitor(zkObject* object) override;
    zkMetaObject* getVisitedObjectMeta() override;
};

} // namespace Tam::OptExtension
