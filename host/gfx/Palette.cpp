#include "host/gfx/Palette.h"
#include "host/gfx/NoThrow.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace Tam::Gfx {
namespace {

uint32_t packColour(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint8_t channel(uint32_t colour, int c) { return uint8_t(colour >> (8 * c)); }

struct ColourCount {
    uint32_t colour;
    uint32_t count;
};

// A box of the median cut: a run of the colour array.
struct Box {
    size_t begin, end;
    int widestChannel;
    int range;
};

void measure(const std::vector<ColourCount>& colours, Box& box) {
    std::array<int, 4> lo{255, 255, 255, 255}, hi{0, 0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i)
        for (int c = 0; c < 4; ++c) {
            int v = channel(colours[i].colour, c);
            lo[c] = std::min(lo[c], v);
            hi[c] = std::max(hi[c], v);
        }
    box.widestChannel = 0;
    box.range = -1;
    for (int c = 0; c < 4; ++c)
        if (hi[c] - lo[c] > box.range) {
            box.range = hi[c] - lo[c];
            box.widestChannel = c;
        }
}

// Splits the colours of a box at the texel-weighted median of its widest channel.
std::pair<Box, Box> split(std::vector<ColourCount>& colours, const Box& box) {
    int c = box.widestChannel;
    std::sort(colours.begin() + long(box.begin), colours.begin() + long(box.end),
              [c](const ColourCount& a, const ColourCount& b) {
                  uint8_t va = channel(a.colour, c), vb = channel(b.colour, c);
                  return va != vb ? va < vb : a.colour < b.colour;
              });
    uint64_t total = 0;
    for (size_t i = box.begin; i < box.end; ++i)
        total += colours[i].count;
    uint64_t running = 0;
    size_t cut = box.begin + 1;
    for (size_t i = box.begin; i + 1 < box.end; ++i) {
        running += colours[i].count;
        cut = i + 1;
        if (2 * running >= total) break;
    }
    Box a{box.begin, cut, 0, 0}, b{cut, box.end, 0, 0};
    measure(colours, a);
    measure(colours, b);
    return {a, b};
}

uint32_t distance2(uint32_t a, const uint8_t* entry) {
    uint32_t d = 0;
    for (int c = 0; c < 4; ++c) {
        int e = int(channel(a, c)) - int(entry[c]);
        d += uint32_t(e * e);
    }
    return d;
}

} // namespace

bool quantizePalette(const uint8_t* rgba, size_t count, uint32_t entries, std::vector<uint8_t>& palette,
                     std::vector<uint8_t>& indices, std::string* error) {
    return detail::noThrow(error, [&] {
        if (entries < 2 || entries > 256) {
            if (error) *error = "palette size " + std::to_string(entries) + " is outside 2..256";
            return false;
        }
        if (count > 0 && !rgba) {
            if (error) *error = "no texels to quantize";
            return false;
        }
        std::vector<uint8_t> pal(size_t(entries) * 4, 0);
        for (uint32_t i = 0; i < entries; ++i)
            pal[4 * i + 3] = 255;
        std::vector<uint8_t> idx(count);

        // Exact palette while the colours fit.
        std::unordered_map<uint32_t, uint8_t> exact;
        bool fits = true;
        for (size_t i = 0; i < count; ++i) {
            uint32_t key = packColour(rgba + 4 * i);
            auto it = exact.find(key);
            if (it == exact.end()) {
                if (exact.size() == entries) {
                    fits = false;
                    break;
                }
                uint8_t n = uint8_t(exact.size());
                std::copy(rgba + 4 * i, rgba + 4 * i + 4, pal.begin() + 4 * n);
                it = exact.emplace(key, n).first;
            }
            idx[i] = it->second;
        }
        if (fits) {
            palette = std::move(pal);
            indices = std::move(idx);
            return true;
        }

        // Median cut over the distinct colours, weighted by texel count.
        std::unordered_map<uint32_t, uint32_t> counts;
        for (size_t i = 0; i < count; ++i)
            ++counts[packColour(rgba + 4 * i)];
        std::vector<ColourCount> colours;
        colours.reserve(counts.size());
        for (const auto& [colour, n] : counts)
            colours.push_back({colour, n});
        std::sort(colours.begin(), colours.end(),
                  [](const ColourCount& a, const ColourCount& b) { return a.colour < b.colour; });

        std::vector<Box> boxes{{0, colours.size(), 0, 0}};
        measure(colours, boxes[0]);
        while (boxes.size() < entries) {
            size_t widest = boxes.size();
            for (size_t b = 0; b < boxes.size(); ++b)
                if (boxes[b].end - boxes[b].begin > 1 &&
                    (widest == boxes.size() || boxes[b].range > boxes[widest].range))
                    widest = b;
            if (widest == boxes.size()) break;
            auto [a, b] = split(colours, boxes[widest]);
            boxes[widest] = a;
            boxes.push_back(b);
        }
        for (size_t b = 0; b < boxes.size(); ++b) {
            std::array<uint64_t, 4> sum{};
            uint64_t n = 0;
            for (size_t i = boxes[b].begin; i < boxes[b].end; ++i) {
                for (int c = 0; c < 4; ++c)
                    sum[c] += uint64_t(channel(colours[i].colour, c)) * colours[i].count;
                n += colours[i].count;
            }
            for (int c = 0; c < 4; ++c)
                pal[4 * b + c] = uint8_t((sum[c] + n / 2) / n);
        }

        std::unordered_map<uint32_t, uint8_t> nearest;
        nearest.reserve(colours.size());
        for (const ColourCount& cc : colours) {
            uint32_t best = 0, bestDistance = UINT32_MAX;
            for (uint32_t e = 0; e < boxes.size(); ++e) {
                uint32_t d = distance2(cc.colour, pal.data() + 4 * e);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = e;
                }
            }
            nearest.emplace(cc.colour, uint8_t(best));
        }
        for (size_t i = 0; i < count; ++i)
            idx[i] = nearest[packColour(rgba + 4 * i)];
        palette = std::move(pal);
        indices = std::move(idx);
        return true;
    });
}

} // namespace Tam::Gfx
