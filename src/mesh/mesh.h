// Polygon models from Wavefront OBJ files: unique vertices, a triangle index array and
// one range of triangles per "o" statement, drawn one object at a time from client-side
// vertex arrays.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Twelve 32-bit words. The drawing hands GL this layout directly: stride 48, position at
// byte 0, texture coordinate at byte 12, normal at byte 20.
struct MeshVertex {
    float position[3];
    float texcoord[2];  // 0, 0 when the face gives no texture index
    float normal[3];    // 0, 0, 0 when the face gives none; replaced by generated normals
    float colour[3];
    int32_t object;     // the object current when the face was read; -1 before any "o"
};
static_assert(sizeof(MeshVertex) == 48);
static_assert(offsetof(MeshVertex, texcoord) == 12 && offsetof(MeshVertex, normal) == 20);

// The vertices made from each "v" line, in creation order: first[p] is the first vertex of
// position line p, next[v] the one made after v from the same line; -1 ends a chain.
struct VertexChains {
    std::vector<int32_t> first;  // one per "v" line
    std::vector<int32_t> next;   // one per vertex
};

struct TMesh {
    bool loaded = false;
    bool hasPositions = false, hasTexcoords = false, hasNormals = false;
    int32_t positionCount = 0, texcoordCount = 0, normalCount = 0;  // "v", "vt", "vn" lines
    int32_t triangleCount = 0;  // after fan triangulation
    int32_t objectIndex = -1;   // current object while reading
    std::vector<float> positions;  // 3 per "v" line
    std::vector<float> colours;    // 3 per "v" line, 1.0 unless the line carries a colour
    std::vector<float> texcoords;  // 2 per "vt" line
    std::vector<float> normals;    // 3 per "vn" line
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> indices;      // 3 per triangle, into vertices
    std::vector<int32_t> objectStarts;  // first triangle of each object, then triangleCount
    // Position index (0-based) -> the vertices made from that "v" line, in creation order,
    // as chains through two flat lists (a list per line would cost an allocation each).
    VertexChains vertexMap;

    // Reads an OBJ file, replacing any previous contents. False when the file cannot be
    // opened (the record is then empty and not loaded). Faces the loader cannot take are
    // skipped, each with an "Import.. " message naming its line.
    bool Import(const char* path);

    // Draws one object, or every object for a negative number. Geometry only: program,
    // textures, matrices and blending are the caller's.
    void Draw(int32_t object) const;
};

// Smooth, area-weighted, unit-length normals for every vertex (used when the file has
// none). A vertex whose triangles are all degenerate gets 0, 0, 1.
void GenerateNormals(TMesh& mesh);
