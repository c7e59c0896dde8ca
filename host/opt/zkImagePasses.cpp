#include "host/opt/zkImagePasses.h"

#include "host/core/zkHostClass.h"
#include "host/gfx/Resample.h"

namespace Tam::Opt {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkResizeImage)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkConvertImage)

bool zkResizeImage::scale(Gfx::zkImage* image)
{
    Gfx::PixelImage pixels;
    if (!image || !image->getPixelImage(pixels)) return false;
    Gfx::ResizeSettings settings;
    settings.filter = static_cast<Gfx::FilterType>(_filterType);
    settings.widthFactor = _scaleX;
    settings.heightFactor = _scaleY;
    if (!Gfx::scale(pixels, settings)) return false;
    return image->setPixelImage(pixels);
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
