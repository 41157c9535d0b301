// The frame driver with small test parts: the music-sync rule, update before render once
// per frame for the current part only, sync for every part, the GL state left behind.
#include "app/demo.h"
#include "platform/audio.h"
#include "support/gl_window.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

uint64_t Bytes(double seconds) { return uint64_t(seconds * kMusicBytesPerSecond + 0.5); }

// Logs its calls, advances its clock by `step` per update and runs `render` in Render.
struct TestPart : Part {
    std::vector<std::string>& log;
    std::string name;
    float step = 0;
    std::function<void()> render = [] {};
    TestPart(std::vector<std::string>& log, std::string name) : log(log), name(std::move(name)) {}
    void Init() override {}
    void Update() override { log.push_back(name + ".Update"), time += step; }
    void Render() override { log.push_back(name + ".Render"), render(); }
};

class FrameDriverTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.ok);
        // 25 s of silence and no device: a channel whose position moves only when it is set.
        static const uint32_t channel = SampleGetChannel(SampleCreate(std::vector<int16_t>(25 * 48000 * 2)));
        demo.musicChannel = channel;
        ChannelSetPosition(channel, 0);
        AppendPart(demo, &a);
    }
    uint64_t Music() const { return ChannelGetPosition(demo.musicChannel); }

    GLTestWindow window;
    TDemo demo;
    std::vector<std::string> log;
    TestPart a{log, "a"}, b{log, "b"};
};

}  // namespace

// The music follows the part's time: seeks happen beyond 50 ms of drift, to the part's
// time plus 30 ms; a negative target seeks to 0.
TEST_F(FrameDriverTest, MusicSync)
{
    const struct {
        float partTime;
        double musicBefore;
        uint64_t musicAfter;
    } cases[] = {
        {10.00f, 10.04, Bytes(10.04)}, {10.00f, 10.06, 1925760},  // within the tolerance; ahead: to 10.03 s
        {10.00f, 9.96, Bytes(9.96)}, {10.00f, 9.90, 1925760},     // behind, within; behind: to 10.03 s
        {20.00f, 0.0, 3845760}, {0.00f, 0.0, 0}, {-0.02f, 0.0, 0},
        {-0.50f, 1.0, 0}, {-1000.0f, 5.0, 0},                     // a negative target clamps to 0
        {1000.0f, 0.0, 25 * kMusicBytesPerSecond},                // past the end of the music: at its end
    };
    for (const auto& c : cases) {
        a.time = c.partTime;
        ChannelSetPosition(demo.musicChannel, Bytes(c.musicBefore));
        FrameDriver(demo);
        EXPECT_EQ(Music(), c.musicAfter) << "part " << c.partTime << " s, music " << c.musicBefore << " s";
    }
}

// A paused part pulls the music back to its time plus 30 ms in every frame in which the
// music has run more than 50 ms ahead.
TEST_F(FrameDriverTest, PausedPartPullsTheMusicBack)
{
    a.time = 5.0f;
    ChannelSetPosition(demo.musicChannel, Bytes(5.03));
    int pulls = 0;
    for (int frame = 0; frame < 12; ++frame) {
        const uint64_t played = Music() + Bytes(0.015);  // the music plays on meanwhile
        ChannelSetPosition(demo.musicChannel, played);
        FrameDriver(demo);
        const bool ahead = double(played) / kMusicBytesPerSecond - 5.0 > 0.05;
        EXPECT_EQ(Music(), ahead ? Bytes(5.03) : played) << "frame " << frame;
        pulls += ahead;
    }
    EXPECT_EQ(pulls, 6);  // 5.03 -> 5.045 -> 5.06 (pulled), and again every second frame
    EXPECT_EQ(a.time, 5.0f);
}

// Only the current part is updated and rendered, update first, once per frame; every
// part gets its pointers and takes part in the music sync. After every part the GL state
// is reset, whatever the part did. The current-part rule runs after the parts, so a
// switch shows in the next frame.
TEST_F(FrameDriverTest, CurrentPartUpdatesThenRendersOthersOnlySync)
{
    const GLenum caps[] = {GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE};
    const GLenum matrices[][2] = {{GL_TEXTURE, GL_TEXTURE_MATRIX}, {GL_PROJECTION, GL_PROJECTION_MATRIX}, {GL_MODELVIEW, GL_MODELVIEW_MATRIX}};
    const char* fs = "void main() { gl_FragColor = vec4(1.0); }";
    const GLuint program = glCreateShaderProgramv(GL_FRAGMENT_SHADER, 1, &fs);
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    a.render = [&] {
        EXPECT_TRUE(a.demo == &demo && a.state == &demo.state);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glUseProgram(program);
        for (auto [mode, _] : matrices) glMatrixMode(mode), glTranslatef(1, 2, 3);
        for (GLenum cap : caps) glEnable(cap);
    };
    AppendPart(demo, &b);
    a.step = b.step = demo.state.deltaTime = 0.5f;
    b.time = 20.0f;
    for (int frame = 0; frame < 3; ++frame) FrameDriver(demo);
    EXPECT_EQ(log, (std::vector<std::string>{"a.Update", "a.Render", "a.Update", "a.Render", "a.Update", "a.Render"}));
    EXPECT_TRUE(b.demo == &demo && b.state == &demo.state);
    EXPECT_TRUE(a.time == 1.5f && b.time == 20.0f) << a.time << " " << b.time;
    EXPECT_FLOAT_EQ(demo.clock, 1.5f);
    EXPECT_EQ(Music(), 3845760u) << "the part that is not current synced last: the music is at its time";

    GLint bound = -1, used = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    glGetIntegerv(GL_CURRENT_PROGRAM, &used);
    EXPECT_TRUE(bound == 0 && used == 0) << bound << " " << used;
    for (GLenum cap : caps) EXPECT_FALSE(glIsEnabled(cap)) << std::hex << cap;
    for (auto [_, matrix] : matrices) {
        float m[16];
        glGetFloatv(matrix, m);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << std::hex << matrix << " element " << i;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    demo.currentPart = demo.prevPart = 1;
    log.clear();
    FrameDriver(demo);
    FrameDriver(demo);
    EXPECT_EQ(log, (std::vector<std::string>{"b.Update", "b.Render", "a.Update", "a.Render"}));
}
