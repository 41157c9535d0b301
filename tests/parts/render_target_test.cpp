// Render targets under the software renderer: creation with more samples than the
// driver offers, drawing into all three colour buffers, and resolving into textures.
#include "parts/render_target.h"
#include "support/gl_window.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace {

using Rgba = std::array<unsigned char, 4>;

// A program writing a fixed colour to each of the three draw buffers.
GLuint ThreeColourProgram(const Rgba (&colours)[3])
{
    std::string fs = "#version 120\nvoid main() {\n";
    for (int k = 0; k < 3; ++k) {
        fs += "  gl_FragData[" + std::to_string(k) + "] = vec4(";
        for (int c = 0; c < 4; ++c) fs += std::to_string(colours[k][c] / 255.0) + (c < 3 ? ", " : ");\n");
    }
    fs += "}\n";
    const char* source = fs.c_str();
    const GLuint shader = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    const GLuint program = glCreateProgram();
    glAttachShader(program, shader);
    glLinkProgram(program);
    return program;
}

std::vector<Rgba> TexturePixels(GLuint texture, int width, int height)
{
    std::vector<Rgba> px(size_t(width) * size_t(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}

void ClearAll(RenderTarget& rt, const Rgba (&colours)[3], float depth)
{
    SelectDrawBuffers(rt, 3);
    glViewport(0, 0, rt.width, rt.height);
    for (int k = 0; k < 3; ++k) {
        const float c[4] = {colours[k][0] / 255.0f, colours[k][1] / 255.0f, colours[k][2] / 255.0f, colours[k][3] / 255.0f};
        glClearBufferfv(GL_COLOR, k, c);
    }
    glClearBufferfv(GL_DEPTH, 0, &depth);
}

// The left half of the target, in normalised device coordinates.
void DrawLeftHalf(GLuint program)
{
    glUseProgram(program);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(0, -1);
    glVertex2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glUseProgram(0);
}

class RenderTargets : public ::testing::Test {
protected:
    GLTestWindow window;
    void SetUp() override
    {
        ASSERT_TRUE(window.ok);
        glDisable(GL_DEPTH_TEST);
    }
};

TEST_F(RenderTargets, EightSamplesFitTheDriverAndResolve)
{
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    RenderTarget rt;
    Create(rt, 32, 16, 8);
    EXPECT_TRUE(rt.created);
    EXPECT_EQ(rt.aspect, 2.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, rt.drawFramebuffer);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    GLint samples = -1;
    glBindRenderbuffer(GL_RENDERBUFFER, rt.colorBuffers[2]);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
    EXPECT_GE(samples, std::min(8, most));
    EXPECT_LE(samples, most);
    EXPECT_EQ(AttachTextures(rt, 3), unsigned(GL_FRAMEBUFFER_COMPLETE));

    const Rgba background[3] = {{10, 20, 30, 255}, {40, 50, 60, 255}, {70, 80, 90, 255}};
    const Rgba pattern[3] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    const GLuint program = ThreeColourProgram(pattern);
    ClearAll(rt, background, 0.25f);
    DrawLeftHalf(program);
    Resolve(rt, 3);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    for (int k = 0; k < 3; ++k) {
        const std::vector<Rgba> px = TexturePixels(rt.colorTextures[k], 32, 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(px[size_t(y) * 32 + size_t(x)], x < 16 ? pattern[k] : background[k])
                    << "texture " << k << " at " << x << ", " << y;
    }
    std::vector<float> depths(32 * 16);
    glBindTexture(GL_TEXTURE_2D, rt.depthTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    EXPECT_NEAR(depths[5], 0.25f, 1e-5f);

    // Resolving one buffer leaves textures 1 and 2 as they were; depth follows.
    const Rgba white[3] = {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}};
    ClearAll(rt, white, 0.75f);
    Resolve(rt, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const std::vector<Rgba> first = TexturePixels(rt.colorTextures[0], 32, 16);
    EXPECT_TRUE(std::all_of(first.begin(), first.end(), [&](const Rgba& p) { return p == white[0]; }));
    for (int k = 1; k < 3; ++k) {
        const std::vector<Rgba> px = TexturePixels(rt.colorTextures[k], 32, 16);
        EXPECT_EQ(px[31], background[k]) << k;  // x = 31 lies in the cleared half
        EXPECT_EQ(px[3], pattern[k]) << k;  // x = 3 lies in the drawn half
    }
    glBindTexture(GL_TEXTURE_2D, rt.depthTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    EXPECT_NEAR(depths[5], 0.75f, 1e-5f);
    glDeleteProgram(program);
}

TEST_F(RenderTargets, SingleSampleResolvesExactlyWhatWasDrawn)
{
    RenderTarget rt;
    Create(rt, 16, 8, 0);
    SelectDrawBuffers(rt, 1);
    glViewport(0, 0, 16, 8);
    glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBegin(GL_TRIANGLES);  // a colour gradient, so every pixel differs
    glColor3f(1, 0, 0);
    glVertex2f(-1, -1);
    glColor3f(0, 1, 0);
    glVertex2f(1, -1);
    glColor3f(0, 0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, rt.drawFramebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    const std::vector<unsigned char> drawn = ReadPixels(0, 0, 16, 8);
    Resolve(rt, 1);
    const std::vector<Rgba> resolved = TexturePixels(rt.colorTextures[0], 16, 8);
    ASSERT_EQ(resolved.size() * 4, drawn.size());
    EXPECT_EQ(std::memcmp(resolved.data(), drawn.data(), drawn.size()), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RenderTargets, SampleRequestsAreClampedToTheDriver)
{
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    const struct {
        int requested, expected;
    } cases[] = {{0, 0}, {-3, 0}, {1, std::min(1, most)}, {8, std::min(8, most)}, {1000, most}};
    for (const auto& c : cases) EXPECT_EQ(SupportedSamples(c.requested), c.expected) << c.requested;
}

}  // namespace
