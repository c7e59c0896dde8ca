#include "host/opt/zkImagePasses.h"

#include "host/core/zkHostClass.h"
#include "host/gfx/Resample.h"

namespace Tam::Opt {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkResizeImage)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkConvertImage)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkExternalImageEntry)

bool zkResizeImage::scale(Gfx::zkImage* image)
{
    if (!image) return false;
    Gfx::ResizeSettings settings;
    settings.filter = static_cast<Gfx::FilterType>(_filterType);
    settings.widthFactor = _scaleX;
    settings.heightFactor = _scaleY;
    return image->transform([&](Gfx::PixelImage& pixels) { return Gfx::scale(pixels, settings); });
}

bool zkConvertImage::convertImage(Gfx::zkImage* image, int format, int order)
{
    return image && image->convert(format, order, _keepAlpha, _dither);
}

zkMetaEnum* zkResizeImage::getFilterTypeMetaEnum()
{
    static zkMetaEnum e("zkResizeImage::FilterType", {{FILTER_POINT, "Point"},
                                                      {FILTER_BOX, "Box"},
                                                      {FILTER_TRIANGLE, "Triangle"},
                                                      {FILTER_HERMITE, "Hermite"},
                                                      {FILTER_BELL, "Bell"},
                                                      {FILTER_BSPLINE, "BSpline"},
                                                      {FILTER_MITCHELL, "Mitchell"},
                                                      {FILTER_LANCZOS3, "Lanczos3"}});
    return &e;
}

} // namespace Tam::Opt

namespace Tam::Gfx {

std::string zkImageUtils::getFileName(const char* name)
{
    std::string text = name ? name : "";
    std::size_t slash = text.find_last_of("/\\");
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

int zkImageUtils::parseTextFile(Core::zkFile* file, Core::zkStringObjList* list)
{
    if (!file || !list) return 0;
    list->clear();
    for (std::string line : file->getLines()) {
        std::size_t b = line.find_first_not_of(" \t"), e = line.find_last_not_of(" \t");
        if (b == std::string::npos || line[b] == '#') continue;
        list->appendString(line.substr(b, e - b + 1).c_str());
    }
    return list->getCount();
}

} // namespace Tam::Gfx
