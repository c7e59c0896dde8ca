#include "host/opt/zkImagePasses.h"

#include "host/core/zkHostClass.h"

namespace Tam::Opt {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkResizeImage)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkConvertImage)

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
