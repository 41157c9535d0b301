// The launcher menu: four rows in the stroke font (animated title, resolution, window
// mode, Run), driven by the mouse alone.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TMenuItem {
    int32_t row = 0;                   // text line at y = row * 30 pixels
    std::vector<std::string> options;  // texts the row cycles through
    float colour[3] = {0, 0, 0};
    int32_t selected = 0;              // incremented by clicks, wrapped when drawn
    bool hover = false;
};

// The rows, in the order BuildLauncher appends them.
enum LauncherRow : size_t { kTitleRow, kResolutionRow, kWindowModeRow, kRunRow, kLauncherRows };

struct TLauncherMenu {
    std::vector<TMenuItem> items;
    float phase = 0;
    bool done = false;
    bool mouseLatch = false;
};

// Appends the four rows.
void BuildLauncher(TLauncherMenu& menu);

// Mouse handling of one launcher frame: hover bands, the click latch, Run.
void LauncherMouse(TLauncherMenu& menu, float mouseY, bool leftDown);

// Animates the title colour and draws the rows (needs the launcher's pixel-space matrices).
void DrawLauncherMenu(TLauncherMenu& menu);

// The demo window the launcher's choices ask for.
struct TWindowChoice {
    int32_t width, height;
    bool fullscreen;
    int32_t x, y;
};
TWindowChoice LauncherChoice(const TLauncherMenu& menu);
