// Generated normals against the plain formula, bit for bit: the triangle's cross product summed
// into its vertices in triangle order, then scaled in double to unit length.
#include "mesh/mesh.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

void ReferenceNormals(TMesh& mesh)
{
    for (MeshVertex& v : mesh.vertices) v.normal[0] = v.normal[1] = v.normal[2] = 0;
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        MeshVertex* c[3] = {&mesh.vertices[mesh.indices[t]], &mesh.vertices[mesh.indices[t + 1]], &mesh.vertices[mesh.indices[t + 2]]};
        float u[3], w[3];
        for (int k = 0; k < 3; ++k) u[k] = c[1]->position[k] - c[0]->position[k], w[k] = c[2]->position[k] - c[0]->position[k];
        const float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        for (MeshVertex* v : c)
            for (int k = 0; k < 3; ++k) v->normal[k] += n[k];
    }
    for (MeshVertex& v : mesh.vertices) {
        const double squared = double(v.normal[0]) * v.normal[0] + double(v.normal[1]) * v.normal[1] + double(v.normal[2]) * v.normal[2];
        const double scale = 1.0 / std::sqrt(squared);
        const bool usable = squared > 0 && std::isfinite(squared);
        for (int k = 0; k < 3; ++k) v.normal[k] = usable ? float(v.normal[k] * scale) : k == 2 ? 1.0f : 0.0f;
    }
}

MeshVertex Vertex(float x, float y, float z, float red = 1)
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

TEST(GeneratedNormals, MatchThePlainFormulaBitForBitAndLeaveTheRestAlone)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    // Odd and even vertex counts, shared and repeated corners, degenerate, tiny, overflowing
    // and non-finite triangles; reds of -0 and a NaN with a payload must come back as they were.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-2, 2);
    for (const size_t count : {size_t(1), size_t(2), size_t(3), size_t(4), size_t(5), size_t(64), size_t(1001)}) {
        TMesh mesh;
        for (size_t k = 0; k < count; ++k)
            mesh.vertices.push_back(Vertex(coordinate(random), coordinate(random), coordinate(random),
                                           k % 3 == 0 ? -0.0f : k % 3 == 1 ? std::bit_cast<float>(0x7FC01234u) : 0.5f));
        if (count >= 5) {
            mesh.vertices[1] = Vertex(1e-20f, 0, 0), mesh.vertices[2] = Vertex(0, 1e-20f, 0);  // cross product underflows
            mesh.vertices[3] = Vertex(3e38f, -3e38f, 0);                                       // products overflow
            mesh.vertices[4] = Vertex(nan, inf, 0);
        }
        std::uniform_int_distribution<uint32_t> corner(0, uint32_t(count - 1));
        for (size_t t = 0; t < 3 * count; ++t) mesh.indices.push_back(corner(random));
        mesh.indices.insert(mesh.indices.end(), {0, 0, 0, 0, uint32_t(count - 1), 0});
        TMesh expected = mesh;
        ReferenceNormals(expected);
        GenerateNormals(mesh);
        EXPECT_TRUE(mesh.hasNormals);
        for (size_t k = 0; k < count; ++k)
            EXPECT_EQ(std::memcmp(&mesh.vertices[k], &expected.vertices[k], sizeof(MeshVertex)), 0) << count << " vertices, vertex " << k;
    }
}
