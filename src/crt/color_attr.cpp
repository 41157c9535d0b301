// Colours: per-channel steps, then 3 or 4 byte channels (G, B - G, R - G, A) predicted like any
// byte attribute; the output is always red, green, blue and alpha.
#include "crt/attribute.h"
#include "crt/output_stream.h"
#include "crt/stream.h"
#include "crt/workspace.h"

#include <algorithm>
#include <cstring>

namespace crt {

namespace {

// Red, green, blue and alpha bytes of one vertex's channels.
inline std::array<uint8_t, 4> Rebuild(const uint8_t* c, int N)
{
    const uint8_t a = N == 4 ? c[3] : 255;
    return {uint8_t(c[0] + c[2]), c[0], uint8_t(c[0] + c[1]), a};
}

void CheckChannels(int N)
{
    if (N != 3 && N != 4)
        throw kColorChannels;
}

} // namespace

void ColorAttr::readStreams(uint32_t vertexCount, InputStream& in)
{
    CheckChannels(components);
    for (int j = 0; j < components; ++j)
        colorSteps[size_t(j)] = in.readU8();
    in.readSignedValues(static_cast<uint8_t*>(buffer), components, vertexCount);
}

void ColorAttr::writeOutput(uint32_t vertexCount)
{
    if (!buffer)
        return;
    const int N = components;
    // Three channels carry no alpha step: their alpha is the full 255.
    std::array<int, 4> steps = colorSteps;
    if (N == 3)
        steps[3] = 1;
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    if (format == FLOAT) {
        const size_t count = size_t(vertexCount) * size_t(N);
        uint8_t* channels = ThreadWorkspace().channels.get(count);
        std::memcpy(channels, bytes, count);
        for (size_t i = 0; i < vertexCount; ++i) {
            const std::array<uint8_t, 4> rgba = Rebuild(channels + i * size_t(N), N);
            float out[4];
            for (int j = 0; j < 4; ++j)
                out[j] = float(steps[size_t(j)]) * float(rgba[size_t(j)]) / 255.0f;
            std::memcpy(bytes + 16 * i, out, 16);
        }
    } else if (format == UINT8) {
        // Last vertex first: the output stride 4 is never smaller than N.
        for (size_t i = vertexCount; i-- > 0;) {
            const std::array<uint8_t, 4> rgba = Rebuild(bytes + i * size_t(N), N);
            for (int j = 0; j < 4; ++j)
                bytes[4 * i + size_t(j)] = uint8_t(uint8_t(steps[size_t(j)]) * rgba[size_t(j)]);
        }
    } else {
        throw kColorOutputFormat;
    }
}

void ColorAttr::quantizeInput(uint32_t vertexCount, const void* input)
{
    CheckChannels(components);
    if (format != UINT8 && format != FLOAT)
        throw kColorInputFormat;
    for (int j = 0; j < components; ++j)
        if (colorSteps[size_t(j)] < 1 || colorSteps[size_t(j)] > 255)
            throw kColorStep;
    const int N = components;
    values.resize(size_t(vertexCount) * size_t(N));
    for (size_t i = 0; i < vertexCount; ++i) {
        int q[4] = {0, 0, 0, 255};
        for (int j = 0; j < N; ++j) {
            const size_t k = i * size_t(N) + size_t(j);
            int v;
            if (format == UINT8) {
                v = static_cast<const uint8_t*>(input)[k];
            } else {
                float f;
                std::memcpy(&f, static_cast<const uint8_t*>(input) + 4 * k, 4);
                const float scaled = f * 255;
                v = scaled >= 255 ? 255 : scaled > 0 ? int(scaled) : 0;
            }
            q[j] = v / colorSteps[size_t(j)];
        }
        uint8_t* c = values.data() + i * size_t(N);
        c[0] = uint8_t(q[1]);
        c[1] = uint8_t(q[2] - q[1]);
        c[2] = uint8_t(q[0] - q[1]);
        if (N == 4)
            c[3] = uint8_t(q[3]);
    }
}

void ColorAttr::writeStreams(uint32_t vertexCount, OutputStream& out)
{
    const size_t before = out.bytes.size();
    for (int j = 0; j < components; ++j)
        out.writeU8(uint8_t(colorSteps[size_t(j)]));
    out.writeSignedValues(residuals.data(), components, vertexCount);
    streamBytes = int(out.bytes.size() - before);
}

} // namespace crt
