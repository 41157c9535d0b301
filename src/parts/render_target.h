// Off-screen render targets: a multisampled framebuffer with three colour buffers and
// a depth buffer, plus a resolve framebuffer whose attachments are textures.
#pragma once
#include <cstdint>

struct RenderTarget {
    bool created = false;
    uint32_t colorBuffers[3] = {0, 0, 0};  // multisampled GL_RGBA8 renderbuffers
    uint32_t depthBuffer = 0;              // multisampled GL_DEPTH_COMPONENT32
    uint32_t drawFramebuffer = 0;
    uint32_t resolveFramebuffer = 0;
    uint32_t spareTexture = 0;             // created, never attached or sampled
    uint32_t colorTextures[3] = {0, 0, 0};
    uint32_t depthTexture = 0;
    int32_t width = 0, height = 0;
    float aspect = 1.0f;
};

void Create(RenderTarget& target, int width, int height, int samples);
unsigned AttachTextures(RenderTarget& target, int count);
void SelectDrawBuffers(RenderTarget& target, int count);
void Resolve(RenderTarget& target, int count);
