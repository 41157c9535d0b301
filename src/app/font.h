// The built-in stroke font: every glyph is a few thick pen strokes on a 16 x 16 grid,
// drawn as GL triangle strips in immediate mode, without textures.
//
// Glyph string: strokes of vertex bytes (x in the high nibble, y in the low nibble,
// y up), each stroke closed by 0xFF; an empty stroke (a second 0xFF) ends the glyph.
#pragma once
#include <string>

// One glyph string per character code 0..127; codes 0..31 and 127 share the square outline.
extern const unsigned char* const FontTable[128];

// The glyph of a byte: bytes of 128 and above use the glyph of code 0.
const unsigned char* GlyphOf(unsigned char c);

// Advance of character i of text, in cells, for the launcher drawer (overlay false)
// or the overlay drawer (overlay true). Depends on the character and its right neighbour.
float AdvanceFactor(const std::string& text, size_t i, bool overlay);

// Launcher drawer: at the current modelview position, in pixel space with y down;
// each cell 14 x 20 pixels.
void DrawLauncherText(const std::string& text, const float offset[3], const float scale[3]);

// Overlay drawer context.
struct TOverlayText {
    bool black = false;
    float colour[3] = {0, 0, 0};  // used when any component exceeds 0.0001
    float viewWidth = 1, viewHeight = 1;
};

// Overlay drawer: draws text on line `line` of a panel at the top left of the screen,
// cells of 10 x 10 pixels, lines 1.1 cells apart.
void DrawOverlayText(const TOverlayText& ctx, const std::string& text, int line, const float offset[3],
                     const float scale[3]);
