// crtool as its users run it: round trips of a real mesh with texture coordinates and of the
// generated meshes through encode and decode, the info figures against the file, PLY input with
// normals and colours, and one-line failures with their status for bad input and bad usage,
// never leaving a partial output file.
#include "crt/writer/mesh_io.h"
#include "platform/loading.h"
#include "support/scratch.h"
#include "support/shared_meshes.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Crtool(const std::string& dir, const std::string& args)
{
    const std::string out = dir + "/stdout.txt", err = dir + "/stderr.txt";
    const int raw = std::system((std::string(CRTOOL_EXE) + " " + args + " > " + out + " 2> " + err).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadWholeFile(out).value_or(""), ReadWholeFile(err).value_or("")};
}

// Triangles as the grid points of their corners, each rotated to start at its smallest corner.
std::vector<std::array<int64_t, 9>> GridTriangles(const crt::TriMesh& m, float step)
{
    std::vector<std::array<int64_t, 9>> tris;
    for (size_t f = 0; f < m.indices.size(); f += 3) {
        std::array<std::array<int64_t, 3>, 3> c;
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 3; ++j)
                c[k][j] = std::llround(double(m.positions[3 * size_t(m.indices[f + k]) + j]) / double(step));
        const int first = int(std::min_element(c.begin(), c.end()) - c.begin());
        std::array<int64_t, 9> t;
        for (int k = 0; k < 3; ++k)
            std::copy(c[(first + k) % 3].begin(), c[(first + k) % 3].end(), t.begin() + 3 * k);
        tris.push_back(t);
    }
    std::sort(tris.begin(), tris.end());
    return tris;
}

float Step(const crt::TriMesh& m)
{
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (size_t i = 0; i < m.positions.size(); ++i) {
        lo[i % 3] = std::min(lo[i % 3], m.positions[i]);
        hi[i % 3] = std::max(hi[i % 3], m.positions[i]);
    }
    return std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]}) / 16383;
}

// The info table's byte column: the sum of the section rows, and the total row.
std::pair<size_t, size_t> InfoSums(const std::string& text)
{
    std::istringstream lines(text.substr(text.find(" share\n")));  // the rows under the heading
    size_t sum = 0, total = 0;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string x; words >> x;) w.push_back(x);
        if (w.size() >= 3) (w[0] == "total" ? total : sum) += std::stoul(w[w.size() - 2]);
    }
    return {sum, total};
}

// One mesh file through encode, decode to every format, and info.
void RoundTripsThroughCrtool(const fs::path& path, const std::string& dir)
{
    const std::string name = path.filename().string(), crt = dir + "/" + name + ".crt";
    SCOPED_TRACE(name);
    crt::TriMesh in;
    ASSERT_TRUE(crt::ReadMesh(path.string(), in));
    const Outcome enc = Crtool(dir, "encode " + path.string() + " " + crt);
    ASSERT_EQ(enc.status, 0) << enc.err;
    // Through every output format: the same vertices within half a step, the same triangles.
    const float step = Step(in);
    for (const char* format : {".obj", ".off", ".ply"}) {
        const std::string out = dir + "/" + name + format;
        const Outcome dec = Crtool(dir, "decode " + crt + " " + out);
        ASSERT_EQ(dec.status, 0) << dec.err;
        crt::TriMesh back;
        ASSERT_TRUE(crt::ReadMesh(out, back)) << format;
        ASSERT_EQ(back.vertexCount(), in.vertexCount()) << format;
        ASSERT_EQ(back.indices.size(), in.indices.size()) << format;
        // The decoded points sit on the step's grid, so the same grid triangles put every
        // corner within half a step of the input's.
        for (float p : back.positions) ASSERT_NEAR(double(p) / step, std::round(double(p) / step), 1e-3) << format;
        EXPECT_TRUE(GridTriangles(back, step) == GridTriangles(in, step)) << format;
        if (std::string(format) != ".off") // OFF carries positions and faces only
            EXPECT_EQ(back.uvs.size(), in.uvs.size()) << format;
    }
    const Outcome info = Crtool(dir, "info " + crt);
    ASSERT_EQ(info.status, 0);
    const auto [sum, total] = InfoSums(info.out);
    EXPECT_EQ(sum, fs::file_size(crt)) << info.out;
    EXPECT_EQ(total, fs::file_size(crt));
    EXPECT_EQ(info.out.find("unread"), std::string::npos) << "every byte belongs to a section";
}

} // namespace

// The generated title meshes (objects as face groups, no texture coordinates), then one real
// mesh with texture coordinates where the shared folder is (the library's own tests take every
// real mesh through encode and decode; here it is the command's readers and writers that are checked).
TEST(Crtool, MeshesRoundTrip)
{
    const std::string dir = ScratchDir("crtool-roundtrip");
    RoundTripsThroughCrtool(HOLLOWMERE_RUN_DIR "/other/text.obj", dir);
    REQUIRE_SHARED_MESHES(meshes);
    RoundTripsThroughCrtool(meshes + "/camel_b.obj", dir);
}

TEST(Crtool, PlyWithNormalsAndColours)
{
    const std::string dir = ScratchDir("crtool-ply");
    // A square of two triangles in binary PLY with normals, byte colours and alpha.
    std::string ply = "ply\nformat binary_little_endian 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
                      "property float z\nproperty float nx\nproperty float ny\nproperty float nz\nproperty uchar red\n"
                      "property uchar green\nproperty uchar blue\nproperty uchar alpha\nelement face 2\n"
                      "property list uchar int vertex_indices\nend_header\n";
    const float xy[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int v = 0; v < 4; ++v) {
        const float f[6] = {xy[v][0], xy[v][1], 0, 0, 0, 1};
        ply.append(reinterpret_cast<const char*>(f), sizeof f);
        const unsigned char c[4] = {uint8_t(10 * v), uint8_t(200 - v), 7, 255};
        ply.append(reinterpret_cast<const char*>(c), 4);
    }
    const int32_t faces[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (const auto& face : faces) {
        ply += char(3);
        ply.append(reinterpret_cast<const char*>(face), 12);
    }
    Write(dir + "/square.ply", ply);
    ASSERT_EQ(Crtool(dir, "encode " + dir + "/square.ply " + dir + "/square.crt").status, 0);
    const Outcome info = Crtool(dir, "info " + dir + "/square.crt");
    EXPECT_NE(info.out.find("normal codec (2)"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("colour codec (3), 4 channels"), std::string::npos) << info.out;
    ASSERT_EQ(Crtool(dir, "decode " + dir + "/square.crt " + dir + "/back.ply --ascii").status, 0);
    crt::TriMesh back;
    ASSERT_TRUE(crt::ReadPly(dir + "/back.ply", back));
    ASSERT_EQ(back.vertexCount(), 4u);
    ASSERT_EQ(back.colorChannels, 4);
    std::vector<std::array<int, 4>> colours;
    for (uint32_t v = 0; v < 4; ++v) {
        EXPECT_NEAR(back.normals[3 * v + 2], 1.0f, 1e-6f);
        colours.push_back({int(std::lround(back.colors[4 * v] * 255)), int(std::lround(back.colors[4 * v + 1] * 255)),
                           int(std::lround(back.colors[4 * v + 2] * 255)), int(std::lround(back.colors[4 * v + 3] * 255))});
    }
    std::sort(colours.begin(), colours.end());
    EXPECT_EQ(colours, (std::vector<std::array<int, 4>>{{0, 200, 7, 255}, {10, 199, 7, 255}, {20, 198, 7, 255},
                                                         {30, 197, 7, 255}}));
}

TEST(Crtool, FailuresAreOneLineWithTheirStatus)
{
    const std::string dir = ScratchDir("crtool-failures");
    Write(dir + "/text.crt", "hello, this is not a container\n");
    Write(dir + "/text.obj", "hello\n");
    Write(dir + "/tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 1\nf 1 2 3\nf 2 4 3\n");
    ASSERT_EQ(Crtool(dir, "encode " + dir + "/tri.obj " + dir + "/tri.crt").status, 0);
    const std::string bytes = ReadWholeFile(dir + "/tri.crt").value_or("");
    Write(dir + "/cut.crt", bytes.substr(0, bytes.size() - 5));
    struct Case {
        std::string args, says;
        int status;
        std::string output = {}; // a file that must not exist afterwards
    };
    const Case cases[] = {
        {"decode " + dir + "/missing.crt " + dir + "/o1.obj", "missing.crt: cannot open", 1, dir + "/o1.obj"},
        {"decode " + dir + "/text.crt " + dir + "/o2.obj", "text.crt: Not a crt file.", 1, dir + "/o2.obj"},
        {"decode " + dir + "/cut.crt " + dir + "/o3.ply", "cut.crt: ", 1, dir + "/o3.ply"},
        {"info " + dir + "/cut.crt", "cut.crt: ", 1},
        {"bench " + dir + "/text.crt", "text.crt: Not a crt file.", 1},
        {"encode " + dir + "/missing.obj " + dir + "/o4.crt", "missing.obj: cannot open", 1, dir + "/o4.crt"},
        {"encode " + dir + "/text.obj " + dir + "/o5.crt", "text.obj: holds no triangles", 1, dir + "/o5.crt"},
        {"encode " + dir + "/tri.obj " + dir + "/o6.crt --speed 3", "unknown option --speed", 2, dir + "/o6.crt"},
        {"encode " + dir + "/tri.obj " + dir + "/o7.crt --bits 99", "--bits takes a number", 2, dir + "/o7.crt"},
        {"encode " + dir + "/tri.obj " + dir + "/o8.crt --normals maybe", "--normals takes none", 2, dir + "/o8.crt"},
        {"decode " + dir + "/tri.crt " + dir + "/o9.xyz", "o9.xyz: the output's extension", 2, dir + "/o9.xyz"},
        {"decode " + dir + "/tri.crt", "decode takes 2 files", 2},
        {"squash " + dir + "/tri.crt", "unknown command \"squash\"", 2},
        {"", "usage: crtool encode", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = Crtool(dir, c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        if (!c.args.empty())
            EXPECT_TRUE(r.err.rfind("crtool: ", 0) == 0 && std::count(r.err.begin(), r.err.end(), '\n') == 1) << r.err;
        if (!c.output.empty()) {
            EXPECT_FALSE(fs::exists(c.output));
            EXPECT_FALSE(fs::exists(c.output + ".part"));
        }
    }
}
