// libFuzzer target: any bytes as an OBJ file through TMesh::Import. Whatever the file holds, the
// import succeeds with a consistent record: every index names a vertex, every vertex comes from
// a "v" line and the object it was read in, the object ranges end at the triangle count. The
// sanitizers catch the rest.
#include "fuzz/fuzz_scratch.h"
#include "mesh/mesh.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string file = (ScratchFolder("mesh_import_fuzz") / "input.obj").string();
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), long(size));
    std::streambuf* const out = std::cout.rdbuf(nullptr);  // the loader's "Import.. " lines
    TMesh mesh;
    const bool loaded = mesh.Import(file.c_str());
    std::cout.rdbuf(out);
    std::cout.clear();

    Check(loaded && mesh.loaded);
    Check(mesh.positions.size() == 3 * size_t(mesh.positionCount) && mesh.colours.size() == mesh.positions.size());
    Check(mesh.indices.size() == 3 * size_t(mesh.triangleCount));
    for (uint32_t i : mesh.indices)
        Check(i < mesh.vertices.size());
    Check(!mesh.objectStarts.empty() && mesh.objectStarts.back() == mesh.triangleCount);
    Check(std::is_sorted(mesh.objectStarts.begin(), mesh.objectStarts.end()) && mesh.objectStarts.front() >= 0);
    const int32_t objects = int32_t(mesh.objectStarts.size()) - 1;
    const VertexChains& chains = mesh.vertexMap;
    Check(chains.first.size() <= size_t(mesh.positionCount) && chains.next.size() == mesh.vertices.size());
    size_t listed = 0;
    for (size_t p = 0; p < chains.first.size(); ++p)
        for (int32_t v = chains.first[p]; v >= 0; v = chains.next[size_t(v)]) {
            Check(size_t(v) < mesh.vertices.size() && ++listed <= mesh.vertices.size());  // no chain loops
            const MeshVertex& vertex = mesh.vertices[size_t(v)];
            Check(std::memcmp(vertex.position, &mesh.positions[3 * p], 12) == 0);
            Check(vertex.object >= -1 && vertex.object < objects);
        }
    Check(listed == mesh.vertices.size());
    return 0;
}
