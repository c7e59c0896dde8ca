#include "image/PaletteQuantizer.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Tam::OptExtension {

namespace {

constexpr int kScaled = 4080; // 255 scaled by 16
constexpr int kFixedEntries = 3;
constexpr int kStartRadius = 2048;
constexpr int kStartRad = 32;
constexpr int kStartAlpha = 1024;

// Eight neurons at a time. The contest is the whole cost of learning, so it is built twice, for
// AVX2 and for the baseline, and the loader picks one.
typedef int32_t Lanes __attribute__((vector_size(32)));
constexpr int kLanes = 8;

// |component - sample| of neurons i to i+7. Vectors go by reference: passed by value their layout
// would depend on the clone's instruction set.
__attribute__((always_inline)) inline void distances(const int32_t* c0, const int32_t* c1, const int32_t* c2,
                                                     const int32_t* ca, int i, int s0, int s1, int s2, int sa,
                                                     Lanes& d0, Lanes& d1, Lanes& d2, Lanes& da)
{
    std::memcpy(&d0, c0 + i, sizeof d0);
    std::memcpy(&d1, c1 + i, sizeof d1);
    std::memcpy(&d2, c2 + i, sizeof d2);
    std::memcpy(&da, ca + i, sizeof da);
    d0 -= s0;
    d1 -= s1;
    d2 -= s2;
    da -= sa;
    d0 = d0 < 0 ? -d0 : d0;
    d1 = d1 < 0 ? -d1 : d1;
    d2 = d2 < 0 ? -d2 : d2;
    da = da < 0 ? -da : da;
}

struct ContestResult {
    int best, bestBias;
};

// Lane l holds the best of neurons l, l+8, l+16, ... with the first one kept on ties; the lanes
// are then merged by value and, on ties, by the lower neuron index, which is the first one.
__attribute__((target_clones("avx2", "default"))) ContestResult runContest(
    const int32_t* c0, const int32_t* c1, const int32_t* c2, const int32_t* ca, int32_t* bias, int32_t* freq, int s0,
    int s1, int s2, int sa)
{
    Lanes bestDist = Lanes{} + INT_MAX, bestBiasDist = Lanes{} + INT_MAX;
    Lanes bestIndex = {}, bestBiasIndex = {};
    Lanes index = {0, 1, 2, 3, 4, 5, 6, 7};
    for (int i = 0; i < PaletteQuantizer::kNeurons; i += kLanes) {
        Lanes d0, d1, d2, da, b, f;
        distances(c0, c1, c2, ca, i, s0, s1, s2, sa, d0, d1, d2, da);
        std::memcpy(&b, bias + i, sizeof b);
        std::memcpy(&f, freq + i, sizeof f);
        const Lanes dist = d0 + d1 + d2 + da;
        const Lanes biasDist = dist - (b >> 12);
        const Lanes closer = dist < bestDist;
        bestDist = closer ? dist : bestDist;
        bestIndex = closer ? index : bestIndex;
        const Lanes closerBiased = biasDist < bestBiasDist;
        bestBiasDist = closerBiased ? biasDist : bestBiasDist;
        bestBiasIndex = closerBiased ? index : bestBiasIndex;
        const Lanes betaFreq = f >> 10;
        f -= betaFreq;
        b += betaFreq << 10;
        std::memcpy(freq + i, &f, sizeof f);
        std::memcpy(bias + i, &b, sizeof b);
        index += kLanes;
    }
    ContestResult r{bestIndex[0], bestBiasIndex[0]};
    int d = bestDist[0], bd = bestBiasDist[0];
    for (int l = 1; l < kLanes; ++l) {
        if (bestDist[l] < d || (bestDist[l] == d && bestIndex[l] < r.best)) d = bestDist[l], r.best = bestIndex[l];
        if (bestBiasDist[l] < bd || (bestBiasDist[l] == bd && bestBiasIndex[l] < r.bestBias))
            bd = bestBiasDist[l], r.bestBias = bestBiasIndex[l];
    }
    return r;
}

// The lookup's answer without its walk. The ordered search walks up from a start position and
// down from the one below it, alternately, and keeps the first neuron of smallest distance it
// meets; a direction stops only where no neuron further on could be nearer. So its answer is the
// neuron of smallest distance, ties going to the one met first: the k-th neuron up has rank 2k,
// the k-th down rank 2k+1. Scanning all 256 with that rank in the low bits of the key gives the
// same neuron, much faster than the branchy walk on photo-like pictures.
__attribute__((target_clones("avx2", "default"))) int nearestPosition(const int32_t* c0, const int32_t* c1,
                                                                      const int32_t* c2, const int32_t* ca,
                                                                      bool withAlpha, int s0, int s1, int s2,
                                                                      int sa, int start)
{
    const int alphaMask = withAlpha ? -1 : 0;
    Lanes bestKey = Lanes{} + INT_MAX;
    Lanes offset = Lanes{0, 1, 2, 3, 4, 5, 6, 7} - start;
    for (int i = 0; i < PaletteQuantizer::kNeurons; i += kLanes) {
        Lanes d0, d1, d2, da;
        distances(c0, c1, c2, ca, i, s0, s1, s2, sa, d0, d1, d2, da);
        const Lanes dist = d0 + d1 + d2 + (da & alphaMask);
        const Lanes rank = offset < 0 ? -2 * offset - 1 : 2 * offset;
        const Lanes key = dist << 9 | rank; // distances are at most 1020, ranks below 512
        bestKey = key < bestKey ? key : bestKey;
        offset += kLanes;
    }
    int key = bestKey[0];
    for (int l = 1; l < kLanes; ++l) key = std::min(key, int(bestKey[l]));
    const int rank = key & 511;
    return rank % 2 == 0 ? start + rank / 2 : start - 1 - rank / 2;
}

// Distinct colours seen so far, for the exact-colour pass: an open-addressed set of packed pixels.
class ColourSet {
public:
    // Answers whether the colour is new (and adds it).
    bool insert(uint32_t colour)
    {
        uint32_t slot = (colour * 2654435761u) >> (32 - kBits);
        while (m_used[slot]) {
            if (m_colours[slot] == colour) return false;
            slot = (slot + 1) & (kSlots - 1);
        }
        m_used[slot] = true;
        m_colours[slot] = colour;
        return true;
    }

private:
    static constexpr int kBits = 10;
    static constexpr uint32_t kSlots = 1u << kBits; // four times the colours it ever holds
    uint32_t m_colours[kSlots];
    bool m_used[kSlots] = {};
};

// Answers of the lookup by colour, for the mapping: pictures repeat their colours, and a lookup
// scans all 256 neurons. Direct-mapped; a slot holds the colour (with a bit that marks it used)
// and its palette index.
class LookupCache {
public:
    LookupCache() : m_slots(kSlots, 0) {}
    template <class Lookup>
    int find(int s0, int s1, int s2, int sa, Lookup lookup)
    {
        const uint64_t colour = uint64_t(uint32_t(s0) | uint32_t(s1) << 8 | uint32_t(s2) << 16 | uint32_t(sa) << 24);
        uint64_t& slot = m_slots[(colour * 0x9E3779B97F4A7C15ull) >> (64 - kBits)];
        if ((slot >> 8) == (colour | kUsed)) return int(slot & 0xff);
        const int index = lookup(s0, s1, s2, sa);
        slot = (colour | kUsed) << 8 | uint64_t(index);
        return index;
    }

private:
    static constexpr int kBits = 16;
    static constexpr size_t kSlots = size_t(1) << kBits;
    static constexpr uint64_t kUsed = uint64_t(1) << 32;
    std::vector<uint64_t> m_slots;
};

} // namespace

PaletteQuantizer& processPaletteQuantizer()
{
    static PaletteQuantizer quantizer;
    return quantizer;
}

bool PaletteQuantizer::initialise(const uint8_t* picture, int length, int samplingFactor, bool hasAlpha)
{
    m_picture = picture;
    m_length = length;
    m_samplingFactor = samplingFactor;
    m_hasAlpha = hasAlpha;
    const int b = hasAlpha ? 4 : 3;

    ColourSet seen;
    int stored = 0;
    bool overflow = false;
    for (int p = 0; p + b <= length; p += b) {
        const uint8_t* px = picture + p;
        const uint32_t colour = px[0] | px[1] << 8 | px[2] << 16 | uint32_t(hasAlpha ? px[3] : 255) << 24;
        if (!seen.insert(colour)) continue;
        if (stored == kNeurons) {
            overflow = true;
            break;
        }
        m_c0[stored] = px[0] << 4;
        m_c1[stored] = px[1] << 4;
        m_c2[stored] = px[2] << 4;
        m_ca[stored] = hasAlpha ? px[3] << 4 : kScaled;
        ++stored;
    }
    if (!overflow) {
        // Unused entries are opaque white; no pixel maps to them but by an equal colour.
        for (int i = stored; i < kNeurons; ++i) m_c0[i] = m_c1[i] = m_c2[i] = m_ca[i] = kScaled;
        return false;
    }
    for (int i = 0; i < kNeurons; ++i) {
        m_bias[i] = 0;
        m_freq[i] = 256;
        m_c0[i] = m_c1[i] = m_c2[i] = i << 4;
        m_ca[i] = hasAlpha ? i << 4 : 0;
    }
    const int32_t fixed[kFixedEntries][4] = {{0, 0, 0, 0}, {kScaled, kScaled, kScaled, kScaled}, {0, 0, 0, kScaled}};
    for (int i = 0; i < kFixedEntries; ++i) {
        m_c0[i] = fixed[i][0];
        m_c1[i] = fixed[i][1];
        m_c2[i] = fixed[i][2];
        m_ca[i] = fixed[i][3];
    }
    return true;
}

void PaletteQuantizer::learn()
{
    const int b = m_hasAlpha ? 4 : 3;
    const int alphaDecrease = 30 + (m_samplingFactor - 1) / b;
    const int samplePixels = m_length / (m_samplingFactor * b);
    const int delta = std::max(samplePixels / 100, 1);
    int alpha = kStartAlpha, radius = kStartRadius, rad = kStartRad;
    for (int i = 0; i < kStartRad; ++i) m_radpower[i] = ((1024 - i * i) * 256 / 1024) * 1024;

    const int64_t length = m_length;
    int64_t step;
    if (length % 499) step = 499 * b;
    else if (length % 491) step = 491 * b;
    else if (length % 487) step = 487 * b;
    else step = 503 * b;

    int64_t position = 0;
    for (int sample = 1; sample <= samplePixels; ++sample) {
        const uint8_t* px = m_picture + position;
        const int s0 = px[0] << 4, s1 = px[1] << 4, s2 = px[2] << 4;
        const int sa = m_hasAlpha ? px[3] << 4 : kScaled;
        const int j = contest(s0, s1, s2, sa);
        if (j >= kFixedEntries) {
            moveWinner(j, alpha, s0, s1, s2, sa);
            if (rad) moveNeighbours(j, rad, s0, s1, s2, sa);
        }
        // Small pictures can be shorter than one step: nothing is read outside them.
        position += step;
        while (position >= length) position -= length;
        if (sample % delta == 0) {
            alpha -= alpha / alphaDecrease;
            radius -= radius / 30;
            rad = radius >> 6;
            if (rad <= 1) rad = 0;
            for (int k = 0; k < rad; ++k) m_radpower[k] = alpha * ((rad * rad - k * k) * 256 / (rad * rad));
        }
    }
}

int PaletteQuantizer::contest(int s0, int s1, int s2, int sa)
{
    const ContestResult r = runContest(m_c0, m_c1, m_c2, m_ca, m_bias, m_freq, s0, s1, s2, sa);
    m_freq[r.best] += 64;
    m_bias[r.best] -= 65536;
    return r.bestBias;
}

void PaletteQuantizer::moveWinner(int j, int alpha, int s0, int s1, int s2, int sa)
{
    m_c0[j] -= (m_c0[j] - s0) * alpha / 1024;
    m_c1[j] -= (m_c1[j] - s1) * alpha / 1024;
    m_c2[j] -= (m_c2[j] - s2) * alpha / 1024;
    m_ca[j] -= (m_ca[j] - sa) * alpha / 1024;
}

void PaletteQuantizer::moveNeighbours(int j, int rad, int s0, int s1, int s2, int sa)
{
    const int lo = std::max(j - rad, kFixedEntries), hi = std::min(j + rad, kNeurons);
    auto move = [&](int n, int a) {
        m_c0[n] -= (m_c0[n] - s0) * a / 262144;
        m_c1[n] -= (m_c1[n] - s1) * a / 262144;
        m_c2[n] -= (m_c2[n] - s2) * a / 262144;
        m_ca[n] -= (m_ca[n] - sa) * a / 262144;
    };
    int up = j + 1, down = j - 1, k = 1;
    while (up < hi || down > lo) {
        const int a = m_radpower[k++];
        if (up < hi) move(up++, a);
        if (down > lo) move(down--, a);
    }
}

void PaletteQuantizer::unbias()
{
    for (int i = 0; i < kNeurons; ++i) {
        m_c0[i] >>= 4;
        m_c1[i] >>= 4;
        m_c2[i] >>= 4;
        m_ca[i] >>= 4;
        m_index[i] = i;
    }
}

void PaletteQuantizer::writePalette(uint8_t* palette) const
{
    for (int i = 0; i < kNeurons; ++i) {
        palette[4 * i] = uint8_t(m_c2[i]);
        palette[4 * i + 1] = uint8_t(m_c1[i]);
        palette[4 * i + 2] = uint8_t(m_c0[i]);
        palette[4 * i + 3] = uint8_t(m_ca[i]);
    }
}

void PaletteQuantizer::buildIndex()
{
    int previous = 0, start = 0;
    for (int i = 0; i < kNeurons; ++i) {
        int smallest = i;
        for (int j = i + 1; j < kNeurons; ++j)
            if (m_c1[j] < m_c1[smallest]) smallest = j;
        if (smallest != i) {
            std::swap(m_c0[i], m_c0[smallest]);
            std::swap(m_c1[i], m_c1[smallest]);
            std::swap(m_c2[i], m_c2[smallest]);
            std::swap(m_ca[i], m_ca[smallest]);
            std::swap(m_index[i], m_index[smallest]);
        }
        const int value = m_c1[i];
        if (value != previous) {
            m_netindex[previous] = (start + i) >> 1;
            for (int v = previous + 1; v < value; ++v) m_netindex[v] = i;
            previous = value;
            start = i;
        }
    }
    m_netindex[previous] = (start + kNeurons - 1) >> 1;
    for (int v = previous + 1; v < 256; ++v) m_netindex[v] = kNeurons - 1;
}

int PaletteQuantizer::lookup(int s0, int s1, int s2, int sa) const
{
    return m_index[nearestPosition(m_c0, m_c1, m_c2, m_ca, m_hasAlpha, s0, s1, s2, sa, m_netindex[s1])];
}

void PaletteQuantizer::mapPixels(uint8_t* out, int width, int height, int stride) const
{
    const int b = m_hasAlpha ? 4 : 3;
    LookupCache cache;
    auto find = [&](int s0, int s1, int s2, int sa) {
        return cache.find(s0, s1, s2, sa, [this](int c0, int c1, int c2, int ca) { return lookup(c0, c1, c2, ca); });
    };
    for (int y = 0; y < height; ++y) {
        const uint8_t* px = m_picture + int64_t(y) * stride;
        for (int x = 0; x < width; ++x, px += b) {
            int index;
            if (!m_hasAlpha) index = find(px[0], px[1], px[2], 0);
            else if (px[3] == 0) index = find(0, 0, 0, 0);
            else index = find(px[0], px[1], px[2], px[3]);
            *out++ = uint8_t(index);
        }
    }
}

void PaletteQuantizer::mapReduced(uint8_t* out, int width, int height, int stride) const
{
    const int b = m_hasAlpha ? 4 : 3;
    LookupCache cache;
    for (int y = 0; y < height / 2; ++y) {
        const uint8_t* row0 = m_picture + int64_t(2 * y) * stride;
        const uint8_t* row1 = row0 + stride;
        for (int x = 0; x < width / 2; ++x) {
            const uint8_t* block[4] = {row0 + 2 * x * b, row1 + 2 * x * b, row0 + (2 * x + 1) * b,
                                       row1 + (2 * x + 1) * b};
            int sum[3] = {0, 0, 0}, alphaSum = 0, counted = 0;
            for (const uint8_t* px : block) {
                if (m_hasAlpha) alphaSum += px[3];
                if (m_hasAlpha && px[3] == 0) continue;
                for (int c = 0; c < 3; ++c) sum[c] += px[c];
                ++counted;
            }
            int colour[3] = {0, 0, 0};
            if (counted)
                for (int c = 0; c < 3; ++c) colour[c] = sum[c] / counted;
            *out++ = uint8_t(cache.find(colour[0], colour[1], colour[2], alphaSum / 4,
                                        [this](int c0, int c1, int c2, int ca) { return lookup(c0, c1, c2, ca); }));
        }
    }
}

} // namespace Tam::OptExtension
