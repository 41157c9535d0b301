// Building blocks of the soundtrack synthesiser: oscillators, filters, envelopes, noise.
#pragma once
#include "rng.h"

#include <algorithm>
#include <cmath>

constexpr double kTau = 6.283185307179586;
constexpr int kSampleRate = 48000;

inline double MidiToHz(double note) { return 440.0 * std::exp2((note - 69.0) / 12.0); }
inline double DbToGain(double db) { return std::pow(10.0, db / 20.0); }

// Band-limited step correction for the naive saw and square (removes most aliasing).
inline double PolyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct SawOsc {
    double phase = 0;
    double Next(double hz)
    {
        double dt = hz / kSampleRate;
        double v = 2.0 * phase - 1.0 - PolyBlep(phase, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

struct SquareOsc {
    double phase = 0;
    double Next(double hz, double width = 0.5)
    {
        double dt = hz / kSampleRate;
        double v = phase < width ? 1.0 : -1.0;
        v += PolyBlep(phase, dt);
        double t2 = phase - width;
        if (t2 < 0) t2 += 1.0;
        v -= PolyBlep(t2, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

struct SineOsc {
    double phase = 0;
    double Next(double hz)
    {
        double v = std::sin(kTau * phase);
        phase += hz / kSampleRate;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

// Trapezoidal state-variable filter (low, band and high outputs from one state).
struct Svf {
    double ic1 = 0, ic2 = 0, a1 = 0, a2 = 0, a3 = 0, k = 1;
    double low = 0, band = 0, high = 0;
    void Set(double cutoffHz, double q)
    {
        cutoffHz = std::clamp(cutoffHz, 10.0, kSampleRate * 0.45);
        double g = std::tan(3.141592653589793 * cutoffHz / kSampleRate);
        k = 1.0 / q;
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    void Process(double v0)
    {
        double v3 = v0 - ic2;
        double v1 = a1 * ic1 + a2 * v3;
        double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        low = v2;
        band = v1;
        high = v0 - k * v1 - v2;
    }
};

struct OnePole {
    double z = 0, a = 0;
    void SetLowpass(double cutoffHz) { a = 1.0 - std::exp(-kTau * cutoffHz / kSampleRate); }
    double Low(double x) { return z += a * (x - z); }
    double High(double x) { return x - Low(x); }
};

// Attack-decay-sustain-release level at time t of a note held for `hold` seconds. Every
// segment is a ramp or an exponential that starts and ends where its neighbours do, so notes
// never start or stop with a jump.
struct Adsr {
    double attack = 0.005, decay = 0.1, sustain = 1.0, release = 0.05;
    double At(double t, double hold) const
    {
        auto held = [&](double u) {
            if (u < attack) return u / attack;
            return sustain + (1.0 - sustain) * std::exp(-(u - attack) / std::max(decay, 1e-4));
        };
        if (t < 0) return 0.0;
        if (t < hold) return held(t);
        double r = t - hold;
        if (r >= release) return 0.0;
        double x = 1.0 - r / release;
        return held(hold) * x * x;
    }
    double Length(double hold) const { return hold + release; }
};

// A percussive envelope: a short linear attack then an exponential fall, forced to zero over
// the last `tail` seconds of `length`.
inline double PercEnv(double t, double attack, double decay, double length, double tail = 0.01)
{
    if (t < 0 || t >= length) return 0.0;
    double e = t < attack ? t / attack : std::exp(-(t - attack) / decay);
    if (t > length - tail) e *= (length - t) / tail;
    return e;
}

inline double Noise(Rng& rng) { return 2.0 * rng.Uniform() - 1.0; }
