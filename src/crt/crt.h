/* Hollowmere mesh decompression: three C functions that decode a compressed triangle mesh
 * (connectivity, positions, normals, colours, texture coordinates) into caller-owned arrays.
 *
 *   float info[2];
 *   void* decoder = CreateDecoder(length, data, info);   info[0] = faces, info[1] = vertices
 *   DecodeMesh(decoder, positions, indices, normals, colors, uvs);
 *   DestroyDecoder(decoder);
 *
 * Failures: CreateDecoder and DecodeMesh report a bad or damaged container by throwing a C++
 * exception whose payload is a `const char*` pointing at a constant message text (for example
 * "Not a crt file."). Call them from C++ and catch the pointer:
 *
 *   try { ... } catch (const char* message) { fprintf(stderr, "%s\n", message); }
 *
 * No read goes past `length` bytes of `data`, and no write goes past the caller arrays sized as
 * described below, whatever the container holds.
 */
#ifndef HOLLOWMERE_CRT_H
#define HOLLOWMERE_CRT_H

#include <stdint.h>

#if defined(__GNUC__)
#define CRT_EXPORT __attribute__((visibility("default")))
#else
#define CRT_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Parses the container header at `data` (`length` bytes, which must stay valid and unchanged
 * until DecodeMesh returns) and writes info[0] = face count, info[1] = vertex count. Returns a
 * new decoder, to be released with DestroyDecoder. */
CRT_EXPORT void* CreateDecoder(int32_t length, const unsigned char* data, float* info);

/* Decodes the mesh body once. Array sizes, with F faces and V vertices:
 *   indices   3 x F uint32 (required)
 *   positions 3 x V floats
 *   normals   3 x V floats
 *   colors    4 x V floats (red, green, blue, alpha)
 *   uvs       2 x V floats
 * A null array means that attribute is decoded but not written; a container whose attribute
 * needs more values per vertex than its array holds is refused. Returns F, or -1 without
 * touching any array when the container holds no faces. */
CRT_EXPORT int32_t DecodeMesh(void* decoder, float* positions, uint32_t* indices, float* normals, float* colors,
                              float* uvs);

/* Releases a decoder; does nothing for null. Never touches the container or the arrays. */
CRT_EXPORT void DestroyDecoder(void* decoder);

#ifdef __cplusplus
}
#endif

#endif
