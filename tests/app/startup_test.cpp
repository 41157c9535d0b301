// Start-up with a test loader and two test parts in a scratch working directory, with no
// MIDI subsystem and SDL's dummy audio driver.
#include "app/demo.h"
#include "platform/audio.h"
#include "platform/platform.h"
#include "platform/test_support.h"
#include "support/gl_window.h"

#include <unistd.h>

#include <cstring>

namespace {

// Prints its calls, so their order shows among the start-up's own lines.
template <class Base>
struct Printing : Base {
    const char* name;
    TDemo* seenDemo = nullptr;  // the pointers it had in Init
    TDemoState* seenState = nullptr;
    explicit Printing(const char* name) : name(name) {}
    void Init() override { printf("%s.Init\n", name), seenDemo = this->demo, seenState = this->state; }
    void Update() override { printf("%s.Update\n", name); }
    void Render() override { printf("%s.Render\n", name); }
};

class StartUpTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = ScratchDir("startup_test");
        std::filesystem::create_directories(dir + "/other");
        ASSERT_TRUE(MakeToneMp3(dir + "/other/tk22.mp3", 44100, 2, 1.5, 440, 660));
#if defined(__linux__)
        std::ofstream(dir + "/empty_alsa.conf").close();  // an empty ALSA configuration: no sequencer
        setenv("ALSA_CONFIG_PATH", (dir + "/empty_alsa.conf").c_str(), 1);
#endif
    }
    void SetUp() override
    {
        ASSERT_TRUE(window.ok);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        std::filesystem::remove("FreeCam.bin");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        demo.glWindow = window.win;
    }
    void TearDown() override
    {
        AudioStop();
        ASSERT_EQ(chdir(HOLLOWMERE_BINARY_DIR), 0);
    }

    static inline std::string dir;
    GLTestWindow window{64, 48};
    TDemo demo;
};

}  // namespace

// The camera file, the loader, the MIDI listing and its two failure messages, the parts'
// Init, the clock before the 5 ms sleep, the music playing from its start; then the
// render targets: the four the scene uses at the window size and the spare ones.
TEST_F(StartUpTest, StepsInOrder)
{
    TFreeCam saved;
    InitFreeCam(saved);
    saved.flyMode = 1, saved.zoom = 2.5f, saved.target[2] = -7.0f;
    std::ofstream("FreeCam.bin", std::ios::binary).write(reinterpret_cast<const char*>(&saved), sizeof saved);
    Printing<Part_Loader> loader{"loader"};
    Printing<Part> a{"a"}, b{"b"};
    demo.loader = &loader;
    AppendPart(demo, &a);
    AppendPart(demo, &b);
    const int64_t before = SteadyTicks100ns();
    const std::string out = Printed([&] { StartUp(demo); });
    const int64_t after = SteadyTicks100ns();

    const std::string failure = "MidiIn::start() : midiInOpen() failed...err=";
    const std::string start = "loader.Init\n======== MidiIn::printDeviceNames() ========\n" + failure;
    ASSERT_EQ(out.rfind(start, 0), 0u) << out;
    EXPECT_EQ(out.substr(out.find('\n', start.size()) + 1), "nano_kontrol2.start() failed...\na.Init\nb.Init\n");
    EXPECT_EQ(loader.seenState, &demo.state);
    for (auto* p : {&a, &b}) EXPECT_TRUE(p->seenDemo == &demo && p->seenState == &demo.state) << p->name;
    EXPECT_EQ(std::memcmp(&demo.state.camera, &saved, sizeof saved), 0);
    EXPECT_EQ(demo.state.nano, &demo.nano_kontrol2);
    EXPECT_EQ(demo.nano_kontrol2.handle, nullptr);
    EXPECT_GE(demo.state.lastTicks, before);
    EXPECT_LE(demo.state.lastTicks + 50000, after) << "the clock is read before the 5 ms sleep";
    EXPECT_TRUE(ChannelIsPlaying(demo.musicChannel));
    EXPECT_LT(ChannelGetPosition(demo.musicChannel), ChannelGetLength(demo.musicChannel)) << "played from the start";
    EXPECT_NEAR(double(ChannelGetLength(demo.musicChannel)), 1.5 * 192000, 0.03 * 192000);

    const int targets[][3] = {{RT_SCENE, 64, 48}, {RT_OTHER, 64, 48}, {RT_FINAL, 64, 48}, {RT_POST, 64, 48},
                              {0, 64, 48},        {1, 16, 12},        {6, 16, 12},        {7, 1024, 1024}};
    for (const auto& [slot, width, height] : targets) {
        const RenderTarget& t = demo.targets[slot];
        EXPECT_TRUE(t.created && t.width == width && t.height == height) << "slot " << slot << ": " << t.width << "x" << t.height;
    }
}

// No music file, or no audio device: one line each, the last, and no handles, the
// position at 0.
TEST_F(StartUpTest, MusicFailuresRunOnSilently)
{
    std::filesystem::create_directories(dir + "/silent");
    ASSERT_EQ(chdir((dir + "/silent").c_str()), 0);
    for (const std::string driver : {"dummy", "no_such_driver"}) {
        AudioStop();
        setenv("SDL_AUDIODRIVER", driver.c_str(), 1);
        TDemo d;
        d.glWindow = demo.glWindow;
        const std::string out = Printed([&] { StartUp(d); });
        const size_t at = out.find(driver == "dummy" ? "SampleLoad - cannot load \"other//tk22.mp3\"" : "AudioStart - ");
        EXPECT_TRUE(at != std::string::npos && out.find('\n', at) + 1 == out.size()) << "the last line, and one line: " << out;
        EXPECT_TRUE(d.musicSample == 0 && d.musicChannel == 0 && ChannelGetPosition(d.musicChannel) == 0) << driver;
    }
}
