#include "parts/render_target.h"

#include <GL/glew.h>

#include <algorithm>

namespace {

const GLenum ColourAttachments[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};

void SetTextureParameters()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

GLuint CreateColourTexture(int width, int height)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    SetTextureParameters();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    return texture;
}

GLuint CreateRenderbuffer(int samples, GLenum format, int width, int height)
{
    GLuint buffer = 0;
    glGenRenderbuffers(1, &buffer);
    glBindRenderbuffer(GL_RENDERBUFFER, buffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
    return buffer;
}

}  // namespace

int SupportedSamples(int requested)
{
    // More samples than the driver offers leave the framebuffer incomplete and nothing
    // is drawn; 8 stays 8 where the hardware has it.
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    return std::clamp(requested, 0, std::max(most, 0));
}

void Create(RenderTarget& target, int width, int height, int samples)
{
    target.width = width;
    target.height = height;
    target.aspect = float(width) / float(height);
    target.created = true;

    samples = SupportedSamples(samples);
    for (uint32_t& buffer : target.colorBuffers)
        buffer = CreateRenderbuffer(samples, GL_RGBA8, width, height);
    target.depthBuffer = CreateRenderbuffer(samples, GL_DEPTH_COMPONENT32, width, height);

    glGenFramebuffers(1, &target.drawFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target.drawFramebuffer);
    for (int k = 0; k < 3; ++k)
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, ColourAttachments[k], GL_RENDERBUFFER, target.colorBuffers[k]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, target.depthBuffer);

    glGenFramebuffers(1, &target.resolveFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target.resolveFramebuffer);

    glGenTextures(1, &target.depthTexture);
    glBindTexture(GL_TEXTURE_2D, target.depthTexture);
    // Sized like the depth renderbuffer: a blit between depth formats that differ fails,
    // and the depth texture would never be resolved.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32, width, height, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    SetTextureParameters();
    glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE, GL_INTENSITY);

    target.spareTexture = CreateColourTexture(width, height);
    for (uint32_t& texture : target.colorTextures)
        texture = CreateColourTexture(width, height);

    AttachTextures(target, 3);
    // Textures allocated without data hold whatever the driver left there, and the scene's
    // feedback passes read their own texture before the first frame has written it.
    GLfloat previous[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, previous);
    glClearColor(0, 0, 0, 0);
    for (GLuint framebuffer : {target.resolveFramebuffer, target.drawFramebuffer}) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glDrawBuffers(3, ColourAttachments);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    glClearColor(previous[0], previous[1], previous[2], previous[3]);
    glBindFramebuffer(GL_FRAMEBUFFER, target.resolveFramebuffer);
}

unsigned AttachTextures(RenderTarget& target, int count)
{
    glBindFramebuffer(GL_FRAMEBUFFER, target.resolveFramebuffer);
    for (int k = 0; k < 3 && (k == 0 || k < count); ++k)
        glFramebufferTexture2D(GL_FRAMEBUFFER, ColourAttachments[k], GL_TEXTURE_2D, target.colorTextures[k], 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, target.depthTexture, 0);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER);
}

void SelectDrawBuffers(RenderTarget& target, int count)
{
    glBindFramebuffer(GL_FRAMEBUFFER, target.drawFramebuffer);
    glDrawBuffers(std::clamp(count, 1, 3), ColourAttachments);
}

void Resolve(RenderTarget& target, int count)
{
    const int n = std::clamp(count, 1, 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.drawFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.resolveFramebuffer);
    for (int k = 0; k < n; ++k) {
        glReadBuffer(ColourAttachments[k]);
        glDrawBuffer(ColourAttachments[k]);
        glBlitFramebuffer(0, 0, target.width, target.height, 0, 0, target.width, target.height,
                          GL_COLOR_BUFFER_BIT, GL_LINEAR);
    }
    glBlitFramebuffer(0, 0, target.width, target.height, 0, 0, target.width, target.height,
                      GL_DEPTH_BUFFER_BIT, GL_NEAREST);
}
