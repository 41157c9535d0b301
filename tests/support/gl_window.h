// A small window with the program's own GL context, for GL tests under Xvfb.
#pragma once
#include "app/window.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <vector>

struct GLTestWindow {
    TGLWindow win;
    bool ok = false;
    explicit GLTestWindow(int width = 64, int height = 64) { ok = win.Init(40, 40, width, height, false); }
    ~GLTestWindow()
    {
        if (ok) DestroyWindow(win);
    }
};

// Reads the back buffer (or the bound read framebuffer) as RGBA bytes, bottom row first.
inline std::vector<unsigned char> ReadPixels(int x, int y, int w, int h)
{
    std::vector<unsigned char> px(size_t(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}

// The back buffer read whole, with rows counted from the top as the window's users count them.
struct TopDownFrame {
    int width, height;
    std::vector<unsigned char> px;
    explicit TopDownFrame(int width, int height) : width(width), height(height), px(ReadPixels(0, 0, width, height)) {}
    const unsigned char* At(int x, int y) const { return &px[(size_t(height - 1 - y) * width + x) * 4]; }
    // Pixels in the rows [top, bottom) that satisfy `pred`.
    template <class Pred>
    int Count(int top, int bottom, Pred pred) const
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < width; ++x) n += pred(At(x, y)) ? 1 : 0;
        return n;
    }
};
