// OBJ and OFF readers: whole file in memory, one pass over its lines.
#include "crt/writer/mesh_io.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unordered_map>

namespace crt {

namespace {

bool ReadFile(const std::string& path, std::string& text)
{
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return false;
    std::ostringstream s;
    s << f.rdbuf();
    text = s.str();
    return true;
}

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
    std::string text;
    if (!ReadFile(path, text))
        return false;
    mesh = TriMesh{};
    std::vector<float> v, vt;
    std::vector<std::pair<int64_t, int64_t>> corners; // (v, vt) per face corner, 0-based, vt -1 if none
    std::vector<uint32_t> faceSizes;
    std::vector<uint32_t> groupStarts; // polygon counts at group statements
    bool ok = true;
    ForEachLine(text, [&](const char* p, const char* end) {
        p = SkipSpace(p, end);
        if (end - p < 2)
            return true;
        if (p[0] == 'v' && p[1] == ' ') {
            float x[3] = {0, 0, 0};
            ReadFloats(p + 2, end, x, 3);
            v.insert(v.end(), x, x + 3);
        } else if (p[0] == 'v' && p[1] == 't' && end - p > 2 && (p[2] == ' ' || p[2] == '\t')) {
            float x[2] = {0, 0};
            ReadFloats(p + 3, end, x, 2);
            vt.insert(vt.end(), x, x + 2);
        } else if ((p[0] == 'g' || p[0] == 'o') && (p[1] == ' ' || p[1] == '\t')) {
            groupStarts.push_back(uint32_t(faceSizes.size()));
        } else if (p[0] == 'f' && (p[1] == ' ' || p[1] == '\t')) {
            const std::string line(p + 2, end);
            std::istringstream tokens(line);
            std::string token;
            uint32_t size = 0;
            while (tokens >> token) {
                const char* s = token.c_str();
                char* next;
                const long vi = std::strtol(s, &next, 10);
                long ti = 0;
                if (*next == '/' && next[1] != '/')
                    ti = std::strtol(next + 1, nullptr, 10);
                const int64_t nv = int64_t(v.size() / 3), nt = int64_t(vt.size() / 2);
                const int64_t a = vi < 0 ? nv + vi : vi - 1;
                const int64_t b = ti == 0 ? -1 : ti < 0 ? nt + ti : ti - 1;
                if (a < 0 || a >= nv || b >= nt || (ti != 0 && b < 0)) {
                    ok = false;
                    return false;
                }
                corners.emplace_back(a, b);
                ++size;
            }
            faceSizes.push_back(size);
        }
        return true;
    });
    if (!ok)
        return false;

    const bool withUv = !vt.empty();
    if (withUv) {
        std::unordered_map<uint64_t, uint32_t> ids;
        std::vector<uint32_t> remap(corners.size());
        for (size_t i = 0; i < corners.size(); ++i) {
            const auto [a, b] = corners[i];
            const uint64_t key = uint64_t(a) << 32 | uint32_t(b + 1);
            auto [it, inserted] = ids.try_emplace(key, uint32_t(mesh.positions.size() / 3));
            if (inserted) {
                mesh.positions.insert(mesh.positions.end(), &v[3 * a], &v[3 * a] + 3);
                mesh.uvs.push_back(b < 0 ? 0.0f : vt[2 * b]);
                mesh.uvs.push_back(b < 0 ? 0.0f : vt[2 * b + 1]);
            }
            remap[i] = it->second;
        }
        for (size_t i = 0; i < corners.size(); ++i)
            corners[i].first = remap[i];
    } else {
        mesh.positions = v;
    }

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
                                {uint32_t(corners[c].first), uint32_t(corners[c + k - 1].first),
                                 uint32_t(corners[c + k].first)});
        c += n;
    }
    FinishGroups(mesh);
    return true;
}

bool ReadOff(const std::string& path, TriMesh& mesh)
{
    std::string text;
    if (!ReadFile(path, text))
        return false;
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
    return false;
}

} // namespace crt
