// The music channel over SDL2's audio. The device callback hands PCM from each playing
// sample to the device, through an SDL audio stream when the device runs at another rate,
// and notes for each channel which stretch of music the device took and when; the playing
// position is worked out from that (platform/play_clock.h). Each channel's state sits behind
// its own lock, held only for a buffer's copy, so any thread may read or move it.
#include "platform/audio.h"
#include "platform/play_clock.h"
#include "platform/platform.h"
#include "platform/quiet_alsa.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

// One slot per sample, each with the one channel that plays it. Slots are filled once
// and never freed or moved, so the callback may look at them at any time.
struct Slot {
    std::vector<int16_t> pcm;  // immutable once `used` is published
    std::atomic<bool> used{false};
    std::mutex lock;           // guards everything below
    bool playing = false;
    uint64_t handed = 0;       // bytes handed to the device path so far (or set since)
    TPlayClock clock;
    SDL_AudioStream* stream = nullptr;  // music rate to device rate, when they differ
    uint64_t streamFrom = 0;            // the music position the stream started from
    uint64_t streamPut = 0;             // music bytes put into it since (silence past the end too)
    int64_t holdback = -1;              // music bytes its resampler keeps back; -1: not yet measured
    std::vector<int16_t> converted;     // one device buffer out of the stream
};

constexpr uint32_t kSlotCount = 16;
constexpr uint32_t kChannelTag = 0x80000000u;  // channel handles differ from sample handles
// The stream is fed in blocks of this many bytes, as SDL feeds its own converter.
constexpr uint64_t kStreamBlock = 4096;

// Never freed: SDL's audio thread may still run the callback while the process exits.
Slot* const g_slots = new Slot[kSlotCount];
std::mutex g_loadMutex;  // serialises slot allocation
SDL_AudioDeviceID g_device = 0;
int g_deviceRate = kMusicRate;  // the device's frame rate; the callback converts when it differs

Slot* SampleSlot(uint32_t sample)
{
    if (sample == 0 || sample > kSlotCount || !g_slots[sample - 1].used.load(std::memory_order_acquire))
        return nullptr;
    return &g_slots[sample - 1];
}

Slot* ChannelSlot(uint32_t channel)
{
    if (!(channel & kChannelTag))
        return nullptr;
    return SampleSlot(channel & ~kChannelTag);
}

void MixInto(int16_t* out, const int16_t* in, uint64_t bytes)
{
    for (uint64_t i = 0; i < bytes / sizeof(int16_t); ++i)
        out[i] = int16_t(std::clamp(int32_t(out[i]) + int32_t(in[i]), -32768, 32767));
}

// Device bytes at the device rate as music bytes, whole frames.
uint64_t MusicBytes(uint64_t deviceBytes, int deviceRate)
{
    return deviceBytes / kMusicBytesPerFrame * kMusicRate / uint64_t(deviceRate) * kMusicBytesPerFrame;
}

// The device takes the music as it is: the buffer is the next stretch of the sample.
void HandOver(Slot& s, int16_t* out, uint64_t want, int64_t now)
{
    const uint64_t size = s.pcm.size() * sizeof(int16_t);
    if (s.handed >= size)
        return;
    const uint64_t n = std::min(want, size - s.handed);
    MixInto(out, s.pcm.data() + s.handed / sizeof(int16_t), n);
    ClockHanded(s.clock, s.handed, s.handed + n, now);
    s.handed += n;
}

// The device runs at another rate: the music goes through the channel's stream, and what
// the stream still holds has been handed over but not yet to the device. Past the end of the
// music the stream is fed silence, which brings out what its resampler kept back.
void HandOverConverted(Slot& s, int16_t* out, uint64_t want, int64_t now)
{
    if (!s.stream) {
        s.stream = SDL_NewAudioStream(AUDIO_S16SYS, kMusicChannels, kMusicRate, AUDIO_S16SYS, kMusicChannels,
                                      g_deviceRate);
        if (!s.stream)
            return;
        s.streamFrom = s.handed, s.streamPut = 0, s.holdback = -1;
    }
    static const int16_t silence[kStreamBlock / sizeof(int16_t)] = {};
    const uint64_t size = s.pcm.size() * sizeof(int16_t);
    while (uint64_t(SDL_AudioStreamAvailable(s.stream)) < want) {
        const uint64_t n = s.handed < size ? std::min(kStreamBlock, size - s.handed) : kStreamBlock;
        const int16_t* from = s.handed < size ? s.pcm.data() + s.handed / sizeof(int16_t) : silence;
        if (SDL_AudioStreamPut(s.stream, from, int(n)) != 0)
            return;
        s.streamPut += n;
        s.handed = std::min(s.handed + n, size);
    }
    // The resampler keeps back a fixed stretch of what it was given; measured once after
    // every fresh start, before anything has come out.
    if (s.holdback < 0)
        s.holdback = int64_t(s.streamPut - std::min(s.streamPut, MusicBytes(uint64_t(SDL_AudioStreamAvailable(s.stream)), g_deviceRate)));
    if (s.converted.size() * sizeof(int16_t) < want)
        s.converted.resize(want / sizeof(int16_t));
    const int got = SDL_AudioStreamGet(s.stream, s.converted.data(), int(want));
    if (got <= 0)
        return;
    MixInto(out, s.converted.data(), uint64_t(got));
    // Where the device's buffer ends in the music: what went in, less what is still inside.
    const uint64_t inside = MusicBytes(uint64_t(SDL_AudioStreamAvailable(s.stream)), g_deviceRate) + uint64_t(s.holdback);
    const uint64_t past = s.streamFrom + s.streamPut - std::min(inside, s.streamPut);
    const uint64_t first = std::max(past - std::min(MusicBytes(uint64_t(got), g_deviceRate), past), s.streamFrom);
    ClockHanded(s.clock, std::min(first, size), std::min(past, size), now);  // silence past the end stays at the end
}

// Mixes every playing channel into the device buffer (one channel in practice, so the
// output is then an exact copy of the PCM at the music's rate).
void SDLCALL FillAudio(void*, Uint8* stream, int len)
{
    std::memset(stream, 0, size_t(len));
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    const uint64_t want = uint64_t(len) & ~(kMusicBytesPerFrame - 1);
    const int64_t now = SteadyTicks100ns();
    for (uint32_t i = 0; i < kSlotCount; ++i) {
        Slot& s = g_slots[i];
        if (!s.used.load(std::memory_order_acquire))
            continue;
        std::lock_guard<std::mutex> hold(s.lock);
        if (!s.playing)
            continue;
        if (g_deviceRate == kMusicRate)
            HandOver(s, out, want, now);
        else
            HandOverConverted(s, out, want, now);
    }
}

// Drops what a channel's stream holds: after a move the device gets the music from the new place.
void ClearStream(Slot& s)
{
    if (s.stream)
        SDL_AudioStreamClear(s.stream);
    s.streamFrom = s.handed, s.streamPut = 0, s.holdback = -1;
}

}  // namespace

bool AudioStart(int deviceRate)
{
    if (g_device)
        return true;
    QuietAlsa quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        printf("AudioStart - no audio, the music stays silent: %s\n", SDL_GetError());
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = deviceRate > 0 ? deviceRate : kMusicRate;
    want.format = AUDIO_S16SYS;
    want.channels = kMusicChannels;
    want.samples = 1024;
    want.callback = FillAudio;
    SDL_AudioSpec have{};
    // The device may keep its own rate: the callback converts, so it knows how much music
    // the conversion still holds. The channel format, and with it the byte position, is the
    // same on every machine.
    g_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (!g_device) {
        printf("AudioStart - no audio device, the music stays silent: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    g_deviceRate = have.freq > 0 ? have.freq : kMusicRate;
    SDL_PauseAudioDevice(g_device, 0);
    return true;
}

int AudioDeviceRate()
{
    return g_device ? g_deviceRate : 0;
}

void AudioStop()
{
    if (!g_device)
        return;
    SDL_CloseAudioDevice(g_device);  // no callback runs after this
    g_device = 0;
    for (uint32_t i = 0; i < kSlotCount; ++i) {
        Slot& s = g_slots[i];
        std::lock_guard<std::mutex> hold(s.lock);
        if (s.stream)
            SDL_FreeAudioStream(s.stream);
        s.stream = nullptr;
    }
    g_deviceRate = kMusicRate;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

uint32_t SampleCreate(std::vector<int16_t> pcm)
{
    if (pcm.size() % kMusicChannels)
        pcm.push_back(0);  // complete the last stereo frame
    std::lock_guard<std::mutex> load(g_loadMutex);
    for (uint32_t i = 0; i < kSlotCount; ++i) {
        Slot& s = g_slots[i];
        if (s.used.load(std::memory_order_relaxed))
            continue;
        std::lock_guard<std::mutex> hold(s.lock);
        s.pcm = std::move(pcm);
        s.handed = 0;
        s.playing = false;
        ClockMoved(s.clock, 0);
        s.used.store(true, std::memory_order_release);
        return i + 1;
    }
    printf("SampleCreate - no free sample slot (%u in use)\n", kSlotCount);
    return 0;
}

uint32_t SampleLoad(const char* path)
{
    std::vector<int16_t> pcm;
    std::string error;
    if (!DecodeMp3(path, pcm, error)) {
        printf("SampleLoad - cannot load \"%s\", the music stays silent: %s\n", path, error.c_str());
        return 0;
    }
    return SampleCreate(std::move(pcm));
}

uint32_t SampleGetChannel(uint32_t sample)
{
    return SampleSlot(sample) ? (sample | kChannelTag) : 0;
}

const std::vector<int16_t>& SampleData(uint32_t sample)
{
    static const std::vector<int16_t> none;
    const Slot* s = SampleSlot(sample);
    return s ? s->pcm : none;
}

void ChannelPlay(uint32_t channel, bool restart)
{
    if (Slot* s = ChannelSlot(channel)) {
        std::lock_guard<std::mutex> hold(s->lock);
        if (restart) {
            s->handed = 0;
            ClearStream(*s);
            ClockMoved(s->clock, 0);
        }
        s->playing = true;
    }
}

void ChannelPause(uint32_t channel)
{
    if (Slot* s = ChannelSlot(channel)) {
        std::lock_guard<std::mutex> hold(s->lock);
        s->playing = false;
    }
}

bool ChannelIsPlaying(uint32_t channel)
{
    Slot* s = ChannelSlot(channel);
    if (!s)
        return false;
    std::lock_guard<std::mutex> hold(s->lock);
    return s->playing;
}

uint64_t ChannelGetPosition(uint32_t channel)
{
    Slot* s = ChannelSlot(channel);
    if (!s)
        return 0;
    const int64_t now = SteadyTicks100ns();
    std::lock_guard<std::mutex> hold(s->lock);
    return ClockRead(s->clock, now, kMusicBytesPerSecond);
}

uint64_t ChannelGetHandedBytes(uint32_t channel)
{
    Slot* s = ChannelSlot(channel);
    if (!s)
        return 0;
    std::lock_guard<std::mutex> hold(s->lock);
    return s->handed;
}

void ChannelSetPosition(uint32_t channel, uint64_t bytes)
{
    if (Slot* s = ChannelSlot(channel)) {
        std::lock_guard<std::mutex> hold(s->lock);
        const uint64_t size = s->pcm.size() * sizeof(int16_t);
        s->handed = std::min(bytes, size) & ~(kMusicBytesPerFrame - 1);
        ClearStream(*s);
        ClockMoved(s->clock, s->handed);
    }
}

uint64_t ChannelGetLength(uint32_t channel)
{
    const Slot* s = ChannelSlot(channel);
    return s ? s->pcm.size() * sizeof(int16_t) : 0;
}
