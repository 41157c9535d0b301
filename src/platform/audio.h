// The music channel: a sound file decoded whole into memory and played through SDL's
// audio on one channel whose playing position can be read and set from any thread.
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

// Opens and starts the default audio device (SDL_AUDIODRIVER picks the driver), asking
// for `deviceRate` frames a second (0: the music's rate); the device may keep a rate of its
// own, and the channels are converted to it. Returns false after printing one line when
// there is no device.
bool AudioStart(int deviceRate = 0);
// The open device's frame rate, or 0 when none is open.
int AudioDeviceRate();
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
// The playing position in bytes: what the device has been handed, less what it still
// holds, moving on smoothly with the steady clock between the device's requests and never
// backwards, except when the channel is moved. Right after a move it reads the new place
// until the device takes the music from there.
uint64_t ChannelGetPosition(uint32_t channel);
// Bytes of PCM handed towards the device so far (or set since): ahead of what is heard by
// what the device and the rate conversion still hold.
uint64_t ChannelGetHandedBytes(uint32_t channel);
// Moves playback; the position is aligned down to a whole stereo frame and kept within
// the sample. Past the end the channel plays silence until it is moved back.
void ChannelSetPosition(uint32_t channel, uint64_t bytes);
// Length of the channel's sample in bytes.
uint64_t ChannelGetLength(uint32_t channel);
