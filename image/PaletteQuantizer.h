// The 8-bit palette quantizer: a self-organising network of 256 neurons that learns the colours of
// a picture (three colour components and alpha, scaled by 16), then a search index on component 1
// that maps pixels to their nearest neuron. All learning arithmetic is integer and the order of
// samples and updates is fixed, so a picture always gives the same palette and indices.
//
// Calls go in this order: initialise, learn (when initialise asks for it), unbias, writePalette,
// buildIndex, then mapPixels or mapReduced.
#pragma once
#include <cstdint>

namespace Tam::OptExtension {

class PaletteQuantizer {
public:
    static constexpr int kNeurons = 256;

    // Takes the picture (tight pixels of 4 bytes with alpha, else 3) and fills the network: with
    // the picture's own colours in order of first appearance when it has at most 256 (answers
    // false: no learning), else with the starting grey ramp and the three fixed entries black
    // transparent, white and black opaque (answers true). The picture must outlive the calls.
    bool initialise(const uint8_t* picture, int length, int samplingFactor, bool hasAlpha);
    void learn();
    // Brings the components back to byte range and numbers the neurons by position.
    void unbias();
    // 256 entries of 4 bytes: components 2, 1, 0 and alpha of each neuron, so colour bytes come
    // out in reverse order against the pixels.
    void writePalette(uint8_t* palette) const;
    void buildIndex();
    // The palette index nearest to a pixel (unscaled components; alpha counts only with alpha).
    int lookup(int s0, int s1, int s2, int sa) const;
    // One index per pixel of the initialised picture, rows stride bytes apart. A pixel with
    // alpha 0 is looked up as colour 0.
    void mapPixels(uint8_t* out, int width, int height, int stride) const;
    // One index per 2x2 block, (width/2) x (height/2) of them: the block's mean colour over its
    // non-transparent pixels with the mean alpha of all four.
    void mapReduced(uint8_t* out, int width, int height, int stride) const;

private:
    int contest(int s0, int s1, int s2, int sa);
    void moveWinner(int j, int alpha, int s0, int s1, int s2, int sa);
    void moveNeighbours(int j, int rad, int s0, int s1, int s2, int sa);

    // The network by component, so that the contest runs over whole rows.
    alignas(32) int32_t m_c0[kNeurons], m_c1[kNeurons], m_c2[kNeurons], m_ca[kNeurons];
    alignas(32) int32_t m_bias[kNeurons], m_freq[kNeurons];
    int32_t m_index[kNeurons];
    int32_t m_radpower[32];
    int32_t m_netindex[256];
    const uint8_t* m_picture = nullptr;
    int m_length = 0;
    int m_samplingFactor = 1;
    bool m_hasAlpha = false;
};

// The quantizer's tables are one set for the whole process: one quantization at a time.
PaletteQuantizer& processPaletteQuantizer();

} // namespace Tam::OptExtension
