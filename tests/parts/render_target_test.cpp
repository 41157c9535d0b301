// Render targets under the software renderer: more samples asked for than the driver
// offers, new targets, drawing into all three colour buffers, resolving into textures, and
// the eight targets the start-up makes for a window.
#include "app/demo.h"
#include "parts/render_target.h"
#include "support/gl_window.h"

#include <algorithm>
#include <array>
#include <set>

using Rgba = std::array<unsigned char, 4>;

template <class T> static std::vector<T> Texels(GLuint texture, GLenum format, GLenum type)
{
    std::vector<T> texels(32 * 16);
    glGetTextureImage(texture, 0, format, type, GLsizei(texels.size() * sizeof(T)), texels.data());
    return texels;
}

// The feedback passes read their own texture before the first frame writes it: a new
// target's textures start black (llvmpipe's happen to; other drivers' need not), and
// making it leaves the caller's clear colour alone.
TEST(RenderTargets, EightSamplesFitTheDriverStartBlackAndResolve)
{
    GLTestWindow window;
    ASSERT_TRUE(window.ok);
    GLint most = 0, samples = -1;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    const int requests[][2] = {{0, 0}, {-3, 0}, {1, std::min(1, most)}, {8, std::min(8, most)}, {1000, most}};
    for (const auto& r : requests) EXPECT_EQ(SupportedSamples(r[0]), r[1]) << r[0];
    glClearColor(0.3f, 0.5f, 0.7f, 0.9f);
    RenderTarget rt;
    Create(rt, 32, 16, 8);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_TRUE(clear[0] == 0.3f && clear[1] == 0.5f && clear[2] == 0.7f && clear[3] == 0.9f);
    EXPECT_EQ(glCheckNamedFramebufferStatus(rt.drawFramebuffer, GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glGetNamedRenderbufferParameteriv(rt.colorBuffers[2], GL_RENDERBUFFER_SAMPLES, &samples);
    EXPECT_TRUE(samples >= std::min(8, most) && samples <= most) << samples;
    EXPECT_EQ(AttachTextures(rt, 3), unsigned(GL_FRAMEBUFFER_COMPLETE));
    Resolve(rt, 3);  // what the multisampled buffers hold reaches the textures too
    for (int k = 0; k < 3; ++k) {
        const std::vector<Rgba> px = Texels<Rgba>(rt.colorTextures[k], GL_RGBA, GL_UNSIGNED_BYTE);
        EXPECT_TRUE(std::all_of(px.begin(), px.end(), [](const Rgba& p) { return p == Rgba{0, 0, 0, 0}; })) << k;
    }
    // The left half drawn in one colour per buffer over a background.
    const Rgba background = {51, 102, 153, 255}, white = {255, 255, 255, 255};
    const Rgba pattern[3] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    const char* source = "#version 120\nvoid main() { gl_FragData[0] = vec4(1, 0, 0, 1);\n"
                         "  gl_FragData[1] = vec4(0, 1, 0, 1); gl_FragData[2] = vec4(0, 0, 1, 1); }\n";
    glUseProgram(glCreateShaderProgramv(GL_FRAGMENT_SHADER, 1, &source));
    glViewport(0, 0, 32, 16);
    SelectDrawBuffers(rt, 3);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClearDepth(0.25);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glRecti(-1, -1, 0, 1);
    Resolve(rt, 3);
    for (int k = 0; k < 3; ++k) {
        const std::vector<Rgba> px = Texels<Rgba>(rt.colorTextures[k], GL_RGBA, GL_UNSIGNED_BYTE);
        for (size_t i = 0; i < px.size(); ++i)
            ASSERT_EQ(px[i], i % 32 < 16 ? pattern[k] : background) << "texture " << k << " at " << i % 32 << ", " << i / 32;
    }
    EXPECT_NEAR(Texels<float>(rt.depthTexture, GL_DEPTH_COMPONENT, GL_FLOAT)[5], 0.25f, 1e-5f);
    // Resolving one buffer leaves textures 1 and 2 as they were; depth follows.
    SelectDrawBuffers(rt, 3);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClearDepth(0.75);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Resolve(rt, 1);
    const std::vector<Rgba> first = Texels<Rgba>(rt.colorTextures[0], GL_RGBA, GL_UNSIGNED_BYTE);
    EXPECT_TRUE(std::all_of(first.begin(), first.end(), [&](const Rgba& p) { return p == white; }));
    for (int k = 1; k < 3; ++k) {
        const std::vector<Rgba> px = Texels<Rgba>(rt.colorTextures[k], GL_RGBA, GL_UNSIGNED_BYTE);
        EXPECT_TRUE(px[31] == background && px[3] == pattern[k]) << k;  // x = 31 was cleared, x = 3 drawn
    }
    EXPECT_NEAR(Texels<float>(rt.depthTexture, GL_DEPTH_COMPONENT, GL_FLOAT)[5], 0.75f, 1e-5f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A single-sample target resolves to exactly what was drawn: every byte of a pattern with
// a different colour in each pixel and buffer, and its depth.
TEST(RenderTargets, ZeroSamplesResolveToExactlyWhatWasDrawn)
{
    GLTestWindow window;
    ASSERT_TRUE(window.ok);
    RenderTarget rt;
    Create(rt, 32, 16, 0);
    const char* source = "#version 130\nvoid main() { uvec2 p = uvec2(gl_FragCoord.xy);\n"
                         "  uint h = (p.x * 2654435761u) ^ (p.y * 40503u); h ^= h >> 13; h *= 1274126177u;\n"
                         "  vec4 c = vec4(uvec4(h, h >> 8, h >> 16, h >> 24) & 255u) / 255.0;\n"
                         "  gl_FragData[0] = c; gl_FragData[1] = c.gbar; gl_FragData[2] = c.barg;\n"
                         "  gl_FragDepth = float(h & 65535u) / 65535.0; }\n";
    glUseProgram(glCreateShaderProgramv(GL_FRAGMENT_SHADER, 1, &source));
    glViewport(0, 0, 32, 16);
    SelectDrawBuffers(rt, 3);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glRecti(-1, -1, 1, 1);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(0);
    std::vector<Rgba> drawn[3];
    for (int k = 0; k < 3; ++k) {
        drawn[k].resize(32 * 16);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, rt.drawFramebuffer);
        glReadBuffer(GLenum(GL_COLOR_ATTACHMENT0 + k));
        glReadPixels(0, 0, 32, 16, GL_RGBA, GL_UNSIGNED_BYTE, drawn[k].data());
    }
    std::vector<float> depth(32 * 16);
    glReadPixels(0, 0, 32, 16, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    Resolve(rt, 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_GT(std::set<Rgba>(drawn[k].begin(), drawn[k].end()).size(), 500u) << "a pattern, not a colour";
        EXPECT_EQ(Texels<Rgba>(rt.colorTextures[k], GL_RGBA, GL_UNSIGNED_BYTE), drawn[k]) << "texture " << k;
    }
    EXPECT_EQ(Texels<float>(rt.depthTexture, GL_DEPTH_COMPONENT, GL_FLOAT), depth);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// The start-up's eight targets: the four of the scene at the window's size, rtScene with 8
// samples (or the driver's most), and the quarter ones at W/4 x H/4, rounded down where the
// size is no multiple of 4.
TEST(RenderTargets, StartUpMakesTheTargetsOfTheWindow)
{
    static TDemo demos[2];  // as in the program: static, and never destroyed before exit
    const struct { int w, h, quarterW, quarterH; } sizes[2] = {{1280, 720, 320, 180}, {1023, 575, 255, 143}};
    for (int s = 0; s < 2; ++s) {
        const auto [w, h, qw, qh] = sizes[s];
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        GLTestWindow window(w, h);
        ASSERT_TRUE(window.ok);
        TDemo& demo = demos[s];
        demo.glWindow = window.win;
        StartUp(demo, TStartUpOptions{false, false});
        GLint most = 0;
        glGetIntegerv(GL_MAX_SAMPLES, &most);
        const struct { int width, height, samples; } expected[8] = {
            {w, h, 0}, {qw, qh, 4}, {w, h, 8}, {w, h, 0}, {w, h, 0}, {w, h, 0}, {qw, qh, 0}, {1024, 1024, 0},
        };
        for (int i = 0; i < 8; ++i) {
            const RenderTarget& rt = demo.targets[i];
            EXPECT_TRUE(rt.created && rt.width == expected[i].width && rt.height == expected[i].height)
                << "target " << i << ": " << rt.width << " x " << rt.height;
            GLint samples = -1, width = 0, textureWidth = 0;
            glGetNamedRenderbufferParameteriv(rt.colorBuffers[0], GL_RENDERBUFFER_SAMPLES, &samples);
            glGetNamedRenderbufferParameteriv(rt.depthBuffer, GL_RENDERBUFFER_WIDTH, &width);
            glGetTextureLevelParameteriv(rt.colorTextures[2], 0, GL_TEXTURE_WIDTH, &textureWidth);
            const int wanted = std::min(expected[i].samples, most);
            EXPECT_TRUE(samples >= wanted && samples <= std::max(wanted, most) && (wanted > 0) == (samples > 0))
                << "target " << i << ": " << samples << " samples";
            EXPECT_TRUE(width == expected[i].width && textureWidth == expected[i].width) << "target " << i;
            EXPECT_EQ(glCheckNamedFramebufferStatus(rt.drawFramebuffer, GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        }
        EXPECT_EQ(&demo.rtScene(), &demo.targets[2]);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}
