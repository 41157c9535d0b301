// Render targets under the software renderer: more samples asked for than the driver
// offers, drawing into all three colour buffers, and resolving into textures.
#include "parts/render_target.h"
#include "support/gl_window.h"

#include <algorithm>
#include <array>

namespace {

using Rgba = std::array<unsigned char, 4>;

std::vector<Rgba> Texels(GLuint texture)
{
    std::vector<Rgba> texels(32 * 16);
    glGetTextureImage(texture, 0, GL_RGBA, GL_UNSIGNED_BYTE, GLsizei(texels.size() * 4), texels.data());
    return texels;
}

float Depth(const RenderTarget& rt)
{
    std::vector<float> depths(32 * 16);
    glGetTextureImage(rt.depthTexture, 0, GL_DEPTH_COMPONENT, GL_FLOAT, GLsizei(depths.size() * 4), depths.data());
    return depths[5];
}

void ClearAll(RenderTarget& rt, const Rgba (&colours)[3], float depth)
{
    SelectDrawBuffers(rt, 3);
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
    const struct { int requested, expected; } requests[] = {{0, 0}, {-3, 0}, {1, std::min(1, most)}, {8, std::min(8, most)}, {1000, most}};
    for (const auto& r : requests) EXPECT_EQ(SupportedSamples(r.requested), r.expected) << r.requested;

    RenderTarget rt;
    Create(rt, 32, 16, 8);
    EXPECT_TRUE(rt.created && rt.aspect == 2.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, rt.drawFramebuffer);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glGetNamedRenderbufferParameteriv(rt.colorBuffers[2], GL_RENDERBUFFER_SAMPLES, &samples);
    EXPECT_TRUE(samples >= std::min(8, most) && samples <= most) << samples;
    EXPECT_EQ(AttachTextures(rt, 3), unsigned(GL_FRAMEBUFFER_COMPLETE));

    // The left half drawn in one colour per buffer over a background of others.
    const Rgba background[3] = {{10, 20, 30, 255}, {40, 50, 60, 255}, {70, 80, 90, 255}}, white = {255, 255, 255, 255};
    const Rgba pattern[3] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    const char* source = "#version 120\nvoid main() { gl_FragData[0] = vec4(1, 0, 0, 1);\n"
                         "  gl_FragData[1] = vec4(0, 1, 0, 1); gl_FragData[2] = vec4(0, 0, 1, 1); }\n";
    glUseProgram(glCreateShaderProgramv(GL_FRAGMENT_SHADER, 1, &source));
    glViewport(0, 0, 32, 16);
    ClearAll(rt, background, 0.25f);
    glRecti(-1, -1, 0, 1);
    glUseProgram(0);
    Resolve(rt, 3);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    for (int k = 0; k < 3; ++k) {
        const std::vector<Rgba> px = Texels(rt.colorTextures[k]);
        for (size_t i = 0; i < px.size(); ++i)
            ASSERT_EQ(px[i], i % 32 < 16 ? pattern[k] : background[k]) << "texture " << k << " at " << i % 32 << ", " << i / 32;
    }
    EXPECT_NEAR(Depth(rt), 0.25f, 1e-5f);

    // Resolving one buffer leaves textures 1 and 2 as they were; depth follows.
    ClearAll(rt, {white, white, white}, 0.75f);
    Resolve(rt, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const std::vector<Rgba> first = Texels(rt.colorTextures[0]);
    EXPECT_TRUE(std::all_of(first.begin(), first.end(), [&](const Rgba& p) { return p == white; }));
    for (int k = 1; k < 3; ++k) EXPECT_TRUE(Texels(rt.colorTextures[k])[31] == background[k] && Texels(rt.colorTextures[k])[3] == pattern[k]) << k;
    EXPECT_NEAR(Depth(rt), 0.75f, 1e-5f);
}

}  // namespace
