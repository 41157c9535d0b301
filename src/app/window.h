// The SDL window with its OpenGL context. All sizes and aspect ratios of the program
// come from here: width and height are the live window size, not the request.
#pragma once
#include <SDL.h>
#include <cstdint>

struct TGLWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    SDL_Renderer* renderer = nullptr;  // kept, never used for drawing
    int32_t width = 0;
    float aspect = 1.0f;
    int32_t height = 0;

    // Creates the window and its context at (x, y) with the given size. Prints the
    // failure message and returns false when the window, the context or GLEW cannot be set up.
    // A hidden window is never shown: the capture tool renders into its back buffer.
    bool Init(int x, int y, int width, int height, bool fullscreen, bool hidden = false);
};

// Destroys the context and the window (SDL itself stays initialised).
void DestroyWindow(TGLWindow& w);
