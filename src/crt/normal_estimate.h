// Normals estimated from the decoded geometry: face normals summed per vertex, the border test,
// and the normalisation of a sum. Each has a vector path and the portable one, which give the
// same bits (the tests run both).
#pragma once
#include "crt/topology.h"

#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace crt {

// A vertex's summed normal, padded to 16 bytes so that it is one vector.
struct alignas(16) NormalSum {
    float x = 0, y = 0, z = 0, unused = 0;
};

// Area-weighted face normals summed per vertex from integer positions (3 per vertex), in face
// order. With `flags`, also the exclusive-or of each vertex's neighbour ids, zero for interior
// vertices of a closed fan. `portable` takes the path of builds without vector instructions.
void EstimateNormals(const int32_t* positions, uint32_t vertexCount, const FaceIndex& faces, uint32_t faceCount,
                     NormalSum* sums, int* flags, bool portable = false);

// n / |n| into three floats, the length's square root taken in double precision and rounded to
// float (a zero sum gives not-a-number, as the division by zero does).
inline void StoreUnitNormalPortable(float* out, const NormalSum& n)
{
    const float len = float(std::sqrt(double(n.x * n.x + n.y * n.y + n.z * n.z)));
    out[0] = n.x / len;
    out[1] = n.y / len;
    out[2] = n.z / len;
}

inline void StoreUnitNormal(float* out, const NormalSum& s)
{
#if defined(__SSE2__)
    // The same operations in vector registers, one division for the three components.
    const __m128 n = _mm_load_ps(&s.x);
    const __m128 sq = _mm_mul_ps(n, n);
    const __m128 sum = _mm_add_ss(_mm_add_ss(sq, _mm_shuffle_ps(sq, sq, _MM_SHUFFLE(1, 1, 1, 1))), _mm_movehl_ps(sq, sq));
    const __m128d wide = _mm_cvtss_sd(_mm_setzero_pd(), sum);
    const __m128 len = _mm_cvtsd_ss(sum, _mm_sqrt_sd(wide, wide));
    const __m128 unit = _mm_div_ps(n, _mm_shuffle_ps(len, len, _MM_SHUFFLE(0, 0, 0, 0)));
    _mm_storel_pi(reinterpret_cast<__m64*>(out), unit);
    _mm_store_ss(out + 2, _mm_movehl_ps(unit, unit));
#else
    StoreUnitNormalPortable(out, s);
#endif
}

} // namespace crt
