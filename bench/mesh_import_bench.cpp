// Import speed of the OBJ loader on the largest real mesh (or the title mesh), beside the cost of merely
// splitting the same file into tokens with std::ifstream >> in the same run.
#include "mesh/mesh.h"

#include "bench_meshes.h"
#include "ratio_main.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <streambuf>
#include <string>

namespace {

// Swallows the loader's "Import.. " lines so they do not bury the figures.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
};

// Standard output swallowed for as long as it lives.
struct QuietOutput {
    NullBuffer null;
    std::streambuf* const previous = std::cout.rdbuf(&null);
    ~QuietOutput() { std::cout.rdbuf(previous); }
};

void SetRates(benchmark::State& state, int64_t vertices)
{
    state.counters["vertices/s"] = benchmark::Counter(double(vertices), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(std::filesystem::file_size(BenchMeshPath())));
}

// Imports armadillo.obj once an iteration, into the same record or a new one each time.
void Import(benchmark::State& state, bool freshRecord)
{
    TMesh kept;
    int64_t vertices = 0, triangles = 0;
    {
        const QuietOutput quiet;
        for (auto _ : state) {
            TMesh fresh;
            TMesh& mesh = freshRecord ? fresh : kept;
            if (!mesh.Import(BenchMeshPath().c_str())) {
                state.SkipWithError("the mesh cannot be opened");
                break;
            }
            vertices += mesh.positionCount;
            triangles = mesh.triangleCount;
            benchmark::DoNotOptimize(mesh.indices.data());
        }
    }
    SetRates(state, vertices);
    state.counters["triangles"] = double(triangles);
}

void MeshImport(benchmark::State& state) { Import(state, false); }

// As the demo imports its meshes, into a new record: the arrays are allocated and their
// pages faulted in anew every time.
void MeshImportFreshRecord(benchmark::State& state) { Import(state, true); }

// The normals an import generates for a file without any, alone: their share of MeshImport.
void GenerateMeshNormals(benchmark::State& state)
{
    TMesh mesh;
    if (const QuietOutput quiet; !mesh.Import(BenchMeshPath().c_str())) {
        state.SkipWithError("the mesh cannot be opened");
        return;
    }
    for (auto _ : state) {
        GenerateNormals(mesh);
        benchmark::DoNotOptimize(mesh.vertices.data());
    }
    state.counters["triangles/s"] = benchmark::Counter(double(mesh.triangleCount), benchmark::Counter::kIsIterationInvariantRate);
}

// The baseline: every whitespace-separated token read into a string, "v" tokens counted.
void IfstreamTokenCount(benchmark::State& state)
{
    int64_t vertices = 0, tokens = 0;
    for (auto _ : state) {
        std::ifstream in(BenchMeshPath());
        std::string token;
        while (in >> token) {
            ++tokens;
            vertices += token == "v";
        }
    }
    SetRates(state, vertices);
    state.counters["tokens/s"] = benchmark::Counter(double(tokens), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(MeshImport)->Unit(benchmark::kMillisecond);
BENCHMARK(MeshImportFreshRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(GenerateMeshNormals)->Unit(benchmark::kMillisecond);
BENCHMARK(IfstreamTokenCount)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunWithRatios(argc, argv, {{"MeshImport", "IfstreamTokenCount"}, {"MeshImportFreshRecord", "IfstreamTokenCount"},
                                              {"GenerateMeshNormals", "MeshImport"}}); }
