// Decode throughput of the mesh library, in million triangles per second, on armadillo (or, without
// the shared meshes, the generated title mesh) split 1-to-4 until it has over a million triangles
// (armadillo: twice, about 1.4 million), beside a memcpy of the same output bytes in the
// same run (the floor any decoder writing those arrays has to pay).
#include "crt/crt.h"
#include "crt/writer/encoder.h"
#include "crt/writer/mesh_io.h"
#include "bench_meshes.h"
#include "ratio_main.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Scene {
    std::vector<uint8_t> positionsOnly;
    // Plus normals estimated from the decoded geometry. Armadillo is closed, so the border mode
    // stores no corrections and the input normals never reach the container.
    std::vector<uint8_t> withNormals;
    uint32_t V = 0, F = 0;
};

const Scene& BenchScene()
{
    static const Scene scene = [] {
        Scene s;
        crt::TriMesh m;
        if (!crt::ReadObj(BenchMeshPath(), m)) {
            std::fprintf(stderr, "cannot read %s\n", BenchMeshPath().c_str());
            std::exit(1);
        }
        int splits = 0;
        for (; !m.indices.empty() && m.indices.size() < 3'000'000; ++splits)
            Subdivide(m);
        s.V = m.vertexCount();
        s.F = uint32_t(m.indices.size() / 3);
        crt::MeshInput in;
        in.vertexCount = s.V;
        in.indices = m.indices;
        in.attributes = {{"position", crt::CODEC_GENERIC, FourteenBitStep(m.positions), 3, crt::FLOAT,
                          crt::STRATEGY_PARALLELOGRAM, m.positions.data()}};
        s.positionsOnly = crt::EncodeMesh(in).bytes;
        const std::vector<float> up(3 * size_t(s.V), 0.0f);
        in.attributes.push_back({"normal", crt::CODEC_NORMAL, 511, 3, crt::FLOAT, 0, up.data(), crt::ESTIMATE_BORDER});
        s.withNormals = crt::EncodeMesh(in).bytes;
        std::printf("%s split %d times: %u vertices, %u triangles, %zu bytes (%zu with normals)\n",
                    BenchMeshPath().c_str(), splits, s.V, s.F, s.positionsOnly.size(), s.withNormals.size());
        return s;
    }();
    return scene;
}

void Report(benchmark::State& state, const Scene& s, size_t outputBytes)
{
    state.counters["Mtri/s"] = benchmark::Counter(s.F * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(outputBytes));
}

void Decode(benchmark::State& state, bool normals)
{
    const Scene& s = BenchScene();
    const std::vector<uint8_t>& bytes = normals ? s.withNormals : s.positionsOnly;
    std::vector<uint32_t> indices(3 * size_t(s.F));
    std::vector<float> positions(3 * size_t(s.V)), nrm(normals ? 3 * size_t(s.V) : 0);
    for (auto _ : state) {
        float info[2];
        void* d = CreateDecoder(int32_t(bytes.size()), bytes.data(), info);
        DecodeMesh(d, positions.data(), indices.data(), normals ? nrm.data() : nullptr, nullptr, nullptr);
        DestroyDecoder(d);
        benchmark::DoNotOptimize(indices.data());
        benchmark::DoNotOptimize(positions.data());
    }
    Report(state, s, 4 * (indices.size() + positions.size() + nrm.size()));
}

void BM_DecodeMesh(benchmark::State& state) { Decode(state, false); }
void BM_DecodeMeshWithNormals(benchmark::State& state) { Decode(state, true); }

// The floor: copying the decoded arrays (indices and positions) once.
void BM_MemcpyOutput(benchmark::State& state)
{
    const Scene& s = BenchScene();
    const size_t bytes = 4 * (3 * size_t(s.F) + 3 * size_t(s.V));
    std::vector<uint8_t> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    Report(state, s, bytes);
}

} // namespace

BENCHMARK(BM_DecodeMesh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeMeshWithNormals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyOutput)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return RunWithRatios(argc, argv, {{"BM_DecodeMesh", "BM_MemcpyOutput"},
                                      {"BM_DecodeMeshWithNormals", "BM_MemcpyOutput"}});
}
