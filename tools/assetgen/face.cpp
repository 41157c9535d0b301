#include "face.h"

#include "face_sdf.h"
#include "file_out.h"
#include "parallel.h"
#include "progress.h"
#include "rng.h"
#include "text_format.h"

#include <algorithm>
#include <cmath>

namespace {

struct Rgb {
    double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

double SmoothStep(double e0, double e1, double x)
{
    double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// A cheap smooth value noise from a few sines: enough to break up flat colour areas.
double Wobble(Vec3 p, double freq)
{
    return (std::sin(p.x * freq * 1.7 + 1.3) * std::sin(p.y * freq * 1.3 + 0.7) +
            std::sin(p.z * freq * 1.9 + 2.1) * std::sin((p.x + p.y) * freq * 0.9)) *
           0.5;
}

// Height of the hairline at a point of the skull: high over the forehead, lower over the ears,
// down to the nape at the back.
double HairlineY(Vec3 p)
{
    double front = 0.275 + 0.04 * std::pow(std::abs(p.x) / 0.2, 2.0);
    double side = 0.135;
    double back = -0.11;
    double y = p.z > 0.12 ? front
               : p.z > -0.05 ? side + (front - side) * SmoothStep(-0.05, 0.12, p.z)
                             : back + (side - back) * SmoothStep(-0.3, -0.05, p.z);
    return y + 0.004 * Wobble(p, 90.0);
}

// Eyebrow arch above each eye socket: true within the brow band.
bool InBrow(Vec3 p)
{
    double ax = std::abs(p.x);
    if (p.z < 0.16 || ax < 0.022 || ax > 0.142) return false;
    double t = (ax - 0.022) / 0.12;
    double centre = 0.126 + 0.016 * std::sin(3.14159 * std::min(1.0, t * 1.15));
    double halfWidth = 0.012 * (1.0 - 0.55 * t);
    return std::abs(p.y - centre) < halfWidth;
}

Rgb BaseColour(Vec3 p, HeadMaterial material, double hairDither)
{
    const Rgb skin = {222, 174, 144}, blush = {214, 146, 128}, hair = {52, 37, 28}, brow = {66, 46, 36};
    const Rgb sclera = {236, 232, 224}, iris = {92, 70, 48}, pupil = {14, 12, 12}, lip = {176, 64, 72};
    if (material == HeadMaterial::Eye) {
        Vec3 m = {std::abs(p.x), p.y, p.z};
        Vec3 dir = Normalize(m - kEyeCentre);
        if (dir.z > std::cos(0.17)) return pupil;
        if (dir.z > std::cos(0.42)) return Mix(iris, pupil, 0.25 * (Wobble(p, 400.0) + 1.0));
        return sclera;
    }
    if (material == HeadMaterial::Lip) return Mix(lip, Rgb{150, 52, 60}, 0.25 * (Wobble(p, 300.0) + 1.0));

    bool ear = std::abs(p.x) > 0.205 && p.y < 0.12 && p.y > -0.05 && p.z < 0.03 && p.z > -0.09;
    // The hairline thins out over a short band instead of ending in a hard edge.
    if (!ear && p.y - HairlineY(p) > 0.012 * (hairDither - 0.5))
        return Mix(hair, Rgb{38, 27, 20}, 0.5 + 0.5 * Wobble(p, 160.0));
    if (InBrow(p)) return brow;
    Rgb c = Mix(skin, Rgb{214, 166, 138}, 0.5 + 0.5 * Wobble(p, 25.0));
    double cheek = Length(Vec3{std::abs(p.x) - 0.11, p.y + 0.01, p.z - 0.17});
    return Mix(c, blush, 0.55 * (1.0 - SmoothStep(0.02, 0.07, cheek)));
}

// Light from the viewer's upper left and front, with a soft occlusion term so that sockets,
// nostrils and the mouth read as hollows.
double Shade(Vec3 p, Vec3 n)
{
    const Vec3 light = Normalize({-0.45, 0.55, 0.75});
    double diffuse = std::max(0.0, Dot(n, light));
    double occ = 0, weight = 0;
    for (int i = 1; i <= 3; ++i) {
        double h = 0.011 * i;
        double w = 1.0 / i;
        occ += w * std::max(0.0, h - HeadSdf(p + n * h).distance) / h;
        weight += w;
    }
    double ao = 1.0 - 0.75 * occ / weight;
    return (0.36 + 0.64 * diffuse) * std::clamp(ao, 0.25, 1.0);
}

uint8_t ToByte(double v) { return uint8_t(std::clamp(std::lround(v), 0l, 255l)); }

// Cells of a coarse grid that may hold surface within `band`, for rejection sampling.
struct SurfaceCells {
    Vec3 lo;
    double h;
    int nx, ny, nz;
    std::vector<int> cells;  // linear cell indices near the surface
};

SurfaceCells FindSurfaceCells(double h, double band)
{
    SurfaceCells sc;
    sc.lo = {-0.3, -0.5, -0.38};
    sc.h = h;
    sc.nx = int(std::ceil(0.6 / h));
    sc.ny = int(std::ceil(1.0 / h));
    sc.nz = int(std::ceil(0.74 / h));
    std::vector<std::vector<int>> perSlice(size_t(sc.nz));
    ParallelChunks(sc.nz, [&](int z) {
        for (int y = 0; y < sc.ny; ++y)
            for (int x = 0; x < sc.nx; ++x) {
                Vec3 c = sc.lo + Vec3{(x + 0.5) * h, (y + 0.5) * h, (z + 0.5) * h};
                if (std::abs(HeadSdf(c).distance) < 1.2 * h + band)
                    perSlice[size_t(z)].push_back((z * sc.ny + y) * sc.nx + x);
            }
    });
    for (auto& s : perSlice) sc.cells.insert(sc.cells.end(), s.begin(), s.end());
    return sc;
}

}  // namespace

std::vector<FacePoint> SampleFace(int count, uint64_t seed)
{
    Progress progress("face.ply: sampling");
    const double h = 0.01, band = h / 3;
    SurfaceCells sc = FindSurfaceCells(h, band);

    // Uniform points in a thin shell around the surface are uniform per area once moved onto it.
    const int chunks = 64;
    std::vector<std::vector<FacePoint>> parts(chunks);
    ParallelChunks(
        chunks,
        [&](int c) {
            int begin = int(int64_t(count) * c / chunks), end = int(int64_t(count) * (c + 1) / chunks);
            Rng rng = SubStream(seed, uint64_t(c));
            auto& out = parts[size_t(c)];
            out.reserve(size_t(end - begin));
            while (int(out.size()) < end - begin) {
                int cell = sc.cells[size_t(rng.Next() % sc.cells.size())];
                int x = cell % sc.nx, y = (cell / sc.nx) % sc.ny, z = cell / (sc.nx * sc.ny);
                Vec3 p = sc.lo + Vec3{(x + rng.Uniform()) * h, (y + rng.Uniform()) * h, (z + rng.Uniform()) * h};
                HeadSample s = HeadSdf(p);
                if (std::abs(s.distance) >= band) continue;
                Vec3 n = HeadNormal(p);
                Vec3 q = p - n * s.distance;
                if (q.y < kNeckCut) continue;  // the scan stops at the neck, open like a real one
                Rgb col = BaseColour(q, s.material, rng.Uniform());
                double shade = Shade(q, n);
                out.push_back({float(q.x), float(q.y), float(q.z), ToByte(col.r * shade), ToByte(col.g * shade),
                               ToByte(col.b * shade), float(std::clamp(0.2 + 0.8 * n.z, 0.0, 1.0))});
            }
        },
        [&](int done) { progress.Update(double(done) / chunks); });

    std::vector<FacePoint> points;
    points.reserve(size_t(count));
    for (auto& part : parts) points.insert(points.end(), part.begin(), part.end());

    // Centre the bounding box on the origin and scale to 0.98 units tall.
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (const FacePoint& p : points) {
        const float v[3] = {p.x, p.y, p.z};
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], v[i]);
            hi[i] = std::max(hi[i], v[i]);
        }
    }
    double scale = hi[1] > lo[1] ? 0.98 / (double(hi[1]) - lo[1]) : 1.0;
    for (FacePoint& p : points) {
        p.x = float((p.x - 0.5 * (double(lo[0]) + hi[0])) * scale);
        p.y = float((p.y - 0.5 * (double(lo[1]) + hi[1])) * scale);
        p.z = float((p.z - 0.5 * (double(lo[2]) + hi[2])) * scale);
    }
    progress.Done(std::to_string(points.size()) + " points");
    return points;
}

std::string FacePlyHeader(int count)
{
    std::vector<std::string> lines = {
        "ply",
        "format ascii 1.0",
        "comment Hollowmere face scan: surface points of a procedural head",
        "comment built from signed-distance shapes (skull, brow, eyes, nose, lips, ears, neck)",
        "comment units: about one unit tall, centred on the origin, facing +z, y up",
        "comment colour: skin, hair, brows, eyes and lips, lit from the upper left front",
        "comment confidence: how squarely each point faced the frontal scanner (0 to 1)",
    };
    // The reader skips a fixed number of header lines, so the header is padded to that length.
    const int fixedTail = 9;  // element, seven properties, end_header
    while (int(lines.size()) < kPlyHeaderLines - fixedTail) lines.push_back("comment");
    lines.push_back("element vertex " + std::to_string(count));
    for (const char* prop : {"float x", "float y", "float z", "uchar red", "uchar green", "uchar blue",
                             "float confidence"})
        lines.push_back(std::string("property ") + prop);
    lines.push_back("end_header");
    std::string header;
    for (auto& l : lines) header += l + "\n";
    return header;
}

void AppendFaceLines(std::string& out, const FacePoint* points, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const FacePoint& p = points[i];
        AppendFixedRow(out, {p.x, p.y, p.z}, 5);
        out.push_back(' ');
        AppendIntRow(out, {p.r, p.g, p.b});
        out.push_back(' ');
        AppendFixed(out, p.confidence, 3);
        out.push_back('\n');
    }
}

bool WriteFacePly(const std::filesystem::path& path, int count)
{
    std::vector<FacePoint> points = SampleFace(count, 0xFACE5CA2ull);
    const int chunks = 32;
    std::vector<std::string> text(chunks);
    ParallelChunks(chunks, [&](int c) {
        size_t begin = points.size() * size_t(c) / chunks, end = points.size() * size_t(c + 1) / chunks;
        text[size_t(c)].reserve((end - begin) * 48);
        AppendFaceLines(text[size_t(c)], points.data() + begin, end - begin);
    });
    std::string all = FacePlyHeader(count);
    size_t total = all.size();
    for (auto& t : text) total += t.size();
    all.reserve(total);
    for (auto& t : text) all += t;
    return WriteFileText(path, all);
}
