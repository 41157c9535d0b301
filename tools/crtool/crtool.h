// crtool: compresses meshes into crt containers, decodes them back, shows what a container holds
// and how fast it decodes. Each command is one function; failures are thrown as Failure.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace crtool {

enum { kBadInput = 1, kUsage = 2 };

// One line for the user (without the program name) and the exit status.
struct Failure {
    int status;
    std::string message;
};

[[noreturn]] inline void Fail(int status, const std::string& message) { throw Failure{status, message}; }

// Options after the command's file arguments: "--name value" pairs or "--flag".
struct Options {
    std::vector<std::string> files;
    std::vector<std::pair<std::string, std::string>> values;
    bool has(const std::string& name) const;
    std::string get(const std::string& name, const std::string& fallback) const;
    double number(const std::string& name, double fallback, double lo, double hi) const;
};

int Encode(const Options& o);
int Decode(const Options& o);
int Info(const Options& o);
int Bench(const Options& o);

// Whole files in and out. Writing goes to a temporary beside the target, renamed over it only
// when complete, so a failure never leaves a partial output file.
std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const void* data, size_t size);

} // namespace crtool

namespace crtool {

// A container decoded through the exported functions into arrays of the attributes it holds.
struct DecodedMesh {
    uint32_t V = 0, F = 0;
    std::vector<uint32_t> indices;
    std::vector<float> positions, normals, colors, uvs; // empty when the container has none
};

// Sizes the arrays from the header; throws Failure naming `path` for anything it cannot decode.
void DecodeContainer(const std::string& path, const std::vector<uint8_t>& bytes, DecodedMesh& mesh);
// Decodes again into the arrays DecodeContainer sized (for timing).
void DecodeAgain(const std::vector<uint8_t>& bytes, DecodedMesh& mesh);

// The mesh as OBJ, OFF or PLY text or bytes, chosen by the extension of `path` (false: unknown).
bool FormatMesh(const std::string& path, const DecodedMesh& mesh, bool ascii, std::string& out);

} // namespace crtool
