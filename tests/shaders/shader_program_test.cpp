// Programs built from preprocessed sources under the software renderer: uniforms,
// texture set-up, rebuilds, coloured logs, and the compute program with its buffers.
#include "shaders/shader.h"
#include "support/gl_window.h"
#include "temp_folder.h"

#include <array>

namespace {

bool Linked(GLuint program)
{
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status == GL_TRUE;
}

GLint Integer(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

class ShaderProgram : public TempFolderTest {
protected:
    GLTestWindow window;
    void SetUp() override
    {
        TempFolderTest::SetUp();
        ASSERT_TRUE(window.ok);
        Write("common.cpp", "uniform float gain;\nuniform mat4 mvp;\n");
        Write("vs.cpp", "#version 120\n  #include common.cpp\n\nvoid main() { gl_Position = mvp * gl_Vertex * gain; }\n");
        Write("fs.cpp", "#version 120\nuniform sampler2D tex;\n\nvoid main() { gl_FragColor = texture2D(tex, vec2(0.5)); }\n");
        Write("bad.cpp", "#version 120\nvoid main() { gl_Position = undefinedThing; }\n");
    }
    void TearDown() override
    {
        shaderDiagnostics = false;
        glUseProgram(0);
        TempFolderTest::TearDown();
    }
};

TEST_F(ShaderProgram, LinksAndTakesTheSettersValues)
{
    TShader shader;
    const std::string output = Printed([&] { shader.Load("vs.cpp", "fs.cpp"); });
    ASSERT_TRUE(Linked(shader.program)) << output;
    // Loading lines, then the vertex log in white; nothing for the fragment.
    EXPECT_EQ(output.rfind("Loading... vs.cpp\nLoading... common.cpp\n" + Grey, 0), 0u) << output;
    EXPECT_EQ(output.find(Red), std::string::npos) << output;
    EXPECT_TRUE(output.ends_with("\nLoading... fs.cpp\n")) << output;

    glUseProgram(shader.program);
    shader.SetFloat("gain", 0.25f);
    shader.SetFloat("notThere", 1.0f);  // location -1: ignored
    std::array<float, 16> matrix, readBack{};
    for (size_t i = 0; i < matrix.size(); ++i) matrix[i] = float(i) * 0.5f - 3.0f;
    shader.SetMatrix("mvp", matrix.data());
    GLuint textures[2];
    glGenTextures(2, textures);
    glBindTexture(GL_TEXTURE_2D, textures[0]);  // on unit 0, must stay there
    shader.SetTexture(3, "tex", textures[1]);

    float gain = 0;
    GLint sampler = -1;
    glGetUniformfv(shader.program, glGetUniformLocation(shader.program, "gain"), &gain);
    glGetUniformfv(shader.program, glGetUniformLocation(shader.program, "mvp"), readBack.data());
    glGetUniformiv(shader.program, glGetUniformLocation(shader.program, "tex"), &sampler);
    EXPECT_EQ(gain, 0.25f);
    EXPECT_EQ(readBack, matrix);
    EXPECT_EQ(sampler, 3);
    EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_TEXTURE);
    EXPECT_EQ(GLuint(Integer(GL_TEXTURE_BINDING_2D)), textures[0]);
    glActiveTexture(GL_TEXTURE3);
    EXPECT_EQ(GLuint(Integer(GL_TEXTURE_BINDING_2D)), textures[1]);
    glActiveTexture(GL_TEXTURE0);
    glMatrixMode(GL_MODELVIEW);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteTextures(2, textures);
}

TEST_F(ShaderProgram, RebuildDeletesThePreviousObjects)
{
    TShader shader;
    Printed([&] { shader.Load("vs.cpp", "fs.cpp"); });
    const GLuint old[3] = {shader.program, shader.vertexShader, shader.fragmentShader};
    Printed([&] { shader.Load("vs.cpp", "fs.cpp"); shader.Load("vs.cpp", "fs.cpp"); });
    ASSERT_TRUE(Linked(shader.program));
    EXPECT_FALSE(glIsProgram(old[0]) || glIsShader(old[1]) || glIsShader(old[2]));
    EXPECT_TRUE(glIsShader(shader.vertexShader) && glIsShader(shader.fragmentShader));
}

TEST_F(ShaderProgram, ErrorsTurnTheConsoleRedAndMissingSourcesCompileEmpty)
{
    TShader loud, quiet, missing;
    const std::string output = Printed([&] { loud.Load("bad.cpp", "fs.cpp"); });
    const size_t red = output.find(Grey + Red);
    ASSERT_NE(red, std::string::npos) << output;
    EXPECT_NE(output.find("error", red), std::string::npos) << output;
    quiet.verbose = false;  // the colour still switches, nothing is printed
    EXPECT_EQ(Printed([&] { quiet.Load("bad.cpp", "fs.cpp"); }), "Loading... bad.cpp\n" + Red + "Loading... fs.cpp\n");
    EXPECT_FALSE(Linked(quiet.program));
    const std::string none = Printed([&] { missing.Load("none_vs.cpp", "none_fs.cpp"); });
    EXPECT_EQ(Occurrences(none, "ERROR XXX or CPP FILE NOT FOUND !"), 2u) << none;
    EXPECT_NE(missing.program, 0u);
    EXPECT_FALSE(Linked(missing.program));
}

TEST_F(ShaderProgram, DiagnosticsShowTheOffendingLine)
{
    Write("broken.cpp", "float broken = undefined_thing;\n");
    Write("fs_bad.cpp", "#version 120\n#include broken.cpp\nvoid main() { gl_FragColor = vec4(broken); }\n");
    shaderDiagnostics = true;
    TShader shader;
    const std::string output = Printed([&] { shader.Load("vs.cpp", "fs_bad.cpp"); });
    const std::string rule(75, '=');
    EXPECT_EQ(output.rfind(Cyan + "\n\nVertex loading: vs.cpp\n" + rule + "\n", 0), 0u) << output;
    EXPECT_NE(output.find(Green + "\nFragment loading: fs_bad.cpp\n" + rule + "\n"), std::string::npos);
    // The expanded text puts the included line second.
    EXPECT_NE(output.find(Cyan + "    2: float broken = undefined_thing;\n" + Red), std::string::npos) << output;
    EXPECT_TRUE(output.ends_with(Grey + "\n")) << output;
}

TEST_F(ShaderProgram, ComputeWritesItsStorageBufferAndImages)
{
    Write("particles.glsl",
          "#version 430\nlayout(local_size_x = 1) in;\n"
          "layout(std430, binding = 4) buffer Cells { vec4 cells[]; };\n"
          "layout(rgba32f, binding = 0) writeonly uniform image2D positionImg;\n"
          "layout(rgba32f, binding = 1) writeonly uniform image2D auxImg;\n"
          "layout(rgba32f, binding = 2) writeonly uniform image2D colorImg;\n"
          "void main() {\n  uint i = gl_GlobalInvocationID.x;\n  ivec2 p = ivec2(int(i % 4u), int(i / 4u));\n"
          "  cells[i] = vec4(float(i), 2.0 * float(i), 1.0, -1.0);\n"
          "  imageStore(positionImg, p, vec4(1.0, 0.0, 0.0, float(i)));\n"
          "  imageStore(auxImg, p, vec4(2.0, 0.0, 0.0, float(i)));\n"
          "  imageStore(colorImg, p, vec4(3.0, 0.0, 0.0, float(i)));\n}\n");
    TComputeShader compute;
    compute.width = 4;
    compute.height = 2;
    const std::string output = Printed([&] { compute.Load("particles.glsl"); });
    ASSERT_TRUE(Linked(compute.program)) << output;
    EXPECT_EQ(output.rfind(BrightWhiteCode + "\nComputer shader: particles.glsl\n" + std::string(56, '=') + "\n", 0), 0u);
    EXPECT_EQ(output.find(Red), std::string::npos) << output;
    EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE), GL_TEXTURE9);
    for (const GLuint buffer : compute.buffers) {
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, buffer);
        GLint size = 0;
        glGetBufferParameteriv(GL_SHADER_STORAGE_BUFFER, GL_BUFFER_SIZE, &size);
        EXPECT_EQ(size, 4 * 2 * 16);
    }

    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 4, compute.buffers[0]);
    glUseProgram(compute.program);
    glDispatchCompute(8, 1, 1);
    glMemoryBarrier(GL_ALL_BARRIER_BITS);
    float cells[8][4];
    glBindBuffer(GL_SHADER_STORAGE_BUFFER, compute.buffers[0]);
    glGetBufferSubData(GL_SHADER_STORAGE_BUFFER, 0, sizeof cells, cells);
    // Image units 0, 1, 2 hold the position, aux and colour images, marked 1, 2, 3.
    const GLuint images[3] = {compute.positionImage, compute.auxImage, compute.colorImage};
    float texels[3][8][4];
    for (int k = 0; k < 3; ++k) {
        glBindTexture(GL_TEXTURE_2D, images[k]);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels[k]);
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(cells[i][0] == float(i) && cells[i][1] == 2.0f * float(i) && cells[i][3] == -1.0f) << i;
        for (int k = 0; k < 3; ++k) EXPECT_TRUE(texels[k][i][0] == float(k + 1) && texels[k][i][3] == float(i)) << k << i;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ShaderProgram, ComputeFromAMissingOrBrokenSource)
{
    TComputeShader missing, broken;
    missing.width = missing.height = broken.width = broken.height = 2;
    std::string output = Printed([&] { missing.Load("nowhere.glsl"); });
    EXPECT_EQ(output.rfind("Cannot open shader source file.\n" + BrightWhiteCode + "\nComputer shader: nowhere.glsl", 0), 0u)
        << output;
    EXPECT_NE(missing.program, 0u);
    EXPECT_TRUE(glIsBuffer(missing.buffers[2]));

    Write("broken.glsl", "#version 430\nlayout(local_size_x = 1) in;\nvoid main() { undefinedThing = 1; }\n");
    output = Printed([&] { broken.Load("broken.glsl"); });
    const size_t red = output.find(Red + "\n");
    ASSERT_NE(red, std::string::npos) << output;
    EXPECT_NE(output.find("error", red), std::string::npos);
    EXPECT_TRUE(output.ends_with("\n" + BrightWhiteCode + "\n" + BrightWhiteCode + "\n")) << output;
}

using ReadShader = TempFolderTest;

TEST_F(ReadShader, ReturnsTheWholeFileTerminated)
{
    const std::string bytes("one\0two\nthree", 13);
    Write("f.glsl", bytes);
    const std::unique_ptr<char[]> text = ReadShaderFile("f.glsl");
    ASSERT_TRUE(text);
    EXPECT_EQ(std::string(text.get(), bytes.size() + 1), bytes + '\0');
    const std::string output = Printed([] {
        EXPECT_FALSE(ReadShaderFile("none.glsl"));
        EXPECT_FALSE(ReadShaderFile("."));  // a folder is no file
    });
    EXPECT_EQ(output, "Cannot open shader source file.\nCannot open shader source file.\n");
}

}  // namespace
