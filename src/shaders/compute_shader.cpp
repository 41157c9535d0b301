// The compute program of the particle simulation, read as it is from its file, with
// the storage buffers and image textures it works on.
#include "platform/console.h"
#include "platform/loading.h"
#include "shaders/shader.h"

#include <GL/glew.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

const char* const Rule56 = "========================================================";

// A width x height RGBA32F texture on the active unit, bound write-only to an image unit.
GLuint CreateImage(GLuint imageUnit, GLsizei width, GLsizei height)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, width, height, 0, GL_RGBA, GL_FLOAT, nullptr);
    glBindImageTexture(imageUnit, texture, 0, GL_FALSE, 0, GL_WRITE_ONLY, GL_RGBA32F);
    return texture;
}

}  // namespace

std::unique_ptr<char[]> ReadShaderFile(const std::string& path)
{
    std::error_code ec;
    const std::optional<std::string> read =
        std::filesystem::is_regular_file(path, ec) ? ReadWholeFile(path) : std::nullopt;
    if (!read) {
        std::cout << "Cannot open shader source file.\n";
        return nullptr;
    }
    const std::string& bytes = *read;
    auto text = std::make_unique<char[]>(bytes.size() + 1);  // zero-filled
    std::copy(bytes.begin(), bytes.end(), text.get());
    return text;
}

void TComputeShader::Load(std::string path)
{
    const std::unique_ptr<char[]> text = ReadShaderFile(path);
    std::cout << BrightWhite << "\nComputer shader: " << path << "\n" << Rule56 << "\n";

    // A missing file compiles as an empty text: the program name is stored regardless.
    const char* source = text ? text.get() : "";
    program = glCreateProgram();
    const GLuint shader = glCreateShader(GL_COMPUTE_SHADER);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    glAttachShader(program, shader);
    glLinkProgram(program);

    char log[7000];
    GLsizei length = 0;
    log[0] = '\0';
    glGetShaderInfoLog(shader, sizeof log, &length, log);
    const std::string logText(log, size_t(std::clamp<GLsizei>(length, 0, sizeof log - 1)));
    if (logText.find("error") != std::string::npos)
        std::cout << BrightRed << "\n";
    std::cout << logText << "\n" << BrightWhite << "\n";

    const GLsizei w = std::max(width, 0), h = std::max(height, 0);
    const GLsizeiptr bytes = GLsizeiptr(w) * GLsizeiptr(h) * 16;  // one vec4 per cell
    for (GLuint& buffer : buffers) {
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, buffer);
        glBufferData(GL_SHADER_STORAGE_BUFFER, bytes, nullptr, GL_STATIC_DRAW);
        // Zeroed, so the step can tell a cell it has never seeded from one with state.
        glClearBufferData(GL_SHADER_STORAGE_BUFFER, GL_RGBA32F, GL_RGBA, GL_FLOAT, nullptr);
    }

    glActiveTexture(GL_TEXTURE8);
    positionImage = CreateImage(0, w, h);
    glActiveTexture(GL_TEXTURE9);
    auxImage = CreateImage(1, w, h);
    colorImage = CreateImage(2, w, h);  // unit 9 stays active
    std::cout << BrightWhite << "\n";
}
