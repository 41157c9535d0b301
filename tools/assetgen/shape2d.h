// Plane shapes for the solid letters and the emblem: polygons with holes on an integer grid
// (exact arithmetic), made as the union of pieces such as the triangles of a glyph's strokes.
#pragma once
#include <cstdint>
#include <vector>

struct Point2i {
    int64_t x, y;
    bool operator==(const Point2i& o) const { return x == o.x && y == o.y; }
};
using Ring = std::vector<Point2i>;

// One connected region: an outer boundary (counter-clockwise) and its holes (clockwise).
struct Region {
    Ring outer;
    std::vector<Ring> holes;
};

// Grid steps per glyph unit (a glyph cell is 16 units wide).
constexpr int64_t kGlyphGrid = 1024;

// The union of the pieces (each a simple polygon of either orientation), as simple regions that
// do not touch themselves or each other.
std::vector<Region> UnionOf(const std::vector<Ring>& pieces);

// The triangles of a stroke-font glyph's strips (each three consecutive vertices of a stroke),
// in glyph units times kGlyphGrid, shifted right by `penGrid`; and their union, the glyph's area.
std::vector<Ring> GlyphTriangles(const unsigned char* glyph, int64_t penGrid);
std::vector<Region> GlyphRegions(const unsigned char* glyph, int64_t penGrid);

// Twice the signed area (positive for counter-clockwise).
int64_t TwiceArea(const Ring& ring);
