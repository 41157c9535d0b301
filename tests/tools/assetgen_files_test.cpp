// The generated other/ folder, read back: the face scan, the title meshes, the velocity volume,
// the soundtrack (decoded and measured), the keyframe tracks; pictures of the face and the titles
// for review; and a second run that must give the same bytes.
#include "audio_checks.h"
#include "loudness.h"
#include "mesh/mesh.h"
#include "mesh_checks.h"
#include "music.h"
#include "picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const char* const kFiles[] = {"face.ply", "text.obj", "zev2.obj", "velocity.dat", "tk22.mp3", "my0.txt", "my1.txt"};

fs::path Scratch(const char* name)
{
    fs::path p = fs::temp_directory_path() / ("hollowmere_assetgen_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(p);
    return p;
}

bool RunGenerator(const fs::path& dir)
{
    std::string cmd = std::string("\"") + ASSETGEN_EXE + "\" \"" + dir.string() + "\"";
    return std::system(cmd.c_str()) == 0;
}

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

uint64_t Fnv1a(const std::string& bytes)
{
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    return h;
}

// One generator run shared by every test of this binary.
fs::path gOut;

class GeneratedFolder : public ::testing::Environment {
public:
    void SetUp() override
    {
        gOut = Scratch("a");
        ASSERT_TRUE(RunGenerator(gOut)) << "assetgen failed";
    }
    void TearDown() override { fs::remove_all(gOut); }
};
::testing::Environment* const gEnv = ::testing::AddGlobalTestEnvironment(new GeneratedFolder);

struct PlyPoint {
    float p[3];
    int rgb[3];
    float extra;
};

std::vector<PlyPoint> ReadPly(std::string& headerOut, size_t& bodyLines, std::string& problem)
{
    std::string text = ReadAll(gOut / "face.ply");
    std::vector<PlyPoint> pts;
    size_t pos = 0;
    for (int i = 0; i < 40; ++i) {
        size_t e = text.find('\n', pos);
        if (e == std::string::npos) {
            problem = "header shorter than 40 lines";
            return pts;
        }
        pos = e + 1;
    }
    headerOut = text.substr(0, pos);
    bodyLines = 0;
    while (pos < text.size()) {
        size_t e = text.find('\n', pos);
        if (e == std::string::npos) {
            problem = "last line has no line break";
            break;
        }
        std::string line = text.substr(pos, e - pos);
        pos = e + 1;
        ++bodyLines;
        PlyPoint q{};
        char tail = 0;
        if (std::sscanf(line.c_str(), "%f %f %f %d %d %d %f %c", &q.p[0], &q.p[1], &q.p[2], &q.rgb[0], &q.rgb[1], &q.rgb[2],
                        &q.extra, &tail) != 7) {
            if (problem.empty()) problem = "line " + std::to_string(bodyLines) + " is not seven numbers: " + line;
            continue;
        }
        pts.push_back(q);
    }
    return pts;
}

const std::vector<PlyPoint>& Face()
{
    static std::vector<PlyPoint> pts;
    static bool read = false;
    if (!read) {
        std::string header, problem;
        size_t lines = 0;
        pts = ReadPly(header, lines, problem);
        read = true;
    }
    return pts;
}

// Each object of a loaded mesh as a separate triangle list over the mesh's vertices.
std::vector<CheckMesh> ObjectsOf(const TMesh& mesh)
{
    std::vector<CheckMesh> objects;
    for (size_t o = 0; o + 1 < mesh.objectStarts.size(); ++o) {
        CheckMesh m;
        for (const MeshVertex& v : mesh.vertices) m.positions.push_back({v.position[0], v.position[1], v.position[2]});
        for (int32_t t = mesh.objectStarts[o]; t < mesh.objectStarts[o + 1]; ++t)
            m.triangles.push_back({int(mesh.indices[size_t(3 * t)]), int(mesh.indices[size_t(3 * t + 1)]),
                                   int(mesh.indices[size_t(3 * t + 2)])});
        objects.push_back(std::move(m));
    }
    return objects;
}

fs::path PictureDir()
{
    fs::path d = fs::path(HOLLOWMERE_BINARY_DIR) / "assetgen_pictures";
    fs::create_directories(d);
    return d;
}

}  // namespace

TEST(GeneratedFiles, AllPresent)
{
    for (const char* f : kFiles) EXPECT_TRUE(fs::exists(gOut / f)) << f;
    EXPECT_EQ(fs::file_size(gOut / "velocity.dat"), 50331648u);
}

TEST(FaceScan, FortyLineHeaderAndExactlyTheVertexLines)
{
    std::string header, problem;
    size_t lines = 0;
    std::vector<PlyPoint> pts = ReadPly(header, lines, problem);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(header.rfind("ply\n", 0), 0u);
    EXPECT_NE(header.find("\nend_header\n"), std::string::npos);
    EXPECT_EQ(header.size() - header.find("end_header\n"), std::strlen("end_header\n"));
    EXPECT_EQ(lines, 1454061u);
    ASSERT_EQ(pts.size(), 1454061u);
    float lo[3] = {1, 1, 1}, hi[3] = {-1, -1, -1};
    for (const PlyPoint& q : pts) {
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], q.p[k]);
            hi[k] = std::max(hi[k], q.p[k]);
            ASSERT_TRUE(q.rgb[k] >= 0 && q.rgb[k] <= 255);
        }
        ASSERT_TRUE(q.extra >= 0 && q.extra <= 1);
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_GE(lo[k], -0.5f);
        EXPECT_LE(hi[k], 0.5f);
        EXPECT_NEAR(lo[k] + hi[k], 0.0f, 2e-4f) << "axis " << k;
    }
    EXPECT_GT(hi[1] - lo[1], 0.9f);  // about one unit tall
    // The texture takes the first 1,440,000 points: they too cover the whole head.
    int back = 0, front = 0;
    for (size_t i = 0; i < 1440000; ++i) (pts[i].p[2] > 0 ? front : back)++;
    EXPECT_GT(back, 300000);
    EXPECT_GT(front, 300000);
}

TEST(FaceScan, PicturesFromTheFrontAndTheSide)
{
    const auto& pts = Face();
    ASSERT_EQ(pts.size(), 1454061u);
    Picture front(600, 600, 24, 24, 32), side(600, 600, 24, 24, 32);
    OrthoView fv = FrontView(580), sv = SideView(580);
    for (const PlyPoint& q : pts) {
        DrawPoint(front, fv, q.p, uint8_t(q.rgb[0]), uint8_t(q.rgb[1]), uint8_t(q.rgb[2]), 1);
        DrawPoint(side, sv, q.p, uint8_t(q.rgb[0]), uint8_t(q.rgb[1]), uint8_t(q.rgb[2]), 1);
    }
    EXPECT_TRUE(SavePng(front, (PictureDir() / "face_front.png").string()));
    EXPECT_TRUE(SavePng(side, (PictureDir() / "face_side.png").string()));

    // From the front the silhouette is mirror-symmetric, the red of the lips sits on the centre
    // line below the middle, and the darkest spots (pupils) sit in pairs left and right above it.
    int both = 0, either = 0;
    double redX = 0, redY = 0;
    int red = 0, darkLeft = 0, darkRight = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 300; ++x) {
            const uint8_t* a = front.At(x, y);
            const uint8_t* b = front.At(599 - x, y);
            bool ia = a[0] != 24 || a[1] != 24, ib = b[0] != 24 || b[1] != 24;
            both += ia && ib;
            either += ia || ib;
        }
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 600; ++x) {
            const uint8_t* c = front.At(x, y);
            if (c[0] > c[1] + 60 && c[0] > c[2] + 50) {
                ++red;
                redX += x;
                redY += y;
            }
            if (c[0] < 25 && c[1] < 25 && c[2] < 25 && (c[0] != 24 || c[2] != 32) && y > 150 && y < 300)
                (x < 300 ? darkLeft : darkRight)++;
        }
    EXPECT_GT(double(both) / either, 0.97);
    ASSERT_GT(red, 200);
    EXPECT_NEAR(redX / red, 300, 12);
    EXPECT_GT(redY / red, 320);  // below the middle of the picture (y grows downwards)
    EXPECT_GT(darkLeft, 10);
    EXPECT_GT(darkRight, 10);
}

TEST(TitleMeshes, TextAndEmblemAreClosedSolidsWithTheirObjects)
{
    // Read through the program's own loader, as the scene reads them.
    TMesh textMesh, logoMesh;
    ASSERT_TRUE(textMesh.Import((gOut / "text.obj").c_str()));
    ASSERT_TRUE(logoMesh.Import((gOut / "zev2.obj").c_str()));
    std::vector<CheckMesh> text = ObjectsOf(textMesh), logo = ObjectsOf(logoMesh);
    ASSERT_EQ(text.size(), 21u);
    ASSERT_EQ(logo.size(), 1u);
    EXPECT_TRUE(text[0].triangles.empty());
    size_t triangles = 0;
    for (size_t i = 1; i < 21; ++i) {
        EXPECT_EQ(ClosedSolidProblem(text[i]), "") << "object " << i;
        EXPECT_GT(SignedVolume(text[i]), 0.0) << "object " << i;
        triangles += text[i].triangles.size();
    }
    EXPECT_LT(triangles, 60000u);  // drawn every frame from client arrays
    EXPECT_EQ(ClosedSolidProblem(logo[0]), "");
    auto b = Bounds(logo[0]);
    EXPECT_NEAR(b[3] - b[0], 2.5, 0.05);
    EXPECT_TRUE(Inside(logo[0], {0, 0, 0}));

    // Pictures of the titles the schedule shows, nearly front on as the cameras see them.
    const int shown[] = {11, 10, 9, 1, 20};
    for (int i : shown) {
        Picture pic(800, 260, 230, 230, 236);
        auto tb = Bounds(text[size_t(i)]);
        OrthoView v = FrontView(std::min(700.0 / (tb[3] - tb[0]), 200.0 / (tb[4] - tb[1])));
        v.forward[0] = 0.3;  // turned a little to show the depth
        v.right[2] = -0.3;
        for (const auto& t : text[size_t(i)].triangles) {
            float p[3][3];
            for (int k = 0; k < 3; ++k)
                for (int c = 0; c < 3; ++c) p[k][c] = float(text[size_t(i)].positions[size_t(t[size_t(k)])][size_t(c)]);
            DrawTriangle(pic, v, p[0], p[1], p[2], 30, 40, 90);
        }
        EXPECT_TRUE(SavePng(pic, (PictureDir() / ("text_" + std::to_string(i) + ".png")).string()));
    }
    Picture pic(400, 400, 230, 230, 236);
    OrthoView v = FrontView(140);
    v.forward[0] = 0.3;
    v.right[2] = -0.3;
    for (const auto& t : logo[0].triangles) {
        float p[3][3];
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 3; ++c) p[k][c] = float(logo[0].positions[size_t(t[size_t(k)])][size_t(c)]);
        DrawTriangle(pic, v, p[0], p[1], p[2], 30, 40, 90);
    }
    EXPECT_TRUE(SavePng(pic, (PictureDir() / "emblem.png").string()));
}

TEST(VelocityVolume, DivergenceFreeAndQuietAtTheWalls)
{
    const int W = 128, H = 256, D = 128;
    std::string bytes = ReadAll(gOut / "velocity.dat");
    ASSERT_EQ(bytes.size(), size_t(W) * H * D * 12);
    std::vector<float> v(bytes.size() / 4);
    for (size_t i = 0; i < v.size(); ++i) {
        uint32_t u = uint32_t(uint8_t(bytes[4 * i])) | uint32_t(uint8_t(bytes[4 * i + 1])) << 8 |
                     uint32_t(uint8_t(bytes[4 * i + 2])) << 16 | uint32_t(uint8_t(bytes[4 * i + 3])) << 24;
        std::memcpy(&v[i], &u, 4);
    }
    auto at = [&](int x, int y, int z, int c) { return double(v[((size_t(z) * H + y) * W + x) * 3 + size_t(c)]); };
    double speed2 = 0, div2 = 0, curl2 = 0;
    long n = 0;
    for (int z = 1; z < D - 1; z += 3)
        for (int y = 1; y < H - 1; y += 3)
            for (int x = 1; x < W - 1; ++x) {
                // Central differences with the texel spacing as the unit of length.
                auto d = [&](int c, int axis) {
                    int dx = axis == 0, dy = axis == 1, dz = axis == 2;
                    return 0.5 * (at(x + dx, y + dy, z + dz, c) - at(x - dx, y - dy, z - dz, c));
                };
                double div = d(0, 0) + d(1, 1) + d(2, 2);
                double cx = d(2, 1) - d(1, 2), cy = d(0, 2) - d(2, 0), cz = d(1, 0) - d(0, 1);
                div2 += div * div;
                curl2 += cx * cx + cy * cy + cz * cz;
                for (int c = 0; c < 3; ++c) speed2 += at(x, y, z, c) * at(x, y, z, c);
                ++n;
            }
    double rmsSpeed = std::sqrt(speed2 / n), rmsDiv = std::sqrt(div2 / n), rmsCurl = std::sqrt(curl2 / n);
    EXPECT_GT(rmsSpeed, 0.5);
    EXPECT_LT(rmsSpeed, 2.0);
    EXPECT_LT(rmsDiv, 0.01 * rmsCurl) << "divergence " << rmsDiv << " curl " << rmsCurl;

    // At each wall the flow through it is small and the flow along it has zero slope, so the
    // mirrored repeat continues the field without a crease.
    double normal = 0, normalAll = 0, slope = 0, slopeAll = 0;
    long faces = 0, all = 0;
    for (int z = 0; z < D; z += 2)
        for (int y = 0; y < H; y += 2) {
            normal += std::abs(at(0, y, z, 0)) + std::abs(at(W - 1, y, z, 0));
            slope += std::abs(at(1, y, z, 1) - at(0, y, z, 1)) + std::abs(at(W - 1, y, z, 1) - at(W - 2, y, z, 1));
            faces += 2;
            for (int x = 2; x < W - 2; x += 5) {
                normalAll += std::abs(at(x, y, z, 0));
                slopeAll += std::abs(at(x + 1, y, z, 1) - at(x, y, z, 1));
                ++all;
            }
        }
    EXPECT_LT(normal / faces, 0.2 * normalAll / all);
    EXPECT_LT(slope / faces, 0.5 * slopeAll / all);
}

TEST(Keyframes, SevenNumbersALineInKeyOrder)
{
    struct Case {
        const char* file;
        double from, to;
    } cases[] = {{"my0.txt", 0.0, 30.0}, {"my1.txt", 30.0, 179.0}};
    for (const Case& c : cases) {
        std::string text = ReadAll(gOut / c.file);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
        std::istringstream in(text);
        double last = -1e9;
        int lines = 0;
        for (std::string line; std::getline(in, line);) {
            std::istringstream l(line);
            double v[7];
            int got = 0;
            while (got < 7 && l >> v[got]) ++got;
            std::string rest;
            EXPECT_EQ(got, 7) << c.file << ": " << line;
            EXPECT_FALSE(l >> rest) << c.file << ": " << line;
            EXPECT_GE(v[0], c.from);
            EXPECT_LT(v[0], c.to);
            EXPECT_GT(v[0], last);
            last = v[0];
            ++lines;
        }
        EXPECT_GE(lines, 2);
    }
}

class Soundtrack : public ::testing::Test {
protected:
    static DecodedAudio audio;
    static std::string error;
    static bool decoded;
    static void SetUpTestSuite() { decoded = DecodeMp3((gOut / "tk22.mp3").string(), audio, error); }
    double Db(double t0, double t1) const { return WindowDb(audio.l, audio.r, audio.rate, t0, t1); }
};
DecodedAudio Soundtrack::audio;
std::string Soundtrack::error;
bool Soundtrack::decoded = false;

TEST_F(Soundtrack, DecodesTo48kHzStereoOfAtLeast202Seconds)
{
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(audio.rate, 48000);
    EXPECT_EQ(audio.channels, 2);
    EXPECT_GE(audio.pcmBytes, size_t(202) * 192000);
    EXPECT_GE(audio.Seconds(), 202.0);
}

TEST_F(Soundtrack, LoudnessAndPeak)
{
    ASSERT_TRUE(decoded) << error;
    double lufs = IntegratedLoudness(audio.l.data(), audio.r.data(), audio.l.size(), int(audio.rate));
    double peak = PeakDb(audio.l.data(), audio.r.data(), audio.l.size());
    std::printf("integrated loudness %.2f LUFS, sample peak %.2f dBFS\n", lufs, peak);
    EXPECT_NEAR(lufs, -14.0, 1.0);
    EXPECT_LT(peak, -1.0);
}

TEST_F(Soundtrack, LevelChangesAtEveryScheduleTimeAndSilenceAtTheEnd)
{
    ASSERT_TRUE(decoded) << error;
    for (const ScheduleMark& m : ScheduleMarks()) {
        if (m.time <= 0.0 || m.time >= 201.5) continue;
        double before = Db(m.time - 1.0, m.time - 0.25), after = Db(m.time + 0.03, m.time + 0.75);
        std::printf("%7.2f s %-14s %6.1f dB -> %6.1f dB\n", m.time, m.name, before, after);
        EXPECT_GT(std::abs(after - before), 3.0) << m.name << " at " << m.time;
    }
    for (double t : CountdownTickTimes()) {
        double gap = Db(t - 0.15, t - 0.02), tick = Db(t, t + 0.08);
        EXPECT_GT(tick - gap, 6.0) << "countdown tick at " << t;
    }
    for (double t = 2.0; t < 200.0; t += 2.0) EXPECT_GT(Db(t, t + 2.0), -40.0) << "quiet stretch at " << t;
    EXPECT_LT(Db(201.5, audio.Seconds()), -70.0);
}

TEST_F(Soundtrack, NoClicksWhereThePassagesJoin)
{
    ASSERT_TRUE(decoded) << error;
    for (const ScheduleMark& m : ScheduleMarks()) {
        double ratio = ClickRatio(audio.l, audio.r, audio.rate, m.time);
        std::printf("%7.2f s %-14s click ratio %.2f\n", m.time, m.name, ratio);
        EXPECT_LT(ratio, 10.0) << m.name << " at " << m.time;
    }
}

TEST(Determinism, SecondRunWritesTheSameBytes)
{
    fs::path again = Scratch("b");
    ASSERT_TRUE(RunGenerator(again));
    for (const char* f : kFiles) {
        std::string a = ReadAll(gOut / f), b = ReadAll(again / f);
        EXPECT_EQ(a.size(), b.size()) << f;
        EXPECT_EQ(Fnv1a(a), Fnv1a(b)) << f;
    }
    fs::remove_all(again);
}
