// The music clock against the part's clock, on SDL's own "dummy" and "disk" audio drivers
// (no sound card; they take buffers at about real-time speed), at device rates of 44.1 kHz
// and 48 kHz. The baseline, from the same run, is the position the program used to read:
// the bytes handed towards the device.
//
//   music_clock_bench [--drivers dummy,disk] [--rates 44100,48000] [--drift S] [--seek S]
//
// Drift: the channel plays with no seek for --drift seconds (20) while a frame loop advances
// a part clock by the steady clock, as the frame driver does; it prints how far the part's
// clock and each reading drift apart, the largest step a reading makes between two frames
// beyond the frame's own time, and the device's own pace (bytes taken over real time): a
// device that plays slower or faster than the clock drifts by that much whatever is read.
// Seeks: two channels play for --seek seconds (60), each with its own part clock kept within
// 50 ms by the frame driver's rule, one read the old way, one the new way; it counts the
// seeks and those that come less than a second after the one before (a seek loop).
#include "app/frame.h"
#include "platform/audio.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double kR = double(kMusicBytesPerSecond);

double Now() { return TicksToSeconds(SteadyTicks100ns()); }

std::vector<std::string> Split(const std::string& list)
{
    std::vector<std::string> out;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
        if (!item.empty())
            out.push_back(item);
    return out;
}

bool Start(const std::string& driver, int rate)
{
    setenv("SDL_AUDIODRIVER", driver.c_str(), 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    unsetenv("SDL_DISKAUDIODELAY");
    if (!AudioStart(rate))
        return false;
    if (AudioDeviceRate() != rate) {
        std::printf("  the %s driver opened at %d Hz, not %d Hz\n", driver.c_str(), AudioDeviceRate(), rate);
        AudioStop();
        return false;
    }
    return true;
}

struct DriftFigures {
    double range = 0;     // largest minus smallest (part clock - music), ms
    double residual = 0;  // largest distance from the device's own pace line, ms
    double step = 0;      // largest jump of the reading between two frames beyond the frame time, ms
};

struct Sample {
    double t, part, handed, heard;
};

DriftFigures Figures(const std::vector<Sample>& samples, double Sample::*reading, double pace)
{
    DriftFigures f;
    double lo = 1e9, hi = -1e9;
    const Sample& first = samples.front();
    const double d0 = first.part - first.*reading / kR;
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        const double d = s.part - s.*reading / kR;
        lo = std::min(lo, d), hi = std::max(hi, d);
        // What the device's pace alone would give: the music runs at `pace` times the clock.
        f.residual = std::max(f.residual, std::fabs(d - d0 - (1.0 - pace) * (s.t - first.t)) * 1e3);
        if (i > 0) {
            const Sample& p = samples[i - 1];
            f.step = std::max(f.step, std::fabs((s.*reading - p.*reading) / kR - (s.t - p.t)) * 1e3);
        }
    }
    f.range = (hi - lo) * 1e3;
    return f;
}

void Drift(uint32_t channel, double seconds)
{
    ChannelPlay(channel);
    SleepMs(500);  // the device settles
    std::vector<Sample> samples;
    const double t0 = Now();
    double part = double(ChannelGetPosition(channel)) / kR, last = t0;
    while (Now() - t0 < seconds) {
        const double t = Now();
        part += t - last;  // the frame driver's deltaTime
        last = t;
        samples.push_back({t, part, double(ChannelGetHandedBytes(channel)), double(ChannelGetPosition(channel))});
        SleepMs(16);
    }
    ChannelPause(channel);
    // The device's pace: a least-squares line through the bytes handed over against time.
    double st = 0, sb = 0, stt = 0, stb = 0;
    for (const Sample& s : samples) st += s.t - t0, sb += s.handed, stt += (s.t - t0) * (s.t - t0), stb += (s.t - t0) * s.handed;
    const double n = double(samples.size());
    const double pace = (n * stb - st * sb) / (n * stt - st * st) / kR;
    const DriftFigures before = Figures(samples, &Sample::handed, pace), after = Figures(samples, &Sample::heard, pace);
    std::printf("  device pace %.4f of real time: %+.1f ms over %.0f s\n", pace, (pace - 1.0) * seconds * 1e3, seconds);
    std::printf("  drift, %.0f s without a seek: range %.1f ms before, %.1f ms after (ratio %.2f)\n", seconds,
                before.range, after.range, after.range / before.range);
    std::printf("    beyond the device's pace: %.1f ms before, %.1f ms after; steps between frames: %.1f ms before, %.1f ms after\n",
                before.residual, after.residual, before.step, after.step);
}

// The frame driver's rule on a reading: more than 50 ms apart, the music goes to the part's
// time plus 30 ms.
bool Sync(uint32_t channel, double part, uint64_t reading)
{
    if (!(std::fabs(part - double(reading) / kR) > kMusicDriftTolerance))
        return false;
    ChannelSetPosition(channel, uint64_t((part + kMusicSeekLead) * kR));
    return true;
}

void Seeks(uint32_t old, uint32_t now, double seconds)
{
    ChannelPlay(old), ChannelPlay(now);
    int seeks[2] = {0, 0}, loops[2] = {0, 0};
    double lastSeek[2] = {-10, -10};
    const double t0 = Now();
    double part = 0, last = t0;
    while (Now() - t0 < seconds) {
        const double t = Now();
        part += t - last;
        last = t;
        const bool moved[2] = {Sync(old, part, ChannelGetHandedBytes(old)), Sync(now, part, ChannelGetPosition(now))};
        for (int i = 0; i < 2; ++i)
            if (moved[i]) {
                ++seeks[i];
                loops[i] += t - lastSeek[i] < 1.0;
                lastSeek[i] = t;
            }
        SleepMs(16);
    }
    ChannelPause(old), ChannelPause(now);
    std::printf("  seeks over %.0f s: %d before (%d less than 1 s after the one before), %d after (%d)\n", seconds,
                seeks[0], loops[0], seeks[1], loops[1]);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> drivers = {"dummy", "disk"};
    std::vector<int> rates = {44100, 48000};
    double drift = 20, seek = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--drivers")
            drivers = Split(value);
        else if (option == "--rates") {
            rates.clear();
            for (const std::string& r : Split(value)) rates.push_back(std::atoi(r.c_str()));
        } else if (option == "--drift")
            drift = std::atof(value.c_str());
        else if (option == "--seek")
            seek = std::atof(value.c_str());
        else {
            std::fprintf(stderr, "music_clock_bench: unknown option %s\n", option.c_str());
            return 2;
        }
    }
    // Silence, long enough for either run; the channels restart from 0 for every run.
    const std::vector<int16_t> silence(size_t((std::max(drift, seek) + 5) * kR / 2));
    const uint32_t channels[3] = {SampleGetChannel(SampleCreate(silence)), SampleGetChannel(SampleCreate(silence)),
                                  SampleGetChannel(SampleCreate(silence))};
    for (const std::string& driver : drivers)
        for (int rate : rates) {
            std::printf("SDL audio driver %s, device at %d Hz\n", driver.c_str(), rate);
            if (drift > 0 && Start(driver, rate)) {
                Drift(channels[0], drift);
                AudioStop();
            }
            if (seek > 0 && Start(driver, rate)) {
                Seeks(channels[1], channels[2], seek);
                AudioStop();
            }
            std::fflush(stdout);
        }
    return 0;
}
