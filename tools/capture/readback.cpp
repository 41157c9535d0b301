// The read-back ring: glReadPixels into a pixel-buffer object returns at once, the copy runs
// on the driver's side, and the buffer is mapped only once later frames have been issued.
#include "capture.h"

#include <GL/glew.h>

FrameReader::FrameReader(int width, int height, int ring) : width_(width), height_(height), buffers_(size_t(ring))
{
    glGenBuffers(GLsizei(buffers_.size()), buffers_.data());
    for (GLuint b : buffers_) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, b);
        glBufferData(GL_PIXEL_PACK_BUFFER, GLsizeiptr(width) * height * 4, nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

FrameReader::~FrameReader()
{
    glDeleteBuffers(GLsizei(buffers_.size()), buffers_.data());
}

bool FrameReader::Push(TImage& done)
{
    const bool full = inFlight_ == buffers_.size();
    if (full)
        Pop(done);
    // The default framebuffer's back buffer, where the last pass drew; a multisampled one is
    // resolved by the read. RGBA rows need no row padding and are the drivers' fast path.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[next_]);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    next_ = (next_ + 1) % buffers_.size();
    ++inFlight_;
    return full;
}

bool FrameReader::Pop(TImage& done)
{
    if (inFlight_ == 0)
        return false;
    const size_t oldest = (next_ + buffers_.size() - inFlight_) % buffers_.size();
    --inFlight_;
    done.width = width_;
    done.height = height_;
    done.rgb.resize(size_t(width_) * height_ * 3);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[oldest]);
    const auto* rgba = static_cast<const uint8_t*>(glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY));
    if (rgba) {
        // GL's rows run bottom-up; images here run top-down.
        for (int y = 0; y < height_; ++y) {
            const uint8_t* src = rgba + size_t(height_ - 1 - y) * width_ * 4;
            uint8_t* dst = done.rgb.data() + size_t(y) * width_ * 3;
            for (int x = 0; x < width_; ++x, src += 4, dst += 3)
                dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
        }
        glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    } else {
        failed_ = true;
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return true;
}
