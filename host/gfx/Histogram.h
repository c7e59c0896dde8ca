// Integer histograms of one image component.
#pragma once

#include "host/gfx/Pixels.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Tam::Gfx {

// Bins of equal width over [minimum, maximum); values outside are not counted.
class IntHistogram {
  public:
    // False (and the histogram left empty) unless minimum < maximum and 1 <= bins <= maximum - minimum.
    bool initialize(int minimum, int maximum, int bins);
    // Counts one value; false when it falls outside the range.
    bool add(int value, uint64_t samples = 1);
    void clear();

    int getBinCount() const { return int(_counts.size()); }
    int getMinimum() const { return _minimum; }
    int getMaximum() const { return _maximum; }
    // Samples in a bin; 0 for a bin outside the histogram.
    uint64_t getSampleCount(int bin) const;
    uint64_t getTotalSampleCount() const { return _total; }
    // The bin that holds a value, or -1.
    int binOf(int value) const;

  private:
    int _minimum = 0, _maximum = 0;
    std::vector<uint64_t> _counts;
    uint64_t _total = 0;
};

// Adds every texel's value of `component` (red, green, blue, alpha, luminance or, for
// indexed images, index) to `histogram`, which must be initialized. Colours are the
// decoded 8-bit values; formats without alpha count as opaque (255).
bool computeHistogram(const PixelImage& image, uint32_t component, IntHistogram& histogram,
                      std::string* error = nullptr);

} // namespace Tam::Gfx
