// Vertex/fragment program build with coloured compiler logs, and the uniform setters.
#include "platform/console.h"
#include "shaders/shader.h"

#include <GL/glew.h>

#include <algorithm>
#include <charconv>
#include <iostream>
#include <vector>

bool shaderDiagnostics = false;

namespace {

const char* const Rule75 = "===========================================================================";

// Info log of a shader, cut at 3000 characters as the console report always was.
std::string ShaderLog(GLuint shader)
{
    char log[3000];
    GLsizei length = 0;
    log[0] = '\0';
    glGetShaderInfoLog(shader, sizeof log, &length, log);
    return std::string(log, size_t(std::clamp<GLsizei>(length, 0, sizeof log - 1)));
}

// Creates and compiles a new shader from the preprocessed file; a missing source
// compiles as an empty text. Returns the text that was compiled.
std::string CompileFromSource(const TShader& shader, GLenum type, const std::string& path, uint32_t& name)
{
    const std::unique_ptr<char[]> text = LoadShaderSource(shader.replacements, path);
    const char* source = text ? text.get() : "";
    if (name != 0)
        glDeleteShader(name);  // a rebuild replaces it; still attached, it goes with its program
    name = glCreateShader(type);
    glShaderSource(name, 1, &source, nullptr);
    glCompileShader(name);
    return source;
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

void TShader::Load(std::string vertexPath, std::string fragmentPath)
{
    const bool banners = shaderDiagnostics && verbose;
    if (banners)
        std::cout << BrightCyan << "\n\nVertex loading: " << vertexPath << "\n" << Rule75 << "\n";
    CompileVertex(vertexPath);
    if (banners)
        std::cout << BrightGreen << "\nFragment loading: " << fragmentPath << "\n" << Rule75 << "\n";
    CompileFragment(fragmentPath);

    if (program != 0)
        glDeleteProgram(program);  // the space bar rebuilds every frame while held
    program = glCreateProgram();
    glAttachShader(program, fragmentShader);
    glAttachShader(program, vertexShader);
    glLinkProgram(program);
    if (banners)
        std::cout << White << "\n";
}

void TShader::CompileVertex(std::string path)
{
    PrintVertexLog(CompileFromSource(*this, GL_VERTEX_SHADER, path, vertexShader));
}

void TShader::CompileFragment(std::string path)
{
    PrintFragmentLog(CompileFromSource(*this, GL_FRAGMENT_SHADER, path, fragmentShader));
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
