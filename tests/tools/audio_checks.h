// Measuring decoded audio: MP3 decoding, windowed levels and a click detector.
#pragma once
#include <string>
#include <vector>

struct DecodedAudio {
    long rate = 0;
    int channels = 0;
    size_t pcmBytes = 0;       // as 16-bit samples, all channels
    std::vector<float> l, r;   // -1..1
    double Seconds() const { return rate ? double(l.size()) / double(rate) : 0.0; }
};

// Decodes the whole file as signed 16-bit PCM; false with a reason on failure.
bool DecodeMp3(const std::string& path, DecodedAudio& out, std::string& error);

// RMS level of both channels over [t0, t1) seconds, in dBFS (-200 for silence).
double WindowDb(const std::vector<float>& l, const std::vector<float>& r, long rate, double t0, double t1);

// How much the treble (above 10 kHz) within 15 ms of `t` exceeds the loudest treble of the
// music in the second before and after, as a ratio of 2 ms frame energies. A click is a
// broadband step that stands out; drum hits and noise like the ones around the join do not.
double ClickRatio(const std::vector<float>& l, const std::vector<float>& r, long rate, double t);
