// Textures: the texture attribute holds its images (level 0 first: further images are mipmap
// levels), a bind attribute puts a texture in force, and a cube texture adds six faces.
#pragma once
#include "host/attrs/zkAttr.h"
#include "host/gfx/zkGfxEnums.h"
#include "host/gfx/zkImage.h"

#include <utility>

namespace Tam::Attrs {

using Gfx::zkImage;

class zkTextureAttr : public zkAttr {
    ZK_CLASS(zkTextureAttr, zkAttr)
public:
#define zkTextureAttr_FIELDS(F)                                                                   \
    F(zkRefArray<zkImage>, images, k_images)                                                      \
    F(int32_t, mipmapTag, k_mipmapTag, 0)                                                         \
    F(Gfx::ZK_GFX_TEXTURE_FILTER, minFilter, k_minFilter, Gfx::ZK_GFX_TEXTURE_FILTER_LINEAR)      \
    F(Gfx::ZK_GFX_TEXTURE_FILTER, magFilter, k_magFilter, Gfx::ZK_GFX_TEXTURE_FILTER_LINEAR)      \
    F(int32_t, update, k_update, 0)                                                               \
    F(int32_t, wrapS, k_wrapS, 0)                                                                 \
    F(int32_t, wrapT, k_wrapT, 0)
    ZK_FIELDS(zkTextureAttr_FIELDS)

    int getImageCount() const { return static_cast<int>(images.size()); }
    // Grows with empty slots or drops the last images.
    void setImageCount(int n);
    // Null for an empty slot or an index out of range.
    zkImage* getImage(int i) const;
    // Puts the image at index i, growing the list when i is at or past its end.
    void setImage(zkImage* image, int i);

    // 1 marks a texture whose mipmap levels are to be generated.
    int getMipmapTag() const { return mipmapTag; }
    void setMipmapTag(int tag) { mipmapTag = tag; }
    int getMinFilter() const { return minFilter; }
    int getMagFilter() const { return magFilter; }
    virtual void setMinFilter(int f) { minFilter = static_cast<Gfx::ZK_GFX_TEXTURE_FILTER>(f); }
    virtual void setMagFilter(int f) { magFilter = static_cast<Gfx::ZK_GFX_TEXTURE_FILTER>(f); }
    // Set to 1 when the images were replaced, so a renderer re-uploads them.
    int getUpdate() const { return update; }
    void setUpdate(int u) { update = u; }
    // Addressing along the horizontal (s) and vertical (t) axis: 0 repeat, 1 clamp.
    int getWrapS() const { return wrapS; }
    int getWrapT() const { return wrapT; }
    void setWrapS(int w) { wrapS = w; }
    void setWrapT(int w) { wrapT = w; }
    // Exchanges the two axes' settings (for a transposed image).
    void swapWraps() { std::swap(wrapS, wrapT); }
};

// Puts a texture in force. Textures are shared resources: copies of a bind share its texture.
class zkTextureBindAttr : public zkAttr {
    ZK_CLASS(zkTextureBindAttr, zkAttr)
public:
#define zkTextureBindAttr_FIELDS(F) F(zkSharedRef<zkTextureAttr>, texture, k_texture)
    ZK_FIELDS(zkTextureBindAttr_FIELDS)
    zkTextureAttr* getTexture() const { return texture.get(); }
    void setTexture(zkTextureAttr* t) { texture = t; }
};

// Apply types of a cube texture: 1 its six faces are used as a cube map, 2 image 0 as a
// sphere map.
enum ZK_TEXTURE_APPLY : int32_t {
    ZK_TEXTURE_APPLY_CUBE = 1,
    ZK_TEXTURE_APPLY_SPHERE = 2,
};

class zkTextureCubeAttr : public zkTextureAttr {
    ZK_CLASS(zkTextureCubeAttr, zkTextureAttr)
public:
    static constexpr int kFaceCount = 6;
#define zkTextureCubeAttr_FIELDS(F)                          \
    F(zkRefArray<zkImage>, cubeImages, k_cubeImages)         \
    F(int32_t, applyMode, k_applyMode, ZK_TEXTURE_APPLY_CUBE)
    ZK_FIELDS(zkTextureCubeAttr_FIELDS)

    // Face 0 to 5 (+x, -x, +y, -y, +z, -z); null when absent.
    zkImage* getCubeImage(int face) const;
    void setCubeImage(int face, zkImage* image);
    // Drops the images used by an apply type: the six faces for type 1, the texture's images
    // for type 2.
    void releaseImage(int applyType);
    int getApplyMode() const { return applyMode; }
    void setApplyMode(int mode) { applyMode = mode; }

    bool isConsistent(std::string& field, std::string& problem) const override;
};

} // namespace Tam::Attrs
