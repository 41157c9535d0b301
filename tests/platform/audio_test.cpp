// The music channel: decoding to 48 kHz stereo, the failures, the exact output under SDL's disk
// driver, and the playing position under its dummy driver (real time, no hardware).
#include "platform/audio.h"
#include "platform/loading.h"
#include "platform/platform.h"
#include "platform/test_support.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

const std::string kDir = ScratchDir("audio_test");

static uint32_t LoadTones(const std::string& name, int rate, int channels, double seconds, int left, int right)
{
    EXPECT_TRUE(MakeToneMp3(kDir + "/" + name, rate, channels, seconds, left, right)) << "lame failed: " << name;
    return SampleLoad((kDir + "/" + name).c_str());
}

// Upward zero crossings of channel `ch` in the interleaved stereo frames [from, to): over a
// second of music, its pitch in Hz.
static int UpwardCrossings(const std::vector<int16_t>& pcm, size_t ch, size_t from, size_t to)
{
    int up = 0;
    for (size_t i = from; i < to && i * 2 < pcm.size(); ++i) up += pcm[(i - 1) * 2 + ch] < 0 && pcm[i * 2 + ch] >= 0;
    return up;
}

// The next AudioStart sends the device's output to `path` through SDL's disk driver.
static void DiskDriver(const std::string& path)
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "2", 1);  // faster than real time
}

static bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000)
{
    for (int waited = 0; waited < timeoutMs && !pred(); waited += 5) SleepMs(5);
    return pred();
}

// 44.1 kHz stereo and 22.05 kHz mono become 48 kHz stereo at the right pitch. A missing,
// empty or non-MP3 file, or no device, prints one line; handle 0 and no device stay at 0.
TEST(MusicChannel, AnyRateBecomes48kStereoAndFailuresRunOnSilently)
{
    for (const auto& [rate, channels, left, right] : {std::array{44100, 2, 440, 660}, std::array{22050, 1, 330, 330}}) {
        const std::vector<int16_t>& pcm = SampleData(LoadTones(std::to_string(rate) + ".mp3", rate, channels, 2.0, left, right));
        // Two seconds, give or take the encoder's frame padding.
        EXPECT_NEAR(double(pcm.size() * 2), 2.0 * kMusicBytesPerSecond, 0.03 * kMusicBytesPerSecond) << rate;
        for (size_t ch : {0, 1})  // over the second from 0.5 s
            EXPECT_NEAR(UpwardCrossings(pcm, ch, 24001, 72001), ch ? right : left, 2) << rate << " Hz, channel " << ch;
    }
    std::ofstream(kDir + "/empty.mp3").close();
    std::ofstream(kDir + "/text.mp3") << "this is not an MPEG audio file, only a few words of text\n";
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    for (const std::string name : {"missing.mp3", "empty.mp3", "text.mp3", ""}) {
        const std::string path = kDir + "/" + name;
        bool failed = false;
        const std::string out = Printed([&] { failed = name.empty() ? !AudioStart() : SampleLoad(path.c_str()) == 0; });
        const std::string line = name.empty() ? "AudioStart - " : "SampleLoad - cannot load \"" + path + "\"";
        EXPECT_TRUE(failed && out.rfind(line, 0) == 0 && out.find('\n') == out.size() - 1) << out;
    }
    const uint32_t channel = SampleGetChannel(SampleCreate(std::vector<int16_t>(96000)));
    ChannelPlay(channel), ChannelPlay(0), ChannelSetPosition(0, 192000), SleepMs(100);
    EXPECT_TRUE(ChannelGetPosition(channel) == 0 && ChannelGetPosition(0) == 0 && SampleGetChannel(0) == 0);
    ChannelPause(channel), AudioStop();
}

// The disk driver writes what the device received: exactly the decoded PCM from the
// position set (a restart would go to 0), then silence once the sample has ended.
TEST(MusicChannel, DiskDriverWritesThePcmFromThePositionSet)
{
    const std::string out = kDir + "/disk.raw";
    DiskDriver(out);
    const uint32_t sample = LoadTones("disk44.mp3", 44100, 2, 2.0, 440, 660), channel = SampleGetChannel(sample);
    const uint64_t length = ChannelGetLength(channel), from = 96000 * 4 / 3;  // 0.667 s, a whole frame
    ChannelSetPosition(channel, ~0ull);
    ChannelPlay(channel);
    EXPECT_TRUE(length == SampleData(sample).size() * 2 && ChannelGetPosition(channel) == 0) << "a restart plays from 0";
    ChannelSetPosition(channel, from);
    ChannelPlay(channel, false);
    ASSERT_TRUE(AudioStart());
    ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(channel) == length; }, 20000));
    SleepMs(100);
    AudioStop(), ChannelPause(channel);

    const std::string written = ReadWholeFile(out).value_or("");
    const std::string expected(reinterpret_cast<const char*>(SampleData(sample).data()) + from, length - from);
    // SDL may write a buffer of silence (1024 frames) while the device opens paused.
    const size_t start = written.find_first_not_of('\0') / 4096 * 4096;
    ASSERT_GE(written.size(), start + expected.size());
    const auto diff = std::mismatch(expected.begin(), expected.end(), written.begin() + ptrdiff_t(start)).first - expected.begin();
    EXPECT_EQ(size_t(diff), expected.size()) << "output differs from the PCM at byte " << diff << " after " << start;
    EXPECT_EQ(written.find_first_not_of('\0', start + expected.size()), std::string::npos) << "silence after the end";
}

// At 44.1 kHz the device gets the music converted at the right pitch and length, and at
// either rate the playing position never runs ahead of what was handed over, trails it by no
// more than the device's buffer and the converter's block, never goes back, and reads the
// place set until the device takes the music from there.
TEST(MusicChannel, ConvertedForTheDeviceAndThePositionIsWhatPlays)
{
    const uint32_t sample = LoadTones("tones48.mp3", 48000, 2, 2.0, 440, 660), channel = SampleGetChannel(sample);
    const std::string out = kDir + "/disk44.raw";
    DiskDriver(out);
    ChannelPlay(channel);
    ASSERT_TRUE(AudioStart(44100));
    EXPECT_EQ(AudioDeviceRate(), 44100);
    const uint64_t length = ChannelGetLength(channel);
    ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(channel) == length; }, 20000))
        << ChannelGetPosition(channel) << " of " << length << ", handed " << ChannelGetHandedBytes(channel);
    SleepMs(100);
    AudioStop(), ChannelPause(channel);
    const std::string bytes = ReadWholeFile(out).value_or("");
    std::vector<int16_t> pcm(bytes.size() / 2);
    std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
    const size_t first = size_t(std::find_if(pcm.begin(), pcm.end(), [](int16_t v) { return v != 0; }) - pcm.begin()) / 2;
    size_t last = pcm.size() / 2;
    while (last > first && pcm[last * 2 - 2] == 0 && pcm[last * 2 - 1] == 0) --last;
    // All of it, the resampler's tail too; SDL's resampler runs within 0.1 % of the exact ratio.
    const double frames44 = double(length / 4) * 44100 / 48000;
    EXPECT_NEAR(double(last - first), frames44, 0.002 * frames44) << "frames of music at 44.1 kHz";
    for (size_t ch : {0, 1})  // over the second from 0.5 s
        EXPECT_NEAR(UpwardCrossings(pcm, ch, first + 22051, std::min(first + 66151, last)), ch ? 660 : 440, 2) << "channel " << ch;

    unsetenv("SDL_DISKAUDIODELAY");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const int rate : {44100, 48000}) {
        ASSERT_TRUE(AudioStart(rate));
        const uint64_t trail = rate == 48000 ? 4096 : 3 * 4096;
        ChannelPlay(channel);
        uint64_t before = 0;
        for (int i = 0; i < 200; ++i) {
            if (i == 100) {  // a seek back, not on a frame: the place set, aligned down, then onwards from there
                ChannelSetPosition(channel, 96002);
                EXPECT_EQ(ChannelGetPosition(channel), 96000u) << rate;
                before = 96000;
            }
            const uint64_t handed = ChannelGetHandedBytes(channel), position = ChannelGetPosition(channel);
            const uint64_t handedAfter = ChannelGetHandedBytes(channel);
            EXPECT_TRUE(position >= before && position <= handedAfter && position % 4 == 0) << rate << ": " << position;
            EXPECT_LE(handed, position + trail) << rate << " Hz, reading " << i;
            before = position;
            SleepMs(5);
        }
        EXPECT_TRUE(WaitFor([&] { return ChannelGetPosition(channel) > 96000; })) << "no playback after the seek";
        ChannelPause(channel), AudioStop();
    }
}
