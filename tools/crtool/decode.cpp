// crtool decode and bench: a container through the exported functions into arrays sized from
// its header, then out as a mesh file, or timed.
#include "crt/crt.h"
#include "crt/decoder.h"
#include "crtool.h"

#include <chrono>
#include <cstdio>
#include <new>

namespace crtool {

void DecodeContainer(const std::string& path, const std::vector<uint8_t>& bytes, DecodedMesh& m)
{
    if (bytes.size() > size_t(INT32_MAX))
        Fail(kBadInput, path + ": larger than 2 GiB");
    try {
        crt::Decoder header; // which attributes there are, so only those get arrays
        header.readHeader(bytes.data(), int64_t(bytes.size()));
        m.V = header.nvert;
        m.F = header.nface;
        if (m.F == 0)
            Fail(kBadInput, path + ": holds no triangles (a point set)");
        // Counts come from the container; refuse what no real mesh needs rather than exhaust memory.
        const uint64_t elements = 3 * uint64_t(m.F) + 12 * uint64_t(m.V);
        if (elements > (uint64_t(1) << 31))
            Fail(kBadInput, path + ": counts too large to decode (" + std::to_string(m.F) + " triangles, " +
                                std::to_string(m.V) + " vertices)");
        m.indices.assign(3 * size_t(m.F), 0);
        m.positions.assign(header.attributes.count("position") ? 3 * size_t(m.V) : 0, 0.0f);
        m.normals.assign(header.attributes.count("normal") ? 3 * size_t(m.V) : 0, 0.0f);
        m.colors.assign(header.attributes.count("color") ? 4 * size_t(m.V) : 0, 0.0f);
        m.uvs.assign(header.attributes.count("uv") ? 2 * size_t(m.V) : 0, 0.0f);
        DecodeAgain(bytes, m);
    } catch (const char* message) {
        Fail(kBadInput, path + ": " + message);
    } catch (const std::bad_alloc&) {
        Fail(kBadInput, path + ": out of memory for its counts");
    }
    for (uint32_t i : m.indices)
        if (i >= m.V)
            Fail(kBadInput, path + ": a triangle names a vertex beyond the vertex count");
}

void DecodeAgain(const std::vector<uint8_t>& bytes, DecodedMesh& m)
{
    const auto ptr = [](std::vector<float>& v) { return v.empty() ? nullptr : v.data(); };
    float info[2];
    void* d = CreateDecoder(int32_t(bytes.size()), bytes.data(), info);
    try {
        DecodeMesh(d, ptr(m.positions), m.indices.data(), ptr(m.normals), ptr(m.colors), ptr(m.uvs));
    } catch (...) {
        DestroyDecoder(d);
        throw;
    }
    DestroyDecoder(d);
}

int Decode(const Options& o)
{
    const std::string& in = o.files[0];
    const std::string& out = o.files[1];
    std::string text;
    if (!FormatMesh(out, DecodedMesh{}, false, text))
        Fail(kUsage, out + ": the output's extension must be .obj, .off or .ply");
    const std::vector<uint8_t> bytes = ReadBytes(in);
    DecodedMesh m;
    DecodeContainer(in, bytes, m);
    FormatMesh(out, m, o.has("ascii"), text);
    WriteBytes(out, text.data(), text.size());
    std::printf("%s: %u vertices, %u triangles%s%s%s\n", out.c_str(), m.V, m.F, m.normals.empty() ? "" : ", normals",
                m.colors.empty() ? "" : ", colours", m.uvs.empty() ? "" : ", texture coordinates");
    return 0;
}

int Bench(const Options& o)
{
    const std::string& in = o.files[0];
    const int runs = int(o.number("runs", 20, 1, 100000));
    const std::vector<uint8_t> bytes = ReadBytes(in);
    DecodedMesh m;
    DecodeContainer(in, bytes, m); // sizes and touches the arrays, and checks the container
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        DecodeAgain(bytes, m);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    const double output = 4.0 * double(m.indices.size() + m.positions.size() + m.normals.size() + m.colors.size() +
                                       m.uvs.size());
    std::printf("%s: %u triangles, %u vertices; best of %d decodes: %.3f ms, %.1f Mtri/s, %.0f MB/s of output\n",
                in.c_str(), m.F, m.V, runs, best * 1e3, m.F * 1e-6 / best, output * 1e-6 / best);
    return 0;
}

} // namespace crtool
