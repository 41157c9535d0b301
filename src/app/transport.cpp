// The keyboard transport: the rules on the clock, and their application to the current part.
#include "app/transport.h"

#include "app/demo.h"
#include "parts/clips.h"
#include "parts/schedule.h"

#include <SDL.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {


Part* CurrentPart(TDemo& demo)
{
    if (demo.currentPart < 0 || size_t(demo.currentPart) >= demo.parts.size())
        return nullptr;
    return demo.parts[size_t(demo.currentPart)];
}

std::optional<float> ParseSeconds(std::string_view text)
{
    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value >= 0.0f) || value > 1e6f)
        return std::nullopt;
    return value;
}

}  // namespace

TransportKey TransportKeyOf(int scancode)
{
    switch (scancode) {
    case SDL_SCANCODE_P: return TransportKey::Pause;
    case SDL_SCANCODE_COMMA: return TransportKey::FrameBack;
    case SDL_SCANCODE_PERIOD: return TransportKey::FrameForward;
    case SDL_SCANCODE_LEFT: return TransportKey::Back1;
    case SDL_SCANCODE_RIGHT: return TransportKey::Forward1;
    case SDL_SCANCODE_DOWN: return TransportKey::Back10;
    case SDL_SCANCODE_UP: return TransportKey::Forward10;
    case SDL_SCANCODE_PAGEUP: return TransportKey::PreviousCue;
    case SDL_SCANCODE_PAGEDOWN: return TransportKey::NextCue;
    default: return TransportKey::None;
    }
}

TTransportStep ApplyTransportKey(TransportKey key, float time, bool paused, const std::vector<float>& cues, float end)
{
    float to = time;
    switch (key) {
    case TransportKey::None: return {time, paused};
    case TransportKey::Pause: return {time, !paused};
    case TransportKey::FrameBack:
    case TransportKey::FrameForward:
        if (!paused)
            return {time, paused};
        to = time + (key == TransportKey::FrameBack ? -kTransportFrame : kTransportFrame);
        break;
    case TransportKey::Back1: to = time - 1.0f; break;
    case TransportKey::Forward1: to = time + 1.0f; break;
    case TransportKey::Back10: to = time - 10.0f; break;
    case TransportKey::Forward10: to = time + 10.0f; break;
    case TransportKey::PreviousCue: {
        const auto after = std::lower_bound(cues.begin(), cues.end(), time - kCueGrace);
        to = after == cues.begin() ? (cues.empty() ? 0.0f : cues.front()) : *(after - 1);
        break;
    }
    case TransportKey::NextCue: {
        const auto next = std::upper_bound(cues.begin(), cues.end(), time + 0.001f);
        if (next == cues.end())
            return {time, paused};
        to = *next;
        break;
    }
    }
    return {std::clamp(to, 0.0f, std::max(end - kTransportFrame, 0.0f)), paused};
}

std::optional<float> StartTimeArgument(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--start" && i + 1 < argc)
            return ParseSeconds(argv[i + 1]);
        if (arg.starts_with("--start="))
            return ParseSeconds(arg.substr(8));
    }
    return std::nullopt;
}

bool TransportPaused(const TDemo& demo)
{
    return ScenePaused(demo.nano_kontrol2);
}

void TransportKeyPressed(TDemo& demo, int scancode)
{
    const TransportKey key = TransportKeyOf(scancode);
    Part* part = CurrentPart(demo);
    if (key == TransportKey::None || !part)
        return;
    const bool paused = TransportPaused(demo);
    const TTransportStep step = ApplyTransportKey(key, part->time, paused, SceneCues(), kSceneEndTime);
    part->time = step.time;
    if (step.paused != paused)
        SetScenePaused(demo.nano_kontrol2, step.paused);
    if (key == TransportKey::Pause)
        std::printf("Transport - %s at %.3f s\n", step.paused ? "paused" : "playing", double(step.time));
    else
        std::printf("Transport - %.3f s%s\n", double(step.time), step.paused ? " (paused)" : "");
    std::fflush(stdout);
}

void TransportStartAt(TDemo& demo, float time)
{
    if (Part* part = CurrentPart(demo)) {
        part->time = time;
        std::printf("Transport - starting at %.3f s\n", double(time));
        std::fflush(stdout);
    }
}
