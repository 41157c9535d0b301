// The music channel: decoding to 48 kHz stereo, playback position under SDL's dummy
// driver (real time, no hardware), the exact output under the disk driver, failures.
#include "platform/audio.h"
#include "platform/platform.h"
#include "platform/tone_mp3.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

const std::string& Dir()
{
    static const std::string dir = ScratchDir("audio_test");
    return dir;
}

// Frequency of one channel from its upward zero crossings over `frames` frames.
double ToneHz(const std::vector<int16_t>& pcm, int channel, size_t from, size_t frames)
{
    int up = 0;
    for (size_t i = from + 1; i < from + frames; ++i)
        if (pcm[(i - 1) * 2 + size_t(channel)] < 0 && pcm[i * 2 + size_t(channel)] >= 0)
            ++up;
    return up * double(kMusicRate) / double(frames);
}

template <class Pred>
bool WaitFor(Pred pred, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        if (pred())
            return true;
        SleepMs(5);
    }
    return pred();
}

std::string Mp3(const char* name, int rate, int channels, double seconds, double left, double right)
{
    const std::string path = Dir() + "/" + name;
    EXPECT_TRUE(MakeToneMp3(path, rate, channels, seconds, left, right)) << "lame failed for " << path;
    return path;
}

}  // namespace

// Every source rate and channel count comes out as 48 kHz stereo at the right pitch, so
// 192000 bytes are one second whatever the file.
TEST(MusicDecode, AnyRateBecomes48kStereo)
{
    struct Case {
        const char* name;
        int rate, channels;
        double left, right;
    } cases[] = {
        {"s44.mp3", 44100, 2, 440, 660},
        {"s48.mp3", 48000, 2, 500, 750},
        {"m22.mp3", 22050, 1, 330, 330},
        {"s32.mp3", 32000, 2, 1000, 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Mp3(c.name, c.rate, c.channels, 2.0, c.left, c.right);
        std::vector<int16_t> pcm;
        std::string error;
        ASSERT_TRUE(DecodeMp3(path.c_str(), pcm, error)) << error;
        const double bytes = double(pcm.size() * sizeof(int16_t));
        // Two seconds of music, give or take the encoder's frame padding.
        EXPECT_NEAR(bytes, 2.0 * kMusicBytesPerSecond, 0.03 * kMusicBytesPerSecond);
        EXPECT_EQ(pcm.size() % 2, 0u);
        EXPECT_NEAR(ToneHz(pcm, 0, 24000, 48000), c.left, 2.0);
        EXPECT_NEAR(ToneHz(pcm, 1, 24000, 48000), c.right, 2.0);
        if (c.channels == 1) {
            for (size_t i = 0; i < pcm.size(); i += 2)
                ASSERT_EQ(pcm[i], pcm[i + 1]) << "mono is duplicated, frame " << i / 2;
        }
    }
}

// Missing, empty and non-MP3 files: one line each, handle 0, and every call on 0 is harmless.
TEST(MusicDecode, FailuresPrintOneLineAndLeaveNoHandle)
{
    const std::string empty = Dir() + "/empty.mp3", text = Dir() + "/text.mp3";
    std::ofstream(empty, std::ios::binary).close();
    std::ofstream(text, std::ios::binary) << "this is not an MPEG audio file, only a few words of text\n";
    for (const std::string& path : {Dir() + "/missing.mp3", empty, text}) {
        SCOPED_TRACE(path);
        testing::internal::CaptureStdout();
        const uint32_t sample = SampleLoad(path.c_str());
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(sample, 0u);
        EXPECT_NE(out.find("SampleLoad - cannot load \"" + path + "\""), std::string::npos) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    }
    testing::internal::CaptureStdout();
    const uint32_t channel = SampleGetChannel(0);
    ChannelPlay(channel);
    ChannelSetPosition(channel, 192000);
    EXPECT_EQ(channel, 0u);
    EXPECT_EQ(ChannelGetPosition(channel), 0u);
    EXPECT_EQ(ChannelGetLength(channel), 0u);
    EXPECT_FALSE(ChannelIsPlaying(channel));
    EXPECT_TRUE(SampleData(0).empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// Positions are kept within the sample and on whole stereo frames; sample handles are
// not channel handles.
TEST(MusicChannel, PositionsAreClampedAndFrameAligned)
{
    const uint32_t sample = SampleCreate(std::vector<int16_t>(2 * 4800, 7));  // 0.1 s
    const uint32_t channel = SampleGetChannel(sample);
    ASSERT_NE(channel, 0u);
    EXPECT_NE(channel, sample);
    EXPECT_EQ(ChannelGetLength(channel), 19200u);
    EXPECT_EQ(ChannelGetLength(sample), 0u);
    const struct {
        uint64_t set, get;
    } cases[] = {{0, 0}, {4, 4}, {6, 4}, {19199, 19196}, {19200, 19200}, {1u << 30, 19200}, {~0ull, 19200}};
    for (const auto& c : cases) {
        ChannelSetPosition(channel, c.set);
        EXPECT_EQ(ChannelGetPosition(channel), c.get) << "set " << c.set;
    }
    ChannelPlay(channel, false);
    EXPECT_EQ(ChannelGetPosition(channel), 19200u) << "a play without restart keeps the position";
    ChannelPlay(channel);
    EXPECT_EQ(ChannelGetPosition(channel), 0u) << "a restart plays from 0";
    ChannelPause(channel);
}

// No device: one line, and a playing channel stays at position 0.
TEST(MusicChannel, NoDeviceRunsOnSilently)
{
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    const uint32_t channel = SampleGetChannel(SampleCreate(std::vector<int16_t>(2 * 48000, 100)));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(AudioStart());
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("AudioStart - ", 0), 0u) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    ChannelPlay(channel);
    SleepMs(100);
    EXPECT_EQ(ChannelGetPosition(channel), 0u);
    ChannelPause(channel);
    AudioStop();
}

// The dummy driver consumes samples in real time: the position of a 44.1 kHz file
// advances at about 192000 bytes a second, and setting it moves playback.
TEST(MusicChannel, DummyDriverAdvancesInRealTimeAndSeeks)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string path = Mp3("play44.mp3", 44100, 2, 5.0, 440, 660);
    const uint32_t sample = SampleLoad(path.c_str());
    const uint32_t channel = SampleGetChannel(sample);
    ASSERT_NE(channel, 0u);
    ASSERT_TRUE(AudioStart());
    ChannelPlay(channel);
    ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(channel) > 0; }, 5000)) << "playback never started";

    const int64_t t0 = SteadyTicks100ns();
    const uint64_t p0 = ChannelGetPosition(channel);
    SleepMs(1000);
    const uint64_t p1 = ChannelGetPosition(channel);
    const double seconds = double(SteadyTicks100ns() - t0) / 1e7;
    const double rate = double(p1 - p0) / seconds;
    printf("dummy driver: %.0f bytes per second over %.3f s\n", rate, seconds);
    // Loose bounds: the driver thread shares two busy cores with the sanitizers.
    EXPECT_GT(rate, 0.6 * kMusicBytesPerSecond);
    EXPECT_LT(rate, 1.25 * kMusicBytesPerSecond);

    const uint64_t target = 2 * kMusicBytesPerSecond + 2;  // not on a frame: aligned down
    ChannelSetPosition(channel, target);
    const uint64_t afterSeek = ChannelGetPosition(channel);
    EXPECT_GE(afterSeek, target - 2);
    EXPECT_LT(afterSeek, target + kMusicBytesPerSecond);
    EXPECT_EQ(afterSeek % 4, 0u);
    EXPECT_TRUE(WaitFor([&] { return ChannelGetPosition(channel) > afterSeek; }, 3000)) << "no playback after the seek";

    // Past the end the position rests at the length; moving it back resumes playback.
    ChannelSetPosition(channel, ~0ull);
    SleepMs(100);
    EXPECT_EQ(ChannelGetPosition(channel), ChannelGetLength(channel));
    ChannelSetPosition(channel, 0);
    EXPECT_TRUE(WaitFor([&] { return ChannelGetPosition(channel) > 0; }, 3000));

    ChannelPause(channel);
    SleepMs(50);
    const uint64_t paused = ChannelGetPosition(channel);
    SleepMs(100);
    EXPECT_EQ(ChannelGetPosition(channel), paused) << "a paused channel does not advance";
    AudioStop();
}

// The disk driver writes what the device received: exactly the decoded PCM from the
// position set, then silence once the sample has ended.
TEST(MusicChannel, DiskDriverWritesThePcmFromThePositionSet)
{
    const std::string out = Dir() + "/disk.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "2", 1);  // faster than real time
    const std::string path = Mp3("disk44.mp3", 44100, 2, 2.0, 440, 660);
    const uint32_t sample = SampleLoad(path.c_str());
    const uint32_t channel = SampleGetChannel(sample);
    ASSERT_NE(channel, 0u);
    const uint64_t from = 96000 * 4 / 3;  // 0.667 s, a whole frame
    ChannelSetPosition(channel, from);
    ChannelPlay(channel, false);
    ASSERT_TRUE(AudioStart());
    ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(channel) == ChannelGetLength(channel); }, 20000));
    SleepMs(100);
    AudioStop();
    ChannelPause(channel);

    std::ifstream in(out, std::ios::binary);
    const std::vector<char> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<int16_t>& pcm = SampleData(sample);
    const char* expected = reinterpret_cast<const char*>(pcm.data()) + from;
    const size_t n = pcm.size() * sizeof(int16_t) - from;
    ASSERT_GE(written.size(), n);
    size_t firstDiff = 0;
    while (firstDiff < n && written[firstDiff] == expected[firstDiff])
        ++firstDiff;
    EXPECT_EQ(firstDiff, n) << "output differs from the PCM at byte " << firstDiff;
    EXPECT_TRUE(std::all_of(written.begin() + ptrdiff_t(n), written.end(), [](char c) { return c == 0; }))
        << "silence after the end";
}
