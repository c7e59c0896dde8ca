// The GameCube draws two kinds of texture with alpha cheaply: the 16-bit format that keeps a few
// bits of translucency per texel (21), and the 4-bit block-compressed one whose texels are
// either opaque or fully transparent (34). This pass expands palettized images to RGBA, scans
// each image's alpha for a value between the two extremes, and converts it to format 21 when it
// has one (or when block compression is not allowed), else to format 34.
#include "image/veskoImageAlphaGamecube.h"

#include "image/TexelBytes.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoImageAlphaGamecube)

namespace {
constexpr int kConvertOrder = ZK_GFX_IMAGE_ORDER_PLATFORM;
} // namespace

bool veskoImageAlphaGamecube::configure(int)
{
    return true;
}

zkMetaObject* veskoImageAlphaGamecube::getVisitedObjectMeta()
{
    return zkTextureAttr::getClassTypeSafe();
}

void veskoImageAlphaGamecube::visitor(zkObject* object)
{
    zkTextureAttr* texture = zkTextureAttr::dynamicCast(object);
    if (!texture || texture->getImageCount() == 0 || !getOptInterface()) return;
    zkSmartPointer<zkOptBase> made =
        zkSmartPointer<zkOptBase>::adopt(getOptInterface()->createOptBase("zkConvertImage"));
    zkConvertImage* converter = zkConvertImage::dynamicCast(made.get());
    if (!converter) return;
    converter->setFlags(converter->_keepAlpha, false);

    for (int i = 0; i < texture->getImageCount(); ++i) {
        zkSmartPointer<zkImage> image(texture->getImage(i));
        if (!image) continue;
        if (image->isIndexed()) converter->convertImage(image.get(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, kConvertOrder);
        const bool partial = image->hasAlpha() && hasPartialAlpha(image.get());
        const int format = partial || !_allowDXT ? ZK_GFX_TEXTURE_FORMAT_GC_RGB5A3_16 : ZK_GFX_TEXTURE_FORMAT_GC_CMPR_4;
        converter->convertImage(image.get(), format, kConvertOrder);
        texture->setImage(image.get(), i);
    }
}

bool veskoImageAlphaGamecube::hasPartialAlpha(zkImage* image)
{
    image->makeAbstract(zkImage::getClassTypeSafe());
    int positions[4];
    const int bytesPerPixel = texelBytes(*image);
    bool partial = false;
    if (bytesPerPixel > 0 && image->getIndexFromComponentOrder(image->getOrder(), positions) && positions[3] >= 0) {
        const uint8_t* data = image->getData();
        for (int at = positions[3]; at < image->getDataSize(); at += bytesPerPixel)
            if (data[at] != 0 && data[at] != 255) {
                partial = true;
                break;
            }
    }
    image->makeConcrete(zkImage::getClassTypeSafe());
    return partial;
}

} // namespace Tam::OptExtension
