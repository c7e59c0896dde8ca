#include "quantize_oracle.h"

#include <cstdlib>

namespace Tam::Test {

namespace {

struct Oracle {
    int network[256][5]; // c0, c1, c2, ca, index
    int bias[256], freq[256], radpower[32], netindex[256];
    const uint8_t* picture;
    int length, samplingFactor;
    bool alpha;

    int bytes() const { return alpha ? 4 : 3; }

    bool initialise()
    {
        int count = 0;
        for (int p = 0; p < length; p += bytes()) {
            int s[4] = {picture[p] * 16, picture[p + 1] * 16, picture[p + 2] * 16, alpha ? picture[p + 3] * 16 : 4080};
            bool found = false;
            for (int i = 0; i < count && !found; ++i)
                found = network[i][0] == s[0] && network[i][1] == s[1] && network[i][2] == s[2] &&
                        (!alpha || network[i][3] == s[3]);
            if (found) continue;
            if (count == 256) {
                for (int i = 0; i < 256; ++i) {
                    bias[i] = 0;
                    freq[i] = 256;
                    network[i][0] = network[i][1] = network[i][2] = 16 * i;
                    network[i][3] = alpha ? 16 * i : 0;
                }
                const int fixed[3][4] = {{0, 0, 0, 0}, {4080, 4080, 4080, 4080}, {0, 0, 0, 4080}};
                for (int i = 0; i < 3; ++i)
                    for (int c = 0; c < 4; ++c) network[i][c] = fixed[i][c];
                return true;
            }
            for (int c = 0; c < 4; ++c) network[count][c] = s[c];
            ++count;
        }
        for (int i = count; i < 256; ++i) network[i][0] = network[i][1] = network[i][2] = network[i][3] = 4080;
        return false;
    }

    void learn()
    {
        const int b = bytes();
        const int alphadec = 30 + (samplingFactor - 1) / b;
        const int samplepixels = length / (samplingFactor * b);
        int delta = samplepixels / 100;
        if (delta == 0) delta = 1;
        int a = 1024, radius = 2048, rad = 32;
        for (int i = 0; i < 32; ++i) radpower[i] = ((1024 - i * i) * 256 / 1024) * 1024;
        int step = 503 * b;
        if (length % 499 != 0) step = 499 * b;
        else if (length % 491 != 0) step = 491 * b;
        else if (length % 487 != 0) step = 487 * b;
        int pos = 0;
        for (int n = 0; n < samplepixels;) {
            int s[4] = {picture[pos] * 16, picture[pos + 1] * 16, picture[pos + 2] * 16,
                        alpha ? picture[pos + 3] * 16 : 4080};
            int best = -1, bestbias = -1, bestd = 0x7fffffff, bestbiasd = 0x7fffffff;
            for (int i = 0; i < 256; ++i) {
                int dist = 0;
                for (int c = 0; c < 4; ++c) dist += std::abs(network[i][c] - s[c]);
                if (dist < bestd) {
                    bestd = dist;
                    best = i;
                }
                int biasdist = dist - (bias[i] >> 12);
                if (biasdist < bestbiasd) {
                    bestbiasd = biasdist;
                    bestbias = i;
                }
                int betafreq = freq[i] >> 10;
                freq[i] -= betafreq;
                bias[i] += betafreq << 10;
            }
            freq[best] += 64;
            bias[best] -= 65536;
            int j = bestbias;
            if (j >= 3) {
                for (int c = 0; c < 4; ++c) network[j][c] -= (network[j][c] - s[c]) * a / 1024;
                if (rad != 0) {
                    int lo = j - rad < 3 ? 3 : j - rad;
                    int hi = j + rad > 256 ? 256 : j + rad;
                    for (int k = 1; j + k < hi || j - k > lo; ++k) {
                        if (j + k < hi)
                            for (int c = 0; c < 4; ++c)
                                network[j + k][c] -= (network[j + k][c] - s[c]) * radpower[k] / 262144;
                        if (j - k > lo)
                            for (int c = 0; c < 4; ++c)
                                network[j - k][c] -= (network[j - k][c] - s[c]) * radpower[k] / 262144;
                    }
                }
            }
            pos += step;
            while (pos >= length) pos -= length;
            ++n;
            if (n % delta == 0) {
                a -= a / alphadec;
                radius -= radius / 30;
                rad = radius >> 6;
                if (rad <= 1) rad = 0;
                for (int i = 0; i < rad; ++i) radpower[i] = a * ((rad * rad - i * i) * 256 / (rad * rad));
            }
        }
    }

    void unbias()
    {
        for (int i = 0; i < 256; ++i) {
            for (int c = 0; c < 4; ++c) network[i][c] >>= 4;
            network[i][4] = i;
        }
    }

    void buildIndex()
    {
        int pv = 0, start = 0;
        for (int i = 0; i < 256; ++i) {
            int smallest = i;
            for (int j = i + 1; j < 256; ++j)
                if (network[j][1] < network[smallest][1]) smallest = j;
            if (smallest != i)
                for (int c = 0; c < 5; ++c) {
                    int t = network[i][c];
                    network[i][c] = network[smallest][c];
                    network[smallest][c] = t;
                }
            if (network[i][1] != pv) {
                netindex[pv] = (start + i) / 2;
                for (int v = pv + 1; v < network[i][1]; ++v) netindex[v] = i;
                pv = network[i][1];
                start = i;
            }
        }
        netindex[pv] = (start + 255) / 2;
        for (int v = pv + 1; v < 256; ++v) netindex[v] = 255;
    }

    int lookup(int s0, int s1, int s2, int sa) const
    {
        int bestd = 2000, best = -1;
        // Answers whether the walk goes on past this neuron.
        auto visit = [&](int position) {
            const int* n = network[position];
            int dist = std::abs(n[1] - s1);
            if (dist >= bestd) return false;
            dist += std::abs(n[0] - s0);
            if (dist < bestd) dist += std::abs(n[2] - s2);
            if (dist < bestd && alpha) dist += std::abs(n[3] - sa);
            if (dist < bestd) {
                bestd = dist;
                best = n[4];
            }
            return true;
        };
        int i = netindex[s1], j = i - 1;
        while (i < 256 || j >= 0) {
            if (i < 256) i = visit(i) ? i + 1 : 256;
            if (j >= 0) j = visit(j) ? j - 1 : -1;
        }
        return best;
    }
};

} // namespace

OracleQuantized quantizeByOracle(const uint8_t* picture, int width, int height, bool hasAlpha, bool reduce)
{
    static Oracle q; // the tables are large for a stack frame
    q.picture = picture;
    q.alpha = hasAlpha;
    q.samplingFactor = 2;
    q.length = width * height * q.bytes();
    OracleQuantized out;
    out.learnt = q.initialise();
    if (out.learnt) q.learn();
    q.unbias();
    for (int i = 0; i < 256; ++i) {
        out.palette.push_back(uint8_t(q.network[i][2]));
        out.palette.push_back(uint8_t(q.network[i][1]));
        out.palette.push_back(uint8_t(q.network[i][0]));
        out.palette.push_back(uint8_t(q.network[i][3]));
    }
    q.buildIndex();
    const int b = q.bytes();
    if (!reduce) {
        for (int p = 0; p < width * height; ++p) {
            const uint8_t* px = picture + p * b;
            if (hasAlpha && px[3] == 0) out.indices.push_back(uint8_t(q.lookup(0, 0, 0, 0)));
            else out.indices.push_back(uint8_t(q.lookup(px[0], px[1], px[2], hasAlpha ? px[3] : 0)));
        }
        return out;
    }
    for (int y = 0; y < height / 2; ++y)
        for (int x = 0; x < width / 2; ++x) {
            const int pixels[4][2] = {{2 * x, 2 * y}, {2 * x, 2 * y + 1}, {2 * x + 1, 2 * y}, {2 * x + 1, 2 * y + 1}};
            int sum[3] = {0, 0, 0}, alphaSum = 0, counted = 0;
            for (const auto& xy : pixels) {
                const uint8_t* px = picture + (xy[1] * width + xy[0]) * b;
                if (hasAlpha) alphaSum += px[3];
                if (!hasAlpha || px[3] != 0) {
                    for (int c = 0; c < 3; ++c) sum[c] += px[c];
                    ++counted;
                }
            }
            int colour[3] = {0, 0, 0};
            for (int c = 0; c < 3 && counted > 0; ++c) colour[c] = sum[c] / counted;
            out.indices.push_back(uint8_t(q.lookup(colour[0], colour[1], colour[2], alphaSum / 4)));
        }
    return out;
}

} // namespace Tam::Test
