// The OBJ loader. The text is read twice: a counting pass sizes every array once, a
// filling pass stores the elements, triangulates the faces as fans and de-duplicates
// vertices per position line. Both passes read the same statements the same way, so a
// face the first pass rejects, the second rejects too, and the counts always agree.
#include "mesh/mesh.h"
#include "mesh/obj_cursor.h"

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <iostream>
#include <limits>
#include <string>

namespace {

enum class CornerForm { Position, PositionTexcoord, PositionTexcoordNormal, PositionNormal };

struct Corner {
    int64_t position = 0, texcoord = 0, normal = 0;  // as written in the file, then 0-based
};

int NumbersPerCorner(CornerForm form)
{
    return form == CornerForm::Position ? 1 : form == CornerForm::PositionTexcoordNormal ? 3 : 2;
}

// One corner in the given form; returns how many numbers converted, as scanf would.
int ScanCorner(ObjCursor& c, CornerForm form, Corner& out)
{
    if (!c.Int(out.position)) return 0;
    switch (form) {
    case CornerForm::Position:
        return 1;
    case CornerForm::PositionTexcoord:
        return c.Literal('/') && c.Int(out.texcoord) ? 2 : 1;
    case CornerForm::PositionTexcoordNormal:
        if (!c.Literal('/') || !c.Int(out.texcoord)) return 1;
        return c.Literal('/') && c.Int(out.normal) ? 3 : 2;
    case CornerForm::PositionNormal:
        return c.Literal('/') && c.Literal('/') && c.Int(out.normal) ? 2 : 1;
    }
    return 0;
}

// The first corner decides the form of the whole face.
CornerForm FormOf(std::string_view firstCorner)
{
    if (firstCorner.find("//") != std::string_view::npos) return CornerForm::PositionNormal;
    Corner ignored;
    ObjCursor probe{firstCorner.data(), firstCorner.data() + firstCorner.size()};
    if (ScanCorner(probe, CornerForm::PositionTexcoordNormal, ignored) == 3) return CornerForm::PositionTexcoordNormal;
    probe.p = firstCorner.data();
    if (ScanCorner(probe, CornerForm::PositionTexcoord, ignored) == 2) return CornerForm::PositionTexcoord;
    return CornerForm::Position;
}

// A positive index k is the k-th element read so far, a negative one counts back from the
// last; 0 and anything outside the elements read so far are refused.
bool ToZeroBased(int64_t& index, int64_t count)
{
    if (index == 0) return false;
    index = index > 0 ? index - 1 : count + index;
    return index >= 0 && index < count;
}

struct Counts {
    int64_t positions = 0, texcoords = 0, normals = 0, triangles = 0;
};

struct Face {
    CornerForm form = CornerForm::Position;
    std::vector<Corner> corners;
};

// Reads the corners of an "f" statement and checks its indices. Returns an empty text for
// a usable face, else why it is refused.
std::string ReadFace(ObjCursor& c, const Counts& counts, Face& face)
{
    face.corners.clear();
    const std::string_view first = c.PeekLineToken();
    if (first.empty()) return "face without corners";
    face.form = FormOf(first);
    const int wanted = NumbersPerCorner(face.form);
    for (;;) {
        Corner corner;
        const int got = ScanCorner(c, face.form, corner);
        if (got == 0 && face.corners.size() >= 3) break;
        if (got == 0) return "face with fewer than three corners";
        if (got != wanted) return "corner " + std::to_string(face.corners.size() + 1) + " lacks indices of the face's form";
        face.corners.push_back(corner);
    }
    const bool hasTexcoord = face.form == CornerForm::PositionTexcoord || face.form == CornerForm::PositionTexcoordNormal;
    const bool hasNormal = face.form == CornerForm::PositionNormal || face.form == CornerForm::PositionTexcoordNormal;
    // The message is only built for a refused corner: this loop runs for every corner.
    auto refuse = [](const char* kind, size_t k, int64_t count, const char* lines) {
        return std::string(kind) + " index of corner " + std::to_string(k + 1) + " outside the " +
               std::to_string(count) + " \"" + lines + "\" lines read so far";
    };
    for (size_t k = 0; k < face.corners.size(); ++k) {
        Corner& corner = face.corners[k];
        if (!ToZeroBased(corner.position, counts.positions))
            return refuse("position", k, counts.positions, "v");
        if (hasTexcoord && !ToZeroBased(corner.texcoord, counts.texcoords))
            return refuse("texture coordinate", k, counts.texcoords, "vt");
        if (hasNormal && !ToZeroBased(corner.normal, counts.normals))
            return refuse("normal", k, counts.normals, "vn");
    }
    return {};
}

// Reads up to `most` floats of the current line into out.
int ReadFloats(ObjCursor& c, float* out, int most)
{
    int n = 0;
    while (n < most && c.Float(out[n])) ++n;
    return n;
}

// The index of an equal vertex of the same position line, or of the appended new one.
uint32_t FindOrAddVertex(TMesh& mesh, int32_t position, const MeshVertex& vertex)
{
    std::vector<uint32_t>& candidates = mesh.vertexMap[size_t(position)];
    for (const uint32_t index : candidates)
        if (std::memcmp(&mesh.vertices[index], &vertex, sizeof vertex) == 0) return index;
    const auto index = uint32_t(mesh.vertices.size());
    mesh.vertices.push_back(vertex);
    candidates.push_back(index);
    return index;
}

MeshVertex BuildVertex(const TMesh& mesh, const Face& face, const Corner& corner)
{
    MeshVertex v{};
    std::memcpy(v.position, &mesh.positions[size_t(corner.position) * 3], sizeof v.position);
    std::memcpy(v.colour, &mesh.colours[size_t(corner.position) * 3], sizeof v.colour);
    if (face.form == CornerForm::PositionTexcoord || face.form == CornerForm::PositionTexcoordNormal)
        std::memcpy(v.texcoord, &mesh.texcoords[size_t(corner.texcoord) * 2], sizeof v.texcoord);
    if (face.form == CornerForm::PositionNormal || face.form == CornerForm::PositionTexcoordNormal)
        std::memcpy(v.normal, &mesh.normals[size_t(corner.normal) * 3], sizeof v.normal);
    v.object = mesh.objectIndex;
    return v;
}

// Fan triangulation: (c0, c1, c2), (c0, c2, c3), ...
void EmitFace(TMesh& mesh, const Face& face, int64_t firstTriangle)
{
    uint32_t fan[3];
    for (size_t j = 1; j + 1 < face.corners.size(); ++j) {
        const Corner* corners[3] = {&face.corners[0], &face.corners[j], &face.corners[j + 1]};
        for (int k = 0; k < 3; ++k)
            fan[k] = FindOrAddVertex(mesh, int32_t(corners[k]->position), BuildVertex(mesh, face, *corners[k]));
        std::copy(fan, fan + 3, &mesh.indices[size_t(firstTriangle + int64_t(j) - 1) * 3]);
    }
}

class Reader {
public:
    Reader(const char* path, const std::string& text) : path_(path), text_(text) {}

    // One pass over the text. Only the filling pass stores elements and reports problems.
    Counts Pass(TMesh& mesh, bool fill)
    {
        Counts n;
        Face face;
        ObjCursor c{text_.data(), text_.data() + text_.size()};
        for (std::string_view keyword; !(keyword = c.Token()).empty(); c.SkipLine()) {
            if (keyword.size() > 255 && keyword[0] != '#') {
                if (fill) Report(keyword.data(), "statement longer than 255 characters skipped");
                continue;
            }
            if (keyword[0] == 'f') {
                const std::string problem = ReadFace(c, n, face);
                if (!problem.empty()) {
                    if (fill) Report(keyword.data(), "face skipped: " + problem);
                    continue;
                }
                const auto triangles = int64_t(face.corners.size()) - 2;
                if (fill && n.triangles + triangles <= mesh.triangleCount) EmitFace(mesh, face, n.triangles);
                n.triangles += triangles;
            } else if (keyword == "v") {
                if (fill && n.positions < mesh.positionCount) {
                    float* colour = &mesh.colours[size_t(n.positions) * 3];
                    std::fill(colour, colour + 3, 1.0f);
                    float numbers[6];
                    const int read = ReadFloats(c, numbers, 6);
                    std::copy(numbers, numbers + std::min(read, 3), &mesh.positions[size_t(n.positions) * 3]);
                    if (read > 3) std::copy(numbers + 3, numbers + read, colour);
                }
                ++n.positions;
            } else if (keyword[0] == 'v' && keyword[1] == 'n') {
                if (fill && n.normals < mesh.normalCount) ReadFloats(c, &mesh.normals[size_t(n.normals) * 3], 3);
                ++n.normals;
            } else if (keyword[0] == 'v' && keyword[1] == 't') {
                if (fill && n.texcoords < mesh.texcoordCount) ReadFloats(c, &mesh.texcoords[size_t(n.texcoords) * 2], 2);
                ++n.texcoords;
            } else if (keyword[0] == 'o' && fill) {
                // The object's name is read with the rest of its line and not kept.
                mesh.objectStarts.push_back(int32_t(n.triangles));
                ++mesh.objectIndex;
            }
        }
        return n;
    }

    void Summarise() const
    {
        if (reported_ > MaxReports)
            std::cout << "Import.. " << path_ << ": " << reported_ << " statements skipped in all\n";
    }

private:
    static constexpr int MaxReports = 8;

    void Report(const char* at, const std::string& what)
    {
        if (++reported_ > MaxReports) return;
        line_ += std::count(text_.data() + lineCountedTo_, at, '\n');
        lineCountedTo_ = size_t(at - text_.data());
        std::cout << "Import.. " << path_ << ":" << line_ << ": " << what << "\n";
    }

    const char* path_;
    const std::string& text_;
    int reported_ = 0;
    int64_t line_ = 1;
    size_t lineCountedTo_ = 0;
};

// The whole file in one string, read in large blocks. False when it cannot be opened or read.
bool ReadText(const char* path, std::string& text)
{
    std::FILE* f = std::fopen(path, "r");
    if (!f) return false;
    char block[1 << 16];
    for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) text.append(block, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return !failed;
}

}  // namespace

bool TMesh::Import(const char* path)
{
    std::cout << "Import.. " << (path ? path : "") << "\n";
    *this = TMesh{};
    if (!path) return false;
    std::string text;
    if (!ReadText(path, text)) return false;
    loaded = true;

    Reader reader(path, text);
    const Counts counts = reader.Pass(*this, false);
    // Every count is stored in 32 bits and every index array entry must be addressable.
    const int64_t limit = std::numeric_limits<int32_t>::max() / 3;
    if (std::max({counts.positions, counts.texcoords, counts.normals, counts.triangles}) > limit) {
        std::cout << "Import.. " << path << ": too many elements, file rejected\n";
        *this = TMesh{};
        return false;
    }
    positionCount = int32_t(counts.positions);
    texcoordCount = int32_t(counts.texcoords);
    normalCount = int32_t(counts.normals);
    triangleCount = int32_t(counts.triangles);
    hasPositions = positionCount > 0;
    hasTexcoords = texcoordCount > 0;
    hasNormals = normalCount > 0;
    positions.assign(size_t(positionCount) * 3, 0.0f);
    colours.assign(size_t(positionCount) * 3, 0.0f);
    texcoords.assign(size_t(texcoordCount) * 2, 0.0f);
    normals.assign(size_t(normalCount) * 3, 0.0f);  // one slot per "vn" line, however many
    indices.assign(size_t(triangleCount) * 3, 0u);
    vertexMap.assign(size_t(positionCount), {});

    reader.Pass(*this, true);
    objectStarts.push_back(triangleCount);
    reader.Summarise();

    if (!hasNormals) GenerateNormals(*this);
    return true;
}
