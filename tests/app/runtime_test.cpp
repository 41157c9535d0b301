// Start-up and the frame driver with small test parts.
#include "app/demo.h"
#include "platform/audio.h"
#include "platform/platform.h"
#include "platform/test_support.h"
#include "support/gl_window.h"

#include <unistd.h>

#include <cstring>
#include <functional>

static uint64_t Bytes(double seconds) { return uint64_t(seconds * kMusicBytesPerSecond + 0.5); }

// Prints its Init among the start-up's own lines and logs its updates and renders.
template <class Base = Part>
struct TestPart : Base {
    std::vector<std::string>& log;
    std::string name;
    std::function<void()> render = [] {};
    TestPart(std::vector<std::string>& log, std::string name) : log(log), name(std::move(name)) {}
    void Init() override { printf("%s.Init\n", name.c_str()); }
    void Update() override { log.push_back(name + ".Update"); }
    void Render() override { log.push_back(name + ".Render"), render(); }
};

struct RuntimeTest : testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(window.ok);
        // 25 s of silence and no device: a position that moves only when set.
        static const uint32_t channel = SampleGetChannel(SampleCreate(std::vector<int16_t>(25 * 48000 * 2)));
        demo.musicChannel = channel;
        ChannelSetPosition(channel, 0);
        AppendPart(demo, &a);
    }
    uint64_t Music() const { return ChannelGetPosition(demo.musicChannel); }

    GLTestWindow window{64, 48};
    TDemo demo;
    std::vector<std::string> log;
    TestPart<> a{log, "a"}, b{log, "b"};
};

// With no MIDI subsystem and SDL's dummy audio driver: the camera file, the loader, the MIDI
// messages, the parts' Init, the clock, the 5 ms sleep, the music (the render targets it makes
// are the render targets' test's).
TEST_F(RuntimeTest, StartUpStepsInOrder)
{
    const std::string dir = ScratchDir("runtime_test");
    NoMidiSubsystem(dir);
    std::filesystem::create_directories(dir + "/other");
    std::filesystem::create_directories(dir + "/shaders2");
    ASSERT_TRUE(MakeToneMp3(dir + "/other/tk22.mp3", 44100, 2, 1.5, 440, 660));
    ASSERT_EQ(chdir(dir.c_str()), 0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    demo.glWindow = window.win;
    TFreeCam saved{};
    saved.flyMode = 1, saved.zoom = 2.5f, saved.target[2] = -7.0f;
    std::ofstream("FreeCam.bin", std::ios::binary).write(reinterpret_cast<const char*>(&saved), sizeof saved);
    TestPart<Part_Loader> loader{log, "loader"};
    demo.loader = &loader;
    AppendPart(demo, &b);
    const int64_t before = SteadyTicks100ns();
    testing::internal::CaptureStderr();
    const std::string out = Printed([&] { StartUp(demo); });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the MIDI and audio libraries print nothing of their own";
    const int64_t after = SteadyTicks100ns();
    // The device listing holds no device, and the open's failure gives the MIDI library's text on one line.
    const std::string start = "loader.Init\n======== MidiIn::printDeviceNames() ========\nMidiIn::start() : midiInOpen() failed...err=";
    ASSERT_EQ(out.rfind(start, 0), 0u) << out;
    EXPECT_GT(out.find('\n', start.size()), start.size()) << out;
    EXPECT_EQ(out.substr(out.find('\n', start.size()) + 1), "nano_kontrol2.start() failed...\na.Init\nb.Init\n");
    EXPECT_TRUE(log.empty()) << "no update or render";
    EXPECT_EQ(std::memcmp(&demo.state.camera, &saved, sizeof saved), 0);
    EXPECT_TRUE(demo.state.nano == &demo.nano_kontrol2 && demo.nano_kontrol2.handle == nullptr);
    EXPECT_TRUE(demo.state.lastTicks >= before && demo.state.lastTicks + 50000 <= after) << "the clock, then the 5 ms sleep";
    EXPECT_TRUE(ChannelIsPlaying(demo.musicChannel) && Music() < ChannelGetLength(demo.musicChannel)) << "from the start";
    EXPECT_NEAR(double(ChannelGetLength(demo.musicChannel)), 1.5 * 192000, 0.03 * 192000);
    EXPECT_NE(demo.fileWatch.native, nullptr) << "the data folders are watched";
    AudioStop();
    EXPECT_EQ(chdir(HOLLOWMERE_BINARY_DIR), 0);
}

// The start-up without the MIDI device and without audio, though a device and the music file
// are there; the controller pointer is still set.
TEST_F(RuntimeTest, StartUpWithoutAudioOrMidi)
{
    const std::string dir = ScratchDir("runtime_test_quiet");
    std::filesystem::create_directories(dir + "/other");
    ASSERT_TRUE(MakeToneMp3(dir + "/other/tk22.mp3", 44100, 2, 0.5, 440, 660));
    ASSERT_EQ(chdir(dir.c_str()), 0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    demo.glWindow = window.win;
    const std::string out = Printed([&] { StartUp(demo, TStartUpOptions{false, false}); });
    EXPECT_EQ(out, "a.Init\nWatchDataFolders - shaders2 is not watched: files saved there are not reloaded\n")
        << "no device listing, no MIDI failure line; the missing folder said once";
    EXPECT_TRUE(demo.state.nano == &demo.nano_kontrol2 && demo.nano_kontrol2.handle == nullptr);
    EXPECT_EQ(demo.musicSample, 0u);
    EXPECT_FALSE(ChannelIsPlaying(demo.musicChannel));
    EXPECT_EQ(chdir(HOLLOWMERE_BINARY_DIR), 0);
}

// The music follows the part's time, which the driver leaves alone: seeks happen beyond 50 ms
// of drift, to the part's time plus 30 ms; a negative target seeks to 0. A paused part (the
// same time every frame) thus pulls the music back whenever it has run 50 ms ahead.
TEST_F(RuntimeTest, FrameMusicSync)
{
    const std::tuple<float, double, uint64_t> cases[] = {  // part time, music before (s), music after (bytes)
        {10.00f, 10.04, Bytes(10.04)}, {10.00f, 10.06, 1925760},  // within the tolerance; ahead: to 10.03 s
        {10.00f, 9.96, Bytes(9.96)}, {10.00f, 9.90, 1925760},     // behind, within; behind: to 10.03 s
        {20.00f, 0.0, 3845760}, {0.00f, 0.0, 0}, {-0.02f, 0.0, 0},
        {-0.50f, 1.0, 0}, {-1000.0f, 5.0, 0},                     // a negative target clamps to 0
        {1000.0f, 0.0, 25 * kMusicBytesPerSecond},                // past the end of the music: at its end
    };
    for (const auto& [part, before, after] : cases) {
        a.time = part;
        ChannelSetPosition(demo.musicChannel, Bytes(before));
        FrameDriver(demo);
        EXPECT_TRUE(Music() == after && a.time == part) << "part " << part << " s, music " << before << " s: " << Music();
    }
}

// Only the current part is updated, then rendered; every part gets its pointers, syncs the
// music and has the GL state reset after it; a switch of part shows in the next frame.
TEST_F(RuntimeTest, FrameCurrentPartUpdatesThenRendersOthersOnlySync)
{
    const GLenum caps[] = {GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE};
    const char* fs = "void main() { gl_FragColor = vec4(1.0); }";
    const GLuint program = glCreateShaderProgramv(GL_FRAGMENT_SHADER, 1, &fs);
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    a.render = [&] {
        EXPECT_TRUE(a.demo == &demo && a.state == &demo.state);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer), glUseProgram(program);
        for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) glMatrixMode(mode), glTranslatef(1, 2, 3);
        for (GLenum cap : caps) glEnable(cap);
    };
    AppendPart(demo, &b);
    demo.state.deltaTime = 0.5f;
    b.time = 20.0f;
    for (int frame = 0; frame < 3; ++frame) FrameDriver(demo);
    EXPECT_EQ(log, (std::vector<std::string>{"a.Update", "a.Render", "a.Update", "a.Render", "a.Update", "a.Render"}));
    EXPECT_TRUE(b.demo == &demo && b.state == &demo.state);
    EXPECT_FLOAT_EQ(demo.clock, 1.5f);
    EXPECT_EQ(Music(), 3845760u) << "the part that is not current synced last: the music is at its time";
    GLint bound = -1, used = -1;
    float m[3][16];  // texture, projection and modelview, whose translation the part set
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound), glGetIntegerv(GL_CURRENT_PROGRAM, &used);
    glGetFloatv(GL_TEXTURE_MATRIX, m[0]), glGetFloatv(GL_PROJECTION_MATRIX, m[1]), glGetFloatv(GL_MODELVIEW_MATRIX, m[2]);
    EXPECT_TRUE(bound == 0 && used == 0 && glGetError() == GL_NO_ERROR) << bound << " " << used;
    for (const float* matrix : m) EXPECT_TRUE(matrix[12] == 0 && matrix[13] == 0 && matrix[14] == 0 && matrix[15] == 1);
    for (GLenum cap : caps) EXPECT_FALSE(glIsEnabled(cap)) << std::hex << cap;
    demo.currentPart = demo.prevPart = 1;
    log.clear();
    FrameDriver(demo), FrameDriver(demo);
    EXPECT_EQ(log, (std::vector<std::string>{"b.Update", "b.Render", "a.Update", "a.Render"}));
}
