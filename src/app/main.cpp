// Hollowmere: the launcher, then the demo window and its frame loop.
#include "app/demo.h"
#include "app/transport.h"
#include "platform/platform.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

static TDemo demo;

int main(int argc, char** argv)
{
    (void)argv;  // read by the development build only
    // Leave Ctrl-C and SIGTERM to their default action: the event step ends the program
    // only on Escape and on the window's close event, so SDL must not turn them into events.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    ConsoleHide();
    if (argc == 2)
        ConsoleShow();

    demo.fullscreen = false;
    demo.width = 1920;
    demo.height = 1080;

    const DesktopRect desk = GetDesktopRect();
    if (!demo.glWindow.Init(int(desk.right * 0.5 - 190), int(desk.bottom * 0.5 - 105), 380, 240, false))
        return EXIT_FAILURE;

    while (!demo.launcher.done) {
        HandleEvents(demo);
        LauncherFrame(demo);
        SDL_GL_SwapWindow(demo.glWindow.window);
        SleepMs(30);
    }

    demo.launcherClosed = true;
    DestroyWindow(demo.glWindow);

    const TWindowChoice choice = LauncherChoice(demo.launcher);
    demo.width = choice.width;
    demo.height = choice.height;
    demo.fullscreen = choice.fullscreen;
    if (!demo.glWindow.Init(choice.x, choice.y, demo.width, demo.height, demo.fullscreen))
        return EXIT_FAILURE;

    // The new window shows black at once.
    LauncherFrame(demo);
    SDL_GL_SwapWindow(demo.glWindow.window);

    ConsoleHide();
    CreateParts(demo);

    StartUp(demo);
#if HOLLOWMERE_DEBUG
    // The development build starts the clock where the command line says.
    if (const std::optional<float> start = StartTimeArgument(argc, argv))
        TransportStartAt(demo, *start);
#endif
    SDL_ShowCursor(SDL_DISABLE);

    while (demo.state.running) {
        HandleEvents(demo);
        DemoFrame(demo);
        SDL_GL_SwapWindow(demo.glWindow.window);
    }
    return 0;
}
