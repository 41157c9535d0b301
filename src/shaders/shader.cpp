// Vertex/fragment program build with coloured compiler logs, and the uniform setters.
#include "platform/console.h"
#include "platform/names.h"
#include "shaders/shader.h"

#include <GL/glew.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <vector>

bool shaderDiagnostics = false;

namespace {

const char* const Rule75 = "===========================================================================";

// Info log of a shader or program, cut at 3000 characters as the console report always was.
std::string InfoLog(GLuint object, void(GLAPIENTRY* getLog)(GLuint, GLsizei, GLsizei*, GLchar*))
{
    char log[3000];
    GLsizei length = 0;
    log[0] = '\0';
    getLog(object, sizeof log, &length, log);
    return std::string(log, size_t(std::clamp<GLsizei>(length, 0, sizeof log - 1)));
}

std::string ShaderLog(GLuint shader) { return InfoLog(shader, glGetShaderInfoLog); }
std::string ProgramLog(GLuint program) { return InfoLog(program, glGetProgramInfoLog); }

// Creates and compiles a new shader from the preprocessed file; a missing source
// compiles as an empty text. Returns the text that was compiled; `map` tells where its
// lines came from.
std::string CompileFromSource(const TShader& shader, GLenum type, const std::string& path, uint32_t& name,
                              TSourceMap& map)
{
    const std::unique_ptr<char[]> text = LoadShaderSource(shader.replacements, path, &map);
    const char* source = text ? text.get() : "";
    name = glCreateShader(type);
    glShaderSource(name, 1, &source, nullptr);
    glCompileShader(name);
    return source;
}

bool Compiled(GLuint shader)
{
    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    return status != 0;
}

// The error lines of every program whose last build failed, by its two paths, in build order.
std::vector<std::pair<std::string, std::vector<std::string>>>& ErrorBoard()
{
    static std::vector<std::pair<std::string, std::vector<std::string>>> board;
    return board;
}

void PostErrors(const std::string& key, const std::vector<std::string>& errors)
{
    auto& board = ErrorBoard();
    const auto at = std::find_if(board.begin(), board.end(), [&](const auto& entry) { return entry.first == key; });
    if (at != board.end())
        board.erase(at);
    if (!errors.empty())
        board.emplace_back(key, errors);
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t pos = 0;
    for (size_t newline; (newline = text.find('\n', pos)) != std::string_view::npos; pos = newline + 1)
        lines.push_back(text.substr(pos, newline - pos));
    return lines;
}

}  // namespace

int LogLineNumber(std::string_view line)
{
    // "0(12) : error ..." and "0:12(5): error ..." both name the line after the string index.
    if (line.size() < 3 || line[0] != '0' || (line[1] != '(' && line[1] != ':'))
        return 0;
    int number = 0;
    const char* first = line.data() + 2;
    const char* last = line.data() + line.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end == first || number <= 0)
        return 0;
    const char expected = line[1] == '(' ? ')' : '(';
    return end != last && *end == expected ? number : 0;
}

std::string MapLogLine(std::string_view line, const TSourceMap& map)
{
    // The location: "0:12(5): ", "0(12) : " or, after "ERROR: ", "0:12: ".
    std::string_view rest = line;
    std::string_view kind;
    for (std::string_view prefix : {"ERROR: ", "WARNING: "})
        if (rest.starts_with(prefix))
            kind = prefix.substr(0, prefix.size() - 2), rest.remove_prefix(prefix.size());
    if (rest.size() < 3 || rest[0] != '0' || (rest[1] != '(' && rest[1] != ':'))
        return std::string(line);
    int number = 0;
    const auto [end, error] = std::from_chars(rest.data() + 2, rest.data() + rest.size(), number);
    if (error != std::errc() || end == rest.data() + 2 || number <= 0 || size_t(number) > map.lines.size())
        return std::string(line);
    std::string_view message = rest.substr(size_t(end - rest.data()));
    // Whatever closes the location: ")", "(5)", " ", ":" in any mix, up to the message.
    while (!message.empty() && std::string_view(")(0123456789 :").find(message.front()) != std::string_view::npos)
        message.remove_prefix(1);
    const TSourceMap::Origin origin = map.lines[size_t(number) - 1];
    std::string out = NormalPath(map.files[size_t(origin.file)]) + ":" + std::to_string(origin.line) + ": ";
    if (!kind.empty() && message.find("rror") == std::string_view::npos && message.find("arning") == std::string_view::npos)
        out += AsciiLower(kind) + ": ";
    return out + std::string(message);
}

std::vector<std::string> ShaderErrors()
{
    std::vector<std::string> lines;
    for (const auto& [key, errors] : ErrorBoard())
        for (const std::string& e : errors)
            if (std::find(lines.begin(), lines.end(), e) == lines.end())
                lines.push_back(e);  // an include's fault shows once, however many programs share it
    return lines;
}

void ClearShaderErrors()
{
    ErrorBoard().clear();
}

bool TShader::UsesFile(const std::string& path) const
{
    const std::string normal = NormalPath(path);
    return std::find(sources.begin(), sources.end(), normal) != sources.end();
}

void TShader::Rebuild()
{
    Load(vertexPath, fragmentPath);
}

void TShader::Load(std::string vertex, std::string fragment)
{
    vertexPath = vertex;
    fragmentPath = fragment;
    const bool banners = shaderDiagnostics && verbose;
    const uint32_t previous[3] = {vertexShader, fragmentShader, program};
    maps[0] = maps[1] = TSourceMap{};
    if (banners)
        std::cout << BrightCyan << "\n\nVertex loading: " << vertexPath << "\n" << Rule75 << "\n";
    CompileVertex(vertexPath);
    if (banners)
        std::cout << BrightGreen << "\nFragment loading: " << fragmentPath << "\n" << Rule75 << "\n";
    CompileFragment(fragmentPath);

    program = glCreateProgram();
    glAttachShader(program, fragmentShader);
    glAttachShader(program, vertexShader);
    glLinkProgram(program);
    if (banners)
        std::cout << White << "\n";

    sources.clear();
    for (const TSourceMap& map : maps)
        for (const std::string& file : map.files)
            if (std::string normal = NormalPath(file); std::find(sources.begin(), sources.end(), normal) == sources.end())
                sources.push_back(std::move(normal));
    errors = BuildErrors();
    PostErrors(vertexPath + "\n" + fragmentPath, errors);
    const bool keepPrevious = !errors.empty() && built;
    if (!errors.empty()) {
        std::cout << BrightRed;
        for (const std::string& e : errors)
            std::cout << e << "\n";
        if (keepPrevious)
            std::cout << "TShader::Load - " << vertexPath << " + " << fragmentPath
                      << " did not build; the last good program stays\n";
        std::cout << std::flush;  // the author is looking now, whatever the console is
    }
    // The objects that go: the new ones when the last good program stays, else the previous ones
    // (the space bar rebuilds every frame while held).
    const uint32_t* gone = previous;
    const uint32_t fresh[3] = {vertexShader, fragmentShader, program};
    if (keepPrevious) {
        gone = fresh;
        vertexShader = previous[0], fragmentShader = previous[1], program = previous[2];
    } else {
        built = errors.empty();
    }
    for (int i = 0; i < 2; ++i)
        if (gone[i] != 0)
            glDeleteShader(gone[i]);
    if (gone[2] != 0)
        glDeleteProgram(gone[2]);
}

std::vector<std::string> TShader::BuildErrors() const
{
    std::vector<std::string> lines;
    const GLuint shaders[2] = {vertexShader, fragmentShader};
    bool compiled = true;
    for (int i = 0; i < 2; ++i) {
        if (Compiled(shaders[i]))
            continue;
        compiled = false;
        const std::string log = ShaderLog(shaders[i]) + "\n";  // the last line too
        const size_t before = lines.size();
        for (const std::string_view line : SplitLines(log))
            if (line.find("rror") != std::string_view::npos)
                lines.push_back(MapLogLine(line, maps[i]));
        if (lines.size() == before)  // a failure the log does not spell out
            lines.push_back(NormalPath(i == 0 ? vertexPath : fragmentPath) + ": did not compile");
    }
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (compiled && !linked) {
        const std::string log = ProgramLog(program) + "\n";
        for (const std::string_view line : SplitLines(log))
            if (!line.empty())
                lines.push_back(NormalPath(fragmentPath) + ": link: " + std::string(line));
        if (log == "\n")
            lines.push_back(NormalPath(fragmentPath) + ": link: the program did not link");
    }
    return lines;
}

void TShader::CompileVertex(std::string path)
{
    PrintVertexLog(CompileFromSource(*this, GL_VERTEX_SHADER, path, vertexShader, maps[0]));
}

void TShader::CompileFragment(std::string path)
{
    PrintFragmentLog(CompileFromSource(*this, GL_FRAGMENT_SHADER, path, fragmentShader, maps[1]));
}

void TShader::PrintVertexLog(const std::string&)
{
    const std::string log = ShaderLog(vertexShader);
    if (verbose)
        std::cout << White;
    if (log.find("error") != std::string::npos)
        std::cout << BrightRed;
    if (verbose)
        std::cout << log << "\n";
}

void TShader::PrintFragmentLog(const std::string& sourceText)
{
    if (!shaderDiagnostics)
        return;
    const std::string log = ShaderLog(fragmentShader);
    const bool failed = log.find("error") != std::string::npos;
    if (verbose)
        std::cout << White;
    if (failed)
        std::cout << BrightRed;
    if (!verbose)
        return;
    const std::vector<std::string_view> source = SplitLines(sourceText);
    for (const std::string_view line : SplitLines(log)) {
        std::cout << line << "\n";
        if (line.size() <= 5 || line.find("error") == std::string_view::npos)
            continue;
        // Show the offending line of the expanded text under its error, in cyan.
        const int number = LogLineNumber(line);
        if (number > 0 && size_t(number) <= source.size())
            std::cout << BrightCyan << "    " << number << ": " << source[size_t(number) - 1] << "\n"
                      << BrightRed;
    }
}

void TShader::SetFloat(const std::string& name, float value)
{
    glUniform1f(glGetUniformLocation(program, name.c_str()), value);
}

void TShader::SetMatrix(const std::string& name, const float* matrix)
{
    glUniformMatrix4fv(glGetUniformLocation(program, name.c_str()), 1, GL_FALSE, matrix);
}

void TShader::SetTexture(int unit, const std::string& name, uint32_t texture)
{
    const GLint location = glGetUniformLocation(program, name.c_str());
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(location, unit);
    glMatrixMode(GL_TEXTURE);
    if (glActiveTextureARB)
        glActiveTextureARB(GL_TEXTURE0);
    else
        glActiveTexture(GL_TEXTURE0);
}
