// Smooth normals for meshes whose file has none.
#include "mesh/mesh.h"

#include <cmath>

void GenerateNormals(TMesh& mesh)
{
    for (MeshVertex& v : mesh.vertices)
        v.normal[0] = v.normal[1] = v.normal[2] = 0.0f;

    // The unnormalised cross product: larger triangles weigh more.
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        MeshVertex* corner[3] = {&mesh.vertices[mesh.indices[t]], &mesh.vertices[mesh.indices[t + 1]],
                                 &mesh.vertices[mesh.indices[t + 2]]};
        float u[3], w[3];
        for (int k = 0; k < 3; ++k) {
            u[k] = corner[1]->position[k] - corner[0]->position[k];
            w[k] = corner[2]->position[k] - corner[0]->position[k];
        }
        const float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        for (MeshVertex* v : corner)
            for (int k = 0; k < 3; ++k) v->normal[k] += n[k];
    }

    for (MeshVertex& v : mesh.vertices) {
        // Squared length in double, so that tiny triangles do not underflow to zero.
        double squared = 0;
        for (float x : v.normal) squared += double(x) * double(x);
        if (!(squared > 0) || !std::isfinite(squared)) {
            // Only degenerate triangles (or non-finite positions) meet here.
            v.normal[0] = 0.0f;
            v.normal[1] = 0.0f;
            v.normal[2] = 1.0f;
            continue;
        }
        const double scale = 1.0 / std::sqrt(squared);
        for (float& x : v.normal) x = float(x * scale);
    }
    mesh.hasNormals = true;
}
