// Broadcast video cannot carry every colour a texture can hold: a colour whose chroma amplitude,
// or whose luma plus chroma, exceeds the standard's limit smears or buzzes on a television. This
// pass tests every pixel of every non-indexed texture image against those limits (after the
// display gamma) and darkens the hot ones, all three components by one factor, just enough to
// bring them back within both. The NTSC constants are in force until a filter with _ntsc off is
// configured; from then on the whole process uses PAL's.
#include "image/veskoNTSCFilter.h"

#include "image/TexelBytes.h"

#include <cmath>

namespace Tam::OptExtension {

ZK_DEFINE_PASS_WITH_FIELDS(veskoNTSCFilter)

namespace {

void fillGammaTable(VideoStandard& s)
{
    const float exponent = 1.0f / s.gamma;
    for (int byte = 0; byte < 256; ++byte) s.gammaTable[byte] = std::pow(static_cast<float>(byte) * (1.0f / 255.0f), exponent);
}

VideoStandard makeNtsc()
{
    VideoStandard s{{0.2989f, 0.5866f, 0.1144f}, {0.5959f, -0.2741f, -0.3218f}, {0.2113f, -0.5227f, 0.3113f}, 7.5f,
                    2.2f, 0.0f, 0.0f, {}};
    s.maxChroma = 50.0f / (100.0f - s.setup);
    s.maxComposite = (110.0f - s.setup) / (100.0f - s.setup);
    fillGammaTable(s);
    return s;
}

VideoStandard makePal()
{
    VideoStandard s{{0.2989f, 0.5866f, 0.1144f}, {-0.1473f, -0.2891f, 0.4364f}, {0.6149f, -0.5145f, -0.1004f}, 0.0f,
                    2.8f, 50.0f * 0.01f, 110.0f * 0.01f, {}};
    fillGammaTable(s);
    return s;
}

const VideoStandard g_ntsc = makeNtsc();
const VideoStandard g_pal = makePal();
// The process's standard; configure of a PAL filter moves it, nothing moves it back.
const VideoStandard* g_current = &g_ntsc;

// Whether rows of width pixels, stride bytes apart, lie within the image's data.
bool fitsData(const zkImage& image, int bytesPerPixel)
{
    const long long width = image.getWidth(), height = image.getHeight(), stride = image.getStride();
    if (width <= 0 || height <= 0) return true;
    return bytesPerPixel * width <= stride && (height - 1) * stride + bytesPerPixel * width <= image.getDataSize();
}

float dot(const float row[3], float r, float g, float b) { return row[0] * r + row[1] * g + row[2] * b; }

} // namespace

const VideoStandard& ntscStandard() { return g_ntsc; }
const VideoStandard& palStandard() { return g_pal; }

bool filterPixel(const VideoStandard& s, uint8_t& red, uint8_t& green, uint8_t& blue)
{
    const float vr = s.gammaTable[red], vg = s.gammaTable[green], vb = s.gammaTable[blue];
    const float y = dot(s.luma, vr, vg, vb);
    const float c1 = dot(s.chroma1, vr, vg, vb);
    const float c2 = dot(s.chroma2, vr, vg, vb);
    const float chroma2 = c1 * c1 + c2 * c2;
    const float headroom = s.maxComposite - y;
    if (!(chroma2 > s.maxChroma * s.maxChroma) && !(chroma2 > headroom * headroom)) return false;

    const float c = std::hypot(c1, c2);
    const float chromaScale = s.maxChroma / c;
    const float compositeScale = s.maxComposite / (y + c);
    const float scale = compositeScale < chromaScale ? compositeScale : chromaScale;
    const float t = std::pow(scale, s.gamma);
    red = static_cast<uint8_t>(static_cast<int>(255.0f * vr * t + 0.5f));
    green = static_cast<uint8_t>(static_cast<int>(255.0f * vg * t + 0.5f));
    blue = static_cast<uint8_t>(static_cast<int>(255.0f * vb * t + 0.5f));
    return true;
}

const VideoStandard& veskoNTSCFilter::CurrentStandard() { return *g_current; }

bool veskoNTSCFilter::configure(int)
{
    if (!_ntsc) g_current = &g_pal;
    return true;
}

zkMetaObject* veskoNTSCFilter::getVisitedObjectMeta()
{
    return zkTextureAttr::getClassTypeSafe();
}

void veskoNTSCFilter::visitor(zkObject* object)
{
    zkTextureAttr* texture = zkTextureAttr::dynamicCast(object);
    if (!texture || texture->getImageCount() == 0) return;
    const VideoStandard& standard = *g_current;
    for (int i = 0; i < texture->getImageCount(); ++i) {
        zkImage* image = texture->getImage(i);
        if (!image || image->isIndexed()) continue;
        image->makeAbstract(zkImage::getClassTypeSafe());
        int positions[4];
        const int bytesPerPixel = texelBytes(*image);
        const int width = image->getWidth(), height = image->getHeight(), stride = image->getStride();
        // Images without separate colour bytes (luminance, alpha only) cannot be hot: equal
        // components carry no chroma and at most full luma.
        const bool walkable = image->getIndexFromComponentOrder(image->getOrder(), positions) && positions[0] >= 0 &&
                              positions[1] >= 0 && positions[2] >= 0 && bytesPerPixel > 0 &&
                              fitsData(*image, bytesPerPixel);
        long long hot = 0;
        if (walkable) {
            uint8_t* row = image->getData();
            for (int y = 0; y < height; ++y, row += stride) {
                uint8_t* pixel = row;
                for (int x = 0; x < width; ++x, pixel += bytesPerPixel) {
                    uint8_t r = pixel[positions[0]], g = pixel[positions[1]], b = pixel[positions[2]];
                    if (!filterPixel(standard, r, g, b)) continue;
                    pixel[positions[0]] = r;
                    pixel[positions[1]] = g;
                    pixel[positions[2]] = b;
                    ++hot;
                }
            }
        }
        image->makeConcrete(zkImage::getClassTypeSafe());
        if (hot > 0)
            printf("%.2f%% Hot NTSC: %s\n", 100.0 * static_cast<double>(hot) / (static_cast<double>(width) * height),
                   image->getName());
    }
}

} // namespace Tam::OptExtension
