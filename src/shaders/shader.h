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
#include <vector>

// Process-wide development switch: adds build banners and the fragment-log report.
// Nothing sets it in the running program.
extern bool shaderDiagnostics;

// Deepest chain of nested "#include" directives that is followed. Deeper ones, and an include
// of a file that is being expanded already (a cycle), are reported in red and expand to nothing.
constexpr int MaxIncludeDepth = 32;

// Where the lines of an expanded text came from: every file the expansion read or looked
// for, in order (the first is the file asked for), and for each line of the text the file
// and the line in it, from 1. The empty line that follows an included text, and every line
// of a "#replace" text, belong to the directive's line; a scrambled copy's lines are its own.
struct TSourceMap {
    struct Origin {
        int file;
        int line;
    };
    std::vector<std::string> files;
    std::vector<Origin> lines;
};

// Reads a shader source and returns its expanded text, zero-terminated and owned by
// the caller; null when neither the source nor its scrambled copy exists. Prints
// "Loading... <path>". A path containing ".cpp" gets its scrambled copy (".xxx" in
// place of the first ".cpp") rewritten, or read back when the source is missing.
// With a map, also tells where each line of the text came from.
std::unique_ptr<char[]> LoadShaderSource(const std::map<std::string, std::string>& replacements,
                                         std::string path, TSourceMap* map = nullptr);

// Scrambles or unscrambles length bytes in place; applying it twice restores them.
void ScrambleBytes(char* buffer, size_t length);

// The driver's line number (1-based, in the expanded text) named at the start of a
// compiler log line ("0(12) : error ..." or "0:12(5): error ..."), or 0 when the line
// names none. Never fails on malformed lines.
int LogLineNumber(std::string_view logLine);

// A compiler log line with its place given as the author sees it, "file:line: message",
// the file being the one the line was written in (through "#include"s) and the line its
// line there. The drivers' forms "0:12(5): ...", "0(12) : ..." and "ERROR: 0:12: ..." are
// understood; any other line comes back as it is.
std::string MapLogLine(std::string_view logLine, const TSourceMap& map);

// The error lines of every program whose last build failed, each line once, in build
// order; empty when every program built. Also printed in red by the build that failed.
std::vector<std::string> ShaderErrors();
void ClearShaderErrors();

// One GLSL program of a vertex and a fragment shader.
struct TShader {
    std::map<std::string, std::string> replacements;  // "#replace" table; starts empty
    uint32_t fragmentShader = 0;
    uint32_t vertexShader = 0;
    uint32_t program = 0;  // users make it current themselves with glUseProgram
    bool verbose = true;   // print the info logs

    bool built = false;                    // `program` compiled and linked
    std::string vertexPath, fragmentPath;  // of the last build
    std::vector<std::string> sources;      // every file the last build read or looked for, normalised
    std::vector<std::string> errors;       // the last build's error lines (MapLogLine); empty when it built
    TSourceMap maps[2];                    // vertex and fragment text of the last build

    // Compiles both shaders and links them, then keeps the new program and deletes the
    // previous objects; or, when the new one fails and the previous one had built, keeps
    // the previous one running and deletes the new objects. A first build that fails is
    // kept, and renders nothing.
    void Load(std::string vertexPath, std::string fragmentPath);
    // Builds again from the paths of the last build.
    void Rebuild();
    // Whether the last build read (or looked for) `path`, compared as normalised paths.
    bool UsesFile(const std::string& path) const;
    std::vector<std::string> BuildErrors() const;
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
