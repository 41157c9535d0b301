// The OBJ loader on the real meshes (checked against an independent line-by-line reading
// of each file) and on small files for the face forms, indices, objects, colours,
// normals and the inputs it refuses.
#include "mesh/mesh.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// What a plain reading of an OBJ file with one statement per line finds.
struct Expected {
    std::vector<float> positions;
    std::vector<std::array<float, 2>> texcoords;
    int normals = 0, objects = 0, triangles = 0;
    std::vector<std::vector<int>> facePositions;  // 0-based position index per corner
    size_t distinctVertices = 0;                  // by position index and texture coordinate value
};

Expected ReadPlainly(const fs::path& path)
{
    Expected e;
    std::ifstream in(path);
    std::set<std::tuple<int, float, float>> distinct;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "v") {
            for (int k = 0; k < 3; ++k) {
                std::string number;
                words >> number;
                e.positions.push_back(std::strtof(number.c_str(), nullptr));
            }
        } else if (keyword == "vt") {
            std::string u, v;
            words >> u >> v;
            e.texcoords.push_back({std::strtof(u.c_str(), nullptr), std::strtof(v.c_str(), nullptr)});
        } else if (keyword == "vn") {
            ++e.normals;
        } else if (keyword == "o") {
            ++e.objects;
        } else if (keyword == "f") {
            std::vector<int> corners;
            for (std::string corner; words >> corner;) {
                const int p = std::atoi(corner.c_str()) - 1;
                const size_t slash = corner.find('/');
                std::array<float, 2> uv{0, 0};
                if (slash != std::string::npos && corner[slash + 1] != '/')
                    uv = e.texcoords.at(size_t(std::atoi(corner.c_str() + slash + 1) - 1));
                corners.push_back(p);
                distinct.insert({p, uv[0], uv[1]});
            }
            e.triangles += int(corners.size()) - 2;
            e.facePositions.push_back(corners);
        }
    }
    e.distinctVertices = distinct.size();
    return e;
}

TEST(MeshImport, EveryRealMeshMatchesAPlainReading)
{
    int files = 0;
    for (const auto& entry : fs::directory_iterator(HOLLOWMERE_MESHES_DIR)) {
        if (entry.path().extension() != ".obj") continue;
        ++files;
        const std::string name = entry.path().filename().string();
        const Expected e = ReadPlainly(entry.path());
        TMesh mesh;
        ::testing::internal::CaptureStdout();
        ASSERT_TRUE(mesh.Import(entry.path().c_str())) << name;
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Import.. " + entry.path().string() + "\n") << name;

        EXPECT_TRUE(mesh.loaded);
        EXPECT_EQ(mesh.positionCount * 3, int(e.positions.size())) << name;
        EXPECT_EQ(mesh.positions, e.positions) << name;
        EXPECT_EQ(mesh.texcoordCount, int(e.texcoords.size())) << name;
        EXPECT_EQ(mesh.normalCount, e.normals) << name;
        EXPECT_EQ(mesh.triangleCount, e.triangles) << name;
        EXPECT_EQ(mesh.indices.size(), size_t(e.triangles) * 3) << name;
        EXPECT_EQ(mesh.vertices.size(), e.distinctVertices) << name;
        EXPECT_EQ(mesh.objectStarts, std::vector<int32_t>{mesh.triangleCount}) << name;  // no "o" statements
        ASSERT_EQ(e.objects, 0) << name;

        // Every triangle is the fan of its face, by position line.
        size_t t = 0;
        bool fansMatch = true;
        for (const auto& face : e.facePositions)
            for (size_t j = 1; j + 1 < face.size(); ++j, ++t) {
                const int corners[3] = {face[0], face[j], face[j + 1]};
                for (int k = 0; k < 3; ++k) {
                    const MeshVertex& v = mesh.vertices.at(mesh.indices[t * 3 + size_t(k)]);
                    const float* p = &e.positions[size_t(corners[k]) * 3];
                    fansMatch = fansMatch && v.position[0] == p[0] && v.position[1] == p[1] && v.position[2] == p[2];
                }
            }
        EXPECT_TRUE(fansMatch) << name;

        // No file carries normals: all are generated, of unit length.
        EXPECT_TRUE(mesh.hasNormals) << name;
        int badNormals = 0;
        for (const MeshVertex& v : mesh.vertices) {
            const double length = std::sqrt(double(v.normal[0]) * v.normal[0] + double(v.normal[1]) * v.normal[1] +
                                            double(v.normal[2]) * v.normal[2]);
            badNormals += !(std::abs(length - 1.0) < 1e-5);
        }
        EXPECT_EQ(badNormals, 0) << name;
    }
    EXPECT_GE(files, 6);
}

class MeshFile : public ::testing::Test {
protected:
    fs::path path = fs::temp_directory_path() / ("hollowmere_mesh_" + std::to_string(getpid()) + ".obj");
    std::string output;

    void TearDown() override { fs::remove(path); }

    bool Import(TMesh& mesh, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
        ::testing::internal::CaptureStdout();
        const bool ok = mesh.Import(path.c_str());
        output = ::testing::internal::GetCapturedStdout();
        return ok;
    }
};

const std::string Triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

TEST_F(MeshFile, FanTriangulationAndIndexForms)
{
    const struct {
        const char* what;
        std::string text;
        std::vector<uint32_t> indices;
        size_t vertices;
    } cases[] = {
        {"quad", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n", {0, 1, 2, 0, 2, 3}, 4},
        {"negative indices count back from the last line read",
         Triangle + "f -3 -2 -1\nv 5 5 5\nf -4 -3 -1\n", {0, 1, 2, 0, 1, 3}, 4},
        {"different texture coordinates split a position",
         Triangle + "vt 0 0\nvt 1 1\nvt 0 0\nf 1/1 2/1 3/1\nf 1/2 2/3 3/3\n", {0, 1, 2, 3, 1, 2}, 4},
        {"position//normal form", Triangle + "vn 0 0 1\nvn 0 0 -1\nf 1//1 2//1 3//2\nf 1//2 2//1 3//2\n",
         {0, 1, 2, 3, 1, 2}, 4},
        {"three-number form", Triangle + "vt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1 1/1/1\n", {0, 1, 2, 0, 2, 0}, 3},
        {"equal coordinates on two v lines stay apart", "v 0 0 0\nv 0 0 0\nv 1 1 0\nf 1 2 3\n", {0, 1, 2}, 3},
        {"carriage returns and blank lines", "v 0 0 0\r\n\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n", {0, 1, 2}, 3},
        {"long comment is skipped whole", Triangle + "# " + std::string(300, 'c') + " f 1 2 3\nf 3 2 1\n", {0, 1, 2}, 3},
    };
    for (const auto& c : cases) {
        TMesh mesh;
        ASSERT_TRUE(Import(mesh, c.text)) << c.what;
        EXPECT_EQ(mesh.indices, c.indices) << c.what;
        EXPECT_EQ(mesh.vertices.size(), c.vertices) << c.what;
        EXPECT_EQ(output.find("skipped"), std::string::npos) << c.what << "\n" << output;
    }
}

TEST_F(MeshFile, ObjectsAndTheirRanges)
{
    TMesh mesh;
    ASSERT_TRUE(Import(mesh, Triangle + "f 1 2 3\no first\nf 1 2 3\no second one\nf 1 2 3\nf 3 2 1\n"));
    EXPECT_EQ(mesh.objectStarts, (std::vector<int32_t>{1, 2, 4}));
    EXPECT_EQ(mesh.objectIndex, 1);
    // Faces before the first "o" belong to no object; objects never share vertices.
    const int32_t expected[4] = {-1, 0, 1, 1};
    for (int t = 0; t < 4; ++t)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(mesh.vertices[mesh.indices[size_t(t) * 3 + size_t(k)]].object, expected[t]);
    EXPECT_EQ(mesh.vertices.size(), 9u);

    ASSERT_TRUE(Import(mesh, Triangle + "f 1 2 3\n"));
    EXPECT_EQ(mesh.objectStarts, std::vector<int32_t>{1});  // no "o": no object at all
    EXPECT_EQ(mesh.vertices.size(), 3u);                    // the previous contents are gone
}

TEST_F(MeshFile, ColoursTexcoordsAndGivenNormals)
{
    TMesh mesh;
    ASSERT_TRUE(Import(mesh, "v 0 0 0 0.1 0.2 0.3\nv 1 0 0 0.5\nv 0 1 0\nvt 0.25 0.75\nvn 0 1 0\nf 1/1 2/1 3/1\n"));
    EXPECT_EQ(mesh.colours, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.5f, 1, 1, 1, 1, 1}));
    EXPECT_EQ(mesh.vertices[0].texcoord[0], 0.25f);
    EXPECT_EQ(mesh.vertices[0].texcoord[1], 0.75f);
    EXPECT_EQ(mesh.vertices[0].colour[2], 0.3f);
    // The file has normals, the face names none: normals stay zero, none are generated.
    EXPECT_TRUE(mesh.hasNormals);
    for (const MeshVertex& v : mesh.vertices) EXPECT_EQ(v.normal[0] + v.normal[1] + v.normal[2], 0.0f);

    // More than eight normals per position line: all of them are kept.
    std::string many = Triangle;
    for (int k = 1; k <= 30; ++k) many += "vn 0 0 " + std::to_string(k) + "\n";
    ASSERT_TRUE(Import(mesh, many + "f 1//30 2//29 3//-3\n"));
    ASSERT_EQ(mesh.normals.size(), 90u);
    EXPECT_EQ(mesh.vertices[0].normal[2], 30.0f);
    EXPECT_EQ(mesh.vertices[1].normal[2], 29.0f);
    EXPECT_EQ(mesh.vertices[2].normal[2], 28.0f);
}

TEST_F(MeshFile, GeneratedNormalsAreAreaWeighted)
{
    // Vertex 1 is shared by a unit triangle in the xy plane and one four times larger in xz.
    TMesh mesh;
    ASSERT_TRUE(Import(mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 2\nv 2 0 0\nf 1 2 3\nf 1 4 5\n"));
    const float small[3] = {0, 0, 1};   // (1,0,0) x (0,1,0)
    const float large[3] = {0, 4, 0};   // (0,0,2) x (2,0,0)
    const float sum[3] = {small[0] + large[0], small[1] + large[1], small[2] + large[2]};
    const float length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(mesh.vertices[0].normal[k], sum[k] / length);
    EXPECT_FLOAT_EQ(mesh.vertices[1].normal[2], 1.0f);

    // Degenerate triangles (and one whose cross product is too small to square in single
    // precision): a defined unit normal instead of NaN.
    ASSERT_TRUE(Import(mesh, "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 1e-20 0 0\nv 0 1e-20 0\nf 1 2 3\nf 1 4 5\n"));
    for (const MeshVertex& v : mesh.vertices) {
        EXPECT_TRUE(std::isfinite(v.normal[0]) && std::isfinite(v.normal[1]) && std::isfinite(v.normal[2]));
        EXPECT_EQ(v.normal[2], 1.0f);
    }
}

TEST_F(MeshFile, FacesOutsideWhatTheLoaderTakesAreSkipped)
{
    const struct {
        const char* what;
        std::string text;
        int line;
        const char* message;
    } cases[] = {
        {"index 0", Triangle + "f 0 1 2\n", 4, "position index of corner 1"},
        {"index beyond the lines read", Triangle + "f 1 2 4\n", 4, "position index of corner 3"},
        {"forward reference", "v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n", 3, "position index of corner 3"},
        {"negative beyond the first", Triangle + "f -4 -1 -2\n", 4, "position index of corner 1"},
        {"huge index", Triangle + "f 99999999999999999999999 1 2\n", 4, "position index of corner 1"},
        {"texture coordinate beyond", Triangle + "vt 0 0\nf 1/1 2/2 3/1\n", 5, "texture coordinate index of corner 2"},
        {"normal beyond", Triangle + "vn 0 0 1\nf 1//1 2//1 3//2\n", 5, "normal index of corner 3"},
        {"normal 0", Triangle + "vt 0 0\nvn 0 0 1\nf 1/1/0 2/1/1 3/1/1\n", 6, "normal index of corner 1"},
        {"two corners", Triangle + "f 1 2\n", 4, "fewer than three corners"},
        {"no corners", Triangle + "f\n", 4, "face without corners"},
        {"words for corners", Triangle + "f a b c\n", 4, "fewer than three corners"},
        {"corner short of the form", Triangle + "vt 0 0\nf 1/1 2/1 3\n", 5, "corner 3 lacks"},
        {"fourth corner short of the form", Triangle + "vt 0 0\nf 1/1 2/1 3/1 1\n", 5, "corner 4 lacks"},
        {"keyword over 255 characters", Triangle + "f" + std::string(300, '1') + " 1 2 3\n", 4, "longer than 255"},
    };
    for (const auto& c : cases) {
        TMesh mesh;
        // The good faces after the bad one still load.
        ASSERT_TRUE(Import(mesh, c.text + "f 1 2 3\nv 9 9 9\nf 3 2 4\n")) << c.what;
        EXPECT_EQ(mesh.triangleCount, 2) << c.what;
        EXPECT_EQ(mesh.indices.size(), 6u) << c.what;
        EXPECT_NE(output.find("Import.. " + path.string() + ":" + std::to_string(c.line) + ": "), std::string::npos) << c.what << "\n" << output;
        EXPECT_NE(output.find(c.message), std::string::npos) << c.what << "\n" << output;
        for (const uint32_t i : mesh.indices) EXPECT_LT(i, mesh.vertices.size()) << c.what;
    }
}

TEST_F(MeshFile, ManyRejectionsAreSummarised)
{
    std::string text = Triangle;
    for (int k = 0; k < 20; ++k) text += "f 0 0 0\n";
    TMesh mesh;
    ASSERT_TRUE(Import(mesh, text));
    EXPECT_EQ(mesh.triangleCount, 0);
    EXPECT_NE(output.find(": 20 statements skipped in all"), std::string::npos) << output;
}

TEST_F(MeshFile, MissingFileLeavesAnEmptyRecord)
{
    TMesh mesh;
    ASSERT_TRUE(Import(mesh, Triangle + "f 1 2 3\n"));
    fs::remove(path);
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(mesh.Import(path.c_str()));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Import.. " + path.string() + "\n");
    EXPECT_FALSE(mesh.loaded);
    EXPECT_TRUE(mesh.vertices.empty() && mesh.indices.empty() && mesh.objectStarts.empty() && mesh.vertexMap.empty());
    EXPECT_EQ(mesh.positionCount + mesh.triangleCount, 0);
    EXPECT_EQ(mesh.objectIndex, -1);

    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(mesh.Import(fs::temp_directory_path().c_str()));  // a folder reads as no file
    EXPECT_FALSE(mesh.Import(nullptr));
    ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(mesh.loaded);
}

}  // namespace
