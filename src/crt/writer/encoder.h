// The container writer: a mesh with named per-vertex attributes in, container bytes out, in the
// layouts the decoder reads. Also what command-line tools use to compress meshes.
#pragma once
#include "crt/attribute.h"
#include "crt/stream.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace crt {

struct AttributeInput {
    std::string name;             // "position", "normal", "color", "uv" or any other name
    int codec = CODEC_GENERIC;
    float step = 1.0f;            // quantisation step; the octahedral unit for normals
    int components = 3;           // values per vertex (normals always 3, colours 3 or 4)
    int format = FLOAT;           // element format of `data`, also stored in the descriptor
    int strategy = 0;             // STRATEGY_PARALLELOGRAM | STRATEGY_SHARED_LENGTHS
    const void* data = nullptr;   // components values per input vertex
    int normalMode = DIFF;        // normals: DIFF, ESTIMATE or ESTIMATE_BORDER
    std::array<int, 4> colorSteps{4, 4, 4, 8}; // colours: per-channel steps, 1 to 255
};

struct GroupInput {
    uint32_t end = 0; // cumulative end face count
    std::map<std::string, std::string> properties;
};

struct MeshInput {
    uint32_t vertexCount = 0;
    std::vector<uint32_t> indices;    // three input vertices per face
    std::vector<GroupInput> groups;   // empty: one group holding every face
    std::map<std::string, std::string> metadata;
    std::vector<AttributeInput> attributes;
};

struct EncodeOptions {
    int entropy = ENTROPY_TUNSTALL;
    bool defer = true;  // postpone edges that would need a vertex number (see EncodeConnectivity)
    bool search = true; // also try the searched connectivity walk and keep the smaller container
};

struct EncodedMesh {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> order;      // decoded vertex id -> input vertex
    std::vector<uint32_t> faceSource; // decoded face -> input face
};

// Throws a `const char*` message for input it cannot store.
EncodedMesh EncodeMesh(const MeshInput& mesh, const EncodeOptions& options = {});

// The smallest container among the writer's choices that store the same values: raw or
// entropy-coded arrays (options.entropy is ignored), and on generic attributes one bit-length
// array per component or one for all (their STRATEGY_SHARED_LENGTHS bit is ignored). Raw arrays
// win on meshes of a few triangles, where a Tunstall block's pairs cost more than they save.
EncodedMesh EncodeSmallest(MeshInput mesh, EncodeOptions options = {});

} // namespace crt
