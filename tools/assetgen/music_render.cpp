// Mixing the notes: voices are rendered in parallel batches and summed in note order (so the
// result never depends on thread timing), then the buses get their effects.
#include "music.h"
#include "music_dsp.h"
#include "music_voices.h"
#include "parallel.h"
#include "progress.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct Stereo {
    std::vector<float> l, r;
    explicit Stereo(size_t n) : l(n, 0.0f), r(n, 0.0f) {}
};

// A feedback delay network: eight damped delay lines mixed by a Householder reflection.
void Reverb(const Stereo& in, Stereo& out, double seconds60)
{
    const std::array<int, 8> lengths = {1687, 1601, 1499, 1423, 1361, 1277, 1213, 1151};
    std::array<std::vector<double>, 8> lines;
    std::array<size_t, 8> pos{};
    std::array<double, 8> gain{}, damp{};
    for (int k = 0; k < 8; ++k) {
        lines[k].assign(size_t(lengths[k]), 0.0);
        gain[k] = std::pow(10.0, -3.0 * lengths[k] / (kSampleRate * seconds60));
    }
    OnePole toneL, toneR;
    toneL.SetLowpass(5000);
    toneR.SetLowpass(5000);
    const double dampA = 1.0 - std::exp(-kTau * 4200.0 / kSampleRate);
    const size_t preDelay = size_t(0.018 * kSampleRate);
    for (size_t i = 0; i < in.l.size(); ++i) {
        double xl = i >= preDelay ? in.l[i - preDelay] : 0.0, xr = i >= preDelay ? in.r[i - preDelay] : 0.0;
        std::array<double, 8> y;
        double sum = 0;
        for (int k = 0; k < 8; ++k) {
            y[k] = lines[k][pos[k]];
            sum += y[k];
        }
        double outL = 0, outR = 0;
        for (int k = 0; k < 8; ++k) {
            double mixed = y[k] - 0.25 * sum;  // Householder: I - 2/N * ones
            damp[k] += dampA * (mixed - damp[k]);
            double input = (k % 2 ? xr : xl) * (k < 4 ? 1.0 : -1.0);
            lines[k][pos[k]] = damp[k] * gain[k] + 0.35 * input;
            if (++pos[k] == lines[k].size()) pos[k] = 0;
            (k % 2 ? outR : outL) += y[k];
        }
        out.l[i] += float(toneL.Low(outL * 0.35));
        out.r[i] += float(toneR.Low(outR * 0.35));
    }
}

// Ping-pong echo: left feeds right feeds left, darker on every pass.
void PingPong(const Stereo& in, Stereo& out, Stereo& toReverb, double delaySeconds, double feedback)
{
    const size_t d = size_t(delaySeconds * kSampleRate);
    std::vector<double> bufL(d, 0.0), bufR(d, 0.0);
    OnePole lpL, lpR;
    lpL.SetLowpass(3200);
    lpR.SetLowpass(3200);
    size_t p = 0;
    for (size_t i = 0; i < in.l.size(); ++i) {
        double el = bufL[p], er = bufR[p];
        bufL[p] = in.l[i] * 0.7 + in.r[i] * 0.3 + lpR.Low(er) * feedback;
        bufR[p] = lpL.Low(el) * feedback;
        if (++p == d) p = 0;
        out.l[i] += float(el);
        out.r[i] += float(er);
        toReverb.l[i] += float(0.3 * el);
        toReverb.r[i] += float(0.3 * er);
    }
}

// The kick ducks the sustained instruments: a quick dip and a recovery over about 150 ms.
std::vector<float> DuckingGain(const std::vector<NoteEvent>& notes, size_t frames)
{
    std::vector<float> g(frames, 1.0f);
    for (const NoteEvent& n : notes) {
        if (n.instrument != Instrument::Kick && n.instrument != Instrument::Impact) continue;
        double depth = 0.55 * std::min(1.0, n.velocity);
        size_t start = size_t(std::lround(n.time * kSampleRate));
        size_t span = size_t(0.6 * kSampleRate);
        for (size_t i = 0; i < span && start + i < frames; ++i) {
            double t = double(i) / kSampleRate;
            double shape = t < 0.005 ? t / 0.005 : std::exp(-(t - 0.005) / 0.11);
            g[start + i] = std::min(g[start + i], float(1.0 - depth * shape));
        }
    }
    return g;
}

}  // namespace

StereoTrack RenderSoundtrack(const std::vector<NoteEvent>& notes, double seconds)
{
    Progress progress("tk22.mp3: synthesis");
    const size_t frames = size_t(std::lround(seconds * kSampleRate));
    Stereo drums(frames), pump(frames), lead(frames), reverbIn(frames), delayIn(frames);

    const int batch = 48;
    std::vector<VoiceBuffer> voices(batch);
    for (size_t first = 0; first < notes.size(); first += batch) {
        int count = int(std::min<size_t>(batch, notes.size() - first));
        ParallelChunks(count, [&](int k) { RenderVoice(notes[first + k], 0xA0D10ull + first + k, voices[size_t(k)]); });
        for (int k = 0; k < count; ++k) {
            const NoteEvent& n = notes[first + size_t(k)];
            const VoiceRouting route = RoutingOf(n.instrument);
            Stereo& bus = route.bus == Bus::Drums ? drums : route.bus == Bus::Pump ? pump : lead;
            // Constant-power pan.
            double angle = (std::clamp(n.pan, -1.0, 1.0) + 1.0) * 0.25 * 3.141592653589793;
            double gl = std::cos(angle) * 1.41421356, gr = std::sin(angle) * 1.41421356;
            size_t start = size_t(std::lround(n.time * kSampleRate));
            const VoiceBuffer& vb = voices[size_t(k)];
            for (size_t i = 0; i < vb.left.size() && start + i < frames; ++i) {
                float l = float(vb.left[i] * gl), r = float(vb.right[i] * gr);
                bus.l[start + i] += l;
                bus.r[start + i] += r;
                reverbIn.l[start + i] += float(l * route.reverbSend);
                reverbIn.r[start + i] += float(r * route.reverbSend);
                delayIn.l[start + i] += float(l * route.delaySend);
                delayIn.r[start + i] += float(r * route.delaySend);
            }
        }
        progress.Update(0.8 * double(first + size_t(count)) / double(notes.size()));
    }

    std::vector<float> duck = DuckingGain(notes, frames);
    Stereo wet(frames);
    PingPong(delayIn, wet, reverbIn, 0.45, 0.38);
    progress.Update(0.85);
    Reverb(reverbIn, wet, 2.6);
    progress.Update(0.95);

    StereoTrack track;
    track.left.resize(frames);
    track.right.resize(frames);
    OnePole dcL, dcR;  // removes anything below the audible bass
    dcL.SetLowpass(22);
    dcR.SetLowpass(22);
    for (size_t i = 0; i < frames; ++i) {
        double l = drums.l[i] + pump.l[i] * duck[i] + lead.l[i] + wet.l[i] * (0.6 + 0.4 * duck[i]);
        double r = drums.r[i] + pump.r[i] * duck[i] + lead.r[i] + wet.r[i] * (0.6 + 0.4 * duck[i]);
        track.left[i] = float(dcL.High(l));
        track.right[i] = float(dcR.High(r));
    }
    progress.Done(std::to_string(notes.size()) + " notes");
    return track;
}
