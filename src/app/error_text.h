// The shader errors on screen: the build's error lines in red stroke-font text over a dark
// band at the bottom left of the window, long lines wrapped, until a good build clears them.
#pragma once
#include <string>
#include <vector>

struct TErrorTextLine {
    int line;          // overlay line number (the overlay drawer's rows, 11 pixels apart)
    std::string text;
};

constexpr int kMaxErrorRows = 16;  // rows shown at most; the last one then says how many more

// Where each row goes in a window of the given size: the rows wrapped at the window's width,
// ending at the last overlay line that fits.
std::vector<TErrorTextLine> ErrorTextLayout(const std::vector<std::string>& errors, float viewWidth, float viewHeight);

// Draws the rows (nothing for no errors); leaves the GL state as the overlay drawer does.
void DrawErrorText(const std::vector<std::string>& errors, float viewWidth, float viewHeight);
