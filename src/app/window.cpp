#include "app/window.h"

#include "platform/platform.h"

#include <GL/glew.h>

#include <cstdio>

namespace {

void SetContextAttributes(bool multisample)
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    // Only the major version: a 3.0 request has no profile, so drivers hand out a
    // compatibility context that takes fixed-function calls and GLSL 4.3 alike.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, multisample ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, multisample ? 4 : 0);
}

}  // namespace

bool TGLWindow::Init(int x, int y, int w, int h, bool fullscreen, bool hidden)
{
    static const char* const who = "TGLWindow::Init";
    PreferWindowedVideo();
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        printf("%s - SDL could not initialize! SDL Error: %s\n", who, SDL_GetError());
        return false;
    }
    width = w;
    height = h;
    aspect = float(w) / float(h);

    const Uint32 flags = SDL_WINDOW_OPENGL | (hidden ? SDL_WINDOW_HIDDEN : 0);
    SetContextAttributes(true);
    window = SDL_CreateWindow("Rendering", x, y, w, h, flags);
    if (!window) {
        // A display without a multisampled visual: ask again for a plain one.
        SetContextAttributes(false);
        window = SDL_CreateWindow("Rendering", x, y, w, h, flags);
    }
    if (!window) {
        printf("%s - Window could not be created! SDL Error: %s\n", who, SDL_GetError());
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (!context) {
        printf("%s - OpenGL context could not be created! SDL Error: %s\n", who, SDL_GetError());
        return false;
    }
    glewExperimental = GL_TRUE;
    if (fullscreen)
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
    const GLenum glewResult = glewInit();
    if (glewResult != GLEW_OK) {
        printf("%s - Error initializing GLEW! %s\n", who, reinterpret_cast<const char*>(glewGetErrorString(glewResult)));
        return false;
    }
    SDL_GL_MakeCurrent(window, context);
    SDL_GL_SetSwapInterval(0);
    // The renderer is kept, never drawn with. On Windows SDL would take Direct3D for it, whose
    // device then owns the window's picture (black, whatever OpenGL draws); OpenGL, SDL's
    // first choice elsewhere, leaves it to the program's own drawing.
    SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "opengl", SDL_HINT_DEFAULT);
    renderer = SDL_CreateRenderer(window, -1, 0);
    // SDL's OpenGL renderer makes a context of its own and leaves it current: the program's
    // drawing goes to the context made above, with the objects and state it sets up.
    SDL_GL_MakeCurrent(window, context);
    // Named last: SDL's OpenGL renderer replaces the window with one for its own context, and
    // only the window that stays should carry the program's name.
    SDL_SetWindowTitle(window, "Hollowmere");
    return true;
}

void DestroyWindow(TGLWindow& w)
{
    SDL_GL_DeleteContext(w.context);
    SDL_DestroyWindow(w.window);
    w.context = nullptr;
    w.window = nullptr;
    w.renderer = nullptr;  // destroyed with its window
}
