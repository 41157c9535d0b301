// Normals on an octahedral grid: stored directly (DIFF), or as corrections of normals estimated
// from the decoded positions and faces, for every vertex or only for border vertices.
#include "crt/attribute.h"
#include "crt/normal_estimate.h"
#include "crt/output_stream.h"
#include "crt/stream.h"
#include "crt/workspace.h"

#include <algorithm>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace crt {

int TruncToInt(float v)
{
    if (v >= -2147483648.0f && v < 2147483648.0f)
        return int(v);
    return INT32_MIN;
}

std::array<float, 3> octaToNormal(int X, int Y, int u)
{
    // 64-bit so that no grid value, however damaged, overflows.
    const int64_t ax = std::llabs(int64_t(X)), ay = std::llabs(int64_t(Y));
    const int64_t c = int64_t(u) - ax;
    const int64_t z = c - ay;
    float fx, fy;
    if (z < 0) {
        fx = X > 0 ? float(int64_t(u) - ay) : float(-(int64_t(u) - ay));
        fy = Y > 0 ? float(c) : float(-c);
    } else {
        fx = float(X);
        fy = float(Y);
    }
    const float fz = float(z);
    const float s = fx * fx + fy * fy + fz * fz;
    const float len = float(std::sqrt(double(s)));
    return {fx / len, fy / len, fz / len};
}

std::pair<int, int> normalToOcta(float x, float y, float z, int u)
{
    const float s = std::fabs(y) + std::fabs(x) + std::fabs(z);
    float ox = x / s, oy = y / s;
    if (z < 0) {
        const float nx = 1 - std::fabs(oy), ny = 1 - std::fabs(ox);
        ox = x < 0 ? -nx : nx;
        oy = y < 0 ? -ny : ny;
    }
    const float g = float(u);
    return {TruncToInt(g * ox), TruncToInt(g * oy)};
}

namespace {

// Writes one normal as 3 floats or 3 int16 values at vertex i.
void Store(void* buffer, int format, size_t i, const std::array<float, 3>& n)
{
    if (format == FLOAT) {
        std::memcpy(static_cast<float*>(buffer) + 3 * i, n.data(), 12);
    } else {
        const int16_t v[3] = {int16_t(TruncToInt(n[0] * 32767)), int16_t(TruncToInt(n[1] * 32767)),
                              int16_t(TruncToInt(n[2] * 32767))};
        std::memcpy(static_cast<int16_t*>(buffer) + 3 * i, v, 6);
    }
}

int WrapAdd(int a, int b) { return int(uint32_t(a) + uint32_t(b)); }
int WrapSub(int a, int b) { return int(uint32_t(a) - uint32_t(b)); }

// The integer positions the estimate reads, or the failure the caller reports.
const GenericAttr<int>& PositionAttr(const AttributeMap& attributes)
{
    const auto it = attributes.find("position");
    if (it == attributes.end())
        throw kNoPosition;
    const auto* pos = dynamic_cast<const GenericAttr<int>*>(it->second.get());
    if (!pos)
        throw kPositionOverloaded;
    return *pos;
}

} // namespace

void NormalAttr::readStreams(uint32_t vertexCount, InputStream& in)
{
    normalMode = in.readU8();
    if (normalMode > ESTIMATE_BORDER)
        throw kCorrupt;
    if (!buffer) { // consumed, never used
        in.readSharedValues(static_cast<int32_t*>(nullptr), 2, vertexCount);
        return;
    }
    int* octa = ThreadWorkspace().octa.get(size_t(vertexCount) * 2);
    const uint32_t c = in.readSharedValues(octa, 2, vertexCount);
    std::fill(octa + size_t(c) * 2, octa + size_t(vertexCount) * 2, 0); // vertices the block leaves out
    octaValues = {octa, normalMode == ESTIMATE_BORDER ? size_t(c) * 2 : size_t(vertexCount) * 2};
}

void NormalAttr::undoDeltas(uint32_t vertexCount, std::span<const VertexPrediction> predictions)
{
    if (!buffer || normalMode != DIFF)
        return;
    int* octa = octaValues.data();
    if (predictions.empty()) {
        for (size_t k = 0; k + 2 < size_t(vertexCount) * 2; ++k)
            octa[k + 2] = WrapAdd(octa[k + 2], octa[k]);
        return;
    }
    const size_t count = std::min(predictions.size(), size_t(vertexCount));
    for (size_t i = 1; i < count; ++i) {
        const size_t a = predictions[i].a;
        if (a >= i)
            throw kCorrupt;
        octa[2 * i] = WrapAdd(octa[2 * i], octa[2 * a]);
        octa[2 * i + 1] = WrapAdd(octa[2 * i + 1], octa[2 * a + 1]);
    }
}

void NormalAttr::finishDecode(uint32_t vertexCount, uint32_t faceCount, const AttributeMap& attributes,
                              const FaceIndex& faces)
{
    if (!buffer || normalMode == DIFF)
        return;
    const GenericAttr<int>& pos = PositionAttr(attributes);
    // The estimate reads the position codec's integers: they must exist and be 3 per vertex.
    if (!pos.buffer || pos.components != 3)
        throw kNoPositionValues;
    if (format != FLOAT && format != INT16)
        throw kNormalFormatEstimate;
    const uint32_t decodedFaces = std::min(faceCount, faces.facesWritten);
    Workspace& ws = ThreadWorkspace();
    NormalSum* est = ws.estimates.get(vertexCount);
    int* flags = normalMode == ESTIMATE_BORDER ? ws.border.get(vertexCount) : nullptr;
    EstimateNormals(static_cast<const int32_t*>(pos.buffer), vertexCount, faces, decodedFaces, est, flags);
    if (flags)
        borderFlags = {flags, vertexCount};
    const int u = TruncToInt(step);
    size_t next = 0;
    for (size_t i = 0; i < vertexCount; ++i) {
        const NormalSum& n = est[i];
        if (normalMode == ESTIMATE || flags[i]) {
            auto [X, Y] = normalToOcta(n.x, n.y, n.z, u);
            if (next + 2 > octaValues.size())
                throw kCorrupt;
            X = WrapAdd(X, octaValues[next]);
            Y = WrapAdd(Y, octaValues[next + 1]);
            next += 2;
            Store(buffer, format, i, octaToNormal(X, Y, u));
        } else if (format == FLOAT) {
            StoreUnitNormal(static_cast<float*>(buffer) + 3 * i, n);
        } else {
            const float len = float(std::sqrt(double(n.x * n.x + n.y * n.y + n.z * n.z)));
            if (!(len >= 0.00001f))
                Store(buffer, format, i, {0.0f, 0.0f, 1.0f}); // no direction to speak of
            else
                Store(buffer, format, i, {n.x / len, n.y / len, n.z / len});
        }
    }
}

void NormalAttr::writeOutput(uint32_t vertexCount)
{
    if (!buffer || normalMode != DIFF)
        return;
    if (format != FLOAT && format != INT16)
        throw kNormalFormatDiff;
    const int u = TruncToInt(step);
    for (size_t i = 0; i < vertexCount; ++i)
        Store(buffer, format, i, octaToNormal(octaValues[2 * i], octaValues[2 * i + 1], u));
}

void NormalAttr::quantizeInput(uint32_t vertexCount, const void* input)
{
    if (format != INT32 && format != INT16 && format != INT8 && format != FLOAT)
        throw kNormalUnsigned;
    const int size = FormatSize(format);
    const uint8_t* p = static_cast<const uint8_t*>(input);
    const int u = TruncToInt(step);
    quantized.resize(vertexCount);
    for (size_t i = 0; i < vertexCount; ++i) {
        float v[3];
        for (int j = 0; j < 3; ++j, p += size) {
            switch (format) {
            case INT32: { int32_t x; std::memcpy(&x, p, 4); v[j] = float(x); break; }
            case INT16: { int16_t x; std::memcpy(&x, p, 2); v[j] = float(x); break; }
            case INT8: v[j] = float(int8_t(*p)); break;
            default: std::memcpy(&v[j], p, 4); break;
            }
        }
        quantized[i] = normalToOcta(v[0], v[1], v[2], u);
    }
}

void NormalAttr::prepareEncode(uint32_t vertexCount, uint32_t faceCount, const AttributeMap& attributes,
                               const FaceIndex& faces)
{
    if (normalMode == DIFF)
        return;
    // The corrections are taken against exactly the estimate the decoder will make.
    const GenericAttr<int>& pos = PositionAttr(attributes);
    if (pos.components != 3 || pos.values.size() < size_t(vertexCount) * 3)
        throw kNoPositionValues;
    std::vector<NormalSum> est(vertexCount);
    std::vector<int> flags(normalMode == ESTIMATE_BORDER ? vertexCount : 0);
    EstimateNormals(pos.values.data(), vertexCount, faces, faceCount, est.data(),
                    normalMode == ESTIMATE_BORDER ? flags.data() : nullptr);
    const int u = TruncToInt(step);
    written.clear();
    for (size_t i = 0; i < vertexCount; ++i) {
        if (normalMode == ESTIMATE || flags[i]) {
            const auto [X, Y] = normalToOcta(est[i].x, est[i].y, est[i].z, u);
            written.push_back(WrapSub(quantized[i].first, X));
            written.push_back(WrapSub(quantized[i].second, Y));
        }
    }
    octaValues = written;
}

void NormalAttr::computeDeltas(const std::vector<VertexPrediction>& predictions)
{
    if (normalMode != DIFF)
        return; // the corrections were made by prepareEncode
    const size_t V = quantized.size();
    written.resize(2 * V);
    octaValues = written;
    for (size_t i = 0; i < V; ++i) {
        int X = quantized[i].first, Y = quantized[i].second;
        if (i > 0) {
            const size_t a = predictions.empty() ? i - 1 : predictions[i].a;
            X = WrapSub(X, quantized[a].first);
            Y = WrapSub(Y, quantized[a].second);
        }
        octaValues[2 * i] = X;
        octaValues[2 * i + 1] = Y;
    }
}

void NormalAttr::writeStreams(uint32_t, OutputStream& out)
{
    const size_t before = out.bytes.size();
    out.writeU8(uint8_t(normalMode));
    out.writeSharedValues(octaValues.data(), 2, uint32_t(octaValues.size() / 2));
    streamBytes = int(out.bytes.size() - before);
}

} // namespace crt
