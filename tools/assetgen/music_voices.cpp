#include "music_voices.h"

#include "music_dsp.h"

#include <cmath>

namespace {

double BrightAt(const NoteEvent& n, double t)
{
    double end = n.brightEnd < 0 ? n.bright : n.brightEnd;
    double x = n.length > 0 ? std::clamp(t / n.length, 0.0, 1.0) : 0.0;
    return n.bright + (end - n.bright) * x;
}

double SwellAt(const NoteEvent& n, double t)
{
    if (n.swell <= 0 || n.length <= 0) return 1.0;
    double x = std::clamp(t / n.length, 0.0, 1.0);
    return 1.0 - n.swell + n.swell * x * x;
}

const Adsr kBassEnv{0.004, 0.15, 0.7, 0.04};
const Adsr kPadEnv{0.6, 1.5, 0.8, 1.2};
const Adsr kStabEnv{0.003, 0.22, 0.0, 0.08};
const Adsr kLeadEnv{0.012, 0.3, 0.75, 0.2};
const Adsr kDroneEnv{2.0, 1.0, 1.0, 2.0};

template <class F>
void Fill(VoiceBuffer& out, double seconds, F sample)
{
    size_t n = size_t(std::ceil(seconds * kSampleRate));
    out.left.assign(n, 0.0f);
    out.right.assign(n, 0.0f);
    for (size_t i = 0; i < n; ++i) {
        double l = 0, r = 0;
        sample(double(i) / kSampleRate, l, r);
        out.left[i] = float(l);
        out.right[i] = float(r);
    }
    // The very last samples always fade to zero, whatever the voice did.
    size_t tail = std::min<size_t>(n, 96);
    for (size_t i = 0; i < tail; ++i) {
        double g = double(i) / tail;
        out.left[n - 1 - i] = float(out.left[n - 1 - i] * g);
        out.right[n - 1 - i] = float(out.right[n - 1 - i] * g);
    }
}

}  // namespace

double ReleaseSeconds(Instrument i)
{
    switch (i) {
    case Instrument::Bass: return kBassEnv.release;
    case Instrument::Pad: return kPadEnv.release;
    case Instrument::Stab: return kStabEnv.release;
    case Instrument::Lead: return kLeadEnv.release;
    case Instrument::Drone: return kDroneEnv.release;
    default: return 0.0;
    }
}

double SoundingLength(const NoteEvent& n)
{
    switch (n.instrument) {
    case Instrument::Kick: return 0.5;
    case Instrument::Snare: return 0.4;
    case Instrument::Clap: return 0.4;
    case Instrument::HatClosed: return 0.12;
    case Instrument::HatOpen: return 0.45;
    case Instrument::Crash: return 3.0;
    case Instrument::Impact: return 2.5;
    case Instrument::Tick: return 0.25;
    case Instrument::Riser: return n.length;
    case Instrument::Bass: return kBassEnv.Length(n.length);
    case Instrument::Pad: return kPadEnv.Length(n.length);
    case Instrument::Stab: return kStabEnv.Length(n.length);
    case Instrument::Pluck: return 0.6;
    case Instrument::Lead: return kLeadEnv.Length(n.length);
    case Instrument::Drone: return kDroneEnv.Length(n.length);
    }
    return n.length;
}

VoiceRouting RoutingOf(Instrument i)
{
    switch (i) {
    case Instrument::Kick: return {Bus::Drums, 0.02, 0.0};
    case Instrument::Snare: return {Bus::Drums, 0.18, 0.0};
    case Instrument::Clap: return {Bus::Drums, 0.25, 0.05};
    case Instrument::HatClosed: return {Bus::Drums, 0.05, 0.0};
    case Instrument::HatOpen: return {Bus::Drums, 0.08, 0.0};
    case Instrument::Crash: return {Bus::Drums, 0.25, 0.0};
    case Instrument::Impact: return {Bus::Drums, 0.35, 0.0};
    case Instrument::Tick: return {Bus::Drums, 0.2, 0.25};
    case Instrument::Riser: return {Bus::Drums, 0.3, 0.0};
    case Instrument::Bass: return {Bus::Pump, 0.0, 0.0};
    case Instrument::Pad: return {Bus::Pump, 0.35, 0.0};
    case Instrument::Stab: return {Bus::Pump, 0.25, 0.15};
    case Instrument::Pluck: return {Bus::Pump, 0.2, 0.3};
    case Instrument::Lead: return {Bus::Lead, 0.25, 0.3};
    case Instrument::Drone: return {Bus::Pump, 0.3, 0.0};
    }
    return {Bus::Drums, 0, 0};
}

void RenderVoice(const NoteEvent& n, uint64_t seed, VoiceBuffer& out)
{
    Rng rng(seed);
    const double len = SoundingLength(n);
    const double v = n.velocity;
    const double hz = MidiToHz(n.pitch);

    switch (n.instrument) {
    case Instrument::Kick:
    case Instrument::Impact: {
        // A falling sine sweep with a short noise click; the impact is a longer, deeper kick
        // under a burst of filtered noise.
        bool impact = n.instrument == Instrument::Impact;
        double phase = 0;
        Svf noiseFilter;
        noiseFilter.Set(impact ? 6000 : 3500, 0.7);
        Fill(out, len, [&](double t, double& l, double& r) {
            double f = impact ? 36 + 90 * std::exp(-t / 0.07) : 47 + 110 * std::exp(-t / 0.032);
            phase += f / kSampleRate;
            double body = std::sin(kTau * phase) * PercEnv(t, 0.0015, impact ? 0.7 : 0.22, len, 0.05);
            noiseFilter.Process(Noise(rng));
            double click = noiseFilter.low * PercEnv(t, 0.0008, 0.005, 0.04);
            double rumble = impact ? noiseFilter.low * 0.35 * PercEnv(t, 0.004, 0.5, len, 0.3) : 0.0;
            double x = std::tanh(1.4 * (body + 0.4 * click)) / std::tanh(1.4) + rumble;
            l = r = x * v;
        });
        break;
    }
    case Instrument::Snare:
    case Instrument::Clap: {
        bool clap = n.instrument == Instrument::Clap;
        Svf bp;
        bp.Set(clap ? 1300 : 2200, clap ? 1.4 : 0.8);
        double phase = 0;
        Fill(out, len, [&](double t, double& l, double& r) {
            bp.Process(Noise(rng));
            double noiseEnv;
            if (clap) {
                // Three quick claps, then the tail.
                noiseEnv = 0;
                for (int k = 0; k < 3; ++k) noiseEnv += PercEnv(t - k * 0.011, 0.0008, 0.006, 0.03);
                noiseEnv += 0.6 * PercEnv(t - 0.022, 0.002, 0.11, len - 0.022, 0.05);
            } else {
                noiseEnv = PercEnv(t, 0.001, 0.12, len, 0.05);
            }
            phase += 190.0 / kSampleRate;
            double tone = clap ? 0.0 : 0.5 * std::sin(kTau * phase) * PercEnv(t, 0.001, 0.05, len, 0.05);
            double x = (bp.band * 1.6 * noiseEnv + tone) * v;
            l = x;
            r = x;
        });
        break;
    }
    case Instrument::HatClosed:
    case Instrument::HatOpen:
    case Instrument::Crash: {
        double decay = n.instrument == Instrument::HatClosed ? 0.03 : n.instrument == Instrument::HatOpen ? 0.16 : 1.1;
        Svf hpL, hpR;
        double cut = n.instrument == Instrument::Crash ? 3200 : 7000;
        hpL.Set(cut, 0.7);
        hpR.Set(cut, 0.7);
        Fill(out, len, [&](double t, double& l, double& r) {
            double e = PercEnv(t, 0.0007, decay, len, n.instrument == Instrument::Crash ? 0.4 : 0.03) * v;
            hpL.Process(Noise(rng));
            hpR.Process(Noise(rng));
            l = hpL.high * e;
            r = hpR.high * e;
        });
        break;
    }
    case Instrument::Tick: {
        // A bright wooden tick: two inharmonic partials and a short knock.
        SineOsc a, b, c;
        Fill(out, len, [&](double t, double& l, double& r) {
            double x = 0.6 * a.Next(1250) * PercEnv(t, 0.0015, 0.04, len, 0.05) +
                       0.3 * b.Next(2710) * PercEnv(t, 0.0015, 0.02, len, 0.05) +
                       0.4 * c.Next(620) * PercEnv(t, 0.0015, 0.05, len, 0.05);
            l = r = x * v;
        });
        break;
    }
    case Instrument::Riser: {
        Svf bpL, bpR;
        SawOsc saw;
        double cutoff = 0;
        Fill(out, len, [&](double t, double& l, double& r) {
            double x = std::clamp(t / len, 0.0, 1.0);
            double c = 250.0 * std::pow(36.0, x);
            if (std::abs(c - cutoff) > cutoff * 0.01) {
                bpL.Set(c, 2.0);
                bpR.Set(c * 1.07, 2.0);
                cutoff = c;
            }
            bpL.Process(Noise(rng));
            bpR.Process(Noise(rng));
            double e = x * x * v * std::min(1.0, (len - t) / 0.03);
            double tone = 0.15 * saw.Next(hz * std::pow(2.0, x)) * x;
            l = (bpL.band * 1.5 + tone) * e;
            r = (bpR.band * 1.5 + tone) * e;
        });
        break;
    }
    case Instrument::Bass: {
        SawOsc saw;
        SineOsc sub;
        Svf lp;
        double lastCut = -1;
        Fill(out, len, [&](double t, double& l, double& r) {
            double cut = 140 + BrightAt(n, t) * (200 + 1400 * std::exp(-t / 0.09));
            if (std::abs(cut - lastCut) > 2) {
                lp.Set(cut, 1.1);
                lastCut = cut;
            }
            lp.Process(saw.Next(hz));
            double x = (0.7 * lp.low + 0.6 * sub.Next(hz)) * kBassEnv.At(t, n.length) * v;
            l = r = std::tanh(1.2 * x);
        });
        break;
    }
    case Instrument::Pad:
    case Instrument::Stab:
    case Instrument::Drone: {
        // Detuned saw stacks, a different stack per side for width.
        const bool pad = n.instrument == Instrument::Pad, stab = n.instrument == Instrument::Stab;
        const int voices = n.instrument == Instrument::Drone ? 2 : pad ? 4 : 3;
        const double detune[2][4] = {{-0.13, 0.05, -0.04, 0.14}, {0.12, -0.06, 0.03, -0.15}};
        SawOsc saws[2][4];
        double freq[2][4];
        for (int side = 0; side < 2; ++side)
            for (int k = 0; k < 4; ++k) {
                saws[side][k].phase = rng.Uniform();
                freq[side][k] = hz * std::exp2(detune[side][k] / 12.0);
            }
        SineOsc sine;
        Svf lpL, lpR;
        const Adsr& env = pad ? kPadEnv : stab ? kStabEnv : kDroneEnv;
        int counter = 0;
        Fill(out, len, [&](double t, double& l, double& r) {
            if (counter++ % 32 == 0) {
                double b = BrightAt(n, t);
                double cut = stab ? 400 + 6000 * b * std::exp(-t / 0.1) : pad ? 300 + 4200 * b * b : 180 + 300 * b;
                lpL.Set(cut, 0.75);
                lpR.Set(cut * 1.03, 0.75);
            }
            double sl = 0, sr = 0;
            for (int k = 0; k < voices; ++k) {
                sl += saws[0][k].Next(freq[0][k]);
                sr += saws[1][k].Next(freq[1][k]);
            }
            lpL.Process(sl / voices);
            lpR.Process(sr / voices);
            double e = env.At(t, n.length) * SwellAt(n, t) * v;
            double s = n.instrument == Instrument::Drone ? 0.8 * sine.Next(hz) : 0.0;
            l = (lpL.low + s) * e;
            r = (lpR.low + s) * e;
        });
        break;
    }
    case Instrument::Pluck: {
        SawOsc saw;
        SquareOsc sq;
        Svf lp;
        int counter = 0;
        Fill(out, len, [&](double t, double& l, double& r) {
            if (counter++ % 16 == 0) lp.Set(250 + 5000 * BrightAt(n, 0) * std::exp(-t / 0.07), 1.3);
            lp.Process(0.6 * saw.Next(hz) + 0.4 * sq.Next(hz * 1.002, 0.3));
            l = r = lp.low * PercEnv(t, 0.002, 0.16, len, 0.1) * v;
        });
        break;
    }
    case Instrument::Lead: {
        SawOsc a, b;
        SquareOsc c;
        Svf lp;
        double vibPhase = 0;
        int counter = 0;
        Fill(out, len, [&](double t, double& l, double& r) {
            if (counter++ % 32 == 0) lp.Set(1200 + 3800 * BrightAt(n, t), 1.1);
            double depth = 0.18 * std::clamp((t - 0.25) / 0.3, 0.0, 1.0);
            vibPhase += 5.4 / kSampleRate;
            double f = hz * std::exp2(depth * std::sin(kTau * vibPhase) / 12.0);
            double x = 0.45 * a.Next(f * 1.004) + 0.45 * b.Next(f * 0.996) + 0.3 * c.Next(f * 0.5);
            lp.Process(x);
            l = r = lp.low * kLeadEnv.At(t, n.length) * v;
        });
        break;
    }
    }
}
