#include "loudness.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;
    double Run(double x)
    {
        double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two K-weighting stages at 48 kHz (a high-frequency shelf, then a low cut), with the
// coefficients the broadcast loudness recommendation publishes for that rate.
void KWeighting(Biquad& shelf, Biquad& lowCut)
{
    shelf = {1.53512485958697, -2.69169618940638, 1.19839281085285, -1.69065929318241, 0.73248077421585};
    lowCut = {1.0, -2.0, 1.0, -1.99004745483398, 0.99007225036621};
}

}  // namespace

double IntegratedLoudness(const float* left, const float* right, size_t frames, int sampleRate)
{
    if (sampleRate != 48000) return std::nan("");  // the weighting is only given for 48 kHz
    // Energy of each 100 ms step; a block is four consecutive steps.
    const size_t step = size_t(sampleRate) / 10;
    std::vector<double> stepEnergy(frames / step, 0.0);
    const float* channels[2] = {left, right};
    for (const float* ch : channels) {
        Biquad shelf{}, lowCut{};
        KWeighting(shelf, lowCut);
        for (size_t s = 0; s < stepEnergy.size(); ++s) {
            double sum = 0;
            for (size_t i = s * step; i < (s + 1) * step; ++i) {
                double y = lowCut.Run(shelf.Run(ch[i]));
                sum += y * y;
            }
            stepEnergy[s] += sum;
        }
    }
    std::vector<double> blocks;
    for (size_t s = 0; s + 4 <= stepEnergy.size(); ++s)
        blocks.push_back((stepEnergy[s] + stepEnergy[s + 1] + stepEnergy[s + 2] + stepEnergy[s + 3]) / (4.0 * step));
    auto lufs = [](double energy) { return -0.691 + 10.0 * std::log10(std::max(energy, 1e-30)); };
    auto gatedMean = [&](double gate) {
        double sum = 0;
        size_t n = 0;
        for (double b : blocks)
            if (lufs(b) > gate) {
                sum += b;
                ++n;
            }
        return n ? sum / n : 0.0;
    };
    double ungated = gatedMean(-70.0);
    if (ungated <= 0) return -200.0;
    double relative = lufs(ungated) - 10.0;
    double e = gatedMean(std::max(relative, -70.0));
    return e > 0 ? lufs(e) : -200.0;
}

double PeakDb(const float* left, const float* right, size_t frames)
{
    double peak = 0;
    for (size_t i = 0; i < frames; ++i) peak = std::max({peak, double(std::abs(left[i])), double(std::abs(right[i]))});
    return peak > 0 ? 20.0 * std::log10(peak) : -200.0;
}
