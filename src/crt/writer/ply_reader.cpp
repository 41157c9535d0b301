// PLY reader: the header's elements and properties, then the body in ASCII or binary of either
// byte order. Only the vertex and face elements are kept; every other element is read past.
#include "crt/writer/mesh_io.h"
#include "platform/loading.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace crt {

namespace {

enum class Type { Int8, Uint8, Int16, Uint16, Int32, Uint32, Float32, Float64, Unknown };

Type TypeOf(const std::string& name)
{
    static const std::pair<const char*, Type> names[] = {
        {"char", Type::Int8},     {"int8", Type::Int8},       {"uchar", Type::Uint8},  {"uint8", Type::Uint8},
        {"short", Type::Int16},   {"int16", Type::Int16},     {"ushort", Type::Uint16}, {"uint16", Type::Uint16},
        {"int", Type::Int32},     {"int32", Type::Int32},     {"uint", Type::Uint32},  {"uint32", Type::Uint32},
        {"float", Type::Float32}, {"float32", Type::Float32}, {"double", Type::Float64}, {"float64", Type::Float64}};
    for (const auto& [n, t] : names)
        if (name == n)
            return t;
    return Type::Unknown;
}

size_t SizeOf(Type t)
{
    switch (t) {
    case Type::Int8: case Type::Uint8: return 1;
    case Type::Int16: case Type::Uint16: return 2;
    case Type::Float64: return 8;
    default: return 4;
    }
}

struct Property {
    std::string name;
    Type type = Type::Unknown;
    Type countType = Type::Unknown; // a list's count; Unknown for a plain property
};

struct Element {
    std::string name;
    size_t count = 0;
    std::vector<Property> properties;
};

// Values of the body, one at a time, in the file's encoding.
class Body {
public:
    Body(const std::string& data, size_t at, int format) : data_(data), at_(at), format_(format) {}

    bool read(Type t, double& value)
    {
        if (format_ == 0) {
            while (at_ < data_.size() && std::isspace(static_cast<unsigned char>(data_[at_])))
                ++at_;
            const char* s = data_.c_str() + at_;
            char* next;
            value = std::strtod(s, &next);
            if (next == s)
                return false;
            at_ += size_t(next - s);
            return true;
        }
        const size_t n = SizeOf(t);
        if (data_.size() - at_ < n)
            return false;
        unsigned char b[8];
        std::memcpy(b, data_.data() + at_, n);
        at_ += n;
        if (format_ == 2)
            std::reverse(b, b + n);
        switch (t) {
        case Type::Int8: value = int8_t(b[0]); break;
        case Type::Uint8: value = b[0]; break;
        case Type::Int16: { int16_t x; std::memcpy(&x, b, 2); value = x; break; }
        case Type::Uint16: { uint16_t x; std::memcpy(&x, b, 2); value = x; break; }
        case Type::Int32: { int32_t x; std::memcpy(&x, b, 4); value = x; break; }
        case Type::Uint32: { uint32_t x; std::memcpy(&x, b, 4); value = x; break; }
        case Type::Float32: { float x; std::memcpy(&x, b, 4); value = x; break; }
        default: { double x; std::memcpy(&x, b, 8); value = x; break; }
        }
        return true;
    }

private:
    const std::string& data_;
    size_t at_;
    int format_; // 0 ASCII, 1 little-endian, 2 big-endian
};

// Slot of a vertex property in the mesh record, or -1 for one that is not kept.
int Slot(const std::string& name)
{
    static const char* const names[] = {"x", "y", "z", "nx", "ny", "nz", "red", "green", "blue", "alpha",
                                        "s", "t", "u", "v", "texture_u", "texture_v"};
    for (int k = 0; k < 16; ++k)
        if (name == names[k])
            return k < 10 ? k : 10 + (k - 10) % 2;
    return -1;
}

} // namespace

bool ReadPly(const std::string& path, TriMesh& mesh)
{
    const std::optional<std::string> read = ReadWholeFile(path);
    if (!read)
        return false;
    const std::string& data = *read;
    mesh = TriMesh{};

    // Header lines up to "end_header".
    std::vector<Element> elements;
    int format = -1;
    size_t at = 0;
    bool first = true, ended = false;
    while (!ended && at < data.size()) {
        const size_t eol = data.find('\n', at);
        if (eol == std::string::npos)
            return false;
        std::istringstream line(data.substr(at, eol - at));
        at = eol + 1;
        std::string word;
        line >> word;
        if (first) {
            if (word != "ply")
                return false;
            first = false;
        } else if (word == "format") {
            std::string kind;
            line >> kind;
            format = kind == "ascii" ? 0 : kind == "binary_little_endian" ? 1 : kind == "binary_big_endian" ? 2 : -1;
            if (format < 0)
                return false;
        } else if (word == "element") {
            Element e;
            if (!(line >> e.name >> e.count))
                return false;
            elements.push_back(e);
        } else if (word == "property") {
            if (elements.empty())
                return false;
            Property p;
            std::string type;
            line >> type;
            if (type == "list") {
                std::string count, item;
                line >> count >> item;
                p.countType = TypeOf(count);
                p.type = TypeOf(item);
                if (p.countType == Type::Unknown)
                    return false;
            } else {
                p.type = TypeOf(type);
            }
            line >> p.name;
            if (p.type == Type::Unknown)
                return false;
            elements.back().properties.push_back(p);
        } else if (word == "end_header") {
            ended = true;
        }
    }
    if (!ended || format < 0)
        return false;

    Body body(data, at, format);
    bool hasNormals = false, hasUv = false;
    int channels = 0;
    for (const Element& e : elements) {
        const bool vertices = e.name == "vertex", faces = e.name == "face";
        if (vertices) {
            for (const Property& p : e.properties) {
                const int s = Slot(p.name);
                hasNormals = hasNormals || (s >= 3 && s <= 5);
                channels = std::max(channels, s >= 6 && s <= 9 ? s - 5 : 0);
                hasUv = hasUv || s >= 10;
            }
            if (channels && channels < 3)
                channels = 0;
        }
        // The face's index list; polygons become fans.
        std::vector<uint32_t> polygon;
        for (size_t i = 0; i < e.count; ++i) {
            double slot[12] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 0};
            for (const Property& p : e.properties) {
                double value;
                if (p.countType == Type::Unknown) {
                    if (!body.read(p.type, value))
                        return false;
                    const int s = vertices ? Slot(p.name) : -1;
                    // Integer colours are bytes; float ones are already 0 to 1.
                    if (s >= 6 && s <= 9 && p.type != Type::Float32 && p.type != Type::Float64)
                        value /= 255.0;
                    if (s >= 0)
                        slot[s] = value;
                    continue;
                }
                double count;
                if (!body.read(p.countType, count) || count < 0 || count > 1e6)
                    return false;
                const bool keep = faces && (p.name == "vertex_indices" || p.name == "vertex_index");
                polygon.clear();
                for (size_t k = 0; k < size_t(count); ++k) {
                    if (!body.read(p.type, value))
                        return false;
                    if (keep)
                        polygon.push_back(uint32_t(value));
                }
                if (keep)
                    for (size_t k = 2; k < polygon.size(); ++k)
                        mesh.indices.insert(mesh.indices.end(), {polygon[0], polygon[k - 1], polygon[k]});
            }
            if (vertices) {
                for (int k = 0; k < 3; ++k)
                    mesh.positions.push_back(float(slot[k]));
                for (int k = 0; k < 3 && hasNormals; ++k)
                    mesh.normals.push_back(float(slot[3 + k]));
                for (int k = 0; k < channels; ++k)
                    mesh.colors.push_back(float(slot[6 + k]));
                for (int k = 0; k < 2 && hasUv; ++k)
                    mesh.uvs.push_back(float(slot[10 + k]));
            }
        }
    }
    mesh.colorChannels = channels;
    const uint32_t V = mesh.vertexCount();
    for (uint32_t i : mesh.indices)
        if (i >= V)
            return false;
    if (!mesh.indices.empty())
        mesh.groupEnds = {uint32_t(mesh.indices.size() / 3)};
    return true;
}

} // namespace crt
