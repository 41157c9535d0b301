// A small deterministic random generator: the same seed gives the same stream on every
// machine and compiler (the standard distributions are not portable, so none are used).
#pragma once
#include <cmath>
#include <cstdint>

struct Rng {
    uint64_t state;

    explicit Rng(uint64_t seed) : state(seed) {}

    // SplitMix64 step.
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double Uniform() { return double(Next() >> 11) * 0x1.0p-53; }
    // Standard normal (Box-Muller; one value per call keeps the stream simple).
    double Gauss()
    {
        double u = 1.0 - Uniform();
        double v = Uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }
};

// An independent stream per (seed, index): used to split work into chunks whose results do
// not depend on how many threads run them.
inline Rng SubStream(uint64_t seed, uint64_t index)
{
    Rng r(seed ^ (index * 0xD1B54A32D192ED03ull));
    r.Next();
    return r;
}
