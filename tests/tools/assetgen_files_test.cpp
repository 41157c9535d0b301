// The other/ folder the build generates, read back through the program's own loaders where it
// has them: the face scan (and the face seen from the front), the title meshes, the velocity
// volume, the soundtrack (decoded and measured), the keyframe tracks; and a second run that must
// give the same bytes.
#include "checks.h"
#include "loudness.h"
#include "mesh/mesh.h"
#include "music.h"
#include "platform/audio.h"
#include "platform/loading.h"
#include "support/scratch.h"
#include "text_meshes.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The generator's output as the build stages it in the run folder.
const fs::path gOut = HOLLOWMERE_RUN_DIR "/other";

// Each object of a loaded mesh as a separate triangle list over the mesh's vertices.
std::vector<SolidMesh> ObjectsOf(const TMesh& mesh)
{
    std::vector<SolidMesh> objects;
    for (size_t o = 0; o + 1 < mesh.objectStarts.size(); ++o) {
        SolidMesh& m = objects.emplace_back();
        for (const MeshVertex& v : mesh.vertices) m.positions.push_back({v.position[0], v.position[1], v.position[2]});
        for (size_t t = size_t(mesh.objectStarts[o]); t < size_t(mesh.objectStarts[o + 1]); ++t)
            m.triangles.push_back({int(mesh.indices[3 * t]), int(mesh.indices[3 * t + 1]), int(mesh.indices[3 * t + 2])});
    }
    return objects;
}

}  // namespace

TEST(FaceScan, HeaderBodyExtentAndAFaceFromTheFront)
{
    const std::string text = ReadWholeFile(gOut / "face.ply").value_or("");
    ASSERT_TRUE(!text.empty() && text.back() == '\n') << "no file, or its last line has no line break";
    std::istringstream in(text);
    std::vector<std::string> header(40);
    for (std::string& l : header) std::getline(in, l);
    EXPECT_EQ(header[0], "ply");
    EXPECT_EQ(header[1], "format ascii 1.0");
    EXPECT_EQ(header[39], "end_header");
    int properties = 0, elements = 0;
    for (const std::string& l : header) properties += l.rfind("property ", 0) == 0, elements += l.rfind("element ", 0) == 0;
    EXPECT_TRUE(properties == 7 && elements == 1) << properties << " properties, " << elements << " elements";
    EXPECT_NE(std::find(header.begin(), header.end(), "element vertex 1454061"), header.end());

    std::vector<float> xyz;
    std::vector<uint8_t> colours;
    size_t lines = 0;
    float lo[3] = {1, 1, 1}, hi[3] = {-1, -1, -1};
    for (std::string line; std::getline(in, line); ++lines) {
        float p[3], extra;
        int c[3];
        char tail;
        ASSERT_TRUE(std::sscanf(line.c_str(), "%f %f %f %d %d %d %f %c", &p[0], &p[1], &p[2], &c[0], &c[1], &c[2], &extra, &tail) == 7 &&
                    extra >= 0 && extra <= 1 && std::all_of(c, c + 3, [](int v) { return v >= 0 && v <= 255; }))
            << "line " << lines + 41 << ": " << line;
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
            xyz.push_back(p[k]);
            colours.push_back(uint8_t(c[k]));
        }
    }
    EXPECT_EQ(lines, 1454061u);
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(lo[k] >= -0.5f && hi[k] <= 0.5f) << "axis " << k << ": " << lo[k] << " to " << hi[k];
        EXPECT_NEAR(lo[k] + hi[k], 0.0f, 2e-4f) << "axis " << k;
    }
    EXPECT_GT(hi[1] - lo[1], 0.9f);  // about one unit tall, narrower than tall
    EXPECT_LT(hi[0] - lo[0], hi[1] - lo[1]);
    // The texture takes the first 1,440,000 points: they too cover the whole head.
    int front = 0;
    for (size_t i = 0; i < 1440000; ++i) front += xyz[3 * i + 2] > 0;
    EXPECT_TRUE(front > 300000 && 1440000 - front > 300000) << front << " of them in front";

    // Seen from +z at 580 pixels to the unit, the colour of the nearest point in each pixel:
    // the silhouette is mirror-symmetric, the red of the lips sits on the centre line below
    // the middle, and the densest dark spots (pupils) above it form a mirrored pair.
    std::vector<float> nearest(600 * 600, -1.0f);
    std::vector<const uint8_t*> pic(600 * 600, nullptr);
    for (size_t i = 0; i < lines; ++i) {
        const size_t at = size_t(300 - xyz[3 * i + 1] * 580) * 600 + size_t(300 + xyz[3 * i] * 580);
        if (xyz[3 * i + 2] > nearest[at]) nearest[at] = xyz[3 * i + 2], pic[at] = &colours[3 * i];
    }
    int both = 0, either = 0, red = 0, dark[60][60] = {};  // dark pixels per 10 x 10 cell
    double redX = 0, redY = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 600; ++x) {
            const uint8_t* c = pic[size_t(y) * 600 + x];
            const bool mirrored = pic[size_t(y) * 600 + 599 - x];
            both += c && mirrored;
            either += c || mirrored;
            if (!c) continue;
            if (c[0] > c[1] + 60 && c[0] > c[2] + 50) ++red, redX += x, redY += y;
            dark[y / 10][x / 10] += c[0] < 25 && c[1] < 25 && c[2] < 25;
        }
    EXPECT_GT(double(both) / either, 0.97);
    ASSERT_GT(red, 200);
    EXPECT_NEAR(redX / red, 300, 12);
    EXPECT_GT(redY / red, 320);  // below the middle of the picture
    auto densest = [&](int column0) {  // count, column and row of the darkest cell in rows 200 to 300 of one half
        std::array<int, 3> best = {0, 0, 0};
        for (int row = 20; row < 30; ++row)
            for (int column = column0; column < column0 + 30; ++column) best = std::max(best, {dark[row][column], column, row});
        return best;
    };
    const std::array<int, 3> left = densest(0), right = densest(30);
    EXPECT_TRUE(left[0] > 25 && right[0] > 25 && std::abs(left[1] + right[1] - 59) <= 1 && std::abs(left[2] - right[2]) <= 1)
        << left[0] << " dark pixels in cell " << left[1] << ", " << left[2] << "; " << right[0] << " in " << right[1] << ", " << right[2];
}

TEST(TitleMeshes, ClosedSolidsSizedForTheCameras)
{
    TMesh text, logo;
    ASSERT_TRUE(text.Import((gOut / "text.obj").c_str()));
    ASSERT_TRUE(logo.Import((gOut / "zev2.obj").c_str()));
    std::vector<SolidMesh> objects = ObjectsOf(text), emblem = ObjectsOf(logo);
    ASSERT_EQ(objects.size(), 21u);
    ASSERT_EQ(emblem.size(), 1u);
    EXPECT_TRUE(objects[0].triangles.empty());
    size_t triangles = 0;
    for (size_t i = 1; i < 21; ++i) {
        SCOPED_TRACE("object " + std::to_string(i) + " \"" + TitleTexts()[i] + "\"");
        EXPECT_EQ(ClosedSolidProblem(objects[i]), "");
        EXPECT_GT(SignedVolume(objects[i]), 0.0);
        auto b = Bounds(objects[i]);
        EXPECT_NEAR(b[0] + b[3], 0.0, 1e-3);
        EXPECT_NEAR(b[1] + b[4], 0.0, 1e-3);
        // The 9 degree view at 75 units is about 11.8 units tall, the 10 degree one 13: digits
        // about half that high, lines about 10 units wide.
        double size = i <= 9 ? b[4] - b[1] : b[3] - b[0];
        EXPECT_TRUE(i <= 9 ? size > 3.0 && size < 7.0 : size > 5.0 && size < 10.5) << size;
        triangles += objects[i].triangles.size();
    }
    EXPECT_LT(triangles, 60000u);  // drawn every frame from client arrays
    EXPECT_EQ(ClosedSolidProblem(emblem[0]), "");
    EXPECT_GT(SignedVolume(emblem[0]), 0.0);
    auto b = Bounds(emblem[0]);
    EXPECT_NEAR(b[3] - b[0], 2.5, 0.05);
    EXPECT_NEAR(b[4] - b[1], 2.5, 0.05);
    // The logo camera starts at z = 0, inside the emblem, and backs away along +z.
    EXPECT_NEAR(Winding(emblem[0], {0, 0, 0}), 1.0, 1e-6);
    EXPECT_NEAR(Winding(emblem[0], {0, 0, 1}), 0.0, 1e-6);

}

TEST(VelocityVolume, ExactSizeDivergenceFreeAndQuietAtTheWalls)
{
    static_assert(std::endian::native == std::endian::little, "the file holds little-endian floats");
    const int W = 128, H = 256, D = 128;
    const std::string bytes = ReadWholeFile(gOut / "velocity.dat").value_or("");
    ASSERT_EQ(bytes.size(), 50331648u);
    std::vector<float> v(bytes.size() / 4);
    std::memcpy(v.data(), bytes.data(), bytes.size());
    auto at = [&](int x, int y, int z, int c) { return double(v[((size_t(z) * H + y) * W + x) * 3 + size_t(c)]); };
    double speed2 = 0, div2 = 0, curl2 = 0;
    long n = 0;
    for (int z = 1; z < D - 1; z += 3)
        for (int y = 1; y < H - 1; y += 3)
            for (int x = 1; x < W - 1; ++x, ++n) {
                // Central differences with the texel spacing as the unit of length.
                auto d = [&](int c, int axis) {
                    int dx = axis == 0, dy = axis == 1, dz = axis == 2;
                    return 0.5 * (at(x + dx, y + dy, z + dz, c) - at(x - dx, y - dy, z - dz, c));
                };
                double div = d(0, 0) + d(1, 1) + d(2, 2), cx = d(2, 1) - d(1, 2), cy = d(0, 2) - d(2, 0), cz = d(1, 0) - d(0, 1);
                div2 += div * div;
                curl2 += cx * cx + cy * cy + cz * cz;
                for (int c = 0; c < 3; ++c) speed2 += at(x, y, z, c) * at(x, y, z, c);
            }
    double rmsSpeed = std::sqrt(speed2 / n), rmsDiv = std::sqrt(div2 / n), rmsCurl = std::sqrt(curl2 / n);
    EXPECT_TRUE(rmsSpeed > 0.5 && rmsSpeed < 2.0) << rmsSpeed;
    EXPECT_LT(rmsDiv, 0.01 * rmsCurl) << "divergence " << rmsDiv << " curl " << rmsCurl;

    // At each wall the flow through it is small and the flow along it has zero slope, so the
    // mirrored repeat continues the field without a crease.
    double normal = 0, normalAll = 0, slope = 0, slopeAll = 0;
    long faces = 0, all = 0;
    for (int z = 0; z < D; z += 2)
        for (int y = 0; y < H; y += 2, faces += 2) {
            normal += std::abs(at(0, y, z, 0)) + std::abs(at(W - 1, y, z, 0));
            slope += std::abs(at(1, y, z, 1) - at(0, y, z, 1)) + std::abs(at(W - 1, y, z, 1) - at(W - 2, y, z, 1));
            for (int x = 2; x < W - 2; x += 5, ++all) {
                normalAll += std::abs(at(x, y, z, 0));
                slopeAll += std::abs(at(x + 1, y, z, 1) - at(x, y, z, 1));
            }
        }
    EXPECT_LT(normal / faces, 0.2 * normalAll / all);
    EXPECT_LT(slope / faces, 0.5 * slopeAll / all);
}

TEST(Keyframes, SevenNumbersALineInKeyOrder)
{
    for (auto [file, from, to] : {std::tuple{"my0.txt", 0.0, 30.0}, std::tuple{"my1.txt", 30.0, 179.0}}) {
        const std::string text = ReadWholeFile(gOut / file).value_or("");
        EXPECT_TRUE(text.size() > 1 && text.back() == '\n') << file;
        std::istringstream in(text);
        double last = -1e9, v[8] = {};
        int lines = 0, got = 0;
        for (std::string line; std::getline(in, line); ++lines, last = v[0]) {
            std::istringstream l(line);
            for (got = 0; got < 8 && l >> v[got];) ++got;
            EXPECT_TRUE(got == 7 && l.eof() && v[0] >= from && v[0] < to && v[0] > last) << file << ": " << line;
        }
        EXPECT_GE(lines, 2) << file;
    }
}

TEST(Soundtrack, DecodesTo48kHzStereoAtItsLoudnessWithLevelChangesAtTheScheduleTimes)
{
    // The file's own format, not the player's resampled one; then the player's decoding.
    const std::string path = (gOut / "tk22.mp3").string();
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    long rate = 0;
    int channels = 0, encoding = 0;
    EXPECT_EQ(mpg123_open(h, path.c_str()), MPG123_OK);
    EXPECT_EQ(mpg123_getformat(h, &rate, &channels, &encoding), MPG123_OK);
    mpg123_delete(h);  // closes the file too
    EXPECT_TRUE(rate == 48000 && channels == 2) << rate << " Hz, " << channels << " channels";
    std::vector<int16_t> pcm;
    std::string error;
    ASSERT_TRUE(DecodeMp3(path.c_str(), pcm, error)) << error;
    EXPECT_GE(pcm.size() * 2, 202u * 192000);
    std::vector<float> l, r;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) l.push_back(pcm[i] / 32768.0f), r.push_back(pcm[i + 1] / 32768.0f);
    double lufs = IntegratedLoudness(l.data(), r.data(), l.size(), kMusicRate), peak = PeakDb(l.data(), r.data(), l.size());
    EXPECT_NEAR(lufs, -14.0, 1.0);
    EXPECT_LT(peak, -1.0);

    // RMS level of both channels over [t0, t1) seconds in dBFS (-200 for silence).
    auto db = [&](double t0, double t1) {
        double sum = 0;
        size_t a = size_t(std::max(0.0, t0) * kMusicRate), b = std::min(l.size(), size_t(std::max(0.0, t1) * kMusicRate));
        for (size_t i = a; i < b; ++i) sum += double(l[i]) * l[i] + double(r[i]) * r[i];
        return b > a && sum > 0 ? 10.0 * std::log10(sum / (2.0 * double(b - a))) : -200.0;
    };
    for (const ScheduleMark& m : ScheduleMarks()) {
        double before = db(m.time - 1.0, m.time - 0.25), after = db(m.time + 0.03, m.time + 0.75);
        EXPECT_LT(ClickRatio(l, r, m.time), 10.0) << m.name << " at " << m.time;
        EXPECT_TRUE(m.time <= 0.0 || m.time >= 201.5 || std::abs(after - before) > 3.0) << m.name << " at " << m.time;
    }
    for (double t : CountdownTickTimes()) EXPECT_GT(db(t, t + 0.08) - db(t - 0.15, t - 0.02), 6.0) << "countdown tick at " << t;
    for (double t = 2.0; t < 200.0; t += 2.0) EXPECT_GT(db(t, t + 2.0), -40.0) << "quiet stretch at " << t;
    EXPECT_LT(db(201.5, double(l.size()) / kMusicRate), -70.0);
}

// A second run, with leak checks on whatever this test runs with, writes the same bytes.
TEST(Determinism, SecondRunWritesTheSameBytes)
{
    const std::string again = ScratchDir("assetgen_again");
    const std::string cmd = std::string("ASAN_OPTIONS=detect_leaks=1 \"") + ASSETGEN_EXE + "\" \"" + again + "\"";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "assetgen failed";
    for (const char* f : {"face.ply", "text.obj", "zev2.obj", "velocity.dat", "tk22.mp3", "my0.txt", "my1.txt"}) {
        const std::optional<std::string> a = ReadWholeFile(gOut / f), b = ReadWholeFile(again + "/" + f);
        EXPECT_TRUE(a && !a->empty() && a == b) << f;
    }
    fs::remove_all(again);
}
