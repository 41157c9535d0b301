// The generic codec: quantised integers per component, predicted from the parallelogram
// a + b - c or from vertex a, stored as signed or shared-length integer blocks.
#include "crt/attribute.h"
#include "crt/output_stream.h"
#include "crt/stream.h"

#include <cmath>
#include <cstring>
#include <type_traits>

namespace crt {

int FormatSize(int format)
{
    static const int sizes[8] = {4, 4, 2, 2, 1, 1, 4, 8};
    return format >= 0 && format < 8 ? sizes[format] : 0;
}

namespace {

double ReadElement(const void* data, int format, size_t k)
{
    const uint8_t* p = static_cast<const uint8_t*>(data) + k * size_t(FormatSize(format));
    switch (format) {
    case UINT32: { uint32_t v; std::memcpy(&v, p, 4); return v; }
    case INT32: { int32_t v; std::memcpy(&v, p, 4); return v; }
    case UINT16: { uint16_t v; std::memcpy(&v, p, 2); return v; }
    case INT16: { int16_t v; std::memcpy(&v, p, 2); return v; }
    case UINT8: return *p;
    case INT8: return int8_t(*p);
    case FLOAT: { float v; std::memcpy(&v, p, 4); return v; }
    case DOUBLE: { double v; std::memcpy(&v, p, 8); return v; }
    }
    throw kUnsupportedFormat;
}

// Wrap-around sum of T values (32-bit or 8-bit).
template <typename T>
inline T Wrap(uint32_t v)
{
    return T(v);
}

// Vertex i adds its prediction: a + b - c (parallelogram) or a alone, each naming an earlier
// vertex. Kn is the component count when known at compile time (0: take N).
template <bool Parallelogram, size_t Kn, typename T>
void UndoPredictions(T* v, const VertexPrediction* predictions, size_t count, size_t N)
{
    if constexpr (Kn != 0)
        N = Kn;
    for (size_t i = 1; i < count; ++i) {
        const VertexPrediction p = predictions[i];
        // One test for the three: a damaged record must not reach past the values decoded so far.
        if ((p.a >= i) | (Parallelogram & ((p.b >= i) | (p.c >= i))))
            throw kCorrupt;
        T* x = v + i * N;
        const T* a = v + p.a * N;
        if constexpr (Parallelogram) {
            const T* b = v + p.b * N;
            const T* c = v + p.c * N;
            for (size_t j = 0; j < N; ++j)
                x[j] = Wrap<T>(uint32_t(x[j]) + uint32_t(a[j]) + uint32_t(b[j]) - uint32_t(c[j]));
        } else {
            for (size_t j = 0; j < N; ++j)
                x[j] = Wrap<T>(uint32_t(x[j]) + uint32_t(a[j]));
        }
    }
}

} // namespace

template <typename T>
void GenericAttr<T>::quantizeInput(uint32_t vertexCount, const void* input)
{
    if (!FormatSize(format))
        throw kUnsupportedFormat;
    const size_t count = size_t(vertexCount) * size_t(components);
    values.resize(count);
    for (size_t k = 0; k < count; ++k) {
        // Rounded to the nearest step, so the decoded value is within half a step.
        const double q = std::round(ReadElement(input, format, k) / double(step));
        if (!(q >= -2147483648.0 && q <= 2147483647.0))
            throw kValueRange;
        values[k] = Wrap<T>(uint32_t(int32_t(q)));
    }
}

template <typename T>
void GenericAttr<T>::computeDeltas(const std::vector<VertexPrediction>& predictions)
{
    const size_t N = size_t(components);
    residuals = values;
    const size_t V = N ? values.size() / N : 0;
    if (predictions.empty()) {
        for (size_t k = N; k < V * N; ++k)
            residuals[k] = Wrap<T>(uint32_t(values[k]) - uint32_t(values[k - N]));
        return;
    }
    const bool parallelogram = strategy & STRATEGY_PARALLELOGRAM;
    for (size_t i = 1; i < predictions.size() && i < V; ++i) {
        const VertexPrediction& p = predictions[i];
        for (size_t j = 0; j < N; ++j) {
            uint32_t pred = uint32_t(values[p.a * N + j]);
            if (parallelogram)
                pred += uint32_t(values[p.b * N + j]) - uint32_t(values[p.c * N + j]);
            residuals[i * N + j] = Wrap<T>(uint32_t(values[i * N + j]) - pred);
        }
    }
}

template <typename T>
void GenericAttr<T>::writeStreams(uint32_t vertexCount, OutputStream& out)
{
    const size_t before = out.bytes.size();
    if (strategy & STRATEGY_SHARED_LENGTHS)
        out.writeSharedValues(residuals.data(), components, vertexCount);
    else
        out.writeSignedValues(residuals.data(), components, vertexCount);
    streamBytes = int(out.bytes.size() - before);
}

template <typename T>
void GenericAttr<T>::readStreams(uint32_t vertexCount, InputStream& in)
{
    using Stored = std::conditional_t<sizeof(T) == 1, uint8_t, int32_t>;
    Stored* v = static_cast<Stored*>(buffer);
    if (strategy & STRATEGY_SHARED_LENGTHS)
        in.readSharedValues(v, components, vertexCount);
    else
        in.readSignedValues(v, components, vertexCount);
}

template <typename T>
void GenericAttr<T>::undoDeltas(uint32_t vertexCount, std::span<const VertexPrediction> predictions)
{
    if (!buffer)
        return;
    T* v = static_cast<T*>(buffer);
    const size_t N = size_t(components);
    if (predictions.empty()) {
        for (size_t k = N; k < size_t(vertexCount) * N; ++k)
            v[k] = Wrap<T>(uint32_t(v[k]) + uint32_t(v[k - N]));
        return;
    }
    const size_t count = std::min(predictions.size(), size_t(vertexCount));
    const bool parallelogram = strategy & STRATEGY_PARALLELOGRAM;
    // Positions (3) and texture coordinates (2) get loops unrolled over their components.
    switch (N) {
    case 2: return parallelogram ? UndoPredictions<true, 2>(v, predictions.data(), count, 2)
                                 : UndoPredictions<false, 2>(v, predictions.data(), count, 2);
    case 3: return parallelogram ? UndoPredictions<true, 3>(v, predictions.data(), count, 3)
                                 : UndoPredictions<false, 3>(v, predictions.data(), count, 3);
    default: return parallelogram ? UndoPredictions<true, 0>(v, predictions.data(), count, N)
                                  : UndoPredictions<false, 0>(v, predictions.data(), count, N);
    }
}

template <typename T>
void GenericAttr<T>::writeOutput(uint32_t vertexCount)
{
    if (!buffer)
        return;
    if (format != FLOAT)
        throw kUnsupportedFormat;
    const size_t count = size_t(vertexCount) * size_t(components);
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    // In place: each value becomes a float at its own index. Byte values grow to 4 bytes, so
    // they are converted from the last one back.
    for (size_t n = 0; n < count; ++n) {
        const size_t k = sizeof(T) == 1 ? count - 1 - n : n;
        T value;
        std::memcpy(&value, bytes + k * sizeof(T), sizeof(T));
        const float f = float(std::conditional_t<sizeof(T) == 1, unsigned, int32_t>(value)) * step;
        std::memcpy(bytes + k * 4, &f, 4);
    }
}

template class GenericAttr<int>;
template class GenericAttr<unsigned char>;

} // namespace crt
