// The searched connectivity walk on meshes with handles: every face comes out exactly once, the
// prediction records name earlier vertices, and the container it may produce decodes to the
// input's triangles.
#include "crt/writer/connectivity_encoder.h"
#include "crt/writer/mesh_io.h"
#include "crt_test_util.h"
#include "support/meshes_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace crt;
using namespace crttest;
// Two tori side by side sharing no vertex, in two groups.
TestMesh TwoTori()
{
    TestMesh a = Sheet("two tori", 9, 7, true);
    const TestMesh b = Sheet("", 12, 5, true);
    for (uint32_t v : b.indices)
        a.indices.push_back(v + a.V);
    for (size_t i = 0; i < b.positions.size(); ++i)
        a.positions.push_back(b.positions[i] + (i % 3 == 0 ? 8.0f : 0.0f));
    a.groups = {{uint32_t(9 * 7 * 2), {}}, {uint32_t(a.indices.size() / 3), {}}};
    a.V += b.V;
    a.uvs.clear();
    return a;
}

std::vector<TestMesh> MeshesWithHandles()
{
    std::vector<TestMesh> meshes = {Sheet("torus 8x6", 8, 6, true), Sheet("torus 31x17", 31, 17, true),
                                    Sheet("torus 64x9", 64, 9, true), TwoTori()};
    const std::filesystem::path fertility = SharedMeshesDir() + "/fertility.off";
    TriMesh t;
    std::error_code ec;
    if (std::filesystem::is_regular_file(fertility, ec) && ReadMesh(fertility, t))
        meshes.push_back({"fertility", t.vertexCount(), t.indices, {}, t.positions});
    return meshes;
}

TEST(CrtSearch, SearchedWalkKeepsEveryFaceOnce)
{
    for (const TestMesh& m : MeshesWithHandles()) {
        SCOPED_TRACE(m.name);
        std::vector<uint32_t> ends;
        for (const GroupInput& g : m.groups)
            ends.push_back(g.end);
        if (ends.empty())
            ends.push_back(uint32_t(m.indices.size() / 3));
        const ConnectivityCode code = EncodeConnectivity(m.V, m.indices, ends, true, true);
        EXPECT_EQ(SortedFaces(code.indices, &code.order), SortedFaces(m.indices));
        // Faces stay in their group.
        for (size_t f = 0, g = 0; f < code.faceSource.size(); ++f) {
            while (f >= ends[g])
                ++g;
            EXPECT_TRUE(code.faceSource[f] < ends[g] && (g == 0 || code.faceSource[f] >= ends[g - 1])) << f;
        }
        for (uint32_t v = 1; v < m.V; ++v) {
            const VertexPrediction p = code.predictions[v];
            ASSERT_TRUE(p.a < v && p.b < v && p.c < v) << "vertex " << v;
        }
    }
}

TEST(CrtSearch, ContainersOfMeshesWithHandlesDecodeToTheirTriangles)
{
    for (const TestMesh& m : MeshesWithHandles())
        for (bool search : {false, true}) {
            SCOPED_TRACE(m.name + (search ? ", searched" : ", usual"));
            MeshInput in{m.V, m.indices, m.groups, {},
                         {{"position", CODEC_GENERIC, PositionStep(m), 3, FLOAT, STRATEGY_PARALLELOGRAM, m.positions.data()}}};
            EncodeOptions options;
            options.search = search;
            const EncodedMesh enc = EncodeMesh(in, options);
            Decoded out;
            ASSERT_EQ(DecodeAll(enc.bytes, out), nullptr);
            ASSERT_EQ(out.result, int32_t(m.indices.size() / 3));
            EXPECT_EQ(SortedFaces(out.indices, &enc.order), SortedFaces(m.indices));
        }
}

} // namespace
