// OBJ and OFF readers: whole file in memory, one pass over its lines.
#include "crt/writer/mesh_io.h"
#include "platform/loading.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unordered_map>

namespace crt {

namespace {

// Splits text into lines without copying; calls fn(begin, end) for each.
template <typename Fn>
void ForEachLine(const std::string& text, Fn fn)
{
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* eol = p;
        while (eol < end && *eol != '\n')
            ++eol;
        if (!fn(p, eol))
            return;
        p = eol + 1;
    }
}

const char* SkipSpace(const char* p, const char* end)
{
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\r'))
        ++p;
    return p;
}

// Reads up to n floats from [p, end); returns how many were read.
int ReadFloats(const char* p, const char* end, float* out, int n)
{
    const std::string line(p, end);
    const char* s = line.c_str();
    int count = 0;
    for (; count < n; ++count) {
        char* next;
        out[count] = std::strtof(s, &next);
        if (next == s)
            break;
        s = next;
    }
    return count;
}

void FinishGroups(TriMesh& mesh)
{
    const uint32_t faces = uint32_t(mesh.indices.size() / 3);
    if (faces > 0 && (mesh.groupEnds.empty() || mesh.groupEnds.back() != faces))
        mesh.groupEnds.push_back(faces);
}

} // namespace

bool ReadObj(const std::string& path, TriMesh& mesh)
{
    const std::optional<std::string> read = ReadWholeFile(path);
    if (!read)
        return false;
    const std::string& text = *read;
    mesh = TriMesh{};
    std::vector<float> v, vt, vn, rgb;
    bool colored = false;
    struct Corner {
        int64_t v, vt, vn; // 0-based, -1 if none
    };
    std::vector<Corner> corners;
    std::vector<uint32_t> faceSizes;
    std::vector<uint32_t> groupStarts; // polygon counts at group statements
    bool ok = true;
    // A positive index counts from 1, a negative one back from the last element read; 0 is none.
    const auto resolve = [&](long i, size_t count, int64_t& out) {
        out = i == 0 ? -1 : i < 0 ? int64_t(count) + i : i - 1;
        return i == 0 || (out >= 0 && out < int64_t(count));
    };
    ForEachLine(text, [&](const char* p, const char* end) {
        p = SkipSpace(p, end);
        if (end - p < 2)
            return true;
        if (p[0] == 'v' && (p[1] == ' ' || p[1] == '\t')) {
            float x[6] = {0, 0, 0, 1, 1, 1};
            colored = ReadFloats(p + 2, end, x, 6) == 6 || colored;
            v.insert(v.end(), x, x + 3);
            rgb.insert(rgb.end(), x + 3, x + 6);
        } else if (p[0] == 'v' && (p[1] == 't' || p[1] == 'n') && end - p > 2 && (p[2] == ' ' || p[2] == '\t')) {
            float x[3] = {0, 0, 0};
            const int n = p[1] == 't' ? 2 : 3;
            ReadFloats(p + 3, end, x, n);
            (p[1] == 't' ? vt : vn).insert((p[1] == 't' ? vt : vn).end(), x, x + n);
        } else if ((p[0] == 'g' || p[0] == 'o') && (p[1] == ' ' || p[1] == '\t')) {
            groupStarts.push_back(uint32_t(faceSizes.size()));
        } else if (p[0] == 'f' && (p[1] == ' ' || p[1] == '\t')) {
            const std::string line(p + 2, end);
            std::istringstream tokens(line);
            std::string token;
            uint32_t size = 0;
            while (tokens >> token) {
                char* next;
                const long vi = std::strtol(token.c_str(), &next, 10);
                long ti = 0, ni = 0;
                if (*next == '/') {
                    ++next;
                    if (*next != '/')
                        ti = std::strtol(next, &next, 10);
                    if (*next == '/')
                        ni = std::strtol(next + 1, nullptr, 10);
                }
                Corner c;
                if (vi == 0 || !resolve(vi, v.size() / 3, c.v) || !resolve(ti, vt.size() / 2, c.vt) ||
                    !resolve(ni, vn.size() / 3, c.vn)) {
                    ok = false;
                    return false;
                }
                corners.push_back(c);
                ++size;
            }
            faceSizes.push_back(size);
        }
        return true;
    });
    if (!ok)
        return false;

    // A vertex is a distinct (v, vt, vn) triple when the file has texture coordinates or normals.
    const bool withUv = !vt.empty(), withNormals = !vn.empty();
    std::vector<uint32_t> remap(corners.size());
    if (withUv || withNormals) {
        struct Hash {
            size_t operator()(const std::array<int64_t, 3>& k) const
            {
                return size_t(uint64_t(k[0]) * 0x9E3779B97F4A7C15ull ^ uint64_t(k[1] + 1) * 0xC2B2AE3D27D4EB4Full ^
                              uint64_t(k[2] + 1) * 0x165667B19E3779F9ull);
            }
        };
        std::unordered_map<std::array<int64_t, 3>, uint32_t, Hash> ids;
        for (size_t i = 0; i < corners.size(); ++i) {
            const Corner c = corners[i];
            auto [it, inserted] = ids.try_emplace({c.v, c.vt, c.vn}, uint32_t(mesh.positions.size() / 3));
            if (inserted) {
                mesh.positions.insert(mesh.positions.end(), &v[3 * c.v], &v[3 * c.v] + 3);
                if (colored)
                    mesh.colors.insert(mesh.colors.end(), &rgb[3 * c.v], &rgb[3 * c.v] + 3);
                if (withUv)
                    for (int k = 0; k < 2; ++k)
                        mesh.uvs.push_back(c.vt < 0 ? 0.0f : vt[2 * c.vt + k]);
                if (withNormals)
                    for (int k = 0; k < 3; ++k)
                        mesh.normals.push_back(c.vn < 0 ? 0.0f : vn[3 * c.vn + k]);
            }
            remap[i] = it->second;
        }
    } else {
        mesh.positions = v;
        if (colored)
            mesh.colors = rgb;
        for (size_t i = 0; i < corners.size(); ++i)
            remap[i] = uint32_t(corners[i].v);
    }
    mesh.colorChannels = colored ? 3 : 0;

    size_t c = 0, g = 0;
    for (size_t face = 0; face < faceSizes.size(); ++face) {
        while (g < groupStarts.size() && groupStarts[g] <= face) {
            const uint32_t triangles = uint32_t(mesh.indices.size() / 3);
            if (triangles > 0 && (mesh.groupEnds.empty() || mesh.groupEnds.back() != triangles))
                mesh.groupEnds.push_back(triangles);
            ++g;
        }
        const uint32_t n = faceSizes[face];
        for (uint32_t k = 2; k < n; ++k)
            mesh.indices.insert(mesh.indices.end(),
                                {remap[c], remap[c + k - 1], remap[c + k]});
        c += n;
    }
    FinishGroups(mesh);
    return true;
}

bool ReadOff(const std::string& path, TriMesh& mesh)
{
    const std::optional<std::string> read = ReadWholeFile(path);
    if (!read)
        return false;
    const std::string& text = *read;
    mesh = TriMesh{};
    enum { Header, Counts, Vertices, Faces, Done } stage = Header;
    size_t nv = 0, nf = 0;
    bool ok = true;
    ForEachLine(text, [&](const char* p, const char* end) {
        p = SkipSpace(p, end);
        if (p == end || *p == '#')
            return true;
        std::istringstream line(std::string(p, end));
        if (stage == Header) {
            std::string word;
            line >> word;
            if (word.size() < 3 || word.compare(word.size() - 3, 3, "OFF") != 0) {
                ok = false;
                return false;
            }
            stage = Counts;
            if (!(line >> nv))
                return true; // counts on the next line
            line >> nf;
        } else if (stage == Counts) {
            line >> nv >> nf;
        } else if (stage == Vertices) {
            float x[3] = {0, 0, 0};
            ReadFloats(p, end, x, 3);
            mesh.positions.insert(mesh.positions.end(), x, x + 3);
        } else if (stage == Faces) {
            size_t k = 0;
            line >> k;
            std::vector<uint32_t> f(k);
            for (uint32_t& i : f)
                if (!(line >> i) || i >= nv) {
                    ok = false;
                    return false;
                }
            for (size_t j = 2; j < k; ++j)
                mesh.indices.insert(mesh.indices.end(), {f[0], f[j - 1], f[j]});
            --nf;
        }
        if (stage == Counts && !line.fail())
            stage = Vertices;
        if (stage == Vertices && mesh.positions.size() == 3 * nv)
            stage = nf ? Faces : Done;
        if (stage == Faces && nf == 0)
            stage = Done;
        return stage != Done;
    });
    if (!ok || stage != Done)
        return false;
    FinishGroups(mesh);
    return true;
}

bool ReadMesh(const std::string& path, TriMesh& mesh)
{
    const size_t dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : path.substr(dot);
    if (ext == ".obj" || ext == ".OBJ")
        return ReadObj(path, mesh);
    if (ext == ".off" || ext == ".OFF")
        return ReadOff(path, mesh);
    if (ext == ".ply" || ext == ".PLY")
        return ReadPly(path, mesh);
    return false;
}

} // namespace crt
