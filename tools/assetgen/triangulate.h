// Triangulation of a region with holes by ear clipping, holes first joined to the outer
// boundary by bridges. No points are added, so the boundary edges of the result are exactly the
// region's edges (what the side walls of an extruded solid need to close it).
#pragma once
#include "shape2d.h"

#include <array>
#include <vector>

struct Triangulation {
    std::vector<Point2i> points;               // the outer ring's points, then each hole's
    std::vector<std::array<int, 3>> triangles; // counter-clockwise, indices into points
};

Triangulation TriangulateRegion(const Region& region);
