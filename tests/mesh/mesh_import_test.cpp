// The OBJ loader on the real meshes and on generated ones, against an independent line-by-line
// reading of each file, and on small files for the face forms, objects, colours, normals and refused input.
#include "mesh/mesh.h"
#include "platform/loading.h"
#include "shaders/temp_folder.h"
#include "support/shared_meshes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <tuple>

// What a plain reading of an OBJ file with one statement per line finds.
struct Expected {
    std::vector<float> positions;
    int texcoords = 0, normals = 0, triangles = 0, objects = 0;  // triangles: of the face fans
};

static Expected ReadPlainly(const std::string& path)
{
    Expected e;
    std::istringstream in(ReadWholeFile(path).value_or(""));
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string keyword, corner;
        float x, y, z;
        if (words >> keyword && keyword == "v" && words >> x >> y >> z) e.positions.insert(e.positions.end(), {x, y, z});
        e.texcoords += keyword == "vt";
        e.normals += keyword == "vn";
        e.objects += keyword == "o";
        for (int corners = 0; keyword == "f" && words >> corner;) e.triangles += ++corners >= 3;
    }
    return e;
}

// A file without normals, read by the loader as the plain reading reads it: one range of triangles
// per "o" (none without), generated normals of unit length.
static void ExpectPlainReading(const std::string& name)
{
    SCOPED_TRACE(name);
    const Expected e = ReadPlainly(name);
    ASSERT_EQ(e.normals, 0);
    ASSERT_GT(e.triangles, 0);
    TMesh mesh;
    EXPECT_EQ(Printed([&] { EXPECT_TRUE(mesh.Import(name.c_str())); }), "Import.. " + name + "\n");
    EXPECT_EQ(mesh.positions, e.positions);
    EXPECT_EQ(std::tuple(mesh.positionCount * 3, mesh.texcoordCount, mesh.normalCount, mesh.triangleCount, mesh.indices.size()),
              std::tuple(int(e.positions.size()), e.texcoords, e.normals, e.triangles, size_t(e.triangles) * 3));
    EXPECT_TRUE(mesh.loaded && mesh.hasNormals && mesh.objectStarts.size() == size_t(e.objects) + 1);
    EXPECT_EQ(mesh.objectStarts.back(), mesh.triangleCount);
    for (const MeshVertex& v : mesh.vertices)
        ASSERT_NEAR(std::hypot(double(v.normal[0]), double(v.normal[1]), double(v.normal[2])), 1.0, 1e-5);
}

TEST(MeshImport, EveryRealMeshMatchesAPlainReading)
{
    REQUIRE_SHARED_MESHES(dir);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".obj") {
            ++files;
            ExpectPlainReading(entry.path().string());
        }
    EXPECT_GE(files, 6);
}

// The same on the title and emblem meshes the repository generates; the shapes the real ones
// have besides plain triangles (quads, "v/vt" corners, a "g" line) are in the face table below.
TEST(MeshImport, GeneratedMeshesMatchAPlainReading)
{
    for (const char* name : {"text.obj", "zev2.obj"})
        ExpectPlainReading(HOLLOWMERE_RUN_DIR "/other/" + std::string(name));
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
static Case Refused(const std::string& text, int line, const std::string& why)
{
    return {text + "f 1 2 3\nv 9 9 9\nf 3 2 4\n", {0, 1, 2, 2, 1, 3}, 4, ":" + std::to_string(line) + ": " + why};
}

TEST_F(MeshFile, FaceFormsAndFacesOutsideWhatTheLoaderTakes)
{
    const Case cases[] = {
        {"g grid\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n", {0, 1, 2, 0, 2, 3}, 4},  // a quad; "g" is no object
        {Triangle + "f -3 -2 -1\nv 5 5 5\nf -4 -3 -1\n", {0, 1, 2, 0, 1, 3}, 4},  // counted back from the last line read
        {Triangle + "vt 0 0\nvt 1 1\nvt 0 0\nf 1/1 2/1 3/1\nf 1/2 2/3 3/3\n", {0, 1, 2, 3, 1, 2}, 4},  // 1/2 splits a position
        {Triangle + "vn 0 0 1\nvn 0 0 -1\nf 1//1 2//1 3//2\nf 1//2 2//1 3//2\n", {0, 1, 2, 3, 1, 2}, 4},
        {Triangle + "vt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1 1/1/1\n", {0, 1, 2, 0, 2, 0}, 3},
        {"v 0 0 0\nv 0 0 0\nv 1 1 0\nf 1 2 3\n", {0, 1, 2}, 3},  // equal coordinates on two lines stay apart
        {"v 0 0 0\r\n\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n", {0, 1, 2}, 3},
        {"v 0 0 0\r\rv 1 0 0\rv 0 1 0\rf 1 2 3\r", {0, 1, 2}, 3},  // carriage returns alone
        {Triangle + "vt 0 0\nf 1/1 2/1 3/1 1\n", {0, 1, 2}, 3, ":5: corner 4 lacks indices of the face's form, face ended before it"},
        {Triangle + "# " + std::string(300, 'c') + " f 1 2 3\nf 3 2 1\n", {0, 1, 2}, 3},  // a long comment goes whole
        Refused(Triangle + "f 0 1 2\n", 4, "face skipped: position index of corner 1"),
        Refused("v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n", 3, "face skipped: position index of corner 3"),  // forward
        Refused(Triangle + "f 99999999999999999999999 1 2\n", 4, "face skipped: position index of corner 1"),
        Refused(Triangle + "vt 0 0\nf 1/1 2/2 3/1\n", 5, "face skipped: texture coordinate index of corner 2"),
        Refused(Triangle + "vn 0 0 1\nf 1//1 2//1 3//2\n", 5, "face skipped: normal index of corner 3"),
        Refused(Triangle + "f 1 2\n", 4, "face skipped: face with fewer than three corners"),
        Refused(Triangle + "vt 0 0\nf 1/1 2/1 3/1 1 2/1\n", 5, "face skipped: corner 4 lacks"),  // not the last
        Refused(Triangle + "vt 0 0\nf 1/1 2/1 3\n", 5, "face skipped: corner 3 lacks"),            // two before it
        Refused(Triangle + "f" + std::string(300, '1') + " 1 2 3\n", 4, "statement longer than 255 characters skipped")};
    for (const auto& c : cases) {
        TMesh mesh;
        ASSERT_TRUE(Import(mesh, c.text)) << c.text;
        EXPECT_TRUE(mesh.indices == c.indices && mesh.vertices.size() == c.vertices && mesh.objectStarts.size() == 1) << c.text;
        EXPECT_EQ(output.rfind("Import.. m.obj\n" + (c.skipped.empty() ? "" : "Import.. m.obj" + c.skipped), 0), 0u) << output;
        EXPECT_EQ(Occurrences(output, "\n"), c.skipped.empty() ? 1u : 2u) << output;
    }
}

TEST_F(MeshFile, ObjectsColoursNormalsAndUnreadableFiles)
{
    // Faces before the first "o" belong to no object; objects never share vertices.
    TMesh mesh;
    ASSERT_TRUE(Import(mesh, Triangle + "f 1 2 3\no first\nf 1 2 3\no second one\nf 1 2 3\nf 3 2 1\n"));
    EXPECT_TRUE(mesh.objectStarts == (std::vector<int32_t>{1, 2, 4}) && mesh.vertices.size() == 9u);
    EXPECT_TRUE(mesh.vertices[0].object == -1 && mesh.vertices[3].object == 0 && mesh.vertices[8].object == 1);
    // The previous contents go, no "o" gives no object; six-number "v" lines carry colours; the file
    // has normals that the face names none of, so they stay zero and none are generated.
    ASSERT_TRUE(Import(mesh, "v 0 0 0 0.1 0.2 0.3\nv 1 0 0 0.5\nv 0 1 0\nvt 0.25 0.75\nvn 0 1 0\nf 1/1 2/1 3/1\n"));
    EXPECT_TRUE(mesh.objectStarts == std::vector<int32_t>{1} && mesh.vertices.size() == 3u);
    EXPECT_EQ(mesh.colours, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.5f, 1, 1, 1, 1, 1}));
    const MeshVertex& first = mesh.vertices[0];
    EXPECT_TRUE(first.texcoord[0] == 0.25f && first.texcoord[1] == 0.75f && first.colour[2] == 0.3f);
    for (const MeshVertex& v : mesh.vertices) EXPECT_TRUE(v.normal[0] == 0 && v.normal[1] == 0 && v.normal[2] == 0);
    // A first colour after plain lines and a face over them: the lines before it, and their
    // vertices, are white.
    ASSERT_TRUE(Import(mesh, Triangle + "f 1 2 3\nv 0 0 1 0.5 0.25 0.125\nv 1 1 1\nf 1 4 5\n"));
    EXPECT_EQ(mesh.colours, (std::vector<float>{1, 1, 1, 1, 1, 1, 1, 1, 1, 0.5f, 0.25f, 0.125f, 1, 1, 1}));
    ASSERT_EQ(mesh.vertices.size(), 5u);
    const float colours[5][3] = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {0.5f, 0.25f, 0.125f}, {1, 1, 1}};
    for (size_t k = 0; k < 5; ++k) EXPECT_EQ(std::memcmp(mesh.vertices[k].colour, colours[k], 12), 0) << k;
    std::string many = Triangle;  // more than eight normals per position line: all are kept
    for (int k = 1; k <= 30; ++k) many += "vn 0 0 " + std::to_string(k) + "\n";
    ASSERT_TRUE(Import(mesh, many + "f 1//30 2//29 3//-3\n"));
    ASSERT_EQ(mesh.normals.size(), 90u);
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(mesh.vertices[k].normal[2], float(30 - k));
    // A file that cannot be read leaves an empty record; a folder reads as no file.
    for (const char* path : {"none.obj", ".", static_cast<const char*>(nullptr)}) {
        ASSERT_TRUE(Import(mesh, Triangle + "f 1 2 3\n"));
        EXPECT_EQ(Printed([&] { EXPECT_FALSE(mesh.Import(path)); }), "Import.. " + std::string(path ? path : "") + "\n");
        EXPECT_TRUE(!mesh.loaded && mesh.vertices.empty() && mesh.indices.empty() && mesh.objectStarts.empty()) << path;
        EXPECT_TRUE(mesh.vertexMap.first.empty() && mesh.vertexMap.next.empty()) << path;
        EXPECT_TRUE(mesh.positionCount + mesh.triangleCount == 0 && mesh.objectIndex == -1) << path;
    }
}

// Most lines of a large file take a short reading of the plain shapes ("v x y z", "f a b c"),
// which looks up to 80 characters ahead: each line here is followed by a long comment, so
// that the short reading is tried, and must agree with the general one on every near miss.
TEST_F(MeshFile, PlainAndNearPlainLinesReadAlike)
{
    const std::string pad = "# " + std::string(100, '-') + "\n";
    struct VertexCase { std::string line; float x, y, z, red; };
    const VertexCase vertices[] = {
        {"v -0.35444599999999998 0.351858 0.21984200000000001", -0.35444599999999998f, 0.351858f, 0.21984200000000001f, 1},
        {"v 1.00000005960464477539 1.0000000596046448 1.00000011920928955078", 1.00000005960464477539f,
         1.0000000596046448f, 1.00000011920928955078f, 1},  // beside and on midpoints between floats
        {"v 1 2 3 4", 1, 2, 3, 4},  // a fourth number is red
        {"v  1 2 3", 1, 2, 3, 1},
        {"v\t1\t2\t3", 1, 2, 3, 1},
        {"v 1 2 3\r", 1, 2, 3, 1},
        {"v 1 2 3 # note", 1, 2, 3, 1},
        {"v 1e2 -.5 5.", 100, -0.5f, 5, 1},
        {"v 1 2 +3", 1, 2, 3, 1},
        {"v 1 2 -0", 1, 2, -0.0f, 1},
        {"v 1 2 x", 1, 2, 0, 1},  // what the line does not give is 0
        {"v 1 2 1.5.5", 1, 2, 1.5f, 0.5f}};  // ".5" is the next number
    for (const VertexCase& c : vertices) {
        TMesh mesh;
        ASSERT_TRUE(Import(mesh, Triangle + c.line + "\n" + pad + "f 1 2 4\n" + pad));
        ASSERT_EQ(mesh.positions.size(), 12u) << c.line;
        const float expected[4] = {c.x, c.y, c.z, c.red};
        EXPECT_EQ(std::memcmp(&mesh.positions[9], expected, 12), 0) << c.line;
        EXPECT_EQ(mesh.colours[9], c.red) << c.line;
    }
    struct FaceCase { std::string line; std::vector<uint32_t> indices; std::string skipped = {}; };
    const FaceCase faces[] = {
        {"f 1 2 3", {0, 1, 2}},
        {"f 0001 2 3\r", {0, 1, 2}},
        {"f 1 2 3 # note", {0, 1, 2}},
        {"f  1\t2 3 ", {0, 1, 2}},
        {"f 3 2 1 1", {0, 1, 2, 0, 2, 2}},
        {"f 1 2 -1", {0, 1, 2}},
        {"f 1 2 3/1", {0, 1, 2}},  // the first corner's form rules: "/1" is no corner
        {"fo 1 2 3", {0, 1, 2}},
        {"f 1 2 4", {}, ":4: face skipped: position index of corner 3 outside the 3 \"v\" lines read so far"},
        {"f 000000001 00000002 000000003", {0, 1, 2}},  // nine digits: past what one look reads
        {"f 1 2 999999999", {}, ":4: face skipped: position index of corner 3 outside the 3 \"v\" lines read so far"},
        {"f 1 2", {}, ":4: face skipped: face with fewer than three corners"}};
    for (const FaceCase& c : faces) {
        TMesh mesh;
        ASSERT_TRUE(Import(mesh, Triangle + c.line + "\n" + pad));
        EXPECT_EQ(mesh.indices, c.indices) << c.line;
        EXPECT_EQ(output, "Import.. m.obj\n" + (c.skipped.empty() ? "" : "Import.. m.obj" + c.skipped + "\n"))
            << c.line;
    }
}

// The file is read in blocks of whole lines: lines that straddle blocks, a line longer than a
// block, and a last line without its line end read as anywhere else, and the line numbers of
// messages count across blocks, with any of the three line ends (a CR LF pair split between
// the first two reads is one line end).
TEST_F(MeshFile, LongFilesReadInBlocks)
{
    const int count = 40000;  // about a megabyte
    for (const std::string eol : {"\n", "\r\n", "\r"}) {
        SCOPED_TRACE(eol.size() == 2 ? "CR LF" : eol == "\r" ? "CR" : "LF");
        std::string text;
        for (int k = 0; k < count; ++k) text += "v " + std::to_string(k) + ".25 -" + std::to_string(k % 977) + " 0.5" + eol;
        // A first line padded so that a line end starts at the last byte of the first 64 KiB read.
        const size_t head = 2 + eol.size(), split = text.rfind(eol, 65535 - head);
        text = "#" + std::string(65535 - head - split + 1, 'p') + eol + text;
        ASSERT_EQ(text.compare(65535, eol.size(), eol), 0);
        text += "#" + std::string(600000, 'x') + eol;                  // line count + 2
        text += "f 1 2 " + std::to_string(count + 1) + eol;  // refused: line count + 3
        for (int k = 1; k + 2 <= count; k += 2) text += "f " + std::to_string(k) + " " + std::to_string(k + 1) + " " + std::to_string(k + 2) + eol;
        text += "f -1 -2 -3";
        TMesh mesh;
        ASSERT_TRUE(Import(mesh, text));
        EXPECT_EQ(output, "Import.. m.obj\nImport.. m.obj:" + std::to_string(count + 3) +
                              ": face skipped: position index of corner 3 outside the 40000 \"v\" lines read so far\n");
        ASSERT_EQ(mesh.positionCount, count);
        for (int k = 0; k < count; ++k)
            ASSERT_TRUE(mesh.positions[size_t(k) * 3] == float(k) + 0.25f && mesh.positions[size_t(k) * 3 + 1] == -float(k % 977) &&
                        mesh.colours[size_t(k) * 3] == 1.0f) << k;
        ASSERT_EQ(mesh.triangleCount, count / 2);
        // Consecutive odd-started fans share their ends; the last face counts back.
        const std::vector<uint32_t> start = {0, 1, 2, 2, 3, 4}, last = {uint32_t(count - 1), uint32_t(count - 2), uint32_t(count - 3)};
        EXPECT_TRUE(std::equal(start.begin(), start.end(), mesh.indices.begin()));
        EXPECT_TRUE(std::equal(last.begin(), last.end(), mesh.indices.end() - 3));
        EXPECT_EQ(mesh.vertices.size(), size_t(count));
    }
}

// vertexMap lists, per "v" line, the vertices made from it in the order they were made.
TEST_F(MeshFile, VertexChainsListEachPositionsVerticesInOrder)
{
    TMesh mesh;
    ASSERT_TRUE(Import(mesh, Triangle + "vt 0 0\nvt 1 1\nf 1/1 2/1 3/1\nf 1/2 2/1 3/2\no next\nf 1/1 2/1 3/1\nv 5 5 5\n"));
    auto chain = [&](size_t position) {
        std::vector<int32_t> list;
        for (int32_t v = mesh.vertexMap.first[position]; v >= 0; v = mesh.vertexMap.next[size_t(v)]) list.push_back(v);
        return list;
    };
    ASSERT_EQ(mesh.vertexMap.first.size(), 4u);
    ASSERT_EQ(mesh.vertexMap.next.size(), mesh.vertices.size());
    EXPECT_EQ(chain(0), (std::vector<int32_t>{0, 3, 5}));  // 1/1, 1/2, then 1/1 again in another object
    EXPECT_EQ(chain(1), (std::vector<int32_t>{1, 6}));
    EXPECT_EQ(chain(2), (std::vector<int32_t>{2, 4, 7}));
    EXPECT_TRUE(chain(3).empty());
}
