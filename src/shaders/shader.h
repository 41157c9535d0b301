// The shader system: shader sources read through the program's own "#include" and
// "#replace" preprocessor (with a scrambled ".xxx" copy kept beside every source),
// vertex/fragment programs with logged diagnostics and uniform setters, and the
// compute program of the particle simulation with its storage buffers and images.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

// Process-wide development switch: adds build banners and the fragment-log report.
// Nothing sets it in the running program.
extern bool shaderDiagnostics;

// Deepest chain of nested "#include" directives that is followed. Deeper ones, and an include
// of a file that is being expanded already (a cycle), are reported in red and expand to nothing.
constexpr int MaxIncludeDepth = 32;

// Reads a shader source and returns its expanded text, zero-terminated and owned by
// the caller; null when neither the source nor its scrambled copy exists. Prints
// "Loading... <path>". A path containing ".cpp" gets its scrambled copy (".xxx" in
// place of the first ".cpp") rewritten, or read back when the source is missing.
std::unique_ptr<char[]> LoadShaderSource(const std::map<std::string, std::string>& replacements,
                                         std::string path);

// Scrambles or unscrambles length bytes in place; applying it twice restores them.
void ScrambleBytes(char* buffer, size_t length);

// The driver's line number (1-based, in the expanded text) named at the start of a
// compiler log line ("0(12) : error ..." or "0:12(5): error ..."), or 0 when the line
// names none. Never fails on malformed lines.
int LogLineNumber(std::string_view logLine);

// One GLSL program of a vertex and a fragment shader.
struct TShader {
    std::map<std::string, std::string> replacements;  // "#replace" table; starts empty
    uint32_t fragmentShader = 0;
    uint32_t vertexShader = 0;
    uint32_t program = 0;  // users make it current themselves with glUseProgram
    bool verbose = true;   // print the info logs

    // Compiles both shaders and links them; a rebuild deletes the previous objects.
    // Success is not reported back: a failed program renders nothing.
    void Load(std::string vertexPath, std::string fragmentPath);
    void CompileVertex(std::string path);
    void CompileFragment(std::string path);
    void PrintVertexLog(const std::string& sourceText);
    void PrintFragmentLog(const std::string& sourceText);

    // The setters look the uniform up by name on every call; `program` must be current.
    void SetFloat(const std::string& name, float value);
    void SetMatrix(const std::string& name, const float* matrix);  // 16 floats, column-major
    // Binds texture on unit and points the sampler name at it; leaves GL_TEXTURE0
    // active and the matrix mode at GL_TEXTURE.
    void SetTexture(int unit, const std::string& name, uint32_t texture);
};

// Reads a whole file into a new zero-terminated buffer; null (with a message) when it
// cannot be opened or read.
std::unique_ptr<char[]> ReadShaderFile(const std::string& path);

// The particle simulation's compute program, its three storage buffers (bound by the
// scene at 4, 5, 6) and its three image textures (image units 0, 1, 2).
struct TComputeShader {
    uint32_t program = 0;
    uint32_t curlTexture = 0;  // created and filled by the scene
    uint32_t buffers[3] = {0, 0, 0};
    uint32_t positionImage = 0;  // image unit 0
    uint32_t colorImage = 0;     // image unit 2
    uint32_t auxImage = 0;       // image unit 1
    int32_t width = 0, height = 0;

    // Builds the program from the plain source file (no preprocessing) and creates the
    // buffers (width x height vec4 cells, zeroed) and images (width x height RGBA32F).
    void Load(std::string path);
};
