// The soundtrack: an arrangement of notes on the demo's schedule, a synthesiser that renders
// them to 48 kHz stereo, a master stage (loudness and peak control) and the MP3 encoding.
#pragma once
#include <cstddef>
#include <filesystem>
#include <vector>

constexpr double kTrackSeconds = 203.0;   // a little longer than the 201.5 s of the show
constexpr double kTargetLufs = -14.0;
constexpr double kCeilingDb = -2.0;       // sample peak after mastering; the encoder adds a little

enum class Instrument { Kick, Snare, Clap, HatClosed, HatOpen, Crash, Impact, Tick, Riser, Bass, Pad, Stab, Pluck, Lead, Drone };

struct NoteEvent {
    double time = 0, length = 0;   // seconds; the release sounds after `length`
    Instrument instrument = Instrument::Kick;
    double pitch = 60;             // MIDI note number
    double velocity = 1;           // linear gain
    double pan = 0;                // -1 left .. +1 right
    double bright = 0.5;           // filter opening 0..1 at the start of the note
    double brightEnd = -1;         // at the end of the note; below zero: same as bright
    double swell = 0;              // 0: plain; 1: the level grows from zero over the note
};

// The schedule the music follows (scene clock, seconds).
struct ScheduleMark {
    double time;
    const char* name;
};
const std::vector<ScheduleMark>& ScheduleMarks();
// Times of the countdown's count changes (and its first appearance) and of the end text's blinks.
std::vector<double> CountdownTickTimes();
std::vector<double> BlinkOnTimes();

// Every note of the piece.
std::vector<NoteEvent> ComposeSoundtrack();

struct StereoTrack {
    std::vector<float> left, right;
    size_t Frames() const { return left.size(); }
};

// Renders the notes (drums, bass, pads, plucks, lead, effects buses) to `seconds` of audio.
StereoTrack RenderSoundtrack(const std::vector<NoteEvent>& notes, double seconds);

// Scales to `targetLufs` integrated loudness and holds sample peaks at `ceilingDb` with a
// look-ahead limiter; fades to silence by the end of the show.
void MasterSoundtrack(StereoTrack& track, double targetLufs, double ceilingDb);

// Constant-bitrate MP3 with an information frame (so decoders can drop the encoder's padding).
bool EncodeMp3(const StereoTrack& track, const std::filesystem::path& path, int kbps);

// "tk22.mp3": compose, render, master, encode.
bool WriteSoundtrack(const std::filesystem::path& path);
