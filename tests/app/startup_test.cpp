// Start-up with a test loader and two test parts, in a scratch working directory: the
// camera file, the order of the steps, the render targets, the MIDI messages without a
// MIDI subsystem, the clock and the music under SDL's dummy audio driver.
#include "app/demo.h"
#include "platform/audio.h"
#include "platform/platform.h"
#include "platform/tone_mp3.h"
#include "support/gl_window.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

// Prints its calls, so their order shows among the start-up's own lines.
class PrintingPart : public Part {
public:
    explicit PrintingPart(const char* name) : name(name) {}
    void Init() override
    {
        printf("%s.Init\n", name);
        ++inits;
        initDemo = demo;
        initState = state;
    }
    void Update() override { printf("%s.Update\n", name); }
    void Render() override { printf("%s.Render\n", name); }

    const char* name;
    int inits = 0;
    TDemo* initDemo = nullptr;
    TDemoState* initState = nullptr;
};

class PrintingLoader : public Part_Loader {
public:
    void Init() override
    {
        printf("loader.Init\n");
        initState = state;
    }
    void Update() override { printf("loader.Update\n"); }
    void Render() override { printf("loader.Render\n"); }
    TDemoState* initState = nullptr;
};

class StartUpTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = ScratchDir("startup_test");
        std::filesystem::create_directories(dir + "/other");
        ASSERT_TRUE(MakeToneMp3(dir + "/other/tk22.mp3", 44100, 2, 1.5, 440, 660));
#if defined(__linux__)
        // An empty ALSA configuration: no MIDI subsystem, whatever the machine has.
        std::ofstream(dir + "/empty_alsa.conf").close();
        setenv("ALSA_CONFIG_PATH", (dir + "/empty_alsa.conf").c_str(), 1);
#endif
    }

    void SetUp() override
    {
        ASSERT_TRUE(window.ok);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        std::filesystem::remove("FreeCam.bin");
        demo.glWindow.width = window.win.width;
        demo.glWindow.height = window.win.height;
        demo.glWindow.aspect = window.win.aspect;
        demo.loader = &loader;
        AppendPart(demo, &a);
        AppendPart(demo, &b);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override
    {
        AudioStop();
        ASSERT_EQ(chdir(HOLLOWMERE_BINARY_DIR), 0);
    }

    // Runs the start-up and returns what it printed.
    std::string Run()
    {
        testing::internal::CaptureStdout();
        before = SteadyTicks100ns();
        StartUp(demo);
        after = SteadyTicks100ns();
        return testing::internal::GetCapturedStdout();
    }

    static inline std::string dir;
    GLTestWindow window{64, 48};
    TDemo demo;
    PrintingLoader loader;
    PrintingPart a{"a"}, b{"b"};
    int64_t before = 0, after = 0;
};

}  // namespace

// The steps in their order, the pointers each part had in its Init, the MIDI failure
// messages, the clock reading and the music playing from its start.
TEST_F(StartUpTest, StepsInOrder)
{
    const std::string out = Run();
    const std::string midiFailure = "MidiIn::start() : midiInOpen() failed...err=";
    const size_t loaderAt = out.find("loader.Init\n");
    const size_t headerAt = out.find("======== MidiIn::printDeviceNames() ========\n");
    const size_t failureAt = out.find(midiFailure);
    const size_t secondAt = out.find("nano_kontrol2.start() failed...\n");
    const size_t aAt = out.find("a.Init\n"), bAt = out.find("b.Init\n");
    ASSERT_NE(bAt, std::string::npos) << out;
    EXPECT_EQ(loaderAt, 0u) << out;
    EXPECT_LT(loaderAt, headerAt);
    EXPECT_LT(headerAt, failureAt);
    EXPECT_EQ(out.find('\n', failureAt) + 1, secondAt) << "the start-up's message follows MidiIn's";
    EXPECT_LT(secondAt, aAt);
    EXPECT_LT(aAt, bAt);
    EXPECT_EQ(out.find("Update"), std::string::npos);
    EXPECT_EQ(out.find("Render"), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 6) << out;

    EXPECT_EQ(loader.initState, &demo.state);
    for (PrintingPart* p : {&a, &b}) {
        EXPECT_EQ(p->inits, 1);
        EXPECT_EQ(p->initDemo, &demo);
        EXPECT_EQ(p->initState, &demo.state);
    }
    EXPECT_EQ(demo.state.nano, &demo.nano_kontrol2);
    EXPECT_EQ(demo.nano_kontrol2.handle, nullptr);
    EXPECT_GE(demo.state.lastTicks, before);
    EXPECT_LE(demo.state.lastTicks + 50000, after) << "the clock is read before the 5 ms sleep";

    EXPECT_NE(demo.musicSample, 0u);
    EXPECT_NE(demo.musicChannel, 0u);
    EXPECT_TRUE(ChannelIsPlaying(demo.musicChannel));
    EXPECT_LT(ChannelGetPosition(demo.musicChannel), ChannelGetLength(demo.musicChannel)) << "played from the start";
    EXPECT_NEAR(double(ChannelGetLength(demo.musicChannel)), 1.5 * 192000, 0.03 * 192000);
}

// The eight render targets: the four the scene uses at the window size, then the spare
// ones in the spare slots.
TEST_F(StartUpTest, RenderTargets)
{
    Run();
    const struct {
        int slot, width, height;
    } cases[] = {
        {RT_SCENE, 64, 48}, {RT_OTHER, 64, 48}, {RT_FINAL, 64, 48}, {RT_POST, 64, 48},
        {0, 64, 48}, {1, 16, 12}, {6, 16, 12}, {7, 1024, 1024},
    };
    for (const auto& c : cases) {
        const RenderTarget& t = demo.targets[c.slot];
        EXPECT_TRUE(t.created) << "slot " << c.slot;
        EXPECT_EQ(t.width, c.width) << "slot " << c.slot;
        EXPECT_EQ(t.height, c.height) << "slot " << c.slot;
    }
}

// The camera file: absent, whole and short.
TEST_F(StartUpTest, CameraFile)
{
    TFreeCam initial;
    InitFreeCam(initial);
    TFreeCam fromFile = initial;
    fromFile.flyMode = 1;
    fromFile.zoom = 2.5f;
    fromFile.orbit[0] = 0.125f;
    fromFile.target[2] = -7.0f;
    const unsigned char* image = reinterpret_cast<const unsigned char*>(&fromFile);

    const struct {
        const char* what;
        size_t fileBytes;  // 0: no file
    } cases[] = {{"no file", 0}, {"whole file", sizeof(TFreeCam)}, {"short file", 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove("FreeCam.bin");
        if (c.fileBytes)
            std::ofstream("FreeCam.bin", std::ios::binary).write(reinterpret_cast<const char*>(image), std::streamsize(c.fileBytes));
        TDemo d;
        d.glWindow = demo.glWindow;
        testing::internal::CaptureStdout();
        StartUp(d);
        testing::internal::GetCapturedStdout();
        unsigned char expected[sizeof(TFreeCam)];
        std::memcpy(expected, &initial, sizeof expected);
        std::memcpy(expected, image, c.fileBytes);
        EXPECT_EQ(std::memcmp(&d.state.camera, expected, sizeof expected), 0);
        EXPECT_EQ(d.state.camera.flyMode, c.fileBytes == sizeof(TFreeCam) ? 1 : 0);
    }
}

// No music file, or no audio device: one line each, no handles, the position at 0.
TEST_F(StartUpTest, MusicFailuresRunOnSilently)
{
    const struct {
        const char* what;
        const char* driver;
        bool file;
        const char* line;
    } cases[] = {
        {"no file", "dummy", false, "SampleLoad - cannot load \"other//tk22.mp3\""},
        {"no device", "no_such_driver", true, "AudioStart - "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AudioStop();
        setenv("SDL_AUDIODRIVER", c.driver, 1);
        if (!c.file)
            std::filesystem::rename("other/tk22.mp3", "other/tk22.away");
        TDemo d;
        d.glWindow = demo.glWindow;
        testing::internal::CaptureStdout();
        StartUp(d);
        const std::string out = testing::internal::GetCapturedStdout();
        if (!c.file)
            std::filesystem::rename("other/tk22.away", "other/tk22.mp3");
        const size_t at = out.find(c.line);
        ASSERT_NE(at, std::string::npos) << out;
        EXPECT_EQ(out.find('\n', at) + 1, out.size()) << "the last line, and one line: " << out;
        EXPECT_EQ(d.musicSample, 0u);
        EXPECT_EQ(d.musicChannel, 0u);
        EXPECT_EQ(ChannelGetPosition(d.musicChannel), 0u);
    }
}
