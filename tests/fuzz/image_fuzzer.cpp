// Image files as a scene's textures bring them: PNG and the formats of the general decoder.
#include "host/gfx/ImageFile.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    Tam::Gfx::PixelImage image;
    std::string error;
    Tam::Gfx::decodeImageFile(data, size, image, &error);
    return 0;
}
