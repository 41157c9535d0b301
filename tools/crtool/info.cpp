// crtool info: the header's fields, the attributes with their codecs, and where the bytes go,
// section by section in reading order, adding up to the file size.
#include "crt/decoder.h"
#include "crtool.h"

#include <cstdio>
#include <new>

namespace crtool {

namespace {

const char* FormatName(int f)
{
    static const char* const names[] = {"uint32", "int32", "uint16", "int16", "uint8", "int8", "float", "double"};
    return f >= 0 && f < 8 ? names[f] : "unknown";
}

std::string Strategy(int s)
{
    std::string text = s & crt::STRATEGY_PARALLELOGRAM ? "parallelogram" : "from one neighbour";
    if (s & crt::STRATEGY_SHARED_LENGTHS)
        text += ", shared bit lengths";
    return text;
}

std::string Describe(const crt::VertexAttribute& a)
{
    char buf[160];
    if (const auto* n = dynamic_cast<const crt::NormalAttr*>(&a)) {
        static const char* const modes[] = {"stored", "estimated with corrections", "estimated, corrected on the border"};
        std::snprintf(buf, sizeof buf, "normal codec (2), octahedral unit %g, %s", double(a.step),
                      n->normalMode >= 0 && n->normalMode <= 2 ? modes[n->normalMode] : "unknown mode");
    } else if (const auto* c = dynamic_cast<const crt::ColorAttr*>(&a)) {
        std::snprintf(buf, sizeof buf, "colour codec (3), %d channels, steps %d %d %d %d, %s", a.components,
                      c->colorSteps[0], c->colorSteps[1], c->colorSteps[2], c->colorSteps[3], Strategy(a.strategy).c_str());
    } else {
        std::snprintf(buf, sizeof buf, "generic codec (1), %d components, step %g, stored as %s, %s", a.components,
                      double(a.step), FormatName(a.format), Strategy(a.strategy).c_str());
    }
    return buf;
}

} // namespace

int Info(const Options& o)
{
    const std::string& in = o.files[0];
    const std::vector<uint8_t> bytes = ReadBytes(in);
    crt::Decoder d;
    std::vector<crt::Section> sections;
    size_t headerBytes = 0;
    std::vector<uint32_t> indices;
    try {
        d.readHeader(bytes.data(), int64_t(bytes.size()));
        headerBytes = size_t(d.stream.position - bytes.data());
        // Every attribute is read (their modes and steps are in the body) but none is written.
        if (d.nface > (uint32_t(1) << 29))
            Fail(kBadInput, in + ": counts too large to decode (" + std::to_string(d.nface) + " triangles)");
        indices.assign(3 * size_t(d.nface), 0);
        d.faceIndex.indices32 = indices.data();
        d.layout = &sections;
        if (d.nface > 0)
            d.decode();
    } catch (const char* message) {
        Fail(kBadInput, in + ": " + message);
    } catch (const std::bad_alloc&) {
        Fail(kBadInput, in + ": out of memory for its counts");
    }

    const double total = double(bytes.size());
    std::printf("%s: crt container, %zu bytes\n", in.c_str(), bytes.size());
    std::printf("  entropy coding: %s\n", d.stream.entropy == crt::ENTROPY_NONE ? "none (0)" : "Tunstall (1)");
    std::printf("  vertices: %u\n  triangles: %u (%.3f bytes each)\n", d.nvert, d.nface,
                d.nface ? total / d.nface : 0.0);
    for (const auto& [key, value] : d.metadata)
        std::printf("  metadata: %s = %s\n", key.c_str(), value.c_str());
    std::printf("  face groups: %zu\n", d.faceIndex.groups.size());
    for (size_t g = 0; g < d.faceIndex.groups.size(); ++g)
        for (const auto& [key, value] : d.faceIndex.groups[g].properties)
            std::printf("    group %zu: %s = %s\n", g, key.c_str(), value.c_str());
    if (d.nface > 0)
        std::printf("  operations: %zu, front size %u\n", d.operations.size(), d.max_front);
    std::printf("  attributes:\n");
    for (const auto& [name, attr] : d.attributes)
        std::printf("    %-10s %s\n", name.c_str(), Describe(*attr).c_str());

    std::printf("  %-26s %10s %7s\n", "section", "bytes", "share");
    size_t sum = headerBytes;
    const auto row = [&](const std::string& name, size_t n) {
        std::printf("  %-26s %10zu %6.1f%%\n", name.c_str(), n, total > 0 ? 100.0 * double(n) / total : 0.0);
    };
    row("header", headerBytes);
    for (const crt::Section& s : sections) {
        row(d.attributes.count(s.name) ? "attribute " + s.name : s.name, s.bytes);
        sum += s.bytes;
    }
    if (sum < bytes.size())
        row("after the body (unread)", bytes.size() - sum);
    row("total", bytes.size());
    return 0;
}

} // namespace crtool
