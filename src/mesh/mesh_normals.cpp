// Smooth normals for meshes whose file has none.
#include "mesh/mesh.h"

#include <cmath>
#include <limits>

// Every target is x86-64, where SSE2 is always there.
#include <emmintrin.h>

namespace {

// A vertex alone (the last of an odd count); NormalizePair follows it lane by lane, operation
// by operation, so that every vertex gets the same bits either way.
void Normalize(MeshVertex& v)
{
    // Squared length in double, so that tiny triangles do not underflow to zero.
    double squared = 0;
    for (float x : v.normal) squared += double(x) * double(x);
    if (!(squared > 0) || !std::isfinite(squared)) {
        // Only degenerate triangles (or non-finite positions) meet here.
        v.normal[0] = 0.0f;
        v.normal[1] = 0.0f;
        v.normal[2] = 1.0f;
        return;
    }
    const double scale = 1.0 / std::sqrt(squared);
    for (float& x : v.normal) x = float(x * scale);
}

// A vertex's three position or normal floats and the one after them: each of those fields has
// another after it, so the 16 bytes lie within the vertex.
inline __m128 Load4(const float* p) { return _mm_loadu_ps(p); }

// Adds n's first three lanes to the normal at p and writes back the float after it as it was.
inline void AddToNormal(float* p, __m128 n)
{
    const __m128 old = Load4(p);
    const __m128 sum = _mm_add_ps(old, n);
    const __m128 high = _mm_shuffle_ps(sum, old, _MM_SHUFFLE(3, 3, 2, 2));  // sum2 sum2 old3 old3
    _mm_storeu_ps(p, _mm_shuffle_ps(sum, high, _MM_SHUFFLE(2, 0, 1, 0)));
}

// The unnormalised cross product (larger triangles weigh more), in one vector: the fourth
// lane computes nothing that is kept.
void AddTriangleNormal4(MeshVertex* const (&corner)[3])
{
    const __m128 p0 = Load4(corner[0]->position);
    const __m128 u = _mm_sub_ps(Load4(corner[1]->position), p0), w = _mm_sub_ps(Load4(corner[2]->position), p0);
    const __m128 n = _mm_sub_ps(_mm_mul_ps(_mm_shuffle_ps(u, u, _MM_SHUFFLE(3, 0, 2, 1)), _mm_shuffle_ps(w, w, _MM_SHUFFLE(3, 1, 0, 2))),
                                _mm_mul_ps(_mm_shuffle_ps(u, u, _MM_SHUFFLE(3, 1, 0, 2)), _mm_shuffle_ps(w, w, _MM_SHUFFLE(3, 0, 2, 1))));
    for (MeshVertex* v : corner) AddToNormal(v->normal, n);
}

// Normalize for two vertices at once: the square root and the division wait on one unit,
// and a vector of two costs about what one of them does.
void NormalizePair(MeshVertex& a, MeshVertex& b)
{
    __m128d component[3], squared = _mm_setzero_pd();
    for (int k = 0; k < 3; ++k) {
        component[k] = _mm_set_pd(double(b.normal[k]), double(a.normal[k]));
        squared = _mm_add_pd(squared, _mm_mul_pd(component[k], component[k]));
    }
    const __m128d usable = _mm_and_pd(_mm_cmpgt_pd(squared, _mm_setzero_pd()),
                                      _mm_cmplt_pd(squared, _mm_set1_pd(std::numeric_limits<double>::infinity())));
    const __m128d scale = _mm_div_pd(_mm_set1_pd(1.0), _mm_sqrt_pd(squared));
    const __m128d otherwise[3] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_set1_pd(1.0)};
    for (int k = 0; k < 3; ++k) {
        const __m128d scaled = _mm_mul_pd(component[k], scale);
        const __m128d chosen = _mm_or_pd(_mm_and_pd(usable, scaled), _mm_andnot_pd(usable, otherwise[k]));
        alignas(16) float out[4];
        _mm_store_ps(out, _mm_cvtpd_ps(chosen));
        a.normal[k] = out[0];
        b.normal[k] = out[1];
    }
}

}  // namespace

void GenerateNormals(TMesh& mesh)
{
    for (MeshVertex& v : mesh.vertices)
        v.normal[0] = v.normal[1] = v.normal[2] = 0.0f;
    MeshVertex* const vertices = mesh.vertices.data();
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        MeshVertex* const corner[3] = {&vertices[mesh.indices[t]], &vertices[mesh.indices[t + 1]], &vertices[mesh.indices[t + 2]]};
        AddTriangleNormal4(corner);
    }
    size_t k = 0;
    for (; k + 1 < mesh.vertices.size(); k += 2) NormalizePair(vertices[k], vertices[k + 1]);
    for (; k < mesh.vertices.size(); ++k) Normalize(vertices[k]);
    mesh.hasNormals = true;
}
