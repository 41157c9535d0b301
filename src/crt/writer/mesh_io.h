// Small readers for triangle meshes in Wavefront OBJ and OFF form, for the writer's callers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace crt {

struct TriMesh {
    std::vector<float> positions;     // 3 per vertex
    std::vector<float> uvs;           // 2 per vertex when the file has texture coordinates
    std::vector<float> normals;       // 3 per vertex when the file has normals
    std::vector<float> colors;        // colorChannels per vertex (0 to 1) when the file has colours
    int colorChannels = 0;            // 3 (red, green, blue) or 4 (with alpha)
    std::vector<uint32_t> indices;    // 3 per triangle (polygons become fans)
    std::vector<uint32_t> groupEnds;  // cumulative end face count of each group

    uint32_t vertexCount() const { return uint32_t(positions.size() / 3); }
};

// OBJ: v (with an optional r g b colour), vt, vn, f (v, v/vt, v/vt/vn, v//vn, negative indices),
// g and o start face groups. With texture coordinates or normals a vertex is a distinct
// (v, vt, vn) triple. Returns false for an unreadable file.
bool ReadObj(const std::string& path, TriMesh& mesh);
// OFF: "OFF", counts, positions, then faces as a count and that many 0-based indices.
bool ReadOff(const std::string& path, TriMesh& mesh);
// PLY, ASCII or binary of either byte order: the vertex element's x y z, nx ny nz, red green blue
// (alpha) and s t (or u v), and the face element's index list; other elements are skipped.
bool ReadPly(const std::string& path, TriMesh& mesh);
// By extension (.obj, .off or .ply).
bool ReadMesh(const std::string& path, TriMesh& mesh);

} // namespace crt
