#include "host/gfx/Histogram.h"
#include "host/gfx/NoThrow.h"

#include <algorithm>

namespace Tam::Gfx {

bool IntHistogram::initialize(int minimum, int maximum, int bins) {
    return detail::noThrow(nullptr, [&] {
        _counts.clear();
        _total = 0;
        _minimum = _maximum = 0;
        if (minimum >= maximum || bins < 1 || int64_t(bins) > int64_t(maximum) - minimum) return false;
        _minimum = minimum;
        _maximum = maximum;
        _counts.assign(size_t(bins), 0);
        return true;
    });
}

int IntHistogram::binOf(int value) const {
    if (_counts.empty() || value < _minimum || value >= _maximum) return -1;
    return int((int64_t(value) - _minimum) * int64_t(_counts.size()) / (int64_t(_maximum) - _minimum));
}

bool IntHistogram::add(int value, uint64_t samples) {
    int bin = binOf(value);
    if (bin < 0) return false;
    _counts[size_t(bin)] += samples;
    _total += samples;
    return true;
}

void IntHistogram::clear() {
    std::fill(_counts.begin(), _counts.end(), 0);
    _total = 0;
}

uint64_t IntHistogram::getSampleCount(int bin) const {
    return bin >= 0 && size_t(bin) < _counts.size() ? _counts[size_t(bin)] : 0;
}

bool computeHistogram(const PixelImage& image, uint32_t component, IntHistogram& histogram, std::string* error) {
    return detail::noThrow(error, [&] {
        if (histogram.getBinCount() == 0) {
            if (error) *error = "histogram is not initialized";
            return false;
        }
        if (component > kComponentIndex) {
            if (error) *error = "unknown image component " + std::to_string(component);
            return false;
        }
        if (component == kComponentIndex) {
            if (!isIndexed(image.format)) {
                if (error)
                    *error = "image of " +
                             std::string(formatName(image.format) ? formatName(image.format) : "unknown format") +
                             " has no index component";
                return false;
            }
            if (!validate(image, error)) return false;
            uint64_t counts[256] = {};
            const size_t n = size_t(image.width) * image.height;
            for (size_t i = 0; i < n; ++i)
                ++counts[image.format == kFormatIndexed8 ? image.pixels[i]
                                                         : (image.pixels[i / 2] >> (4 * (i & 1))) & 15];
            for (int v = 0; v < 256; ++v)
                if (counts[v]) histogram.add(v, counts[v]);
            return true;
        }
        std::vector<uint8_t> rgba;
        if (!decodeToRGBA(image, rgba, error)) return false;
        // Count per value first: one pass over the texels, 256 histogram updates.
        uint64_t counts[256] = {};
        if (component == kComponentLuminance) {
            for (size_t i = 0; i < rgba.size(); i += 4)
                ++counts[(77u * rgba[i] + 150u * rgba[i + 1] + 29u * rgba[i + 2] + 128u) >> 8];
        } else {
            for (size_t i = component; i < rgba.size(); i += 4)
                ++counts[rgba[i]];
        }
        for (int v = 0; v < 256; ++v)
            if (counts[v]) histogram.add(v, counts[v]);
        return true;
    });
}

} // namespace Tam::Gfx
