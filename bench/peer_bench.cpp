// Size and decode speed of our mesh codec beside its two well-known open-source peers, on the
// shared meshes and armadillo split once and twice, all from one run: bytes per triangle, decode
// million triangles per second (median of runs) into arrays allocated and touched beforehand, a
// memcpy of the same output as the floor, and our ratios to each peer. One table with positions
// and indices, one with normals too. Peers the build did not find are left out.
//
// With --ratios it measures speed only, for a shared or busy machine: the codecs' decodes are
// timed in turn, round after round, so that a slow stretch falls on all of them alike, and each
// keeps its best round. It prints our speed and its ratio to each peer's, per mesh, without and
// with normals.
//
//   peer_bench [--ratios [--rounds N]] [MESHES_DIR]
//                               (default: $HOLLOWMERE_MESHES_DIR, else ../shared/meshes, else the
//                               generated title and emblem meshes)
#include "bench_meshes.h"
#include "peer_codec.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

namespace {

// Area-weighted unit normals of the float geometry.
std::vector<float> VertexNormals(const crt::TriMesh& m)
{
    std::vector<double> n(m.positions.size(), 0.0);
    const float* p = m.positions.data();
    for (size_t f = 0; f + 2 < m.indices.size(); f += 3) {
        const uint32_t a = m.indices[f], b = m.indices[f + 1], c = m.indices[f + 2];
        double e1[3], e2[3];
        for (int k = 0; k < 3; ++k) {
            e1[k] = double(p[3 * b + k]) - p[3 * a + k];
            e2[k] = double(p[3 * c + k]) - p[3 * a + k];
        }
        const double x[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        for (uint32_t v : {a, b, c})
            for (int k = 0; k < 3; ++k)
                n[3 * v + k] += x[k];
    }
    std::vector<float> out(n.size());
    for (size_t v = 0; v < n.size(); v += 3) {
        const double l = std::sqrt(n[v] * n[v] + n[v + 1] * n[v + 1] + n[v + 2] * n[v + 2]);
        for (int k = 0; k < 3; ++k)
            out[v + k] = l > 0 ? float(n[v + k] / l) : (k == 2 ? 1.0f : 0.0f);
    }
    return out;
}

BenchMesh Prepare(const std::string& name, const crt::TriMesh& m)
{
    BenchMesh b;
    b.name = name;
    b.V = m.vertexCount();
    b.F = uint32_t(m.indices.size() / 3);
    b.positions = m.positions;
    b.indices = m.indices;
    b.normals = VertexNormals(m);
    b.step = FourteenBitStep(m.positions);
    for (int k = 0; k < 3; ++k)
        b.lo[k] = 1e30f;
    for (size_t i = 0; i < m.positions.size(); ++i)
        b.lo[i % 3] = std::min(b.lo[i % 3], m.positions[i]);
    return b;
}

// Median seconds of `fn` over at least 5 runs and about 0.3 s (at most 60 runs).
double MedianSeconds(const std::function<void()>& fn)
{
    std::vector<double> times;
    double total = 0;
    while (times.size() < 5 || (total < 0.3 && times.size() < 60)) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        times.push_back(s);
        total += s;
    }
    std::nth_element(times.begin(), times.begin() + long(times.size() / 2), times.end());
    return times[times.size() / 2];
}

struct Cell {
    double bytesPerTriangle = 0, mtris = 0;
    bool ok = false;
};

void Table(const std::vector<BenchMesh>& meshes, std::vector<std::unique_ptr<PeerCodec>>& codecs, bool normals)
{
    std::printf("\n%s\n", normals ? "Positions, indices and normals (normals at 10 bits: our grid unit 511)"
                                  : "Positions and indices (14-bit position step: largest extent / 16383)");
    std::printf("%-16s %9s", "mesh", "tris");
    for (const auto& c : codecs)
        std::printf(" | %10s B/tri Mtri/s", c->name().c_str());
    std::printf(" | memcpy Mtri/s");
    for (size_t k = 1; k < codecs.size(); ++k)
        if (codecs[k]->name().rfind("crt", 0) != 0)
            std::printf(" | vs %-7s bytes speed", codecs[k]->name().c_str());
    std::printf("\n");
    for (const BenchMesh& m : meshes) {
        std::vector<float> positions(3 * size_t(m.V), 1.0f), nrm(normals ? 3 * size_t(m.V) : 0, 1.0f);
        std::vector<uint32_t> indices(3 * size_t(m.F), 1);
        DecodeTarget out{positions.data(), indices.data(), normals ? nrm.data() : nullptr};
        std::vector<Cell> cells;
        for (const auto& c : codecs) {
            Cell cell;
            const std::vector<uint8_t> bytes = c->encode(m, normals);
            if (!bytes.empty() && c->decode(bytes, m, out) + 16 >= m.F) { // edgebreaker may drop degenerate faces
                cell.ok = true;
                cell.bytesPerTriangle = double(bytes.size()) / m.F;
                cell.mtris = m.F * 1e-6 / MedianSeconds([&] { c->decode(bytes, m, out); });
            }
            cells.push_back(cell);
        }
        const size_t outBytes = 4 * (indices.size() + positions.size() + nrm.size());
        std::vector<uint8_t> from(outBytes, 7), to(outBytes, 0);
        const double floor = m.F * 1e-6 / MedianSeconds([&] { std::memcpy(to.data(), from.data(), outBytes); });
        std::printf("%-16s %9u", m.name.c_str(), m.F);
        for (const Cell& cell : cells)
            cell.ok ? std::printf(" | %16.3f %6.1f", cell.bytesPerTriangle, cell.mtris) : std::printf(" | %23s", "failed");
        std::printf(" | %13.0f", floor);
        for (size_t k = 1; k < codecs.size(); ++k)
            if (codecs[k]->name().rfind("crt", 0) != 0) {
                const bool both = cells[0].ok && cells[k].ok;
                std::printf(" |   %9.3fx %5.2fx", both ? cells[0].bytesPerTriangle / cells[k].bytesPerTriangle : 0.0,
                            both ? cells[0].mtris / cells[k].mtris : 0.0);
            }
        std::printf("\n");
        std::fflush(stdout);
    }
}

// Seconds per decode: the best of `rounds` interleaved rounds, each a batch of about 2 ms.
std::vector<double> BestInterleaved(const std::vector<std::function<void()>>& decodes, int rounds)
{
    std::vector<double> best(decodes.size(), 1e30);
    std::vector<int> batch(decodes.size(), 1);
    const auto time = [](const std::function<void()>& fn, int n) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i)
            fn();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / n;
    };
    for (size_t k = 0; k < decodes.size(); ++k) // warm up, and size the batches
        batch[k] = int(std::clamp(0.002 / std::max(time(decodes[k], 1), 1e-9), 1.0, 100000.0));
    for (int r = 0; r < rounds; ++r)
        for (size_t k = 0; k < decodes.size(); ++k)
            best[k] = std::min(best[k], time(decodes[k], batch[k]));
    return best;
}

void Ratios(const std::vector<BenchMesh>& meshes, std::vector<std::unique_ptr<PeerCodec>>& codecs, int rounds)
{
    std::printf("\nDecode speed, best of %d interleaved rounds: ours in Mtri/s, and its ratio to each peer's\n", rounds);
    std::printf("%-16s %9s %-7s", "mesh", "tris", "normals");
    for (const auto& c : codecs)
        c->name().rfind("crt", 0) == 0 ? std::printf(" | %10s Mtri/s", c->name().c_str())
                                       : std::printf(" | %11s Mtri/s  vs", c->name().c_str());
    std::printf("\n");
    for (const BenchMesh& m : meshes)
        for (bool normals : {false, true}) {
            std::vector<float> positions(3 * size_t(m.V), 1.0f), nrm(normals ? 3 * size_t(m.V) : 0, 1.0f);
            std::vector<uint32_t> indices(3 * size_t(m.F), 1);
            DecodeTarget out{positions.data(), indices.data(), normals ? nrm.data() : nullptr};
            std::vector<std::vector<uint8_t>> bytes;
            std::vector<std::function<void()>> decodes;
            std::vector<size_t> measured; // codec index of each decode
            for (size_t k = 0; k < codecs.size(); ++k) {
                PeerCodec& c = *codecs[k];
                if (!normals && c.name() == "crt stored") // the same container as "crt" without normals
                    continue;
                bytes.push_back(c.encode(m, normals));
                if (bytes.back().empty() || c.decode(bytes.back(), m, out) + 16 < m.F) {
                    bytes.pop_back();
                    continue;
                }
                measured.push_back(k);
            }
            for (size_t i = 0; i < measured.size(); ++i)
                decodes.push_back([&, i] { codecs[measured[i]]->decode(bytes[i], m, out); });
            const std::vector<double> seconds = BestInterleaved(decodes, rounds);
            std::vector<double> mtris(codecs.size(), 0);
            for (size_t i = 0; i < measured.size(); ++i)
                mtris[measured[i]] = m.F * 1e-6 / seconds[i];
            std::printf("%-16s %9u %-7s", m.name.c_str(), m.F, normals ? "yes" : "no");
            for (size_t k = 0; k < codecs.size(); ++k) {
                const bool ours = codecs[k]->name().rfind("crt", 0) == 0;
                if (!mtris[k])
                    ours ? std::printf(" | %17s", "-") : std::printf(" | %22s", "-");
                else if (ours)
                    std::printf(" | %17.1f", mtris[k]);
                else
                    std::printf(" | %18.1f %5.2fx", mtris[k], mtris[0] / mtris[k]);
            }
            std::printf("\n");
            std::fflush(stdout);
        }
}

} // namespace

int main(int argc, char** argv)
{
    bool ratios = false;
    int rounds = 15;
    std::string dir = SharedMeshesDir();
    bool dirGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ratios") {
            ratios = true;
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: peer_bench [--ratios [--rounds N]] [MESHES_DIR]\n");
            return 2;
        } else {
            dir = arg;
            dirGiven = true;
        }
    }
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
        if (entry.path().extension() == ".obj" || entry.path().extension() == ".off")
            files.push_back(entry.path());
    if (files.empty() && dirGiven) {
        std::fprintf(stderr, "peer_bench: no meshes in %s\n", dir.c_str());
        return 1;
    }
    if (files.empty()) {
        std::fprintf(stderr, "peer_bench: no shared meshes folder: measuring the generated meshes\n");
        files.assign(std::begin(GeneratedMeshes), std::end(GeneratedMeshes));
    }
    std::sort(files.begin(), files.end());
    std::vector<BenchMesh> meshes;
    for (const auto& path : files) {
        crt::TriMesh m;
        if (!crt::ReadMesh(path.string(), m) || m.indices.empty()) {
            std::fprintf(stderr, "peer_bench: %s: not a readable triangle mesh, left out\n", path.string().c_str());
            continue;
        }
        meshes.push_back(Prepare(path.filename().string(), m));
        if (path.filename() == "armadillo.obj") {
            Subdivide(m);
            meshes.push_back(Prepare("armadillo x4", m));
            Subdivide(m);
            meshes.push_back(Prepare("armadillo x16", m));
        }
    }

    std::vector<std::unique_ptr<PeerCodec>> codecs;
    codecs.push_back(MakeCrt(true));
    std::unique_ptr<PeerCodec> peers[] = {MakeDraco(), MakeMeshopt(false), MakeMeshopt(true)};
    for (auto& peer : peers)
        if (peer)
            codecs.push_back(std::move(peer));
    if (codecs.size() == 1)
        std::printf("No peer codec in this build (scripts/deps --peers installs them): our figures alone.\n");
    if (ratios) {
        codecs.insert(codecs.begin() + 1, MakeCrt(false));
        Ratios(meshes, codecs, rounds);
        return 0;
    }
    Table(meshes, codecs, false);
    codecs.insert(codecs.begin() + 1, MakeCrt(false));
    Table(meshes, codecs, true);
    return 0;
}
