// The launcher menu: rows, hover bands, the click latch and drawing.
#include "app/launcher.h"

#include "app/demo.h"
#include "app/font.h"
#include "shaders/gl_state.h"

#include <GL/glew.h>

#include <cmath>

void BuildLauncher(TLauncherMenu& menu)
{
    menu.items.push_back({1, {" + Hollowmere + "}, {1.0f, 1.0f, 0.0f}, 0, false});
    menu.items.push_back(
        {3, {" >       1920 x 1080", " >       2560 x 1440", " >       1280 x 720"}, {0.4f, 0.4f, 0.6f}, 0, false});
    menu.items.push_back({4, {" >       Fullscreen", " >        Windowed"}, {0.4f, 0.4f, 0.6f}, 0, false});
    // Two identical options: one click moves Run from 0 to 1.
    menu.items.push_back({7, {"          + Run +", "          + Run +"}, {0.0f, 0.6f, 0.0f}, 0, false});
}

void LauncherMouse(TLauncherMenu& menu, float mouseY, bool leftDown)
{
    int hovered = -1;
    for (size_t i = 0; i < menu.items.size(); ++i) {
        TMenuItem& item = menu.items[i];
        item.hover = false;
        // The title row is never hovered; the mouse x is not tested.
        if (i != kTitleRow && float(item.row * 30 - 26) < mouseY && mouseY < float(item.row * 30 + 4)) {
            item.hover = true;
            hovered = int(i);
        }
    }
    // A click counts once, on the frame the button goes down.
    if (leftDown && !menu.mouseLatch) {
        if (hovered >= 0)
            menu.items[hovered].selected++;
        menu.mouseLatch = true;
    }
    if (!leftDown)
        menu.mouseLatch = false;
    if (menu.items.size() > kRunRow && menu.items[kRunRow].selected == 1)
        menu.done = true;
}

void DrawLauncherMenu(TLauncherMenu& menu)
{
    menu.phase += 1.0f / 30.0f;
    if (!menu.items.empty()) {
        float* c = menu.items[kTitleRow].colour;
        c[0] = std::sin(menu.phase) * 0.4f + 0.7f;
        c[1] = float(std::sin(double(menu.phase) * 1.4 + 12.0) * 0.5 + 0.7);
        c[2] = float(std::sin(double(menu.phase) * 1.8 + 514.0) * 0.5 + 0.7);
    }
    const float zero[3] = {0, 0, 0}, one[3] = {1, 1, 1};
    for (TMenuItem& item : menu.items) {
        glPushMatrix();
        const float k = item.hover ? 11.5f : 1.0f;  // GL saturates the hovered colour to bright
        glColor3f(item.colour[0] * k, item.colour[1] * k, item.colour[2] * k);
        if (!item.options.empty()) {
            glTranslatef(0.0f, float(item.row * 30), 0.0f);
            item.selected %= int32_t(item.options.size());
            DrawLauncherText(item.options[item.selected], zero, one);
        }
        glPopMatrix();
    }
}

TWindowChoice LauncherChoice(const TLauncherMenu& menu)
{
    static const int32_t sizes[3][2] = {{1920, 1080}, {2560, 1440}, {1280, 720}};
    const int32_t res = menu.items.size() > kResolutionRow ? menu.items[kResolutionRow].selected % 3 : 0;
    const bool windowed = menu.items.size() > kWindowModeRow && menu.items[kWindowModeRow].selected % 2 == 1;
    if (windowed)
        return {sizes[res][0], sizes[res][1], false, 10, 140};
    return {sizes[res][0], sizes[res][1], true, 0, 0};
}

void LauncherFrame(TDemo& demo)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    glViewport(0, 0, demo.glWindow.width, demo.glWindow.height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (demo.launcherClosed)
        return;

    // Pixel coordinates with the origin at the top left and y pointing down.
    LoadIdentityMatrices();
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(2.0f / float(demo.glWindow.width), 2.0f / float(demo.glWindow.height), 1.0f);

    LauncherMouse(demo.launcher, float(demo.state.mousePixelY), demo.state.mouseLeft);
    DrawLauncherMenu(demo.launcher);
}
