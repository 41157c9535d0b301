// The OBJ loader, in one pass: elements are stored as they are read, each face is checked
// against the elements read so far, triangulated as a fan and its vertices de-duplicated per
// position line. Every statement lies within one line, so the file is read in blocks of
// whole lines and lines are numbered as they go by, for the messages about refused faces.
// The arrays are sized beforehand from samples of the file, so that they are neither copied
// as they grow nor faulted in page by page.
#include "mesh/line_blocks.h"
#include "mesh/mesh.h"
#include "mesh/obj_cursor.h"
#include "mesh/obj_estimate.h"
#include "mesh/obj_face.h"
#include "mesh/obj_plain_lines.h"
#include "platform/loading.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <limits>
#include <new>
#include <string>

namespace {

// Reads up to `most` floats of the current line into out.
int ReadFloats(ObjCursor& c, float* out, int most)
{
    int n = 0;
    while (n < most && c.Float(out[n])) ++n;
    return n;
}

// Beside the record's chains: per position line, the vertex last found or made for a corner
// without texture coordinate and normal. Most files have only such corners, and one small
// array spares them a look into the vertex array, which dominated the import's time.
struct PlainVertices {
    std::vector<int32_t> last;  // one per "v" line, -1 before any
    // The current object's first vertex: objects only count up and never share vertices, so
    // the vertices from this one on are exactly the current object's.
    int32_t objectStart = 0;
};

// The index of an equal vertex in the chain of the corner's position line, or of the appended new one.
uint32_t FindOrAddInChain(TMesh& mesh, CornerForm form, const ObjCorner& corner)
{
    MeshVertex v{};
    if (HasTexcoord(form)) std::memcpy(v.texcoord, &mesh.texcoords[size_t(corner.texcoord) * 2], sizeof v.texcoord);
    if (HasNormal(form)) std::memcpy(v.normal, &mesh.normals[size_t(corner.normal) * 3], sizeof v.normal);
    v.object = mesh.objectIndex;
    // Vertices of one position line share its position and colour bytes: only the texture
    // coordinate, the normal (adjacent in the record) and the object can tell them apart.
    constexpr size_t Varying = sizeof v.texcoord + sizeof v.normal;
    int32_t* link = &mesh.vertexMap.first[size_t(corner.position)];
    while (*link >= 0) {
        const MeshVertex& other = mesh.vertices[size_t(*link)];
        if (other.object == v.object && std::memcmp(other.texcoord, v.texcoord, Varying) == 0) return uint32_t(*link);
        link = &mesh.vertexMap.next[size_t(*link)];
    }
    const auto index = int32_t(mesh.vertices.size());
    *link = index;  // before next grows: link may point into it
    mesh.vertexMap.next.push_back(-1);
    const size_t at = size_t(corner.position) * 3;
    std::memcpy(v.position, &mesh.positions[at], sizeof v.position);
    if (at < mesh.colours.size())
        std::memcpy(v.colour, &mesh.colours[at], sizeof v.colour);
    else
        v.colour[0] = v.colour[1] = v.colour[2] = 1;
    mesh.vertices.push_back(v);
    return uint32_t(index);
}

// The index of an equal vertex made from the same position line, or of the appended new one.
// The vertices of a line all differ, so an equal one is the one the chain would give too.
uint32_t FindOrAddVertex(TMesh& mesh, PlainVertices& plain, CornerForm form, const ObjCorner& corner)
{
    if (form != CornerForm::Position) return FindOrAddInChain(mesh, form, corner);
    int32_t& known = plain.last[size_t(corner.position)];
    if (known < plain.objectStart) known = int32_t(FindOrAddInChain(mesh, form, corner));
    return uint32_t(known);
}

// Room for the expected count of elements and an eighth more. Storage allocated here is made
// present at once for the expected count; a record imported into again keeps its own.
template <typename T>
void MakeRoom(std::vector<T>& v, int64_t expected)
{
    const size_t wanted = size_t(expected + expected / 8 + 16);
    if (v.capacity() >= wanted) return;
    v.reserve(wanted);
    PrefaultForWriting(v.data(), size_t(expected) * sizeof(T));
}

// Appends N values one by one: push_back stays inline, where growing by resize calls out
// and fills with zeros before the copy, and an insert of a range calls memmove.
template <size_t N = 3, typename T>
void Append(std::vector<T>& to, const T* values)
{
    for (size_t k = 0; k < N; ++k) to.push_back(values[k]);
}

inline void Prefetch(const void* address)
{
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// A face's position lines lie anywhere in arrays larger than the cache: asking for all of
// them before the first look-up lets their loads overlap instead of waiting one after another.
void PrefetchLine(const TMesh& mesh, const PlainVertices& plain, int64_t line)
{
    Prefetch(&plain.last[size_t(line)]);
    Prefetch(&mesh.positions[size_t(line) * 3]);
    if (!mesh.colours.empty()) Prefetch(&mesh.colours[size_t(line) * 3]);
}

// Fan triangulation: (c0, c1, c2), (c0, c2, c3), ... Each corner is looked up once, in
// corner order, which makes the same vertices in the same order as a look-up per triangle
// corner would: a repeated look-up finds what the first one found or made.
void EmitFace(TMesh& mesh, PlainVertices& plain, const ObjFace& face)
{
    for (const ObjCorner& corner : face.corners) PrefetchLine(mesh, plain, corner.position);
    const uint32_t first = FindOrAddVertex(mesh, plain, face.form, face.corners[0]);
    uint32_t previous = FindOrAddVertex(mesh, plain, face.form, face.corners[1]);
    for (size_t j = 2; j < face.corners.size(); ++j) {
        const uint32_t current = FindOrAddVertex(mesh, plain, face.form, face.corners[j]);
        const uint32_t triangle[3] = {first, previous, current};
        Append(mesh.indices, triangle);
        previous = current;
    }
}

// A triangle of plain corners, indices as written (1-based, checked): EmitFace without the
// corners' record.
void EmitTriangle(TMesh& mesh, PlainVertices& plain, const int64_t (&indices)[3])
{
    for (const int64_t index : indices) PrefetchLine(mesh, plain, index - 1);
    uint32_t triangle[3];
    for (int k = 0; k < 3; ++k) triangle[k] = FindOrAddVertex(mesh, plain, CornerForm::Position, {indices[k] - 1, 0, 0});
    Append(mesh.indices, triangle);
}

class Reader {
public:
    Reader(TMesh& mesh, const char* path) : mesh_(mesh), path_(path) {}

    // Reads the statements of whole lines. False once the file holds more elements than the
    // record can count, which rejects it.
    bool Lines(std::string_view lines)
    {
        ObjCursor c{lines.data(), lines.data() + lines.size()};
        while (c.p < c.end) {
            // "v " and "f " start nearly every line of a large file: told apart from the rest
            // by two characters, without taking the keyword as a token first.
            if (c.end - c.p > 2 && c.p[1] == ' ' && (c.p[0] == 'v' || c.p[0] == 'f')) {
                ++c.p;
                if (!(c.p[-1] == 'v' ? Vertex(c) : Face(c, true))) return false;
            } else {
                const std::string_view keyword = c.LineToken();
                if (!keyword.empty() && !Statement(c, keyword)) return false;
            }
            c.SkipLine();
            ++line_;
        }
        return true;
    }

    const ObjCounts& Read() const { return n_; }

    // Sizes the arrays for what the file is expected to hold. Most files make one vertex per
    // position line; those with other corners grow the vertex arrays as they go.
    void Reserve(const ObjEstimate& guess)
    {
        const int64_t positions = std::min(guess.positions, Limit), triangles = std::min(guess.triangles, Limit);
        const int64_t vertices = std::min(positions, 3 * triangles);
        MakeRoom(mesh_.positions, 3 * positions);
        MakeRoom(mesh_.colours, 3 * positions);
        MakeRoom(mesh_.vertexMap.first, positions);
        MakeRoom(plain_.last, positions);
        MakeRoom(mesh_.vertices, vertices);
        MakeRoom(mesh_.vertexMap.next, vertices);
        MakeRoom(mesh_.indices, 3 * triangles);
    }

    // The messages about refused statements, at most MaxReports of them and a total.
    void PrintReports() const
    {
        std::cout << reports_;
        if (reported_ > MaxReports)
            std::cout << "Import.. " << path_ << ": " << reported_ << " statements skipped in all\n";
    }

    // Every count is stored in 32 bits and every index array entry must be addressable.
    static constexpr int64_t Limit = std::numeric_limits<int32_t>::max() / 3;

private:
    static constexpr int MaxReports = 8;

    bool Statement(ObjCursor& c, std::string_view keyword)
    {
        if (keyword.size() > 255 && keyword[0] != '#') {
            Report("statement longer than 255 characters skipped");
            return true;
        }
        if (keyword[0] == 'f') return Face(c, keyword.size() == 1);
        if (keyword == "v") return Vertex(c);
        if (keyword[0] == 'v' && keyword[1] == 'n') {
            float numbers[3] = {0, 0, 0};
            ReadFloats(c, numbers, 3);
            Append(mesh_.normals, numbers);
            return ++n_.normals <= Limit;
        }
        if (keyword[0] == 'v' && keyword[1] == 't') {
            float numbers[2] = {0, 0};
            ReadFloats(c, numbers, 2);
            Append<2>(mesh_.texcoords, numbers);
            return ++n_.texcoords <= Limit;
        }
        if (keyword[0] == 'o') {
            // The object's name is read with the rest of its line and not kept.
            mesh_.objectStarts.push_back(int32_t(n_.triangles));
            ++mesh_.objectIndex;
            plain_.objectStart = int32_t(mesh_.vertices.size());
        }
        return true;
    }

    // After a "v" keyword.
    bool Vertex(ObjCursor& c)
    {
        // What the line does not give: a position of 0 and a white colour.
        float numbers[6] = {0, 0, 0, 1, 1, 1};
        float xyz[3];
        bool colour = false;
        if (const char* lineEnd = PlainVertex(c.begin, c.p, c.end, xyz))
            c.p = lineEnd, std::copy(xyz, xyz + 3, numbers);
        else
            colour = ReadFloats(c, numbers, 6) > 3;
        Append(mesh_.positions, numbers);
        // Colours are stored from the first line that gives one on, the lines before it
        // white: most files give none, and are spared writing and reading them.
        if (colour && !coloured_) mesh_.colours.resize(size_t(n_.positions) * 3, 1.0f), coloured_ = true;
        if (coloured_) Append(mesh_.colours, numbers + 3);
        mesh_.vertexMap.first.push_back(-1);
        plain_.last.push_back(-1);
        return ++n_.positions <= Limit;
    }

    // After an "f..." keyword; plain is false for a longer keyword ("fo"), which reads as a
    // face too but never in the plain shape.
    bool Face(ObjCursor& c, bool plain)
    {
        if (plain && PlainFace(c)) {
            ++n_.triangles;
            return n_.triangles <= Limit;
        }
        if (!ReadFace(c, n_, face_, why_)) {
            Report("face skipped: " + why_);
            return true;
        }
        if (!why_.empty()) Report(why_);
        EmitFace(mesh_, plain_, face_);
        n_.triangles += int64_t(face_.corners.size()) - 2;
        return n_.triangles <= Limit;
    }

    // A triangle in the plain shape whose indices are all within the "v" lines read so far,
    // made at once; anything else goes to the general reading, which also tells what is wrong.
    bool PlainFace(ObjCursor& c)
    {
        int64_t indices[3];
        const char* const lineEnd = PlainTriangle(c.p, c.end, indices);
        if (!lineEnd) return false;
        // Indices are unsigned here: one comparison refuses 0 and those past the last "v" line.
        for (const int64_t index : indices)
            if (uint64_t(index - 1) >= uint64_t(n_.positions)) return false;
        EmitTriangle(mesh_, plain_, indices);
        c.p = lineEnd;
        return true;
    }

    // Messages wait until the end: a file rejected as too large prints none of them.
    void Report(const std::string& what)
    {
        if (++reported_ > MaxReports) return;
        reports_ += "Import.. " + std::string(path_) + ":" + std::to_string(line_) + ": " + what + "\n";
    }

    TMesh& mesh_;
    const char* path_;
    ObjCounts n_;
    ObjFace face_;
    PlainVertices plain_;
    bool coloured_ = false;  // a "v" line has given a colour
    std::string why_;
    std::string reports_;
    int reported_ = 0;
    int64_t line_ = 1;
};

// Empties the record but keeps its arrays' storage, so that importing again into the same
// record does not fault in fresh pages.
void Reset(TMesh& mesh)
{
    std::vector<float>* floats[] = {&mesh.positions, &mesh.colours, &mesh.texcoords, &mesh.normals};
    for (std::vector<float>* v : floats) v->clear();
    mesh.vertices.clear();
    mesh.indices.clear();
    mesh.objectStarts.clear();
    mesh.vertexMap.first.clear();
    mesh.vertexMap.next.clear();
    mesh.loaded = mesh.hasPositions = mesh.hasTexcoords = mesh.hasNormals = false;
    mesh.positionCount = mesh.texcoordCount = mesh.normalCount = mesh.triangleCount = 0;
    mesh.objectIndex = -1;
}

}  // namespace

bool TMesh::Import(const char* path)
{
    std::cout << "Import.. " << (path ? path : "") << "\n";
    Reset(*this);
    LineBlocks file(path ? path : "");
    Reader reader(*this, path);
    bool fits = true;
    try {
        if (const int64_t size = file.Size(); size > 0)
            reader.Reserve(EstimateObjCounts(uint64_t(size), [&](uint64_t offset, size_t n) { return file.At(offset, n); }));
        for (std::string_view lines; fits && file.Next(lines);) fits = reader.Lines(lines);
        if (!fits) std::cout << "Import.. " << path << ": too many elements, file rejected\n";
    } catch (const std::bad_alloc&) {
        *this = TMesh{};  // gives back what was allocated before the message is printed
        std::cout << "Import.. " << path << ": not enough memory for its elements, file rejected\n";
        fits = false;
    }
    if (!path || !file.IsOpen() || file.Failed() || !fits) {
        *this = TMesh{};
        return false;
    }
    loaded = true;
    colours.resize(positions.size(), 1.0f);  // white for the lines before the first colour, or all
    const ObjCounts& counts = reader.Read();
    positionCount = int32_t(counts.positions);
    texcoordCount = int32_t(counts.texcoords);
    normalCount = int32_t(counts.normals);
    triangleCount = int32_t(counts.triangles);
    hasPositions = positionCount > 0;
    hasTexcoords = texcoordCount > 0;
    hasNormals = normalCount > 0;
    objectStarts.push_back(triangleCount);
    reader.PrintReports();

    if (!hasNormals) GenerateNormals(*this);
    return true;
}
