// The OBJ loader on the real meshes, against an independent line-by-line reading of each
// file, and on small files for the face forms, objects, colours, normals and refused input.
#include "mesh/mesh.h"
#include "shaders/temp_folder.h"

#include <array>
#include <cmath>
#include <set>
#include <sstream>
#include <tuple>

namespace {

// What a plain reading of an OBJ file with one statement per line finds.
struct Expected {
    std::vector<float> positions;
    std::vector<std::array<int, 3>> triangles;  // 0-based position lines, fans of the faces
    std::set<std::tuple<int, float, float>> vertices;  // distinct by position line and texture coordinate
    int texcoords = 0, normals = 0, objects = 0;
};

Expected ReadPlainly(const std::string& path)
{
    Expected e;
    std::vector<std::array<float, 2>> uvs{{0, 0}};  // uvs[0] for a corner without one
    auto number = [](const std::string& word) { return std::strtof(word.c_str(), nullptr); };
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string keyword, a, b, c;
        words >> keyword;
        if (keyword == "v" && words >> a >> b >> c) e.positions.insert(e.positions.end(), {number(a), number(b), number(c)});
        if (keyword == "vt" && words >> a >> b) uvs.push_back({number(a), number(b)});
        e.normals += keyword == "vn";
        e.objects += keyword == "o";
        std::vector<int> corners;
        for (std::string corner; keyword == "f" && words >> corner;) {
            corners.push_back(std::atoi(corner.c_str()) - 1);
            const size_t slash = corner.find('/');
            const auto& uv = uvs.at(slash == std::string::npos ? 0 : size_t(std::atoi(&corner[slash + 1])));
            e.vertices.insert({corners.back(), uv[0], uv[1]});
        }
        for (size_t j = 1; j + 1 < corners.size(); ++j) e.triangles.push_back({corners[0], corners[j], corners[j + 1]});
    }
    e.texcoords = int(uvs.size()) - 1;
    return e;
}

TEST(MeshImport, EveryRealMeshMatchesAPlainReading)
{
    int files = 0;
    for (const auto& entry : fs::directory_iterator(HOLLOWMERE_MESHES_DIR)) {
        const std::string name = entry.path().string();
        if (entry.path().extension() != ".obj") continue;
        ++files;
        const Expected e = ReadPlainly(name);
        TMesh mesh;
        EXPECT_EQ(Printed([&] { EXPECT_TRUE(mesh.Import(name.c_str())); }), "Import.. " + name + "\n");
        EXPECT_TRUE(mesh.loaded && mesh.hasNormals && e.objects == 0) << name;  // none has objects or normals
        EXPECT_EQ(mesh.positions, e.positions) << name;
        EXPECT_EQ(std::tuple(mesh.positionCount * 3, mesh.texcoordCount, mesh.normalCount, mesh.triangleCount, mesh.vertices.size()),
                  std::tuple(int(e.positions.size()), e.texcoords, e.normals, int(e.triangles.size()), e.vertices.size())) << name;
        ASSERT_EQ(mesh.indices.size(), e.triangles.size() * 3) << name;
        EXPECT_EQ(mesh.objectStarts, std::vector<int32_t>{mesh.triangleCount}) << name;
        size_t wrongCorners = 0, badNormals = 0;
        for (size_t i = 0; i < mesh.indices.size(); ++i) {
            const float *p = mesh.vertices.at(mesh.indices[i]).position, *q = &e.positions[size_t(e.triangles[i / 3][i % 3]) * 3];
            wrongCorners += !(p[0] == q[0] && p[1] == q[1] && p[2] == q[2]);
        }
        for (const MeshVertex& v : mesh.vertices)  // generated, of unit length
            badNormals += !(std::abs(std::hypot(double(v.normal[0]), double(v.normal[1]), double(v.normal[2])) - 1.0) < 1e-5);
        EXPECT_EQ(std::tuple(wrongCorners, badNormals), std::tuple(0u, 0u)) << name;
    }
    EXPECT_GE(files, 6);
}

class MeshFile : public TempFolderTest {
protected:
    std::string output;
    bool Import(TMesh& mesh, const std::string& text)
    {
        Write("m.obj", text);
        bool ok = false;
        output = Printed([&] { ok = mesh.Import("m.obj"); });
        return ok;
    }
};

const std::string Triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

TEST_F(MeshFile, FanTriangulationAndIndexForms)
{
    const struct { std::string text; std::vector<uint32_t> indices; size_t vertices; } cases[] = {
        {"v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n", {0, 1, 2, 0, 2, 3}, 4},  // a quad
        {Triangle + "f -3 -2 -1\nv 5 5 5\nf -4 -3 -1\n", {0, 1, 2, 0, 1, 3}, 4},  // counted back from the last line read
        {Triangle + "vt 0 0\nvt 1 1\nvt 0 0\nf 1/1 2/1 3/1\nf 1/2 2/3 3/3\n", {0, 1, 2, 3, 1, 2}, 4},  // 1/2 splits a position
        {Triangle + "vn 0 0 1\nvn 0 0 -1\nf 1//1 2//1 3//2\nf 1//2 2//1 3//2\n", {0, 1, 2, 3, 1, 2}, 4},
        {Triangle + "vt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1 1/1/1\n", {0, 1, 2, 0, 2, 0}, 3},
        {"v 0 0 0\nv 0 0 0\nv 1 1 0\nf 1 2 3\n", {0, 1, 2}, 3},  // equal coordinates on two lines stay apart
        {"v 0 0 0\r\n\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n", {0, 1, 2}, 3},
        {Triangle + "# " + std::string(300, 'c') + " f 1 2 3\nf 3 2 1\n", {0, 1, 2}, 3}};  // a long comment goes whole
    for (const auto& c : cases) {
        TMesh mesh;
        ASSERT_TRUE(Import(mesh, c.text)) << c.text;
        EXPECT_TRUE(mesh.indices == c.indices && mesh.vertices.size() == c.vertices) << c.text;
        EXPECT_EQ(output.find("skipped"), std::string::npos) << output;
    }
}

TEST_F(MeshFile, ObjectsColoursAndNormals)
{
    TMesh mesh;  // faces before the first "o" belong to no object; objects never share vertices
    ASSERT_TRUE(Import(mesh, Triangle + "f 1 2 3\no first\nf 1 2 3\no second one\nf 1 2 3\nf 3 2 1\n"));
    EXPECT_TRUE(mesh.objectStarts == (std::vector<int32_t>{1, 2, 4}) && mesh.vertices.size() == 9u);
    const int32_t objects[4] = {-1, 0, 1, 1};
    for (size_t i = 0; i < 12; ++i) EXPECT_EQ(mesh.vertices[mesh.indices[i]].object, objects[i / 3]) << i;

    // The previous contents go; six-number "v" lines carry colours; the file has normals
    // that the face names none of, so they stay zero and none are generated.
    ASSERT_TRUE(Import(mesh, "v 0 0 0 0.1 0.2 0.3\nv 1 0 0 0.5\nv 0 1 0\nvt 0.25 0.75\nvn 0 1 0\nf 1/1 2/1 3/1\n"));
    EXPECT_TRUE(mesh.objectStarts == std::vector<int32_t>{1} && mesh.vertices.size() == 3u);
    EXPECT_EQ(mesh.colours, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.5f, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(mesh.vertices[0].texcoord[0] == 0.25f && mesh.vertices[0].texcoord[1] == 0.75f && mesh.vertices[0].colour[2] == 0.3f);
    for (const MeshVertex& v : mesh.vertices) EXPECT_TRUE(v.normal[0] == 0 && v.normal[1] == 0 && v.normal[2] == 0);

    std::string many = Triangle;  // more than eight normals per position line: all are kept
    for (int k = 1; k <= 30; ++k) many += "vn 0 0 " + std::to_string(k) + "\n";
    ASSERT_TRUE(Import(mesh, many + "f 1//30 2//29 3//-3\n"));
    ASSERT_EQ(mesh.normals.size(), 90u);
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(mesh.vertices[k].normal[2], float(30 - k));

    // Generated: vertex 1 is in a unit triangle in xy (normal 0 0 1) and one four times larger in xz (0 4 0).
    ASSERT_TRUE(Import(mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 2\nv 2 0 0\nf 1 2 3\nf 1 4 5\n"));
    const float s = std::sqrt(17.0f), expected[3] = {0, 4 / s, 1 / s};
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(mesh.vertices[0].normal[k], expected[k]);
    EXPECT_FLOAT_EQ(mesh.vertices[1].normal[2], 1.0f);
    // Degenerate triangles, and one whose cross product is too small to square in single precision.
    ASSERT_TRUE(Import(mesh, "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 1e-20 0 0\nv 0 1e-20 0\nf 1 2 3\nf 1 4 5\n"));
    for (const MeshVertex& v : mesh.vertices) EXPECT_TRUE(v.normal[0] == 0 && v.normal[1] == 0 && v.normal[2] == 1);
}

TEST_F(MeshFile, FacesOutsideWhatTheLoaderTakesAreSkipped)
{
    const struct { std::string text; int line; const char* message; } cases[] = {
        {Triangle + "f 0 1 2\n", 4, "position index of corner 1"}, {Triangle + "f -4 -1 -2\n", 4, "position index of corner 1"},
        {"v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n", 3, "position index of corner 3"},  // a forward reference
        {Triangle + "f 99999999999999999999999 1 2\n", 4, "position index of corner 1"},
        {Triangle + "vt 0 0\nf 1/1 2/2 3/1\n", 5, "texture coordinate index of corner 2"},
        {Triangle + "vn 0 0 1\nf 1//1 2//1 3//2\n", 5, "normal index of corner 3"},
        {Triangle + "vt 0 0\nvn 0 0 1\nf 1/1/0 2/1/1 3/1/1\n", 6, "normal index of corner 1"},
        {Triangle + "f 1 2\n", 4, "fewer than three corners"}, {Triangle + "f a b c\n", 4, "fewer than three corners"},
        {Triangle + "f\n", 4, "face without corners"}, {Triangle + "vt 0 0\nf 1/1 2/1 3/1 1\n", 5, "corner 4 lacks"},
        {Triangle + "f" + std::string(300, '1') + " 1 2 3\n", 4, "longer than 255"}};
    for (const auto& c : cases) {
        TMesh mesh;  // the good faces after the bad one still load
        ASSERT_TRUE(Import(mesh, c.text + "f 1 2 3\nv 9 9 9\nf 3 2 4\n")) << c.text;
        EXPECT_TRUE(mesh.triangleCount == 2 && mesh.indices.size() == 6u) << c.text;
        for (const uint32_t i : mesh.indices) EXPECT_LT(i, mesh.vertices.size()) << c.text;
        EXPECT_NE(output.find("Import.. m.obj:" + std::to_string(c.line) + ": "), std::string::npos) << output;
        EXPECT_NE(output.find(c.message), std::string::npos) << output;
    }
    std::string many = Triangle;  // many are summarised
    for (int k = 0; k < 20; ++k) many += "f 0 0 0\n";
    TMesh mesh;
    ASSERT_TRUE(Import(mesh, many));
    EXPECT_EQ(mesh.triangleCount, 0);
    EXPECT_NE(output.find(": 20 statements skipped in all"), std::string::npos) << output;
    ASSERT_TRUE(Import(mesh, Triangle + "f 1 2 3\n"));  // a file that cannot be read leaves an empty record
    for (const char* path : {"none.obj", ".", static_cast<const char*>(nullptr)}) {  // a folder reads as no file
        EXPECT_EQ(Printed([&] { EXPECT_FALSE(mesh.Import(path)); }), "Import.. " + std::string(path ? path : "") + "\n");
        EXPECT_TRUE(!mesh.loaded && mesh.vertices.empty() && mesh.indices.empty() && mesh.objectStarts.empty()) << path;
        EXPECT_TRUE(mesh.vertexMap.empty() && mesh.positionCount + mesh.triangleCount == 0 && mesh.objectIndex == -1) << path;
    }
}

}  // namespace
