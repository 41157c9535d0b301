// Generated normals: area-weighted sums of the triangles' cross products, scaled to unit length,
// 0, 0, 1 where nothing usable was summed; every other field of a vertex left as it was.
#include "mesh/mesh.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>

namespace {

MeshVertex Vertex(float x, float y, float z, float red)
{
    MeshVertex v{};
    v.position[0] = x, v.position[1] = y, v.position[2] = z;
    v.texcoord[0] = -0.0f, v.texcoord[1] = 0.5f;
    v.normal[0] = 7, v.normal[1] = 8, v.normal[2] = 9;  // replaced, whatever was there
    v.colour[0] = red, v.colour[1] = 0.25f, v.colour[2] = 0.75f;
    v.object = 3;
    return v;
}

}  // namespace

TEST(GeneratedNormals, AreaWeightedUnitSumsAndNothingElseTouched)
{
    const float s = std::sqrt(17.0f), nan = std::bit_cast<float>(0x7FC01234u);
    // Vertex 0 lies in a unit triangle in xy (normal 0 0 1) and one four times larger in xz
    // (0 4 0); then a collinear triangle, one whose products overflow, one of non-finite corners
    // and one too small to square in single precision. Reds of -0 and a NaN with a payload must come back as they were; the count is
    // odd, so that vertices are normalised in pairs and one alone.
    const struct { float x, y, z, red; float normal[3]; } vertices[] = {
        {0, 0, 0, -0.0f, {0, 4 / s, 1 / s}}, {1, 0, 0, nan, {0, 0, 1}}, {0, 1, 0, 0.5f, {0, 0, 1}},
        {0, 0, 2, -0.0f, {0, 1, 0}},         {2, 0, 0, nan, {0, 1, 0}}, {5, 5, 5, 0.5f, {0, 0, 1}},
        {6, 6, 6, -0.0f, {0, 0, 1}},         {7, 7, 7, nan, {0, 0, 1}}, {3e38f, -3e38f, 0, 0.5f, {0, 0, 1}},
        {-3e38f, 0, 3e38f, -0.0f, {0, 0, 1}}, {0, 3e38f, -3e38f, nan, {0, 0, 1}},
        {nan, INFINITY, 0, 0.5f, {0, 0, 1}}, {1, 2, 3, -0.0f, {0, 0, 1}},
        {0, 0, 0, nan, {0, -1, 0}}, {1e-20f, 0, 0, 0.5f, {0, -1, 0}}, {0, 0, 1e-20f, -0.0f, {0, -1, 0}},
        {4, 4, 4, nan, {0, 0, 1}},  // in no triangle
    };
    TMesh mesh;
    for (const auto& v : vertices) mesh.vertices.push_back(Vertex(v.x, v.y, v.z, v.red));
    mesh.indices = {0, 1, 2, 0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 5, 13, 14, 15};
    const TMesh before = mesh;
    GenerateNormals(mesh);
    EXPECT_TRUE(mesh.hasNormals);
    for (size_t k = 0; k < std::size(vertices); ++k) {
        const MeshVertex &got = mesh.vertices[k], &was = before.vertices[k];
        for (int j = 0; j < 3; ++j) EXPECT_FLOAT_EQ(got.normal[j], vertices[k].normal[j]) << "vertex " << k << " axis " << j;
        EXPECT_EQ(std::memcmp(got.position, was.position, sizeof got.position + sizeof got.texcoord), 0) << k;
        EXPECT_EQ(std::memcmp(got.colour, was.colour, sizeof got.colour + sizeof got.object), 0) << k;
    }
}
