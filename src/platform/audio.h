// The music channel: a sound file decoded whole into memory and played through SDL's
// audio on one channel whose byte position can be read and set from any thread.
// PCM is always 16-bit stereo at 48 kHz, so 192000 bytes are one second of music
// whatever the file holds.
//
// Failures (no device, no file, a broken file) print one line and leave a handle of 0;
// every call accepts 0 and does nothing with it, so the program runs on silently with
// the position at 0.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int kMusicRate = 48000;
constexpr int kMusicChannels = 2;
constexpr uint64_t kMusicBytesPerFrame = 4;
constexpr uint64_t kMusicBytesPerSecond = kMusicRate * kMusicBytesPerFrame;  // 192000

// Opens and starts the default audio device (SDL_AUDIODRIVER picks the driver).
// Returns false after printing one line when there is none.
bool AudioStart();
// Closes the device and SDL's audio subsystem; samples and channels stay loaded.
void AudioStop();

// Decodes a whole MP3 file into interleaved 16-bit stereo at 48 kHz (mono is
// duplicated, other rates are resampled). On failure returns false with a reason.
bool DecodeMp3(const char* path, std::vector<int16_t>& pcm, std::string& error);

// Loads a sound file as a sample: a handle, or 0 after printing one line.
uint32_t SampleLoad(const char* path);
// Makes a sample of PCM already in the channel format (interleaved stereo, 48 kHz).
uint32_t SampleCreate(std::vector<int16_t> pcm);
// The one channel that plays the sample (one playback at a time); 0 for sample 0.
uint32_t SampleGetChannel(uint32_t sample);
// The sample's PCM, for inspection; empty for 0.
const std::vector<int16_t>& SampleData(uint32_t sample);

// Starts playback, from position 0 when `restart` is set, else from where the channel is.
void ChannelPlay(uint32_t channel, bool restart = true);
void ChannelPause(uint32_t channel);
bool ChannelIsPlaying(uint32_t channel);
// Position in bytes of PCM handed to the device so far (or set since).
uint64_t ChannelGetPosition(uint32_t channel);
// Moves playback; the position is aligned down to a whole stereo frame and kept within
// the sample. Past the end the channel plays silence until it is moved back.
void ChannelSetPosition(uint32_t channel, uint64_t bytes);
// Length of the channel's sample in bytes.
uint64_t ChannelGetLength(uint32_t channel);
