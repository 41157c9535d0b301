// stillcheck [--run-dir DIR] STILLS [STILLS2]
//
// Measures the stills the capture tool wrote into STILLS (frame_TTTT.TTT.png) and prints one
// row per still: mean luma, the title contrast where a title is drawn, the face overlap at
// 150 s; then whether two stills 1/30 s apart differ. With a second folder (the same times at
// another grid) it also prints how far each figure moved. Ends with status 1 when a figure is
// out of its bounds (listed under Bounds below), 2 on bad arguments or unreadable files.
#include "parts/schedule.h"
#include "stillcheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Bounds.
constexpr double kMinLuma = 0.05, kMaxLuma = 0.6;  // mean luma of every still
constexpr double kTitleContrast = 1.0 / 3.0;        // title pixels over the band around them
constexpr double kFaceOverlap = 0.6;                // lit pixels over the face at 150 s
constexpr double kLit = 0.15;                       // what counts as lit
constexpr double kMotion = 0.5 / 255.0;             // two stills 1/30 s apart differ by more
constexpr double kAgreement = 0.2;                  // the same figure at two grids
constexpr double kOpaque = 0.9;                     // titles at least this opaque are measured

struct Figures {
    double luma = 0;
    std::optional<double> title, face;
};

struct Data {
    TMesh text, logo;
    std::vector<FacePoint> face;
};

bool StillTime(const fs::path& p, double& t)
{
    const std::string name = p.filename().string();
    return name.rfind("frame_", 0) == 0 && p.extension() == ".png" && std::sscanf(name.c_str() + 6, "%lf", &t) == 1 &&
           name.find('.') == 10;
}

std::map<double, fs::path> Stills(const fs::path& dir)
{
    std::map<double, fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        double t;
        if (StillTime(e.path(), t)) out[std::round(t * 1000) / 1000] = e.path();
    }
    return out;
}

Figures Measure(const Image& img, double t, const Data& data)
{
    Figures f;
    const std::vector<float> luma = Luma(img);
    f.luma = Mean(luma);
    TitleRow rows[4];
    const int n = ScheduledTitles(float(t), rows);
    std::vector<uint8_t> titles(luma.size(), 0);
    bool any = false;
    for (int i = 0; i < n; ++i) {
        if (rows[i].alpha < kOpaque || (rows[i].mesh == TitleMesh::Text && rows[i].object == 0)) continue;  // text 0 is empty
        const Camera c = {rows[i].fov, {rows[i].eye[0], rows[i].eye[1], rows[i].eye[2]},
                          {rows[i].target[0], rows[i].target[1], rows[i].target[2]}};
        const std::vector<uint8_t> m =
            MeshMask(rows[i].mesh == TitleMesh::Logo ? data.logo : data.text, rows[i].object, c, img.width, img.height);
        for (size_t p = 0; p < m.size(); ++p) titles[p] |= m[p];
        any = any || std::count(m.begin(), m.end(), 1) > 0;
    }
    if (any) f.title = TitleContrast(luma, titles, img.width, img.height, 1, 8);
    if (t > 148.5 && t < 170.0) {
        float eye[3];
        SceneEye(float(t), eye);
        const Camera c = {45.0, {eye[0], eye[1], eye[2]}, {0, 0, 0}};
        const size_t count = size_t(kFaceTextureSide) * kFaceTextureSide;
        f.face = LitOverlap(luma, PointMask(data.face, count, c, img.width, img.height, 1), kLit);
    }
    return f;
}

bool Agree(double a, double b, double floor)
{
    return std::fabs(a - b) <= kAgreement * std::max({std::fabs(a), std::fabs(b), floor});
}

}  // namespace

int main(int argc, char** argv)
{
    std::string runDir = HOLLOWMERE_RUN_DIR;
    std::vector<fs::path> dirs;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--run-dir") && i + 1 < argc) runDir = argv[++i];
        else if (argv[i][0] == '-' || dirs.size() == 2) {
            std::fprintf(stderr, "usage: stillcheck [--run-dir DIR] STILLS [STILLS2]\n");
            return 2;
        } else dirs.emplace_back(argv[i]);
    }
    if (dirs.empty()) {
        std::fprintf(stderr, "usage: stillcheck [--run-dir DIR] STILLS [STILLS2]\n");
        return 2;
    }
    Data data;
    if (!data.text.Import((runDir + "/other/text.obj").c_str()) || !data.logo.Import((runDir + "/other/zev2.obj").c_str())) {
        std::fprintf(stderr, "stillcheck: no title meshes in %s/other\n", runDir.c_str());
        return 2;
    }
    LoadFacePoints(runDir + "/other/face.ply", data.face);

    std::vector<std::map<double, Figures>> all;
    bool ok = true;
    for (const fs::path& dir : dirs) {
        const std::map<double, fs::path> stills = Stills(dir);
        if (stills.empty()) {
            std::fprintf(stderr, "stillcheck: no frame_*.png stills in %s\n", dir.c_str());
            return 2;
        }
        std::printf("%s\n%9s %7s %9s %7s\n", dir.c_str(), "time", "luma", "title", "face");
        std::map<double, Figures> figures;
        std::map<double, Image> images;
        for (const auto& [t, path] : stills) {
            Image img;
            std::string error;
            if (!ReadPng(path.string(), img, error)) {
                std::fprintf(stderr, "stillcheck: %s: %s\n", path.c_str(), error.c_str());
                return 2;
            }
            const Figures f = Measure(img, t, data);
            const bool lumaOk = f.luma >= kMinLuma && f.luma <= kMaxLuma;
            const bool titleOk = !f.title || *f.title <= kTitleContrast;
            const bool faceOk = !f.face || *f.face >= kFaceOverlap;
            ok = ok && lumaOk && titleOk && faceOk;
            char title[32] = "-", face[32] = "-";
            if (f.title) std::snprintf(title, sizeof title, "%.3f%s", *f.title, titleOk ? "" : "!");
            if (f.face) std::snprintf(face, sizeof face, "%.3f%s", *f.face, faceOk ? "" : "!");
            std::printf("%9.3f %6.3f%s %9s %7s\n", t, f.luma, lumaOk ? " " : "!", title, face);
            figures[t] = f;
            images[t] = std::move(img);
        }
        for (const auto& [t, img] : images) {
            auto next = images.lower_bound(t + 1.0 / 30 - 0.002);
            if (next == images.end() || next->first > t + 1.0 / 30 + 0.002) continue;
            const double d = MeanDifference(img, next->second);
            ok = ok && d > kMotion;
            std::printf("motion %.3f -> %.3f: mean difference %.4f%s\n", t, next->first, d, d > kMotion ? "" : "!");
        }
        all.push_back(std::move(figures));
    }
    if (all.size() == 2) {
        std::printf("agreement (within %.0f %%; title contrast against at least %.3f)\n", kAgreement * 100, kTitleContrast);
        for (const auto& [t, a] : all[0]) {
            auto it = all[1].find(t);
            if (it == all[1].end()) continue;
            const Figures& b = it->second;
            const bool luma = Agree(a.luma, b.luma, 0), title = !a.title || !b.title || Agree(*a.title, *b.title, kTitleContrast),
                       face = !a.face || !b.face || Agree(*a.face, *b.face, 0);
            ok = ok && luma && title && face;
            std::printf("%9.3f luma %.3f/%.3f%s", t, a.luma, b.luma, luma ? "" : "!");
            if (a.title && b.title) std::printf("  title %.3f/%.3f%s", *a.title, *b.title, title ? "" : "!");
            if (a.face && b.face) std::printf("  face %.3f/%.3f%s", *a.face, *b.face, face ? "" : "!");
            std::printf("\n");
        }
    }
    std::printf("%s\n", ok ? "all within bounds" : "out of bounds: marked !");
    return ok ? 0 : 1;
}
