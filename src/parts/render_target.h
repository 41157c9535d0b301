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

// Builds every object of the target. The sample count is clamped to what the driver
// supports (GL_MAX_SAMPLES); 0 gives single-sample renderbuffers.
void Create(RenderTarget& target, int width, int height, int samples);
unsigned AttachTextures(RenderTarget& target, int count);
void SelectDrawBuffers(RenderTarget& target, int count);
void Resolve(RenderTarget& target, int count);

// The sample count Create uses for a request: at most GL_MAX_SAMPLES, at least 0.
int SupportedSamples(int requested);
