// The frame driver with small test parts: update before render once per frame for the
// current part only, the pointers and music sync for every part, the music-sync rule,
// the GL state left behind, and the current-part rule at the end of the frame.
#include "app/demo.h"
#include "platform/audio.h"
#include "support/gl_window.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr uint64_t kBytesPerSecond = 192000;

uint64_t Bytes(double seconds)
{
    return uint64_t(seconds * kBytesPerSecond + 0.5);
}

// A part that logs its calls, advances its clock by `step` per update and leaves the
// GL state disturbed after rendering.
class LogPart : public Part {
public:
    LogPart(std::vector<std::string>& log, std::string name, float step = 0) : log(log), name(std::move(name)), step(step) {}
    void Update() override
    {
        log.push_back(name + ".Update");
        time += step;
    }
    void Render() override
    {
        log.push_back(name + ".Render");
        sawPointers = demo != nullptr && state != nullptr;
    }
    void Init() override { log.push_back(name + ".Init"); }

    std::vector<std::string>& log;
    std::string name;
    float step;
    bool sawPointers = false;
};

// Renders with every piece of state the driver resets switched away from its default.
class MessyPart : public Part {
public:
    GLuint framebuffer = 0, program = 0;
    void Render() override
    {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glUseProgram(program);
        for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
            glMatrixMode(mode);
            glTranslatef(1, 2, 3);
        }
        for (GLenum cap : {GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE})
            glEnable(cap);
    }
    void Update() override {}
    void Init() override {}
};

GLuint TinyProgram()
{
    const char* vs = "void main() { gl_Position = gl_Vertex; }";
    const char* fs = "void main() { gl_FragColor = vec4(1.0); }";
    const GLuint p = glCreateProgram();
    for (auto [type, src] : {std::pair{GL_VERTEX_SHADER, vs}, std::pair{GL_FRAGMENT_SHADER, fs}}) {
        const GLuint s = glCreateShader(type);
        glShaderSource(s, 1, &src, nullptr);
        glCompileShader(s);
        glAttachShader(p, s);
    }
    glLinkProgram(p);
    return p;
}

class FrameDriverTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.ok);
        // 25 s of silence: a channel whose position moves only when it is set.
        static const uint32_t channel = SampleGetChannel(SampleCreate(std::vector<int16_t>(25 * 48000 * 2)));
        demo.musicChannel = channel;
        ChannelSetPosition(channel, 0);
    }
    uint64_t Music() const { return ChannelGetPosition(demo.musicChannel); }

    GLTestWindow window;
    TDemo demo;
    std::vector<std::string> log;
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
        {10.00f, 10.04, Bytes(10.04)},   // within the tolerance: nothing
        {10.00f, 10.06, 1925760},        // ahead: moved to 10.03 s
        {10.00f, 9.96, Bytes(9.96)},     // behind, within the tolerance
        {10.00f, 9.90, 1925760},         // behind: moved to 10.03 s
        {20.00f, 0.0, 3845760},          // a jump of the part
        {0.00f, 0.0, 0},                 // the start
        {-0.02f, 0.0, 0},                // slightly negative, within the tolerance
        {-0.50f, 1.0, 0},                // a negative target clamps to 0
        {-1000.0f, 5.0, 0},
        {1000.0f, 0.0, 25 * kBytesPerSecond},  // past the end of the music: at its end
    };
    auto part = std::make_unique<LogPart>(log, "p");
    demo.parts.push_back(part.get());
    for (const auto& c : cases) {
        part->time = c.partTime;
        ChannelSetPosition(demo.musicChannel, Bytes(c.musicBefore));
        FrameDriver(demo);
        EXPECT_EQ(Music(), c.musicAfter) << "part " << c.partTime << " s, music " << c.musicBefore << " s";
    }
}

// A paused part pulls the music back to its time plus 30 ms in every frame in which the
// music has run more than 50 ms ahead.
TEST_F(FrameDriverTest, PausedPartPullsTheMusicBack)
{
    auto part = std::make_unique<LogPart>(log, "p", 0.0f);
    part->time = 5.0f;
    demo.parts.push_back(part.get());
    ChannelSetPosition(demo.musicChannel, Bytes(5.03));
    int pulls = 0;
    for (int frame = 0; frame < 12; ++frame) {
        const uint64_t played = Music() + Bytes(0.015);  // the music plays on meanwhile
        ChannelSetPosition(demo.musicChannel, played);
        FrameDriver(demo);
        const bool ahead = double(played) / kBytesPerSecond - 5.0 > 0.05;
        EXPECT_EQ(Music(), ahead ? Bytes(5.03) : played) << "frame " << frame;
        pulls += ahead;
    }
    EXPECT_EQ(pulls, 6);  // 5.03 -> 5.045 -> 5.06 (pulled), and again every second frame
    EXPECT_EQ(part->time, 5.0f);
}

// Only the current part is updated and rendered, update first, once per frame; every
// part gets its pointers and takes part in the music sync.
TEST_F(FrameDriverTest, CurrentPartUpdatesThenRendersOthersOnlySync)
{
    auto current = std::make_unique<LogPart>(log, "a", 0.5f);
    auto other = std::make_unique<LogPart>(log, "b", 0.5f);
    AppendPart(demo, current.get());
    AppendPart(demo, other.get());
    other->time = 20.0f;
    demo.state.deltaTime = 0.5f;
    for (int frame = 0; frame < 3; ++frame)
        FrameDriver(demo);
    EXPECT_EQ(log, (std::vector<std::string>{"a.Update", "a.Render", "a.Update", "a.Render", "a.Update", "a.Render"}));
    EXPECT_TRUE(current->sawPointers);
    EXPECT_EQ(other->demo, &demo);
    EXPECT_EQ(other->state, &demo.state);
    EXPECT_EQ(current->time, 1.5f);
    EXPECT_EQ(other->time, 20.0f);
    EXPECT_FLOAT_EQ(demo.clock, 1.5f);
    // The part that is not current synced last in each frame: the music is at its time.
    EXPECT_EQ(Music(), 3845760u);
}

// After every part the driver leaves the default framebuffer, no program, identity
// matrices and the four capabilities off, whatever the part did.
TEST_F(FrameDriverTest, ResetsGLStateAfterEachPart)
{
    MessyPart part;
    glGenFramebuffers(1, &part.framebuffer);
    part.program = TinyProgram();
    demo.parts.push_back(&part);
    FrameDriver(demo);

    GLint framebuffer = -1, program = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(framebuffer, 0);
    EXPECT_EQ(program, 0);
    for (GLenum cap : {GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE})
        EXPECT_FALSE(glIsEnabled(cap)) << std::hex << cap;
    for (GLenum matrix : {GL_TEXTURE_MATRIX, GL_PROJECTION_MATRIX, GL_MODELVIEW_MATRIX}) {
        float m[16];
        glGetFloatv(matrix, m);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << std::hex << matrix << " element " << i;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteProgram(part.program);
    glDeleteFramebuffers(1, &part.framebuffer);
}

// After the parts: a clock within [0, 28000) s makes part 0 current, and a switch
// advances the newly current part by the clock's fraction; outside, nothing changes.
TEST_F(FrameDriverTest, CurrentPartRuleAtTheEndOfTheFrame)
{
    auto a = std::make_unique<LogPart>(log, "a");
    auto b = std::make_unique<LogPart>(log, "b");
    AppendPart(demo, a.get());
    AppendPart(demo, b.get());
    a->time = 3.0f;
    b->time = 3.0f;

    demo.currentPart = demo.prevPart = 1;
    demo.clock = -10.0f;
    demo.state.deltaTime = 0.25f;
    FrameDriver(demo);
    EXPECT_EQ(demo.currentPart, 1) << "a clock before 0 selects nothing";
    EXPECT_EQ(log, (std::vector<std::string>{"b.Update", "b.Render"}));

    demo.clock = 2.0f;
    FrameDriver(demo);  // b is still current during this frame; a takes over after it
    EXPECT_EQ(demo.currentPart, 0);
    EXPECT_EQ(demo.prevPart, 0);
    EXPECT_FLOAT_EQ(a->time, 3.25f);
    EXPECT_EQ(b->time, 3.0f);

    log.clear();
    FrameDriver(demo);
    EXPECT_EQ(log, (std::vector<std::string>{"a.Update", "a.Render"}));
    EXPECT_FLOAT_EQ(a->time, 3.25f) << "no switch, no adjustment";
}
