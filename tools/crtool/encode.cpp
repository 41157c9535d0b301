// crtool encode: a mesh file into a container, at the smallest of the writer's options.
#include "crt/writer/encoder.h"
#include "crt/writer/mesh_io.h"
#include "crtool.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace crtool {

namespace {

// Area-weighted unit normals, for a file that has none when normals are asked for.
std::vector<float> FaceNormals(const crt::TriMesh& m)
{
    std::vector<double> n(m.positions.size(), 0.0);
    const std::vector<float>& p = m.positions;
    for (size_t f = 0; f + 2 < m.indices.size(); f += 3) {
        const size_t a = 3 * size_t(m.indices[f]), b = 3 * size_t(m.indices[f + 1]), c = 3 * size_t(m.indices[f + 2]);
        double e1[3], e2[3];
        for (int k = 0; k < 3; ++k) {
            e1[k] = double(p[b + k]) - p[a + k];
            e2[k] = double(p[c + k]) - p[a + k];
        }
        const double x[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        for (size_t v : {a, b, c})
            for (int k = 0; k < 3; ++k)
                n[v + k] += x[k];
    }
    std::vector<float> out(n.size());
    for (size_t v = 0; v < n.size(); v += 3) {
        const double l = std::sqrt(n[v] * n[v] + n[v + 1] * n[v + 1] + n[v + 2] * n[v + 2]);
        for (int k = 0; k < 3; ++k)
            out[v + k] = l > 0 ? float(n[v + k] / l) : (k == 2 ? 1.0f : 0.0f);
    }
    return out;
}

float LargestExtent(const std::vector<float>& positions)
{
    float lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < positions.size(); ++i) {
        lo[i % 3] = std::min(lo[i % 3], positions[i]);
        hi[i % 3] = std::max(hi[i % 3], positions[i]);
    }
    return std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
}

std::string Choice(const Options& o, const std::string& name, const std::string& fallback,
                   std::initializer_list<const char*> allowed)
{
    const std::string v = o.get(name, fallback);
    for (const char* a : allowed)
        if (v == a)
            return v;
    std::string list;
    for (const char* a : allowed)
        list += (list.empty() ? "" : ", ") + std::string(a);
    Fail(kUsage, "--" + name + " takes " + list + ", not \"" + v + "\"");
}

} // namespace

int Encode(const Options& o)
{
    const std::string& in = o.files[0];
    const std::string& out = o.files[1];
    if (o.has("bits") && o.has("step"))
        Fail(kUsage, "give --bits or --step, not both");
    const double bits = o.number("bits", 14, 1, 30);
    const double normalBits = o.number("normal-bits", 10, 2, 16);
    const double colorStep = o.number("color-step", 1, 1, 255);
    const double uvStep = o.number("uv-step", 1.0 / 4096, 1e-9, 1e9);
    const std::string ext = std::filesystem::path(in).extension().string();

    crt::TriMesh m;
    {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(in, ec))
            Fail(kBadInput, in + ": cannot open");
    }
    if (!crt::ReadMesh(in, m))
        Fail(kBadInput, in + ": not a readable OBJ, OFF or PLY mesh (by its extension \"" + ext + "\")");
    if (m.indices.empty())
        Fail(kBadInput, in + ": holds no triangles");
    const std::string normals = Choice(o, "normals", m.normals.empty() ? "none" : "stored", {"none", "estimated", "stored"});
    const bool colors = Choice(o, "colors", "keep", {"keep", "drop"}) == "keep" && m.colorChannels;
    const bool uvs = Choice(o, "uvs", "keep", {"keep", "drop"}) == "keep" && !m.uvs.empty();

    const float extent = LargestExtent(m.positions);
    if (!std::isfinite(extent))
        Fail(kBadInput, in + ": positions are not finite");
    const float step = o.has("step") ? float(o.number("step", 0, 1e-30, 1e30))
                                     : std::max(extent, 1e-30f) / float(std::ldexp(1.0, int(bits)) - 1);
    std::vector<float> normalValues = normals == "none" ? std::vector<float>{} : m.normals.empty() ? FaceNormals(m) : m.normals;

    crt::MeshInput mesh;
    mesh.vertexCount = m.vertexCount();
    mesh.indices = m.indices;
    for (size_t g = 0; g < m.groupEnds.size(); ++g)
        mesh.groups.push_back({m.groupEnds[g], {}});
    mesh.attributes.push_back({"position", crt::CODEC_GENERIC, step, 3, crt::FLOAT, crt::STRATEGY_PARALLELOGRAM,
                               m.positions.data()});
    if (!normalValues.empty())
        mesh.attributes.push_back({"normal", crt::CODEC_NORMAL, float(std::ldexp(1.0, int(normalBits) - 1) - 1), 3,
                                   crt::FLOAT, 0, normalValues.data(),
                                   normals == "estimated" ? crt::ESTIMATE_BORDER : crt::DIFF});
    if (colors) {
        const int s = int(colorStep);
        mesh.attributes.push_back({"color", crt::CODEC_COLOR, 1, m.colorChannels, crt::FLOAT,
                                   crt::STRATEGY_PARALLELOGRAM, m.colors.data(), crt::DIFF, {s, s, s, s}});
    }
    if (uvs)
        mesh.attributes.push_back({"uv", crt::CODEC_GENERIC, float(uvStep), 2, crt::FLOAT, crt::STRATEGY_PARALLELOGRAM,
                                   m.uvs.data()});
    std::vector<uint8_t> best;
    try {
        best = crt::EncodeSmallest(std::move(mesh)).bytes;
    } catch (const char* message) {
        Fail(kBadInput, in + ": " + message);
    }
    WriteBytes(out, best.data(), best.size());
    const size_t F = m.indices.size() / 3;
    std::printf("%s: %u vertices, %zu triangles, %zu bytes (%.3f per triangle), position step %g\n", out.c_str(),
                m.vertexCount(), F, best.size(), double(best.size()) / double(F), double(step));
    return 0;
}

} // namespace crtool
