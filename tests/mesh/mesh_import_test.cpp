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
    std::vector<float> positions, corners;  // corners: the positions at the fans' corners, in order
    std::set<std::tuple<size_t, float, float>> vertices;  // distinct by position line and texture coordinate
    int texcoords = 0, normals = 0;
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
        std::vector<size_t> fan;
        for (std::string corner; keyword == "f" && words >> corner;) {
            fan.push_back(size_t(std::atoi(corner.c_str()) - 1));
            const size_t slash = corner.find('/');
            const auto& uv = uvs.at(slash == std::string::npos ? 0 : size_t(std::atoi(&corner[slash + 1])));
            e.vertices.insert({fan.back(), uv[0], uv[1]});
        }
        for (size_t j = 1; j + 1 < fan.size(); ++j)
            for (const size_t k : {fan[0], fan[j], fan[j + 1]})
                e.corners.insert(e.corners.end(), e.positions.data() + 3 * k, e.positions.data() + 3 * k + 3);
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
        EXPECT_TRUE(mesh.loaded && mesh.hasNormals) << name;  // no file has normals: all are generated
        EXPECT_EQ(mesh.positions, e.positions) << name;
        EXPECT_EQ(std::tuple(mesh.positionCount * 3, mesh.texcoordCount, mesh.normalCount, mesh.triangleCount * 9),
                  std::tuple(int(e.positions.size()), e.texcoords, e.normals, int(e.corners.size()))) << name;
        EXPECT_EQ(mesh.vertices.size(), e.vertices.size()) << name;
        EXPECT_EQ(mesh.objectStarts, std::vector<int32_t>{mesh.triangleCount}) << name;  // none has "o" statements
        std::vector<float> corners;
        size_t badNormals = 0;
        for (const uint32_t i : mesh.indices)
            corners.insert(corners.end(), mesh.vertices.at(i).position, std::end(mesh.vertices[i].position));
        for (const MeshVertex& v : mesh.vertices)  // of unit length
            badNormals += !(std::abs(std::hypot(double(v.normal[0]), double(v.normal[1]), double(v.normal[2])) - 1.0) < 1e-5);
        EXPECT_TRUE(corners == e.corners && badNormals == 0) << name << ": " << badNormals << " normals off";
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

struct Case { std::string text; std::vector<uint32_t> indices; size_t vertices; std::string skipped = {}; };

// A face the loader refuses on the given line, followed by good ones that still load.
Case Refused(const std::string& text, int line, const std::string& why)
{
    return {text + "f 1 2 3\nv 9 9 9\nf 3 2 4\n", {0, 1, 2, 2, 1, 3}, 4, ":" + std::to_string(line) + ": " + why};
}

TEST_F(MeshFile, FaceFormsAndFacesOutsideWhatTheLoaderTakes)
{
    const Case cases[] = {
        {"v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n", {0, 1, 2, 0, 2, 3}, 4},  // a quad
        {Triangle + "f -3 -2 -1\nv 5 5 5\nf -4 -3 -1\n", {0, 1, 2, 0, 1, 3}, 4},  // counted back from the last line read
        {Triangle + "vt 0 0\nvt 1 1\nvt 0 0\nf 1/1 2/1 3/1\nf 1/2 2/3 3/3\n", {0, 1, 2, 3, 1, 2}, 4},  // 1/2 splits a position
        {Triangle + "vn 0 0 1\nvn 0 0 -1\nf 1//1 2//1 3//2\nf 1//2 2//1 3//2\n", {0, 1, 2, 3, 1, 2}, 4},
        {Triangle + "vt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1 1/1/1\n", {0, 1, 2, 0, 2, 0}, 3},
        {"v 0 0 0\nv 0 0 0\nv 1 1 0\nf 1 2 3\n", {0, 1, 2}, 3},  // equal coordinates on two lines stay apart
        {"v 0 0 0\r\n\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n", {0, 1, 2}, 3},
        {Triangle + "# " + std::string(300, 'c') + " f 1 2 3\nf 3 2 1\n", {0, 1, 2}, 3},  // a long comment goes whole
        Refused(Triangle + "f 0 1 2\n", 4, "face skipped: position index of corner 1"),
        Refused(Triangle + "f -4 -1 -2\n", 4, "face skipped: position index of corner 1"),
        Refused("v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n", 3, "face skipped: position index of corner 3"),  // forward
        Refused(Triangle + "f 99999999999999999999999 1 2\n", 4, "face skipped: position index of corner 1"),
        Refused(Triangle + "vt 0 0\nf 1/1 2/2 3/1\n", 5, "face skipped: texture coordinate index of corner 2"),
        Refused(Triangle + "vn 0 0 1\nf 1//1 2//1 3//2\n", 5, "face skipped: normal index of corner 3"),
        Refused(Triangle + "vt 0 0\nvn 0 0 1\nf 1/1/0 2/1/1 3/1/1\n", 6, "face skipped: normal index of corner 1"),
        Refused(Triangle + "f 1 2\n", 4, "face skipped: face with fewer than three corners"),
        Refused(Triangle + "f a b c\n", 4, "face skipped: face with fewer than three corners"),
        Refused(Triangle + "f\n", 4, "face skipped: face without corners"),
        Refused(Triangle + "vt 0 0\nf 1/1 2/1 3/1 1\n", 5, "face skipped: corner 4 lacks"),
        Refused(Triangle + "f" + std::string(300, '1') + " 1 2 3\n", 4, "statement longer than 255 characters skipped")};
    for (const auto& c : cases) {
        TMesh mesh;
        ASSERT_TRUE(Import(mesh, c.text)) << c.text;
        EXPECT_TRUE(mesh.indices == c.indices && mesh.vertices.size() == c.vertices) << c.text;
        EXPECT_EQ(output.rfind("Import.. m.obj\n" + (c.skipped.empty() ? "" : "Import.. m.obj" + c.skipped), 0), 0u) << output;
        EXPECT_EQ(Occurrences(output, "\n"), c.skipped.empty() ? 1u : 2u) << output;
    }
}

TEST_F(MeshFile, ObjectsColoursNormalsAndUnreadableFiles)
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
    const MeshVertex& first = mesh.vertices[0];
    EXPECT_TRUE(first.texcoord[0] == 0.25f && first.texcoord[1] == 0.75f && first.colour[2] == 0.3f);
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

    // A file that cannot be read leaves an empty record; a folder reads as no file.
    for (const char* path : {"none.obj", ".", static_cast<const char*>(nullptr)}) {
        ASSERT_TRUE(Import(mesh, Triangle + "f 1 2 3\n"));
        EXPECT_EQ(Printed([&] { EXPECT_FALSE(mesh.Import(path)); }), "Import.. " + std::string(path ? path : "") + "\n");
        EXPECT_TRUE(!mesh.loaded && mesh.vertices.empty() && mesh.indices.empty() && mesh.objectStarts.empty()) << path;
        EXPECT_TRUE(mesh.vertexMap.empty() && mesh.positionCount + mesh.triangleCount == 0 && mesh.objectIndex == -1) << path;
    }
}

}  // namespace
