// The host's image passes, which texture passes create by class name: the converter and the
// resizer.
#pragma once
#include "host/gfx/zkImage.h"
#include "host/opt/zkOpt.h"

namespace Tam::Opt {

class zkResizeImage : public zkOptBase {
    ZK_CLASS(zkResizeImage, zkOptBase)
public:
    // Resampling filters, from cheapest to sharpest.
    enum FilterType : int32_t {
        FILTER_POINT = 0,
        FILTER_BOX = 1,
        FILTER_TRIANGLE = 2,
        FILTER_HERMITE = 3,
        FILTER_BELL = 4,
        FILTER_BSPLINE = 5,
        FILTER_MITCHELL = 6,
        FILTER_LANCZOS3 = 7,
    };
    static zkMetaEnum* getFilterTypeMetaEnum();

#define zkResizeImage_FIELDS(F)                                \
    F(FilterType, _filterType, k_filterType, FILTER_MITCHELL) \
    F(float, _scaleX, k_scaleX, 0.5f)                         \
    F(float, _scaleY, k_scaleY, 0.5f)
    ZK_FIELDS(zkResizeImage_FIELDS)

    void setFilterType(FilterType f) { _filterType = f; }
    FilterType getFilterType() const { return _filterType; }
    void setScale(float x, float y) { _scaleX = x; _scaleY = y; }
    void setWidthScale(float x) { _scaleX = x; }
    void setHeightScale(float y) { _scaleY = y; }
    // Scales the image in place by the current factors with the current filter; a dimension
    // whose factor is 1.0 keeps its size, and none shrinks below one texel.
    bool scale(Gfx::zkImage* image);
};
inline zkMetaEnum* zkGetMetaEnum(zkResizeImage::FilterType*) { return zkResizeImage::getFilterTypeMetaEnum(); }

class zkConvertImage : public zkOptBase {
    ZK_CLASS(zkConvertImage, zkOptBase)
public:
#define zkConvertImage_FIELDS(F)            \
    F(bool, _keepAlpha, k_keepAlpha, true)  \
    F(bool, _dither, k_dither, false)
    ZK_FIELDS(zkConvertImage_FIELDS)

    // The converter's two option flags: keep alpha where the target can hold it, and dither
    // where the target has fewer colour bits.
    void setFlags(bool keepAlpha, bool dither) { _keepAlpha = keepAlpha; _dither = dither; }
    void setKeepAlpha(bool keepAlpha) { _keepAlpha = keepAlpha; }
    void setDither(bool dither) { _dither = dither; }
    // Converts in place; on success the image holds the new format and order.
    bool convertImage(Gfx::zkImage* image, int format, int order);
};

} // namespace Tam::Opt

namespace Tam::Opt {

// An image written out as a file of its own, which the output refers to. filePath is where the
// file was written, relative to the output's folder (the entry name plus any sub-directory), so
// that an export can refer to the file.
class zkExternalImageEntry : public zkExternalDirEntry {
    ZK_CLASS(zkExternalImageEntry, zkExternalDirEntry)
public:
#define zkExternalImageEntry_FIELDS(F) F(zkStringRef, filePath, k_filePath)
    ZK_FIELDS(zkExternalImageEntry_FIELDS)
    void setFilePath(const char* p) { filePath.set(p); }
    const char* getFilePath() const { return filePath.isNull() ? "" : filePath.c_str(); }
    void setImage(Gfx::zkImage* image) { setObject(image); }
    Gfx::zkImage* getImage() const { return static_cast<Gfx::zkImage*>(object.get()); }
};

} // namespace Tam::Opt

namespace Tam::Gfx {

struct zkImageUtils {
    // The final path component of a name: the text after the last '/' or '\\'.
    static std::string getFileName(const char* name);
    // One list entry per non-blank line of the file's text, trimmed; lines starting with '#' are
    // comments. The list is replaced. Answers the number of entries.
    static int parseTextFile(Core::zkFile* file, Core::zkStringObjList* list);
};

} // namespace Tam::Gfx
