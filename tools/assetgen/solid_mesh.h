// Closed solids made by extruding plane regions along z, and their Wavefront OBJ text.
#pragma once
#include "shape2d.h"
#include "vec3.h"

#include <array>
#include <string>
#include <vector>

struct SolidMesh {
    std::vector<Vec3> positions;
    std::vector<std::array<int, 3>> triangles;  // counter-clockwise seen from outside
};

// Front cap at z = +depth/2 facing +z, back cap at -depth/2, a wall along every boundary edge;
// the caps and the walls share their points, so each edge belongs to exactly two triangles.
// Plane coordinates are grid units; (x, y) maps to ((x - ox) * scale, (y - oy) * scale).
SolidMesh ExtrudeRegions(const std::vector<Region>& regions, double scale, double ox, double oy, double depth);

struct NamedMesh {
    std::string name;  // one word
    SolidMesh mesh;    // may be empty
};

// "o name" then the object's "v" and "f" lines, for each object in order (faces use 1-based
// indices counted over the whole file).
std::string FormatObj(const std::vector<NamedMesh>& objects, const std::string& comment);
