#include "host/attrs/zkTextureAttr.h"

#include "host/core/zkHostClass.h"

namespace Tam::Attrs {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkTextureAttr)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkTextureBindAttr)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkTextureCubeAttr)

void zkTextureAttr::setImageCount(int n) { images.items.resize(n < 0 ? 0 : n); }

zkImage* zkTextureAttr::getImage(int i) const
{
    return i >= 0 && i < getImageCount() ? images.at(i) : nullptr;
}

void zkTextureAttr::setImage(zkImage* image, int i)
{
    if (i < 0) return;
    if (i >= getImageCount()) setImageCount(i + 1);
    images.items[i] = image;
}

zkImage* zkTextureCubeAttr::getCubeImage(int face) const
{
    return face >= 0 && face < static_cast<int>(cubeImages.size()) ? cubeImages.at(face) : nullptr;
}

void zkTextureCubeAttr::setCubeImage(int face, zkImage* image)
{
    if (face < 0 || face >= kFaceCount) return;
    if (face >= static_cast<int>(cubeImages.size())) cubeImages.items.resize(face + 1);
    cubeImages.items[face] = image;
}

void zkTextureCubeAttr::releaseImage(int applyType)
{
    if (applyType == ZK_TEXTURE_APPLY_CUBE) cubeImages.items.clear();
    else if (applyType == ZK_TEXTURE_APPLY_SPHERE) images.items.clear();
}

bool zkTextureCubeAttr::isConsistent(std::string& field, std::string& problem) const
{
    if (cubeImages.size() > std::size_t(kFaceCount)) {
        field = "cubeImages";
        problem = "holds " + std::to_string(cubeImages.size()) + " faces, a cube has 6";
        return false;
    }
    return true;
}

} // namespace Tam::Attrs
