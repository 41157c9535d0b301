// The music channel over SDL2's audio: the device callback copies PCM from the decoded
// sample at the channel's atomic byte position, so any thread may read or move it.
#include "platform/audio.h"
#include "platform/quiet_alsa.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

// One slot per sample, each with the one channel that plays it. Slots are filled once
// and never freed or moved, so the callback can read them without taking a lock.
struct Slot {
    std::vector<int16_t> pcm;           // immutable once `used` is published
    std::atomic<bool> used{false};
    std::atomic<bool> playing{false};
    std::atomic<uint64_t> position{0};  // bytes
};

constexpr uint32_t kSlotCount = 16;
constexpr uint32_t kChannelTag = 0x80000000u;  // channel handles differ from sample handles

// Never freed: SDL's audio thread may still run the callback while the process exits.
Slot* const g_slots = new Slot[kSlotCount];
std::mutex g_loadMutex;  // serialises slot allocation
SDL_AudioDeviceID g_device = 0;

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

// Mixes every playing channel into the device buffer (one channel in practice, so the
// output is then an exact copy of the PCM).
void SDLCALL FillAudio(void*, Uint8* stream, int len)
{
    std::memset(stream, 0, size_t(len));
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    const uint64_t want = uint64_t(len) & ~(kMusicBytesPerFrame - 1);
    for (uint32_t i = 0; i < kSlotCount; ++i) {
        Slot& s = g_slots[i];
        if (!s.used.load(std::memory_order_acquire) || !s.playing.load(std::memory_order_relaxed))
            continue;
        uint64_t pos = s.position.load(std::memory_order_relaxed);
        const uint64_t size = s.pcm.size() * sizeof(int16_t);
        if (pos >= size)
            continue;
        const uint64_t n = std::min(want, size - pos);
        const int16_t* in = s.pcm.data() + pos / sizeof(int16_t);
        for (uint64_t i = 0; i < n / sizeof(int16_t); ++i)
            out[i] = int16_t(std::clamp(int32_t(out[i]) + int32_t(in[i]), -32768, 32767));
        // A seek made meanwhile wins over this advance.
        s.position.compare_exchange_strong(pos, pos + n, std::memory_order_relaxed);
    }
}

}  // namespace

bool AudioStart()
{
    if (g_device)
        return true;
    QuietAlsa quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        printf("AudioStart - no audio, the music stays silent: %s\n", SDL_GetError());
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = kMusicRate;
    want.format = AUDIO_S16SYS;
    want.channels = kMusicChannels;
    want.samples = 1024;
    want.callback = FillAudio;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware takes, so the channel
    // format, and with it the byte position, is the same on every machine.
    g_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!g_device) {
        printf("AudioStart - no audio device, the music stays silent: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(g_device, 0);
    return true;
}

void AudioStop()
{
    if (!g_device)
        return;
    SDL_CloseAudioDevice(g_device);
    g_device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

uint32_t SampleCreate(std::vector<int16_t> pcm)
{
    if (pcm.size() % kMusicChannels)
        pcm.push_back(0);  // complete the last stereo frame
    std::lock_guard<std::mutex> lock(g_loadMutex);
    for (uint32_t i = 0; i < kSlotCount; ++i) {
        Slot& s = g_slots[i];
        if (s.used.load(std::memory_order_relaxed))
            continue;
        s.pcm = std::move(pcm);
        s.position.store(0, std::memory_order_relaxed);
        s.playing.store(false, std::memory_order_relaxed);
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
        if (restart)
            s->position.store(0, std::memory_order_relaxed);
        s->playing.store(true, std::memory_order_relaxed);
    }
}

void ChannelPause(uint32_t channel)
{
    if (Slot* s = ChannelSlot(channel))
        s->playing.store(false, std::memory_order_relaxed);
}

bool ChannelIsPlaying(uint32_t channel)
{
    const Slot* s = ChannelSlot(channel);
    return s && s->playing.load(std::memory_order_relaxed);
}

uint64_t ChannelGetPosition(uint32_t channel)
{
    const Slot* s = ChannelSlot(channel);
    return s ? s->position.load(std::memory_order_relaxed) : 0;
}

void ChannelSetPosition(uint32_t channel, uint64_t bytes)
{
    if (Slot* s = ChannelSlot(channel)) {
        const uint64_t size = s->pcm.size() * sizeof(int16_t);
        s->position.store(std::min(bytes, size) & ~(kMusicBytesPerFrame - 1), std::memory_order_relaxed);
    }
}

uint64_t ChannelGetLength(uint32_t channel)
{
    const Slot* s = ChannelSlot(channel);
    return s ? s->pcm.size() * sizeof(int16_t) : 0;
}
