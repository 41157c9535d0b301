// The scene's face-scan load (the file read whole, numbers parsed with from_chars) beside
// a plain text-stream reading of the same file with >> in the same run; then, once, the
// whole scene Init (face, meshes, programs, particles, tracks) in a hidden window when a
// display is there.
#include "app/demo.h"
#include "parts/clips.h"

#include "ratio_main.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

const std::string RunDir = HOLLOWMERE_RUN_DIR;
const std::string FacePly = RunDir + "/other/face.ply";

void FaceScanLoad(benchmark::State& state)
{
    std::vector<FacePoint> points;
    for (auto _ : state) {
        points.clear();
        LoadFacePoints(FacePly, points);
        benchmark::DoNotOptimize(points.data());
    }
    state.counters["points/s"] = benchmark::Counter(double(points.size()), benchmark::Counter::kIsIterationInvariantRate);
}

// The reading the loader replaces: the header lines skipped, then seven floats a record with >>.
void StreamRead(benchmark::State& state)
{
    std::vector<FacePoint> points;
    for (auto _ : state) {
        std::ifstream in(FacePly);
        std::string line;
        for (int i = 0; i < kFaceHeaderLines; ++i) std::getline(in, line);
        points.assign(size_t(kFaceVertexCount), FacePoint{});
        for (FacePoint& p : points) {
            float alpha;
            in >> p.x >> p.y >> p.z >> p.r >> p.g >> p.b >> alpha;
        }
        benchmark::DoNotOptimize(points.data());
    }
    state.counters["points/s"] = benchmark::Counter(double(points.size()), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(FaceScanLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(StreamRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void TimeSceneInit()
{
    static TDemo demo;
    if (!getenv("DISPLAY") || !demo.glWindow.Init(0, 0, 320, 180, false, true)) {
        std::printf("Part_Clips::Init: not measured (no display)\n");
        return;
    }
    if (chdir(RunDir.c_str()) != 0)
        return;
    for (int i = 2; i <= 5; ++i) Create(demo.targets[i], 320, 180, 0);
    Part_Clips* clips = new Part_Clips();
    clips->demo = &demo;
    clips->state = &demo.state;
    std::fflush(stdout);
    FILE* quiet = std::freopen("/dev/null", "w", stdout);  // the loading lines of every program
    const auto start = std::chrono::steady_clock::now();
    clips->Init();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (quiet) std::freopen("/dev/tty", "w", stdout);
    std::fprintf(stderr, "Part_Clips::Init: %.2f s (grid %d, every asset of the run folder)\n", seconds,
                 clips->particleGrid);
}

}  // namespace

int main(int argc, char** argv)
{
    const int status = RunWithRatios(argc, argv, {{"FaceScanLoad", "StreamRead"}});
    TimeSceneInit();
    return status;
}
