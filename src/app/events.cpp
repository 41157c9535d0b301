// The event step: mouse, frame time, the SDL event queue, then the free camera.
#include "app/demo.h"
#include "app/transport.h"
#include "platform/platform.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

void HandleEvents(TDemo& demo)
{
    TDemoState& s = demo.state;
    int x = 0, y = 0;
    const Uint32 mask = SDL_GetMouseState(&x, &y);
    s.mousePixelX = x;
    s.mousePixelY = y;
    s.mouseX = float(x) / float(demo.glWindow.width);
    s.mouseY = float(y) / float(demo.glWindow.height);

    // The first frame, and a frame after a long stall, count as 50 ms.
    const int64_t now = SteadyTicks100ns();
    s.deltaTime = float(TicksToSeconds(now - s.lastTicks));
    if (s.deltaTime > 0.35f)
        s.deltaTime = 0.05f;
    s.lastTicks = now;

    s.mouseLeft = (mask & SDL_BUTTON_LMASK) != 0;
    s.mouseMiddle = (mask & SDL_BUTTON_MMASK) != 0;
    s.mouseRight = (mask & SDL_BUTTON_RMASK) != 0;
    s.wheelDelta = 0.0f;

    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                std::exit(0);
            break;
        case SDL_KEYDOWN:
            printf("KEY: %d\n", int(e.key.keysym.scancode));
#if HOLLOWMERE_DEBUG
            TransportKeyPressed(demo, int(e.key.keysym.scancode));
#endif
            if (unsigned(e.key.keysym.scancode) < 512)
                s.keys[e.key.keysym.scancode] = true;
            if (e.key.keysym.sym == SDLK_ESCAPE)
                std::exit(0);
            break;
        case SDL_KEYUP:
            if (unsigned(e.key.keysym.scancode) < 512)
                s.keys[e.key.keysym.scancode] = false;
            break;
        case SDL_MOUSEWHEEL:
            if (e.wheel.y > 0) {
                s.wheelDelta = 1.0f;
                s.wheel += 0.2f;
            } else if (e.wheel.y < 0) {
                s.wheelDelta = -1.0f;
                s.wheel -= 0.2f;
            }
            break;
        default:
            break;
        }
    }
    CameraStep(demo);
}

void CameraStep(TDemo& demo)
{
    TDemoState& s = demo.state;
    TFreeCam& cam = s.camera;
    const float zoom = cam.zoom;
    const float dx = float(s.mousePixelX) - demo.prevMouseX, dy = float(s.mousePixelY) - demo.prevMouseY;
    // With both buttons held the drag counts twice.
    if (s.mouseLeft) {
        demo.dragYaw += dx * 0.5f / zoom;
        demo.dragPitch += dy * 0.5f / zoom;
    }
    if (s.mouseRight) {
        demo.dragYaw += dx * 0.5f / zoom;
        demo.dragPitch += dy * 0.5f / zoom;
    }
    const float a = demo.dragYaw * 0.15f, b = demo.dragPitch * 0.15f;
    if (cam.flyMode)
        FlyUpdate(cam, a, b, s.mouseLeft, s.mouseMiddle, s.mouseRight);
    else
        OrbitUpdate(cam, a, b, s.mouseLeft, s.mouseMiddle, s.mouseRight);

    cam.zoom += (s.wheelDelta * 0.8f) * 0.03f * std::max(cam.zoom * 2.5f, 1.0f);
    cam.zoom = std::max(cam.zoom, 0.2f);
    demo.prevMouseX = float(s.mousePixelX);
    demo.prevMouseY = float(s.mousePixelY);
}
