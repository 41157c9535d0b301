// The vertex attribute codecs: one object per named attribute, driven through the same phases
// in attribute-name order. Decoding: readStreams, undoDeltas, finishDecode, writeOutput.
// Writing: quantizeInput, prepareEncode, computeDeltas, writeStreams.
#pragma once
#include "crt/topology.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace crt {

struct InputStream;
struct OutputStream;

enum { CODEC_GENERIC = 1, CODEC_NORMAL = 2, CODEC_COLOR = 3 };

// Value format codes (descriptor byte and `format` field).
enum { UINT32 = 0, INT32 = 1, UINT16 = 2, INT16 = 3, UINT8 = 4, INT8 = 5, FLOAT = 6, DOUBLE = 7 };

enum { STRATEGY_PARALLELOGRAM = 1, STRATEGY_SHARED_LENGTHS = 2 };

enum { DIFF = 0, ESTIMATE = 1, ESTIMATE_BORDER = 2 };

class VertexAttribute;
// Ordered by plain byte-wise name order: the order of the attribute streams and of every phase.
using AttributeMap = std::map<std::string, std::unique_ptr<VertexAttribute>>;

class VertexAttribute {
public:
    void* buffer = nullptr; // caller's array; holds the integer values while decoding
    int components = 0;
    float step = 1.0f;
    int strategy = 0;
    int format = 1;
    int streamBytes = 0; // bytes written by writeStreams

    virtual ~VertexAttribute() = default;
    virtual int codecKind() const = 0;
    // Writing side. The input holds `components` values of `format` per vertex, already in the
    // decoder's vertex order; `predictions` is that order's prediction list (empty: point set).
    virtual void quantizeInput(uint32_t vertexCount, const void* input) = 0;
    virtual void prepareEncode(uint32_t, uint32_t, const AttributeMap&, const FaceIndex&) {}
    virtual void computeDeltas(const std::vector<VertexPrediction>& predictions) = 0;
    virtual void writeStreams(uint32_t vertexCount, OutputStream& out) = 0;
    // Decoding side.
    virtual void readStreams(uint32_t vertexCount, InputStream& in) = 0;
    virtual void undoDeltas(uint32_t vertexCount, std::span<const VertexPrediction> predictions) = 0;
    virtual void finishDecode(uint32_t, uint32_t, const AttributeMap&, const FaceIndex&) {}
    virtual void writeOutput(uint32_t vertexCount) = 0;
};

// Integers per vertex and component, quantised by `step`, predicted along the prediction list.
template <typename T>
class GenericAttr : public VertexAttribute {
public:
    std::vector<T> values;    // writing side, quantised input
    std::vector<T> residuals; // writing side, values minus predictions

    int codecKind() const override { return CODEC_GENERIC; }
    void quantizeInput(uint32_t vertexCount, const void* input) override;
    void computeDeltas(const std::vector<VertexPrediction>& predictions) override;
    void writeStreams(uint32_t vertexCount, OutputStream& out) override;
    void readStreams(uint32_t vertexCount, InputStream& in) override;
    void undoDeltas(uint32_t vertexCount, std::span<const VertexPrediction> predictions) override;
    void writeOutput(uint32_t vertexCount) override;
};

extern template class GenericAttr<int>;
extern template class GenericAttr<unsigned char>;

// Unit normals on an octahedral grid of unit u = `step`: stored directly (DIFF) or as
// corrections of normals estimated from the decoded geometry (for every vertex or the border).
class NormalAttr : public VertexAttribute {
public:
    int normalMode = DIFF;
    std::span<int> borderFlags; // (decoding: in the thread's workspace)
    std::vector<std::pair<int, int>> quantized; // writing side, grid points per vertex
    std::span<int> octaValues; // DIFF: grid coordinates; estimate modes: corrections
    std::vector<int> written;  // writing side: the storage octaValues views

    NormalAttr() { components = 3; }
    int codecKind() const override { return CODEC_NORMAL; }
    void quantizeInput(uint32_t vertexCount, const void* input) override;
    void prepareEncode(uint32_t vertexCount, uint32_t faceCount, const AttributeMap& attributes,
                       const FaceIndex& faces) override;
    void computeDeltas(const std::vector<VertexPrediction>& predictions) override;
    void writeStreams(uint32_t vertexCount, OutputStream& out) override;
    void readStreams(uint32_t vertexCount, InputStream& in) override;
    void undoDeltas(uint32_t vertexCount, std::span<const VertexPrediction> predictions) override;
    void finishDecode(uint32_t vertexCount, uint32_t faceCount, const AttributeMap& attributes,
                      const FaceIndex& faces) override;
    void writeOutput(uint32_t vertexCount) override;
};

// Colours as 3 or 4 byte channels in a green-based difference space (G, B - G, R - G, A), each
// channel with its own quantisation step; output is always 4 values per vertex.
class ColorAttr : public GenericAttr<unsigned char> {
public:
    std::array<int, 4> colorSteps{4, 4, 4, 8};
    int outComponents = 4;

    int codecKind() const override { return CODEC_COLOR; }
    void quantizeInput(uint32_t vertexCount, const void* input) override;
    void writeStreams(uint32_t vertexCount, OutputStream& out) override;
    void readStreams(uint32_t vertexCount, InputStream& in) override;
    void writeOutput(uint32_t vertexCount) override;
};

// Octahedral grid helpers shared by both sides.
std::array<float, 3> octaToNormal(int X, int Y, int u);
std::pair<int, int> normalToOcta(float x, float y, float z, int u);
// Float to int truncation toward zero; NaN and out-of-range values give INT32_MIN, as the
// processor's own conversion does, so both sides agree on degenerate input.
int TruncToInt(float v);

// Value formats: element byte size, or 0 for a code outside 0 to 7.
int FormatSize(int format);

} // namespace crt
