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
    void Swap() { SDL_GL_SwapWindow(win.window); }
};

// Reads the back buffer (or the bound read framebuffer) as RGBA bytes, bottom row first.
inline std::vector<unsigned char> ReadPixels(int x, int y, int w, int h)
{
    std::vector<unsigned char> px(size_t(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}
