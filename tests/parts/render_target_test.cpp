// Render targets under the software renderer: more samples asked for than the driver
// offers, drawing into all three colour buffers, and resolving into textures.
#include "parts/render_target.h"
#include "support/gl_window.h"

#include <algorithm>
#include <array>

using Rgba = std::array<unsigned char, 4>;

template <class T> static std::vector<T> Texels(GLuint texture, GLenum format, GLenum type)
{
    std::vector<T> texels(32 * 16);
    glGetTextureImage(texture, 0, format, type, GLsizei(texels.size() * sizeof(T)), texels.data());
    return texels;
}

TEST(RenderTargets, EightSamplesFitTheDriverAndResolve)
{
    GLTestWindow window;
    ASSERT_TRUE(window.ok);
    GLint most = 0, samples = -1;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    const int requests[][2] = {{0, 0}, {-3, 0}, {1, std::min(1, most)}, {8, std::min(8, most)}, {1000, most}};
    for (const auto& r : requests) EXPECT_EQ(SupportedSamples(r[0]), r[1]) << r[0];
    RenderTarget rt;
    Create(rt, 32, 16, 8);
    EXPECT_EQ(glCheckNamedFramebufferStatus(rt.drawFramebuffer, GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glGetNamedRenderbufferParameteriv(rt.colorBuffers[2], GL_RENDERBUFFER_SAMPLES, &samples);
    EXPECT_TRUE(samples >= std::min(8, most) && samples <= most) << samples;
    EXPECT_EQ(AttachTextures(rt, 3), unsigned(GL_FRAMEBUFFER_COMPLETE));
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

// The feedback passes read their own texture before the first frame writes it: a new
// target's textures start black (llvmpipe's happen to; other drivers' need not), and
// making it leaves the caller's clear colour alone.
TEST(RenderTargets, NewTargetsStartClearedAndKeepTheClearColour)
{
    GLTestWindow window;
    ASSERT_TRUE(window.ok);
    glClearColor(0.3f, 0.5f, 0.7f, 0.9f);
    RenderTarget rt;
    Create(rt, 32, 16, 4);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_TRUE(clear[0] == 0.3f && clear[1] == 0.5f && clear[2] == 0.7f && clear[3] == 0.9f);
    Resolve(rt, 3);  // what the multisampled buffers hold reaches the textures too
    for (int k = 0; k < 3; ++k) {
        const std::vector<Rgba> px = Texels<Rgba>(rt.colorTextures[k], GL_RGBA, GL_UNSIGNED_BYTE);
        EXPECT_TRUE(std::all_of(px.begin(), px.end(), [](const Rgba& p) { return p == Rgba{0, 0, 0, 0}; })) << k;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
