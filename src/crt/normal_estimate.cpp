// Normals estimated from the geometry: each face's unnormalised cross product (so larger faces
// weigh more) summed per vertex in face order, and the border test by exclusive-or of neighbour
// ids, in one pass over the faces.
//
// With SSE2 a face's cross product is one vector and each vertex sum one add: the positions are
// first converted to floats in 16-byte slots. The vector forms follow the scalar formulas lane by
// lane, operation by operation (and the library is built without contraction into fused
// multiply-adds), so both paths give the same bits; the tests run both.
#include "crt/normal_estimate.h"

#include "crt/messages.h"
#include "crt/workspace.h"

#include <algorithm>

namespace crt {

namespace {

// Ids outside the vertices are damage. Decoded faces were checked as they were decoded; the
// writer's input faces are checked here.
template <bool Check>
inline void CheckFace(uint32_t a, uint32_t b, uint32_t c, uint32_t vertexCount)
{
    if (Check && ((a >= vertexCount) | (b >= vertexCount) | (c >= vertexCount)))
        throw kCorrupt;
}

inline void AddBorderTerms(int* flags, uint32_t a, uint32_t b, uint32_t c)
{
    // A neighbour met from both sides cancels: a vertex inside a closed fan ends at zero.
    flags[a] ^= int(b ^ c);
    flags[b] ^= int(c ^ a);
    flags[c] ^= int(a ^ b);
}

template <bool Check, typename Index>
void SumPortable(const int32_t* P, uint32_t vertexCount, const Index* idx, uint32_t faceCount, NormalSum* n, int* flags)
{
    for (size_t f = 0; f < faceCount; ++f, idx += 3) {
        const uint32_t i[3] = {idx[0], idx[1], idx[2]};
        CheckFace<Check>(i[0], i[1], i[2], vertexCount);
        const int32_t *p0 = P + 3 * size_t(i[0]), *p1 = P + 3 * size_t(i[1]), *p2 = P + 3 * size_t(i[2]);
        float e1[3], e2[3];
        for (int k = 0; k < 3; ++k) {
            e1[k] = float(p1[k]) - float(p0[k]);
            e2[k] = float(p2[k]) - float(p0[k]);
        }
        const float x = e1[1] * e2[2] - e1[2] * e2[1];
        const float y = e1[2] * e2[0] - e1[0] * e2[2];
        const float z = e1[0] * e2[1] - e1[1] * e2[0];
        for (uint32_t v : i) {
            n[v].x += x;
            n[v].y += y;
            n[v].z += z;
        }
        if (flags)
            AddBorderTerms(flags, i[0], i[1], i[2]);
    }
}

#if defined(__SSE2__)
template <bool Check, typename Index>
void SumVectors(const int32_t* P, uint32_t vertexCount, const Index* idx, uint32_t faceCount, NormalSum* n, int* flags)
{
    // Positions as floats, one 16-byte slot per vertex (the fourth lane 0).
    NormalSum* corners = ThreadWorkspace().corners.get(vertexCount);
    for (size_t v = 0; v < vertexCount; ++v)
        corners[v] = {float(P[3 * v]), float(P[3 * v + 1]), float(P[3 * v + 2]), 0.0f};
    const float* c = &corners[0].x;
    float* sums = &n[0].x;
    for (size_t f = 0; f < faceCount; ++f, idx += 3) {
        const uint32_t a = idx[0], b = idx[1], d = idx[2];
        CheckFace<Check>(a, b, d, vertexCount);
        const __m128 p0 = _mm_load_ps(c + 4 * size_t(a));
        const __m128 u = _mm_sub_ps(_mm_load_ps(c + 4 * size_t(b)), p0);
        const __m128 w = _mm_sub_ps(_mm_load_ps(c + 4 * size_t(d)), p0);
        // (u.y w.z - u.z w.y, u.z w.x - u.x w.z, u.x w.y - u.y w.x)
        const __m128 cross = _mm_sub_ps(
            _mm_mul_ps(_mm_shuffle_ps(u, u, _MM_SHUFFLE(3, 0, 2, 1)), _mm_shuffle_ps(w, w, _MM_SHUFFLE(3, 1, 0, 2))),
            _mm_mul_ps(_mm_shuffle_ps(u, u, _MM_SHUFFLE(3, 1, 0, 2)), _mm_shuffle_ps(w, w, _MM_SHUFFLE(3, 0, 2, 1))));
        for (uint32_t v : {a, b, d})
            _mm_store_ps(sums + 4 * size_t(v), _mm_add_ps(_mm_load_ps(sums + 4 * size_t(v)), cross));
        if (flags)
            AddBorderTerms(flags, a, b, d);
    }
}
#endif

template <bool Check, typename Index>
void Sum(const int32_t* P, uint32_t vertexCount, const Index* idx, uint32_t faceCount, NormalSum* n, int* flags,
         bool portable)
{
#if defined(__SSE2__)
    if (!portable)
        return SumVectors<Check>(P, vertexCount, idx, faceCount, n, flags);
#endif
    (void)portable;
    SumPortable<Check>(P, vertexCount, idx, faceCount, n, flags);
}

template <typename Index>
void Sum(const int32_t* P, uint32_t vertexCount, const Index* idx, uint32_t faceCount, NormalSum* n, int* flags,
         bool portable, bool check)
{
    if (check)
        Sum<true>(P, vertexCount, idx, faceCount, n, flags, portable);
    else
        Sum<false>(P, vertexCount, idx, faceCount, n, flags, portable);
}

} // namespace

void EstimateNormals(const int32_t* positions, uint32_t vertexCount, const FaceIndex& faces, uint32_t faceCount,
                     NormalSum* sums, int* flags, bool portable)
{
    std::fill(sums, sums + vertexCount, NormalSum{});
    if (flags)
        std::fill(flags, flags + vertexCount, 0);
    // Decoded ids are below the decoder's vertex count, which is at most this one.
    const bool check = !(faces.idsDecoded && faceCount <= faces.facesWritten);
    if (faces.indices16)
        Sum(positions, vertexCount, faces.indices16, faceCount, sums, flags, portable, check);
    else
        Sum(positions, vertexCount, faces.indices32, faceCount, sums, flags, portable, check);
}

} // namespace crt
