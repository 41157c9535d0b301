// The contact sheet: the stills as thumbnails in a grid, each with its scene time under it in
// the program's own stroke font, drawn by GL in an off-screen framebuffer.
#include "capture.h"

#include "app/font.h"
#include "shaders/gl_state.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kMargin = 10, kGap = 10;
constexpr int kCellW = 14, kCellH = 20;         // the launcher drawer's cell, in pixels
constexpr int kLabelBand = kCellH + 16;         // label height with its padding
constexpr float kBackground[3] = {0.09f, 0.09f, 0.11f};
constexpr float kInk[3] = {0.88f, 0.88f, 0.88f};

float TextWidth(const std::string& text)
{
    float w = 0;
    for (size_t i = 0; i < text.size(); ++i)
        w += AdvanceFactor(text, i, false) * kCellW;
    return w;
}

// Draws the labels into a multisampled framebuffer and reads the resolved picture back,
// top row first.
std::vector<uint8_t> DrawLabels(const TSheetLayout& l, int thumbHeight, const std::vector<double>& times)
{
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    GLuint fbo[2], colour[2];
    glGenFramebuffers(2, fbo);
    glGenRenderbuffers(2, colour);
    for (int i = 0; i < 2; ++i) {
        glBindRenderbuffer(GL_RENDERBUFFER, colour[i]);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, i == 0 ? std::min(4, int(maxSamples)) : 0, GL_RGBA8,
                                         l.width, l.height);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo[i]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour[i]);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, fbo[0]);
    glUseProgram(0);
    glViewport(0, 0, l.width, l.height);
    glClearColor(kBackground[0], kBackground[1], kBackground[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // Pixel coordinates with the origin at the top left and y pointing down.
    LoadIdentityMatrices();
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(2.0f / float(l.width), 2.0f / float(l.height), 1.0f);
    const float zero[3] = {0, 0, 0}, one[3] = {1, 1, 1};
    for (size_t i = 0; i < times.size(); ++i) {
        const std::string label = SheetLabel(times[i]);
        const int cx = kMargin + int(i % size_t(l.columns)) * (l.cellWidth + kGap);
        const int cy = kMargin + int(i / size_t(l.columns)) * (l.cellHeight + kGap);
        glPushMatrix();
        glTranslatef(std::round(float(cx) + (float(l.cellWidth) - TextWidth(label)) / 2.0f),
                     float(cy + thumbHeight + 8 + kCellH), 0.0f);
        glColor3f(kInk[0], kInk[1], kInk[2]);
        DrawLauncherText(label, zero, one);
        glPopMatrix();
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo[0]);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo[1]);
    glBlitFramebuffer(0, 0, l.width, l.height, 0, 0, l.width, l.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo[1]);
    std::vector<uint8_t> rgba(size_t(l.width) * l.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, l.width, l.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    ResetGLState();
    glDeleteFramebuffers(2, fbo);
    glDeleteRenderbuffers(2, colour);
    std::vector<uint8_t> rgb(size_t(l.width) * l.height * 3);
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x)
            std::memcpy(&rgb[(size_t(y) * l.width + x) * 3], &rgba[(size_t(l.height - 1 - y) * l.width + x) * 4], 3);
    return rgb;
}

}  // namespace

TImage Thumbnail(const TImage& image, int width)
{
    TImage t;
    t.width = width;
    t.height = std::max(1, int(std::lround(double(image.height) * width / image.width)));
    t.rgb.resize(size_t(t.width) * t.height * 3);
    // Source span of destination pixel i: at least one source pixel, so enlarging repeats.
    auto span = [](int i, int from, int to, int& first, int& last) {
        first = int(int64_t(i) * from / to);
        last = std::max(first + 1, int(int64_t(i + 1) * from / to));
    };
    for (int y = 0; y < t.height; ++y) {
        int y0 = 0, y1 = 0;
        span(y, image.height, t.height, y0, y1);
        for (int x = 0; x < t.width; ++x) {
            int x0 = 0, x1 = 0;
            span(x, image.width, t.width, x0, x1);
            uint32_t sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += image.rgb[(size_t(sy) * image.width + sx) * 3 + c];
            const uint32_t n = uint32_t((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 3; ++c)
                t.rgb[(size_t(y) * t.width + x) * 3 + c] = uint8_t((sum[c] + n / 2) / n);
        }
    }
    return t;
}

TSheetLayout SheetLayout(int count, int thumbWidth, int thumbHeight)
{
    TSheetLayout l;
    l.columns = std::clamp(int(std::ceil(std::sqrt(double(count)))), 1, 8);
    l.rows = std::max(1, (count + l.columns - 1) / l.columns);
    // Wide enough for the longest label, "200.000 s".
    l.cellWidth = std::max(thumbWidth, int(std::ceil(TextWidth(SheetLabel(200.0)))));
    l.cellHeight = thumbHeight + kLabelBand;
    l.width = 2 * kMargin + l.columns * l.cellWidth + (l.columns - 1) * kGap;
    l.height = 2 * kMargin + l.rows * l.cellHeight + (l.rows - 1) * kGap;
    return l;
}

std::string SheetLabel(double time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", time);
    return text;
}

TImage ContactSheet(const std::vector<TImage>& thumbs, const std::vector<double>& times)
{
    const int tw = thumbs.empty() ? 1 : thumbs[0].width, th = thumbs.empty() ? 1 : thumbs[0].height;
    const TSheetLayout l = SheetLayout(int(thumbs.size()), tw, th);
    TImage sheet;
    sheet.width = l.width;
    sheet.height = l.height;
    sheet.rgb = DrawLabels(l, th, times);
    for (size_t i = 0; i < thumbs.size(); ++i) {
        const TImage& t = thumbs[i];
        const int cx = kMargin + int(i % size_t(l.columns)) * (l.cellWidth + kGap) + (l.cellWidth - t.width) / 2;
        const int cy = kMargin + int(i / size_t(l.columns)) * (l.cellHeight + kGap);
        for (int y = 0; y < t.height; ++y)
            std::memcpy(&sheet.rgb[(size_t(cy + y) * l.width + cx) * 3], &t.rgb[size_t(y) * t.width * 3],
                        size_t(t.width) * 3);
    }
    return sheet;
}
