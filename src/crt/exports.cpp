// The library's whole boundary: three C functions over the Decoder. Failures leave as
// `const char*` exceptions, as the decoder raises them.
#include "crt/crt.h"

#include "crt/decoder.h"
#include "crt/messages.h"

#include <memory>
#include <new>

namespace {

// Values each attribute writes per vertex, against what the caller's array holds per vertex.
void Bind(crt::Decoder& d, const char* name, float* array, int capacity)
{
    const auto it = d.attributes.find(name);
    if (it == d.attributes.end())
        return;
    const crt::VertexAttribute& attr = *it->second;
    const int written = attr.codecKind() == crt::CODEC_NORMAL  ? 3
                        : attr.codecKind() == crt::CODEC_COLOR ? 4
                                                               : attr.components;
    if (array && written > capacity)
        throw crt::kOutputTooSmall;
    d.setAttribute(name, array);
}

} // namespace

extern "C" {

CRT_EXPORT void* CreateDecoder(int32_t length, const unsigned char* data, float* info)
{
    try {
        auto decoder = std::make_unique<crt::Decoder>();
        decoder->readHeader(data, length);
        if (info) {
            info[0] = float(decoder->nface);
            info[1] = float(decoder->nvert);
        }
        return decoder.release();
    } catch (const std::bad_alloc&) {
        throw crt::kOutOfMemory;
    }
}

CRT_EXPORT int32_t DecodeMesh(void* decoder, float* positions, uint32_t* indices, float* normals, float* colors,
                              float* uvs)
{
    auto* d = static_cast<crt::Decoder*>(decoder);
    if (!d || d->nface == 0)
        return -1;
    try {
        if (!indices)
            throw crt::kNoIndexArray;
        d->faceIndex.indices32 = indices;
        if (d->nvert > 0)
            Bind(*d, "position", positions, 3);
        Bind(*d, "normal", normals, 3);
        Bind(*d, "color", colors, 4);
        Bind(*d, "uv", uvs, 2);
        d->decode();
        return int32_t(d->nface);
    } catch (const std::bad_alloc&) {
        throw crt::kOutOfMemory;
    }
}

CRT_EXPORT void DestroyDecoder(void* decoder)
{
    delete static_cast<crt::Decoder*>(decoder);
}

} // extern "C"
