// Images as scene data: texels of one ZK_GFX_TEXTURE_FORMAT with their palette. The format
// table and the pixel operations live in host/gfx/Pixels (and Resample, Png, Histogram); an
// image hands its data to them as a PixelImage.
#pragma once
#include "host/gfx/Pixels.h"
#include "host/gfx/zkGfxEnums.h"
#include "host/sg/zkNode.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace Tam::Utils {
class zkIntHistogram;
}

namespace Tam::Gfx {

using namespace Tam::Core;

// A palette: entryCount entries of one texel format, stored as they are.
class zkClut : public zkObject {
    ZK_CLASS(zkClut, zkObject)
public:
#define zkClut_FIELDS(F)                                                                          \
    F(ZK_GFX_TEXTURE_FORMAT, entryFormat, k_entryFormat, ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32)      \
    F(int32_t, entryCount, k_entryCount)                                                          \
    F(zkDataBlock, entries, k_entries)
    ZK_FIELDS(zkClut_FIELDS)

    // count entries of the format, copied from bytes (zeros when bytes is null). False, and
    // nothing changed, for a format whose entries are not whole bytes or a negative count.
    bool configure(int format, int count, const void* bytes);
    int getEntryFormat() const { return entryFormat; }
    int getEntryCount() const { return entryCount; }
    // Bytes per entry, 0 for a format whose entries are not whole bytes.
    int getEntrySize() const;
    // The entry's bytes, or null out of range.
    uint8_t* getEntry(int i);
    const uint8_t* getEntry(int i) const;

    bool isConsistent(std::string& field, std::string& problem) const override;
};

class zkImage : public Sg::zkNamedObject {
    ZK_CLASS(zkImage, Sg::zkNamedObject)
public:
#define zkImage_FIELDS(F)                                                                 \
    F(ZK_GFX_TEXTURE_FORMAT, format, k_format, ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32)        \
    F(ZK_GFX_IMAGE_ORDER, order, k_order, ZK_GFX_IMAGE_ORDER_RGBA)                        \
    F(int32_t, width, k_width)                                                            \
    F(int32_t, height, k_height)                                                          \
    F(int32_t, stride, k_stride)                                                          \
    F(zkDataBlock, pixels, k_pixels)                                                      \
    F(int32_t, redBits, k_redBits)                                                        \
    F(int32_t, greenBits, k_greenBits)                                                    \
    F(int32_t, blueBits, k_blueBits)                                                      \
    F(int32_t, alphaBits, k_alphaBits)                                                    \
    F(zkChildRef<zkClut>, clut, k_clut)
    ZK_FIELDS(zkImage_FIELDS)

    int getFormat() const { return format; }
    int getOrder() const { return order; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // Bytes from one texel row to the next (see Pixels.h for the 4-bit and tiled formats).
    int getStride() const { return stride; }
    uint8_t* getData() { return pixels.data(); }
    const uint8_t* getData() const { return pixels.data(); }
    int getDataSize() const { return static_cast<int>(pixels.size()); }
    // Bits of red, green, blue or alpha per texel (ZK_GFX_IMAGE_CMPNT); 0 for absent ones.
    int getComponentBits(int component) const;

    // Copies tightly packed texels of the format, sized by the format table. An image of a
    // format without palette drops its palette. False, and nothing changed, for an unknown
    // format or a size out of range.
    bool load(const void* data, int format, int width, int height);
    bool load(const void* data, int format, int width, int height, int order);

    zkClut* getClut() const { return clut.get(); }
    void setClut(zkClut* c) { clut = c; }

    // Becomes a copy of other: name, format, texels and palette, the palette copied when
    // copyClut is true and shared otherwise.
    bool copyFrom(const zkImage* other, bool copyClut);

    // Format queries, from the format table.
    static bool isIndexed(int format);
    static bool hasAlpha(int format);
    static bool isUninterpreted(int format);
    bool isIndexed() const { return isIndexed(format); }
    bool hasAlpha() const { return hasAlpha(format); }
    bool isUninterpreted() const { return isUninterpreted(format); }
    static int getPlatformSpecificOrder();
    // Byte positions of red, green, blue and alpha within one texel of this image's format stored
    // in the given order; -1 for an absent component. False when the components are not bytes.
    bool getIndexFromComponentOrder(int order, int positions[4]) const;

    // The texels as the pixel operations take them, and back. setPixelImage takes format,
    // order, size, texels and palette, and the component depths of the new format.
    bool getPixelImage(PixelImage& out) const;
    bool setPixelImage(const PixelImage& in);
    // The same without copying the texels: takePixelImage moves them out, and the image is
    // whole again only once setPixelImage has moved them (or others) back. Copies of the
    // large levels of a texture cost more than the operations themselves.
    bool takePixelImage(PixelImage& out);
    bool setPixelImage(PixelImage&& in);

    // Operations on texels. Each answers false and leaves the image as it was when it cannot
    // be done. flipV, rotate and resampleFrom make this image from source (null: from itself).
    bool convert(int format, int order, bool keepAlpha = true, bool dither = false);
    // Runs a pixel operation on this image's own texels in place.
    bool transform(const std::function<bool(PixelImage&)>& operation);
    bool flipV(const zkImage* source);
    bool rotate(const zkImage* source, double degrees);
    bool resampleFrom(const zkImage* source, int width, int height);
    bool computeHistogram(int component, Utils::zkIntHistogram* histogram) const;
    bool saveAsPNG(const char* path, std::string* error = nullptr) const;
    bool loadPNG(const char* path, std::string* error = nullptr);
    // While abstract, texels whose components are not whole bytes are held as RGBA or RGB bytes
    // that passes can walk directly; makeConcrete brings the image's own format back.
    void makeAbstract(zkMetaObject* meta) override;
    void makeConcrete(zkMetaObject* meta) override;

    bool isConsistent(std::string& field, std::string& problem) const override;

private:
    void takeFormatDepths();
    std::shared_ptr<AbstractState> m_abstract;
};

} // namespace Tam::Gfx
