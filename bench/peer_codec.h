// The codecs the peer benchmark compares: ours and, when the build found them, the two peers.
// Each encodes a mesh at one position step and decodes into arrays the caller allocated and
// touched: float xyz per vertex, 32-bit indices, and float normals when asked for.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct BenchMesh {
    std::string name;
    uint32_t V = 0, F = 0;
    std::vector<float> positions;   // 3 per vertex
    std::vector<float> normals;     // 3 per vertex, unit length
    std::vector<uint32_t> indices;  // 3 per triangle
    float step = 0;                 // the position step every codec uses
    float lo[3] = {0, 0, 0};        // the smallest coordinate per axis (the grid origin)
};

struct DecodeTarget {
    float* positions;
    uint32_t* indices;
    float* normals; // null: positions and indices only
};

class PeerCodec {
public:
    virtual ~PeerCodec() = default;
    virtual std::string name() const = 0;
    // The encoded bytes; with normals they are stored too.
    virtual std::vector<uint8_t> encode(const BenchMesh& mesh, bool normals) = 0;
    // Decodes bytes made by encode() for `mesh`; returns the triangles it wrote.
    virtual uint32_t decode(const std::vector<uint8_t>& bytes, const BenchMesh& mesh, DecodeTarget& out) = 0;
};

// Ours, with normals estimated from the geometry (corrections on the border only) or stored.
std::unique_ptr<PeerCodec> MakeCrt(bool estimatedNormals);
// Null when the build did not find the library.
std::unique_ptr<PeerCodec> MakeDraco();
// With `floats` its output is dequantised to float arrays like ours; without, it stays 16-bit.
std::unique_ptr<PeerCodec> MakeMeshopt(bool floats);
