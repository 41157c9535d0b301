// Decoded meshes as OBJ, OFF or PLY. Floats are written in their shortest form that reads back
// to the same value, so text output is as exact as binary.
#include "crtool.h"
#include "platform/names.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace crtool {

namespace {

void Put(std::string& out, float v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void Put(std::string& out, uint64_t v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

template <typename T>
void Raw(std::string& out, T v) // little-endian whatever the machine
{
    unsigned char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    if (std::endian::native == std::endian::big)
        std::reverse(b, b + sizeof(T));
    out.append(reinterpret_cast<const char*>(b), sizeof(T));
}

uint8_t ColorByte(float c) { return uint8_t(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f)); }

void Obj(const DecodedMesh& m, std::string& out)
{
    out += "# crtool: " + std::to_string(m.V) + " vertices, " + std::to_string(m.F) + " triangles\n";
    for (size_t v = 0; v < m.V; ++v) {
        out += 'v';
        for (int k = 0; k < 3; ++k)
            out += ' ', Put(out, m.positions.empty() ? 0.0f : m.positions[3 * v + k]);
        for (int k = 0; k < 3 && !m.colors.empty(); ++k)
            out += ' ', Put(out, m.colors[4 * v + k]);
        out += '\n';
    }
    for (size_t v = 0; v < m.V && !m.uvs.empty(); ++v) {
        out += "vt ", Put(out, m.uvs[2 * v]), out += ' ', Put(out, m.uvs[2 * v + 1]), out += '\n';
    }
    for (size_t v = 0; v < m.V && !m.normals.empty(); ++v) {
        out += "vn";
        for (int k = 0; k < 3; ++k)
            out += ' ', Put(out, m.normals[3 * v + k]);
        out += '\n';
    }
    const bool t = !m.uvs.empty(), n = !m.normals.empty();
    for (size_t i = 0; i < m.indices.size(); i += 3) {
        out += 'f';
        for (int k = 0; k < 3; ++k) {
            const uint64_t id = uint64_t(m.indices[i + k]) + 1;
            out += ' ', Put(out, id);
            if (t || n) {
                out += '/';
                if (t)
                    Put(out, id);
                if (n)
                    out += '/', Put(out, id);
            }
        }
        out += '\n';
    }
}

void Off(const DecodedMesh& m, std::string& out)
{
    out += "OFF\n" + std::to_string(m.V) + " " + std::to_string(m.F) + " 0\n";
    for (size_t v = 0; v < m.V; ++v) {
        for (int k = 0; k < 3; ++k)
            Put(out, m.positions.empty() ? 0.0f : m.positions[3 * v + k]), out += k < 2 ? ' ' : '\n';
    }
    for (size_t i = 0; i < m.indices.size(); i += 3) {
        out += '3';
        for (int k = 0; k < 3; ++k)
            out += ' ', Put(out, uint64_t(m.indices[i + k]));
        out += '\n';
    }
}

void Ply(const DecodedMesh& m, bool ascii, std::string& out)
{
    out += "ply\nformat ";
    out += ascii ? "ascii" : "binary_little_endian";
    out += " 1.0\ncomment crtool\nelement vertex " + std::to_string(m.V) + "\n";
    out += "property float x\nproperty float y\nproperty float z\n";
    if (!m.normals.empty())
        out += "property float nx\nproperty float ny\nproperty float nz\n";
    if (!m.colors.empty())
        out += "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n";
    if (!m.uvs.empty())
        out += "property float s\nproperty float t\n";
    out += "element face " + std::to_string(m.F) + "\nproperty list uchar uint vertex_indices\nend_header\n";
    const auto value = [&](float f) {
        if (ascii)
            Put(out, f), out += ' ';
        else
            Raw(out, f);
    };
    for (size_t v = 0; v < m.V; ++v) {
        for (int k = 0; k < 3; ++k)
            value(m.positions.empty() ? 0.0f : m.positions[3 * v + k]);
        for (int k = 0; k < 3 && !m.normals.empty(); ++k)
            value(m.normals[3 * v + k]);
        for (int k = 0; k < 4 && !m.colors.empty(); ++k) {
            const uint8_t c = ColorByte(m.colors[4 * v + k]);
            if (ascii)
                Put(out, uint64_t(c)), out += ' ';
            else
                Raw(out, c);
        }
        for (int k = 0; k < 2 && !m.uvs.empty(); ++k)
            value(m.uvs[2 * v + k]);
        if (ascii)
            out.back() = '\n';
    }
    for (size_t i = 0; i < m.indices.size(); i += 3) {
        if (ascii) {
            out += '3';
            for (int k = 0; k < 3; ++k)
                out += ' ', Put(out, uint64_t(m.indices[i + k]));
            out += '\n';
        } else {
            Raw(out, uint8_t(3));
            for (int k = 0; k < 3; ++k)
                Raw(out, m.indices[i + k]);
        }
    }
}

} // namespace

bool FormatMesh(const std::string& path, const DecodedMesh& mesh, bool ascii, std::string& out)
{
    const std::string ext = AsciiLower(std::filesystem::path(path).extension().string());
    out.clear();
    if (ext == ".obj")
        Obj(mesh, out);
    else if (ext == ".off")
        Off(mesh, out);
    else if (ext == ".ply")
        Ply(mesh, ascii, out);
    else
        return false;
    return true;
}

} // namespace crtool
