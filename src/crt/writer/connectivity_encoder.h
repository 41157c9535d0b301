// The writer's connectivity encoder: walks the decoder's own front over a known mesh and picks,
// for every edge the decoder will process, the operation that rebuilds the mesh's faces.
#pragma once
#include "crt/topology.h"

#include <cstdint>
#include <vector>

namespace crt {

struct ConnectivityCode {
    std::vector<uint8_t> operations;
    std::vector<uint32_t> bitWords;
    std::vector<uint32_t> order;                // decoded vertex id -> input vertex
    std::vector<VertexPrediction> predictions;  // per decoded vertex id, as the decoder records them
    std::vector<uint32_t> indices;              // the decoded index array
    std::vector<uint32_t> faceSource;           // decoded face -> input face
    uint32_t maxFront = 0;
};

// `indices` holds three input vertices per face; `groupEnds` the cumulative end face count of
// each group (faces stay in their group). With `defer`, an edge whose triangle would need a vertex
// number from the bits is postponed once, in the hope that it closes on a neighbour later. With
// `search`, such an edge that comes back still needing a number may instead be given up as a
// border when that makes the rest of the group cheaper (meshes with handles).
ConnectivityCode EncodeConnectivity(uint32_t vertexCount, const std::vector<uint32_t>& indices,
                                    const std::vector<uint32_t>& groupEnds, bool defer, bool search = false);

} // namespace crt
