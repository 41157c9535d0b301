// A tiny CPU renderer for looking at generated assets: points and triangles under an orthographic
// camera with a depth buffer, saved as PNG.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;     // row 0 at the top
    std::vector<float> depth;     // larger is nearer

    Picture(int w, int h, uint8_t r, uint8_t g, uint8_t b);
    void Pixel(int x, int y, float z, uint8_t r, uint8_t g, uint8_t b);
    const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

// An orthographic camera: picture x along `right`, picture y along `up`, depth along `forward`
// (towards the viewer), centred on `centre`.
struct OrthoView {
    double right[3], up[3], forward[3];  // forward points towards the viewer
    double centre[3];
    double pixelsPerUnit;
};
OrthoView FrontView(double pixelsPerUnit);   // from +z: x right, y up
OrthoView SideView(double pixelsPerUnit);    // from +x: -z right, y up (the face looks right)

void DrawPoint(Picture& pic, const OrthoView& v, const float p[3], uint8_t r, uint8_t g, uint8_t b, int radius);
// Flat-shaded triangle, lit from the viewer's direction.
void DrawTriangle(Picture& pic, const OrthoView& v, const float a[3], const float b[3], const float c[3],
                  uint8_t r, uint8_t g, uint8_t bl);

bool SavePng(const Picture& pic, const std::string& path);
