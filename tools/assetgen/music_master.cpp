// The master stage: fades, loudness normalisation and a look-ahead peak limiter.
#include "loudness.h"
#include "music.h"
#include "music_dsp.h"

#include <cmath>
#include <deque>

namespace {

// Gain that keeps every sample within `ceiling`: the required gain is taken as the minimum
// over a look-ahead window, smoothed by a moving average of the same length (so the gain is
// already down when the peak arrives), then released slowly.
void Limit(std::vector<float>& l, std::vector<float>& r, double ceiling)
{
    const size_t n = l.size(), look = 240;  // 5 ms
    std::vector<double> need(n);
    for (size_t i = 0; i < n; ++i) {
        double peak = std::max(std::abs(l[i]), std::abs(r[i]));
        need[i] = peak > ceiling ? ceiling / peak : 1.0;
    }
    // Sliding minimum over [i, i + look].
    std::vector<double> ahead(n);
    std::deque<size_t> q;
    for (size_t j = 0; j < n + look; ++j) {
        if (j < n) {
            while (!q.empty() && need[q.back()] >= need[j]) q.pop_back();
            q.push_back(j);
        }
        if (j >= look) {
            size_t i = j - look;
            while (q.front() < i) q.pop_front();
            ahead[i] = need[q.front()];
        }
    }
    const double release = 1.0 - std::exp(-1.0 / (0.08 * kSampleRate));
    double sum = 0, g = 1.0;
    for (size_t i = 0; i < n; ++i) {
        sum += ahead[i];
        if (i >= look + 1) sum -= ahead[i - look - 1];
        double avg = sum / double(std::min(i + 1, look + 1));
        g = avg < g ? avg : g + (avg - g) * release;
        l[i] = float(l[i] * g);
        r[i] = float(r[i] * g);
    }
}

}  // namespace

void MasterSoundtrack(StereoTrack& track, double targetLufs, double ceilingDb)
{
    const size_t n = track.Frames();
    // Fade in over 10 ms and out to silence between 200.6 s and 201.4 s (the show ends at 201.5 s).
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / kSampleRate;
        double g = std::min(1.0, t / 0.01);
        if (t > 200.6) g *= t >= 201.4 ? 0.0 : 0.5 + 0.5 * std::cos(3.141592653589793 * (t - 200.6) / 0.8);
        track.left[i] = float(track.left[i] * g);
        track.right[i] = float(track.right[i] * g);
    }
    const std::vector<float> dryL = track.left, dryR = track.right;
    const double ceiling = DbToGain(ceilingDb);
    double gainDb = targetLufs - IntegratedLoudness(dryL.data(), dryR.data(), n, kSampleRate);
    // Limiting lowers the loudness a little, so the gain is refined a few times.
    for (int pass = 0; pass < 4; ++pass) {
        double g = DbToGain(gainDb);
        for (size_t i = 0; i < n; ++i) {
            track.left[i] = float(dryL[i] * g);
            track.right[i] = float(dryR[i] * g);
        }
        Limit(track.left, track.right, ceiling);
        double measured = IntegratedLoudness(track.left.data(), track.right.data(), n, kSampleRate);
        if (std::abs(measured - targetLufs) < 0.05) break;
        gainDb += targetLufs - measured;
    }
}
