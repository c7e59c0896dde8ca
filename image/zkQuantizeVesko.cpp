// Gives textures a colour palette. In 8-bit mode every image that is not palettized yet becomes
// an 8-bit indexed image with a 256-entry palette learnt from its pixels (exact when it has at
// most 256 colours), optionally halved while it is mapped; images with alpha become 5551 unless
// palettes may carry alpha, images too small for a palette to pay become 5551 (or RGBA), and
// environment and sphere maps are left alone. In 4-bit mode 8-bit indexed images that use at most
// 16 palette colours are packed to 4 bits. The image list decides which textures are treated.
#include "image/zkQuantizeVesko.h"

#include "image/PaletteQuantizer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace Tam::OptExtension {

static const zkRegisterFunction zkQuantizeVesko_dependencies[] = {zkStringObjList::arkRegister, zkStringObj::arkRegister, nullptr};
ZK_DEFINE_PASS_WITH_FIELDS_AND_DEPS(zkQuantizeVesko, zkQuantizeVesko_dependencies)

namespace {
constexpr int kImageOrder = ZK_GFX_IMAGE_ORDER_PLATFORM;
// Below this many bytes a palette of 1024 bytes would cost more than it saves.
constexpr int kSmallImageBytes = 1536;
constexpr int kSamplingFactor = 2;
} // namespace

bool zkQuantizeVesko::canOptimize(zkNode*)
{
    return true;
}

bool zkQuantizeVesko::configure(int section)
{
    readImageListSettings(*this, section, _isExclude, _imageListFilename, _imageList.get());
    return true;
}

void zkQuantizeVesko::visitor(zkObject* object)
{
    zkTextureAttr* texture = zkTextureAttr::dynamicCast(object);
    zkOptInterface* run = getOptInterface();
    if (!texture || !run) return;
    zkImage* base = texture->getImage(0);
    if (!base || !imageListAdmits(base, *_imageList, _isExclude, "zkQuantizeVesko", *run)) return;
    auto made = zkSmartPointer<zkOptBase>::adopt(run->createOptBase("zkConvertImage"));
    zkConvertImage* converter = zkConvertImage::dynamicCast(made.get());
    if (!converter) return;
    for (int i = 0; i < texture->getImageCount(); ++i) {
        zkSmartPointer<zkImage> image(texture->getImage(i));
        if (!image) continue;
        std::string lowerName = std::string(image->getName()).substr(0, 255);
        for (char& c : lowerName) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (_eightBitTofourBitOnly) fourBitImage(texture, i, image.get(), *run);
        else eightBitImage(texture, i, image.get(), lowerName, *converter, *run);
    }
}

zkMetaObject* zkQuantizeVesko::getVisitedObjectMeta()
{
    return zkTextureAttr::getClassTypeSafe();
}

void zkQuantizeVesko::fourBitImage(zkTextureAttr* texture, int index, zkImage* image, zkOptInterface& out)
{
    const char* name = image->getName();
    const int format = image->getFormat();
    if (!zkImage::isIndexed(format)) {
        out.printf("zkQuantizeVesko: (%s) is NOT indexed, skipping image\n", name);
        return;
    }
    if (format != ZK_GFX_TEXTURE_FORMAT_INDEXED_8) {
        out.printf("zkQuantizeVesko: (%s) is indexed but not pal8, skipping image\n", name);
        return;
    }
    const int width = image->getWidth(), height = image->getHeight(), n = image->getDataSize();
    const uint8_t* pixels = image->getData();
    const zkClut* clut = image->getClut();
    if (!clut || !pixels || !n || !width || !height || clut->getEntryCount() != 256 || clut->getEntrySize() != 4) {
        out.printf("zkQuantizeVesko: (%s) is indexed, pal8, but screwy skipping image\n", name);
        return;
    }
    std::vector<uint8_t> packed(std::max((n + 1) / 2, (width * height + 1) / 2), 0);
    uint8_t entries[16][4];
    int remap[256];
    std::fill(std::begin(remap), std::end(remap), -1);
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const int v = pixels[i];
        if (remap[v] < 0) {
            const uint8_t* entry = clut->getEntry(v);
            if (entry[3] != 255 && !_alphaPallete) {
                out.printf("zkQuantizeVesko: (%s) is indexed8 but has alpha and the options were set to not do "
                           "alpha textures, skipping image\n",
                           name);
                return;
            }
            int k = 0;
            while (k < m && std::memcmp(entries[k], entry, 4) != 0) ++k;
            if (k == m) {
                if (m == 16) {
                    out.printf("zkQuantizeVesko: (%s) is indexed8 but has more than 16 colors, skipping image\n", name);
                    return;
                }
                std::memcpy(entries[m++], entry, 4);
            }
            remap[v] = k;
        }
        if (i % 2 == 0) packed[i / 2] = uint8_t(remap[v]);
        else packed[i / 2] |= uint8_t(remap[v] << 4);
    }
    for (int k = m; k < 16; ++k) {
        const uint8_t filler[4] = {255, 0, 0, 255};
        std::memcpy(entries[k], filler, 4);
    }
    auto palette = zkCreate<zkClut>(texture->getMemoryPool());
    palette->configure(ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 16, entries);
    auto result = zkCreate<zkImage>(texture->getMemoryPool());
    result->setName(name);
    result->load(packed.data(), ZK_GFX_TEXTURE_FORMAT_INDEXED_4, width, height);
    result->setClut(palette);
    texture->setImage(result, index);
    out.printf("zkQuantizeVesko: (%s) converted to Pal4\n", name);
}

void zkQuantizeVesko::eightBitImage(zkTextureAttr* texture, int index, zkImage* image, const std::string& lowerName,
                                    zkConvertImage& converter, zkOptInterface& out)
{
    const char* name = image->getName();
    const int format = image->getFormat();
    const int width = image->getWidth(), height = image->getHeight(), size = image->getDataSize();
    if (zkImage::isIndexed(format)) {
        out.printf("zkQuantizeVesko: (%s) is indexed, skipping image\n", name);
        return;
    }
    if (lowerName.find("_env") != std::string::npos || lowerName.find("sphereimage") != std::string::npos) {
        texture->setImage(image, index);
        return;
    }
    const bool alpha = zkImage::hasAlpha(format);
    if (alpha && !_alphaPallete) {
        converter.setKeepAlpha(true);
        converter.setDither(true);
        converter.convertImage(image, ZK_GFX_TEXTURE_FORMAT_RGBA_5551_16, kImageOrder);
        out.printf("zkQuantizeVesko: (%s) converted to 5551\n", name);
        texture->setImage(image, index);
        return;
    }
    if (size < kSmallImageBytes) {
        if (!alpha) {
            converter.convertImage(image, ZK_GFX_TEXTURE_FORMAT_RGBA_5551_16, kImageOrder);
            out.printf("zkQuantizeVesko: (%s) converted to 5551\n", name);
        } else {
            convertToBytes(image, ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, converter, out);
        }
        texture->setImage(image, index);
        return;
    }
    converter.setDither(false);
    converter.setKeepAlpha(true);
    if (!convertToBytes(image, alpha ? ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32 : ZK_GFX_TEXTURE_FORMAT_RGB_888_24,
                            converter, out))
        return;
    palettize(texture, index, image, width, height, out);
}

// Converts to RGB 888 or RGBA 8888 in platform order; false, after the refusal line, when the
// converter could not.
bool zkQuantizeVesko::convertToBytes(zkImage* image, int format, zkConvertImage& converter, zkOptInterface& out)
{
    const int before = image->getFormat();
    converter.convertImage(image, format, kImageOrder);
    if (image->getFormat() == format) return true;
    out.printf("zkQuantizeVesko: (%s) convert from %d to %s failed, skipping image\n", image->getName(), before,
               format == ZK_GFX_TEXTURE_FORMAT_RGB_888_24 ? "ZK_GFX_TEXTURE_FORMAT_RGB_888_24"
                                                          : "ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32");
    return false;
}

// Learns the palette of a converted RGB or RGBA image and replaces it by its 8-bit indexed form.
void zkQuantizeVesko::palettize(zkTextureAttr* texture, int index, zkImage* image, int width, int height,
                                zkOptInterface& out)
{
    PaletteQuantizer& quantizer = processPaletteQuantizer();
    if (quantizer.initialise(image->getData(), image->getDataSize(), kSamplingFactor, image->hasAlpha()))
        quantizer.learn();
    quantizer.unbias();
    uint8_t entries[PaletteQuantizer::kNeurons * 4];
    quantizer.writePalette(entries);
    auto palette = zkCreate<zkClut>(texture->getMemoryPool());
    palette->configure(ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, PaletteQuantizer::kNeurons, entries);
    quantizer.buildIndex();

    const int outWidth = _isReduce ? width / 2 : width, outHeight = _isReduce ? height / 2 : height;
    std::vector<uint8_t> indices(std::size_t(outWidth) * outHeight);
    if (_isReduce) quantizer.mapReduced(indices.data(), width, height, image->getStride());
    else quantizer.mapPixels(indices.data(), width, height, image->getStride());
    auto result = zkCreate<zkImage>(texture->getMemoryPool());
    result->setName(image->getName());
    result->load(indices.data(), ZK_GFX_TEXTURE_FORMAT_INDEXED_8, outWidth, outHeight);
    result->setClut(palette);
    out.printf("zkQuantizeVesko: (%s) converted to Pal8\n", image->getName());
    texture->setImage(result, index);
}

} // namespace Tam::OptExtension
