// Gives textures a full chain of mipmap levels. The base is converted to RGBA, each further level
// is a copy of the one before halved by the host resizer (a dimension stops at 1, or at 8 for
// DXT targets), named after the base with the level number before the extension, and at the end
// every level goes back to the base's former format. Textures not tagged for mipmapping are
// treated only when tagging is not required, and then get the pass's filters; the tag is cleared,
// so a second run leaves the texture alone. The image list decides which textures are treated.
#include "image/zkUseMipmapVesko.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Tam::OptExtension {

static const zkRegisterFunction zkUseMipmapVesko_dependencies[] = {zkStringObjList::arkRegister, zkStringObj::arkRegister, nullptr};
ZK_DEFINE_PASS_WITH_FIELDS_AND_DEPS(zkUseMipmapVesko, zkUseMipmapVesko_dependencies)

namespace {

// The filter words of the registry, searched in this order.
struct FilterWord {
    const char* word;
    ZK_GFX_TEXTURE_FILTER filter;
};
constexpr FilterWord kFilterWords[] = {
    {"Nearest", ZK_GFX_TEXTURE_FILTER_NEAREST},
    {"Linear", ZK_GFX_TEXTURE_FILTER_LINEAR},
    {"NearestMipmapNearest", ZK_GFX_TEXTURE_FILTER_NEAREST_MIPMAP_NEAREST},
    {"NearestMipmapLinear", ZK_GFX_TEXTURE_FILTER_NEAREST_MIPMAP_LINEAR},
    {"LinearMipmapNearest", ZK_GFX_TEXTURE_FILTER_LINEAR_MIPMAP_NEAREST},
    {"LinearMipmapLinear", ZK_GFX_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR},
};

// The filter a word names, or -1 after telling standard output (not the run's report).
int filterFromWord(const char* word)
{
    for (const FilterWord& f : kFilterWords)
        if (std::strcmp(f.word, word) == 0) return f.filter;
    std::printf("zkUseMipmapVesko: Format %s not recognized\n", word);
    std::fflush(stdout);
    return -1;
}

constexpr int kLevelOrder = ZK_GFX_IMAGE_ORDER_PLATFORM;
// DXT blocks are 4x4 and the targets want whole 8-texel edges: a dimension stops there.
constexpr int kDxtStopSize = 8;

} // namespace

bool zkUseMipmapVesko::canOptimize(zkNode*)
{
    return true;
}

bool zkUseMipmapVesko::configure(int section)
{
    printf("zkUseMipmapVesko::configure: we are here...\n");
    if (!readFilterWord(section, minFilterToken, _minFilter)) return false;
    if (!readFilterWord(section, magFilterToken, _magFilter)) return false;
    readImageListSettings(*this, section, _isExclude, _imageListFilename, _imageList.get());
    return true;
}

void zkUseMipmapVesko::visitor(zkObject* object)
{
    zkTextureAttr* texture = zkTextureAttr::dynamicCast(object);
    zkOptInterface* run = getOptInterface();
    if (!texture || !run) return;
    zkSmartPointer<zkImage> base(texture->getImage(0));
    if (!base || !imageListAdmits(base.get(), *_imageList, _isExclude, "zkUseMipmapVesko", *this)) return;
    if (base->isIndexed()) {
        printf("zkUseMipmapVesko: (%s) skipping palettized image\n", base->getName());
        return;
    }
    if (texture->getMipmapTag() != 1) {
        if (mipmapTaggedOnly) return;
        texture->setMinFilter(_minFilter);
        texture->setMagFilter(_magFilter);
    }
    texture->setMipmapTag(0);
    buildLevels(texture, base.get(), *run);
}

zkMetaObject* zkUseMipmapVesko::getVisitedObjectMeta()
{
    return zkTextureAttr::getClassTypeSafe();
}

bool zkUseMipmapVesko::readFilterWord(int section, const char* key, ZK_GFX_TEXTURE_FILTER& field)
{
    zkRegistry* registry = getRegistry();
    auto value = zkSmartPointer<zkStringObj>::adopt(zkStringObj::_instantiateFromPool(getMemoryPool()));
    if (!registry || !registry->getValue(section, key, value, "", false)) return true;
    field = ZK_GFX_TEXTURE_FILTER(filterFromWord(value->c_str()));
    return field >= 0;
}

void zkUseMipmapVesko::buildLevels(zkTextureAttr* texture, zkImage* base, zkOptInterface& run)
{
    auto madeResizer = zkSmartPointer<zkOptBase>::adopt(run.createOptBase("zkResizeImage"));
    auto madeConverter = zkSmartPointer<zkOptBase>::adopt(run.createOptBase("zkConvertImage"));
    zkResizeImage* resizer = zkResizeImage::dynamicCast(madeResizer.get());
    zkConvertImage* converter = zkConvertImage::dynamicCast(madeConverter.get());
    if (!resizer || !converter) return;
    printf("Setting Filter Type to %d\n", int(_filterType));
    resizer->setFilterType(_filterType);

    const int baseFormat = base->getFormat();
    const int platformOrder = zkImage::getPlatformSpecificOrder();
    converter->setDither(false);
    converter->convertImage(base, ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, kLevelOrder);

    int width = base->getWidth(), height = base->getHeight();
    int levels = 0;
    for (int edge = std::max(width, height); edge > 0; edge /= 2) ++levels;
    texture->setImageCount(levels);
    texture->setImage(base, 0);

    auto stem = zkCreate<zkStringObj>(getMemoryPool());
    auto extension = zkCreate<zkStringObj>(getMemoryPool());
    auto levelName = zkCreate<zkStringObj>(getMemoryPool());
    stem->set(base->getName());
    stem->removeFileExtension(3);
    extension->set(base->getName());
    extension->keepFileExtension();

    zkImage* previous = base;
    for (int k = 1; k < levels; ++k) {
        // A dimension that is done keeps its size from here on: its factor stays 1.0.
        if ((_forDXT && height == kDxtStopSize) || height == 1) resizer->setHeightScale(1.0f);
        else height /= 2;
        if ((_forDXT && width == kDxtStopSize) || width == 1) resizer->setWidthScale(1.0f);
        else width /= 2;
        auto level = zkSmartPointer<zkImage>::adopt(zkImage::_instantiateFromPool(texture->getMemoryPool()));
        level->copyFrom(previous, true);
        levelName->printf("%s-%d%s", stem->c_str(), k, extension->c_str());
        level->setName(levelName->c_str());
        printf("zkUseMipmapVesko: generating mipmap level %d.\n", k);
        resizer->scale(level);
        texture->setImage(level, k);
        previous = level;
    }
    for (int k = 0; k < levels; ++k) converter->convertImage(texture->getImage(k), baseFormat, platformOrder);
}

} // namespace Tam::OptExtension
