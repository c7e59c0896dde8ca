// Brings texture colours into the legal range of the NTSC (or PAL) television signal.
#pragma once
#include "frame/OptClass.h"

#include <cstdint>

namespace Tam::OptExtension {

// The constants of one video standard, single precision, with the gamma step of the per-pixel
// rule worked out once for each of the 256 byte values.
struct VideoStandard {
    float luma[3];    // Y weights of red, green, blue
    float chroma1[3]; // I (NTSC) or U (PAL)
    float chroma2[3]; // Q (NTSC) or V (PAL)
    float setup;      // black pedestal, IRE
    float gamma;
    float maxChroma;    // chroma amplitude limit
    float maxComposite; // luma plus chroma limit
    float gammaTable[256]; // (byte * (1/255)) ^ (1/gamma)
};
const VideoStandard& ntscStandard();
const VideoStandard& palStandard();

// The per-pixel rule: whether the colour is hot under the standard, and if so, the colour
// darkened by one common factor until it is back within both limits.
bool filterPixel(const VideoStandard& standard, uint8_t& red, uint8_t& green, uint8_t& blue);

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

    // The standard every filter of the process uses: NTSC until some filter is configured for PAL.
    static const VideoStandard& CurrentStandard();
};

} // namespace Tam::OptExtension
