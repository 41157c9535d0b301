// Programme loudness of stereo audio: K-weighting, 400 ms blocks with 75 % overlap, an absolute
// gate at -70 LUFS and a relative gate 10 LU below the ungated level, in the usual broadcast way.
// Only 48 kHz is supported (other rates give NaN).
#pragma once
#include <cstddef>

double IntegratedLoudness(const float* left, const float* right, size_t frames, int sampleRate);

// Sample peak in dBFS of both channels.
double PeakDb(const float* left, const float* right, size_t frames);
