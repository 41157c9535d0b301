// The instruments: each renders one note into a stereo buffer that starts at the note's time.
#pragma once
#include "music.h"

#include <cstdint>
#include <vector>

struct VoiceBuffer {
    std::vector<float> left, right;
};

// Seconds a held note of the instrument takes to fade after its length.
double ReleaseSeconds(Instrument instrument);

// Seconds the note sounds, release included.
double SoundingLength(const NoteEvent& note);

// Fills `out` with SoundingLength(note) seconds of the note (before panning); `seed` drives the
// noise and the oscillators' starting phases.
void RenderVoice(const NoteEvent& note, uint64_t seed, VoiceBuffer& out);

enum class Bus { Drums, Pump, Lead };  // Pump is ducked by the kick drum

struct VoiceRouting {
    Bus bus;
    double reverbSend, delaySend;
};
VoiceRouting RoutingOf(Instrument instrument);
