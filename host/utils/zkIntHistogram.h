// A histogram of integer samples, filled from an image component.
#pragma once
#include "host/core/zkClass.h"
#include "host/gfx/Histogram.h"

namespace Tam::Utils {

class zkIntHistogram : public Core::zkObject {
    ZK_CLASS(zkIntHistogram, Core::zkObject)
public:
    // Bins of equal width over [minimum, maximum).
    bool initialize(int minimum, int maximum, int bins) { return m_histogram.initialize(minimum, maximum, bins); }
    int getBinCount() const { return m_histogram.getBinCount(); }
    int getSampleCount(int bin) const { return static_cast<int>(m_histogram.getSampleCount(bin)); }
    int getTotalSampleCount() const { return static_cast<int>(m_histogram.getTotalSampleCount()); }
    Gfx::IntHistogram& histogram() { return m_histogram; }

private:
    Gfx::IntHistogram m_histogram;
};

} // namespace Tam::Utils
