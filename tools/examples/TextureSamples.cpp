#include "tools/examples/TextureSamples.h"

#include <algorithm>
#include <cmath>

namespace Tam::Examples {

namespace {

struct Random {
    uint32_t state;
    uint32_t next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    double unit() { return next() / double(1u << 24); }
};

uint8_t clampByte(double v) { return uint8_t(std::clamp(v, 0.0, 255.0)); }

// Smooth noise: bilinear interpolation of a random lattice, summed over four octaves.
class ValueNoise {
public:
    explicit ValueNoise(uint32_t seed)
    {
        Random r{seed};
        for (double& v : m_lattice) v = r.unit();
    }
    double at(double x, double y) const
    {
        double sum = 0, amplitude = 0.5;
        for (int octave = 0; octave < 4; ++octave, x *= 2, y *= 2, amplitude /= 2) sum += amplitude * single(x, y);
        return sum;
    }

private:
    double single(double x, double y) const
    {
        const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        auto v = [&](int i, int j) { return m_lattice[((j & 63) * 64 + (i & 63))]; };
        const double top = v(x0, y0) * (1 - fx) + v(x0 + 1, y0) * fx;
        const double bottom = v(x0, y0 + 1) * (1 - fx) + v(x0 + 1, y0 + 1) * fx;
        return top * (1 - fy) + bottom * fy;
    }
    double m_lattice[64 * 64];
};

void landscapePixel(const ValueNoise& noise, Random& grain, double u, double v, uint8_t* out)
{
    const double horizon = 0.45 + 0.12 * std::sin(u * 6.0) + 0.08 * noise.at(u * 4, 0.5);
    double r, g, b;
    if (v < horizon) {
        const double t = v / horizon;
        const double cloud = std::max(0.0, noise.at(u * 6, v * 10) - 0.45) * 2.0;
        r = 70 + 120 * t + 140 * cloud;
        g = 120 + 90 * t + 130 * cloud;
        b = 200 + 40 * t + 100 * cloud;
    } else {
        const double t = (v - horizon) / (1 - horizon);
        const double grass = noise.at(u * 24, v * 24);
        r = 60 + 80 * grass + 40 * t;
        g = 90 + 110 * grass - 30 * t;
        b = 30 + 40 * grass;
    }
    const double n = (grain.unit() - 0.5) * 12;
    out[0] = clampByte(r + n);
    out[1] = clampByte(g + n);
    out[2] = clampByte(b + n);
}

} // namespace

std::vector<uint8_t> photoLikeRGB(int width, int height, uint32_t seed)
{
    std::vector<uint8_t> pixels(std::size_t(width) * height * 3);
    ValueNoise noise(seed);
    Random grain{seed ^ 0x9e3779b9u};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            landscapePixel(noise, grain, double(x) / width, double(y) / height, &pixels[(std::size_t(y) * width + x) * 3]);
    return pixels;
}

std::vector<uint8_t> softAlphaRGBA(int width, int height, uint32_t seed)
{
    std::vector<uint8_t> pixels(std::size_t(width) * height * 4);
    ValueNoise noise(seed);
    Random grain{seed ^ 0x85ebca6bu};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = &pixels[(std::size_t(y) * width + x) * 4];
            const double u = double(x) / width, v = double(y) / height;
            landscapePixel(noise, grain, u, v, px);
            const double d = std::hypot(u - 0.5, v - 0.5) * 2; // 0 centre, 1 at the edge midpoints
            px[3] = clampByte(255 * std::clamp((1.0 - d) * 3.0, 0.0, 1.0));
        }
    return pixels;
}

std::vector<uint8_t> iconRGBA(int width, int height)
{
    static const uint8_t colours[][4] = {{200, 30, 40, 255},  {240, 200, 60, 255}, {30, 30, 30, 255},
                                         {250, 250, 250, 255}, {40, 90, 200, 255},  {120, 20, 30, 255}};
    std::vector<uint8_t> pixels(std::size_t(width) * height * 4, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width * 2 - 1, v = (y + 0.5) / height * 2 - 1;
            const double edge = v < 0 ? 0.8 : 0.8 * (1 - v * v); // a shield: straight top, round bottom
            int colour = -1;
            if (std::fabs(u) <= edge + 0.1 && v > -0.9 && v < 0.95) colour = 2; // outline
            if (std::fabs(u) <= edge && v > -0.8 && v < 0.85) colour = (u < 0) == (v < 0.1) ? 0 : 3;
            if (colour >= 0 && std::hypot(u, v - 0.05) < 0.25) colour = 1;       // boss
            if (colour >= 0 && std::hypot(u, v - 0.05) < 0.1) colour = 4;
            if (colour == 0 && v > 0.5) colour = 5;
            if (colour >= 0) std::copy(colours[colour], colours[colour] + 4, &pixels[(std::size_t(y) * width + x) * 4]);
        }
    return pixels;
}

std::vector<uint8_t> environmentRGB(int width, int height)
{
    std::vector<uint8_t> pixels(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double sun = std::exp(-60 * (std::pow(u - 0.7, 2) + std::pow(v - 0.3, 2)));
            uint8_t* px = &pixels[(std::size_t(y) * width + x) * 3];
            px[0] = clampByte(90 + 120 * v + 160 * sun);
            px[1] = clampByte(140 + 80 * v + 140 * sun);
            px[2] = clampByte(230 - 60 * v + 40 * sun);
        }
    return pixels;
}

std::vector<uint8_t> randomPixels(int width, int height, int bytesPerPixel, uint32_t seed)
{
    std::vector<uint8_t> pixels(std::size_t(width) * height * bytesPerPixel);
    Random r{seed};
    for (uint8_t& b : pixels) b = uint8_t(r.next());
    return pixels;
}

Core::zkSmartPointer<Gfx::zkImage> makeImage(const char* name, int format, int width, int height,
                                             const std::vector<uint8_t>& pixels)
{
    auto image = Core::zkCreate<Gfx::zkImage>();
    image->setName(name);
    image->load(pixels.data(), format, width, height);
    return image;
}

Attrs::zkTextureAttr* attachTexture(Sg::zkGroup* parent, Gfx::zkImage* image)
{
    auto texture = Core::zkCreate<Attrs::zkTextureAttr>();
    texture->setImage(image, 0);
    auto bind = Core::zkCreate<Attrs::zkTextureBindAttr>();
    bind->setTexture(texture);
    auto set = Core::zkCreate<Sg::zkAttrSet>();
    set->setName(image->getName());
    set->appendAttr(bind);
    parent->appendChild(set);
    return texture.get();
}

Core::zkSmartPointer<Sg::zkFileInfo> buildTextureScene()
{
    auto file = Core::zkCreate<Sg::zkFileInfo>();
    file->setName("textures");
    auto root = Core::zkCreate<Sg::zkGroup>();
    root->setName("textures");
    auto info = Core::zkCreate<Sg::zkSceneInfo>();
    info->setName("textures");
    info->setRoot(root);
    file->getInfoList()->append(info);
    struct Texture {
        const char* name;
        int format, size, tag;
        std::vector<uint8_t> pixels;
    };
    const Texture textures[] = {
        {"textures/meadow.tga", 5, 64, 1, photoLikeRGB(64, 64, 11)},
        {"textures/decal_leaf.tga", 7, 32, 1, softAlphaRGBA(32, 32, 12)},
        {"ui/icon_shield.tga", 7, 32, 0, iconRGBA(32, 32)},
        {"sky_env.tga", 5, 32, 1, environmentRGB(32, 32)},
    };
    for (const Texture& t : textures)
        attachTexture(root.get(), makeImage(t.name, t.format, t.size, t.size, t.pixels).get())->setMipmapTag(t.tag);
    return file;
}

} // namespace Tam::Examples
