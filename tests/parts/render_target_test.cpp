// Render targets under the software renderer: more samples asked for than the driver
// offers, drawing into all three colour buffers, and resolving into textures.
#include "parts/render_target.h"
#include "support/gl_window.h"

#include <algorithm>
#include <array>

namespace {

using Rgba = std::array<unsigned char, 4>;

template <class T> std::vector<T> Texels(GLuint texture, GLenum format, GLenum type, size_t count)
{
    std::vector<T> texels(count);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, format, type, texels.data());
    return texels;
}

void ClearAll(RenderTarget& rt, const Rgba (&colours)[3], float depth)
{
    SelectDrawBuffers(rt, 3);
    glViewport(0, 0, rt.width, rt.height);
    for (int k = 0; k < 3; ++k) {
        const float c[4] = {colours[k][0] / 255.0f, colours[k][1] / 255.0f, colours[k][2] / 255.0f, 1.0f};
        glClearBufferfv(GL_COLOR, k, c);
    }
    glClearBufferfv(GL_DEPTH, 0, &depth);
}

TEST(RenderTargets, EightSamplesFitTheDriverAndResolve)
{
    GLTestWindow window;
    ASSERT_TRUE(window.ok);
    GLint most = 0, samples = -1;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    const struct {
        int requested, expected;
    } requests[] = {{0, 0}, {-3, 0}, {1, std::min(1, most)}, {8, std::min(8, most)}, {1000, most}};
    for (const auto& r : requests) EXPECT_EQ(SupportedSamples(r.requested), r.expected) << r.requested;

    RenderTarget rt;
    Create(rt, 32, 16, 8);
    EXPECT_TRUE(rt.created && rt.aspect == 2.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, rt.drawFramebuffer);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glBindRenderbuffer(GL_RENDERBUFFER, rt.colorBuffers[2]);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
    EXPECT_TRUE(samples >= std::min(8, most) && samples <= most) << samples;
    EXPECT_EQ(AttachTextures(rt, 3), unsigned(GL_FRAMEBUFFER_COMPLETE));

    // The left half drawn in one colour per buffer over a background of others.
    const Rgba background[3] = {{10, 20, 30, 255}, {40, 50, 60, 255}, {70, 80, 90, 255}};
    const Rgba pattern[3] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}}, white = {255, 255, 255, 255};
    const char* source = "#version 120\nvoid main() { gl_FragData[0] = vec4(1, 0, 0, 1);\n"
                         "  gl_FragData[1] = vec4(0, 1, 0, 1); gl_FragData[2] = vec4(0, 0, 1, 1); }\n";
    const GLuint shader = glCreateShader(GL_FRAGMENT_SHADER), program = glCreateProgram();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    glAttachShader(program, shader);
    glLinkProgram(program);
    ClearAll(rt, background, 0.25f);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(program);
    glRecti(-1, -1, 0, 1);
    glUseProgram(0);
    Resolve(rt, 3);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    for (int k = 0; k < 3; ++k) {
        const std::vector<Rgba> px = Texels<Rgba>(rt.colorTextures[k], GL_RGBA, GL_UNSIGNED_BYTE, 32 * 16);
        for (size_t i = 0; i < px.size(); ++i)
            ASSERT_EQ(px[i], i % 32 < 16 ? pattern[k] : background[k]) << "texture " << k << " at " << i % 32 << ", " << i / 32;
    }
    EXPECT_NEAR(Texels<float>(rt.depthTexture, GL_DEPTH_COMPONENT, GL_FLOAT, 32 * 16)[5], 0.25f, 1e-5f);

    // Resolving one buffer leaves textures 1 and 2 as they were; depth follows.
    ClearAll(rt, {white, white, white}, 0.75f);
    Resolve(rt, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const std::vector<Rgba> first = Texels<Rgba>(rt.colorTextures[0], GL_RGBA, GL_UNSIGNED_BYTE, 32 * 16);
    EXPECT_TRUE(std::all_of(first.begin(), first.end(), [&](const Rgba& p) { return p == white; }));
    for (int k = 1; k < 3; ++k) {
        const std::vector<Rgba> px = Texels<Rgba>(rt.colorTextures[k], GL_RGBA, GL_UNSIGNED_BYTE, 32 * 16);
        EXPECT_TRUE(px[31] == background[k] && px[3] == pattern[k]) << k;  // x = 31 cleared, x = 3 drawn
    }
    EXPECT_NEAR(Texels<float>(rt.depthTexture, GL_DEPTH_COMPONENT, GL_FLOAT, 32 * 16)[5], 0.75f, 1e-5f);
    glDeleteProgram(program);
    glDeleteShader(shader);
}

}  // namespace
