// Checks on triangle meshes: closed solids, orientation, size, inside or outside.
#pragma once
#include <array>
#include <string>
#include <vector>

struct CheckMesh {
    std::vector<std::array<double, 3>> positions;
    std::vector<std::array<int, 3>> triangles;  // indices into positions
};

// Every directed edge appears once and its reverse once: each edge is shared by exactly two
// faces, and neighbouring faces agree on their orientation. Returns "" or the first problem.
std::string ClosedSolidProblem(const CheckMesh& mesh);

// Volume enclosed (positive when the faces point outwards).
double SignedVolume(const CheckMesh& mesh);

// Axis-aligned bounds: min x, y, z then max x, y, z.
std::array<double, 6> Bounds(const CheckMesh& mesh);

// Whether p lies inside the closed mesh (ray cast along +x).
bool Inside(const CheckMesh& mesh, const std::array<double, 3>& p);
