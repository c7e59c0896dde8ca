// Prints one row per image of the scene (address, size, bytes per pixel, format, data size and
// name) under a heading, then the total data size and count. The scene is left as it was; the
// counters cover one run, since the heading starts them again.
#include "image/veskoTextureStatistics.h"

#include <cstdio>

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoTextureStatistics)

bool veskoTextureStatistics::configure(int)
{
    return true;
}

void veskoTextureStatistics::preVisit()
{
    reset();
    printf("%-5s %-6s %-5s %-6s %-12s %s\n", "WIDTH", "HEIGHT", "DEPTH", "FORMAT", "SIZE (bytes)", "NAME");
    fflush(stdout);
}

void veskoTextureStatistics::visitor(zkObject* object)
{
    zkImage* image = zkImage::dynamicCast(object);
    if (!image) return;
    zkSmartPointer<zkStringObj> name = zkCreate<zkStringObj>(getMemoryPool());
    name->set(image->getName());
    if (!_useFullPath) name->removePathFromFileName();
    const int width = image->getWidth();
    const int depth = width > 0 ? image->getStride() / width : 0;
    const int size = image->getDataSize();
    printf("%10x %5d %6d %5d %6d %12d %s\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(image)), width,
           image->getHeight(), depth, image->getFormat(), size, name->c_str());
    fflush(stdout);
    // Wraps like the 32-bit counter it is rather than overflowing.
    _iTextureTotalSize = static_cast<int32_t>(static_cast<uint32_t>(_iTextureTotalSize) + static_cast<uint32_t>(size));
    ++_iTextureCount;
}

void veskoTextureStatistics::postVisit()
{
    char total[32];
    std::snprintf(total, sizeof total, "Total Size: %d", _iTextureTotalSize);
    printf("%31s in %d textures\n", total, _iTextureCount);
}

zkMetaObject* veskoTextureStatistics::getVisitedObjectMeta()
{
    return zkImage::getClassTypeSafe();
}

void veskoTextureStatistics::reset()
{
    _iTextureTotalSize = 0;
    _iTextureCount = 0;
}

} // namespace Tam::OptExtension
