// Programs built from preprocessed sources under the software renderer: uniforms,
// texture set-up, rebuilds, coloured logs, and the compute program with its buffers.
#include "shaders/shader.h"
#include "support/gl_window.h"
#include "temp_folder.h"

#include <array>

namespace {

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
    }
    void TearDown() override
    {
        shaderDiagnostics = false;
        glUseProgram(0);
        TempFolderTest::TearDown();
    }

    static std::string Build(TShader& shader, const std::string& vs, const std::string& fs)
    {
        ::testing::internal::CaptureStdout();
        shader.Load(vs, fs);
        return ::testing::internal::GetCapturedStdout();
    }
    static bool Linked(GLuint program)
    {
        GLint status = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &status);
        return status == GL_TRUE;
    }
};

TEST_F(ShaderProgram, LinksAndTakesTheSettersValues)
{
    TShader shader;
    const std::string output = Build(shader, "vs.cpp", "fs.cpp");
    ASSERT_TRUE(Linked(shader.program)) << output;
    // The running configuration: loading lines, then the vertex log in white; nothing for the fragment.
    EXPECT_EQ(output.rfind("Loading... vs.cpp\nLoading... common.cpp\n" + Grey, 0), 0u) << output;
    EXPECT_EQ(output.find(Red), std::string::npos) << output;
    EXPECT_TRUE(output.ends_with("\nLoading... fs.cpp\n")) << output;

    glUseProgram(shader.program);
    shader.SetFloat("gain", 0.25f);
    shader.SetFloat("notThere", 1.0f);  // location -1: ignored
    std::array<float, 16> matrix;
    for (size_t i = 0; i < matrix.size(); ++i) matrix[i] = float(i) * 0.5f - 3.0f;
    shader.SetMatrix("mvp", matrix.data());

    GLuint textures[2];
    glGenTextures(2, textures);
    glBindTexture(GL_TEXTURE_2D, textures[0]);  // on unit 0, must stay there
    shader.SetTexture(3, "tex", textures[1]);

    float gain = 0;
    glGetUniformfv(shader.program, glGetUniformLocation(shader.program, "gain"), &gain);
    EXPECT_EQ(gain, 0.25f);
    std::array<float, 16> readBack{};
    glGetUniformfv(shader.program, glGetUniformLocation(shader.program, "mvp"), readBack.data());
    EXPECT_EQ(readBack, matrix);
    GLint sampler = -1;
    glGetUniformiv(shader.program, glGetUniformLocation(shader.program, "tex"), &sampler);
    EXPECT_EQ(sampler, 3);

    GLint active = 0, mode = 0, onUnit0 = 0, onUnit3 = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &onUnit0);
    glActiveTexture(GL_TEXTURE3);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &onUnit3);
    glActiveTexture(GL_TEXTURE0);
    glMatrixMode(GL_MODELVIEW);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_EQ(mode, GL_TEXTURE);
    EXPECT_EQ(GLuint(onUnit0), textures[0]);
    EXPECT_EQ(GLuint(onUnit3), textures[1]);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteTextures(2, textures);
}

TEST_F(ShaderProgram, RebuildDeletesThePreviousObjects)
{
    TShader shader;
    Build(shader, "vs.cpp", "fs.cpp");
    const GLuint old[3] = {shader.program, shader.vertexShader, shader.fragmentShader};
    for (int i = 0; i < 3; ++i) {
        Build(shader, "vs.cpp", "fs.cpp");
        ASSERT_TRUE(Linked(shader.program));
    }
    EXPECT_FALSE(glIsProgram(old[0]));
    EXPECT_FALSE(glIsShader(old[1]));
    EXPECT_FALSE(glIsShader(old[2]));
    EXPECT_TRUE(glIsShader(shader.vertexShader) && glIsShader(shader.fragmentShader));
}

TEST_F(ShaderProgram, VertexErrorsTurnTheConsoleRed)
{
    Write("bad.cpp", "#version 120\nvoid main() { gl_Position = undefinedThing; }\n");
    TShader loud;
    std::string output = Build(loud, "bad.cpp", "fs.cpp");
    const size_t red = output.find(Grey + Red);
    ASSERT_NE(red, std::string::npos) << output;
    EXPECT_NE(output.find("error", red), std::string::npos) << output;

    // Not verbose: the colour still switches, nothing is printed.
    TShader quiet;
    quiet.verbose = false;
    output = Build(quiet, "bad.cpp", "fs.cpp");
    EXPECT_EQ(output, "Loading... bad.cpp\n" + Red + "Loading... fs.cpp\n");
    EXPECT_FALSE(Linked(quiet.program));
}

TEST_F(ShaderProgram, MissingSourcesBuildAnEmptyProgram)
{
    TShader shader;
    const std::string output = Build(shader, "none_vs.cpp", "none_fs.cpp");
    EXPECT_EQ(Occurrences(output, "ERROR XXX or CPP FILE NOT FOUND !"), 2u) << output;
    EXPECT_NE(shader.program, 0u);
    EXPECT_FALSE(Linked(shader.program));
}

TEST_F(ShaderProgram, DiagnosticsShowTheOffendingLine)
{
    Write("broken.cpp", "float broken = undefined_thing;\n");
    Write("fs_bad.cpp", "#version 120\n#include broken.cpp\nvoid main() { gl_FragColor = vec4(broken); }\n");
    shaderDiagnostics = true;
    TShader shader;
    const std::string output = Build(shader, "vs.cpp", "fs_bad.cpp");
    const std::string rule(75, '=');
    EXPECT_EQ(output.rfind(Cyan + "\n\nVertex loading: vs.cpp\n" + rule + "\n", 0), 0u) << output;
    EXPECT_NE(output.find(Green + "\nFragment loading: fs_bad.cpp\n" + rule + "\n"), std::string::npos);
    // The expanded text puts the included line second.
    EXPECT_NE(output.find(Cyan + "    2: float broken = undefined_thing;\n" + Red), std::string::npos) << output;
    EXPECT_TRUE(output.ends_with(Grey + "\n")) << output;
}

class ComputeProgram : public ShaderProgram {};

TEST_F(ComputeProgram, WritesItsStorageBufferAndImages)
{
    Write("particles.glsl",
          "#version 430\n"
          "layout(local_size_x = 1) in;\n"
          "layout(std430, binding = 4) buffer Cells { vec4 cells[]; };\n"
          "layout(rgba32f, binding = 0) writeonly uniform image2D positionImg;\n"
          "layout(rgba32f, binding = 1) writeonly uniform image2D auxImg;\n"
          "layout(rgba32f, binding = 2) writeonly uniform image2D colorImg;\n"
          "void main() {\n"
          "  uint i = gl_GlobalInvocationID.x;\n"
          "  ivec2 p = ivec2(int(i % 4u), int(i / 4u));\n"
          "  cells[i] = vec4(float(i), 2.0 * float(i), 1.0, -1.0);\n"
          "  imageStore(positionImg, p, vec4(1.0, 0.0, 0.0, float(i)));\n"
          "  imageStore(auxImg, p, vec4(2.0, 0.0, 0.0, float(i)));\n"
          "  imageStore(colorImg, p, vec4(3.0, 0.0, 0.0, float(i)));\n"
          "}\n");
    TComputeShader compute;
    compute.width = 4;
    compute.height = 2;
    ::testing::internal::CaptureStdout();
    compute.Load("particles.glsl");
    const std::string output = ::testing::internal::GetCapturedStdout();
    ASSERT_TRUE(Linked(compute.program)) << output;
    EXPECT_EQ(output.rfind(BrightWhiteCode + "\nComputer shader: particles.glsl\n" + std::string(56, '=') + "\n", 0), 0u);
    EXPECT_EQ(output.find(Red), std::string::npos) << output;

    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE9);
    for (const GLuint buffer : compute.buffers) {
        GLint size = 0;
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, buffer);
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
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(cells[i][0], float(i));
        EXPECT_EQ(cells[i][1], 2.0f * float(i));
        EXPECT_EQ(cells[i][3], -1.0f);
    }
    // Image units 0, 1, 2 hold the position, aux and colour images.
    const struct {
        GLuint texture;
        float marker;
    } images[] = {{compute.positionImage, 1.0f}, {compute.auxImage, 2.0f}, {compute.colorImage, 3.0f}};
    for (const auto& image : images) {
        float texels[8][4];
        glBindTexture(GL_TEXTURE_2D, image.texture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(texels[i][0], image.marker);
            EXPECT_EQ(texels[i][3], float(i));
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ComputeProgram, MissingOrBrokenSourcesAreReported)
{
    TComputeShader missing;
    missing.width = missing.height = 2;
    ::testing::internal::CaptureStdout();
    missing.Load("nowhere.glsl");
    std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(output.rfind("Cannot open shader source file.\n" + BrightWhiteCode + "\nComputer shader: nowhere.glsl", 0), 0u)
        << output;
    EXPECT_NE(missing.program, 0u);
    EXPECT_TRUE(glIsBuffer(missing.buffers[2]));

    Write("broken.glsl", "#version 430\nlayout(local_size_x = 1) in;\nvoid main() { undefinedThing = 1; }\n");
    TComputeShader broken;
    broken.width = broken.height = 2;
    ::testing::internal::CaptureStdout();
    broken.Load("broken.glsl");
    output = ::testing::internal::GetCapturedStdout();
    const size_t red = output.find(Red + "\n");
    ASSERT_NE(red, std::string::npos) << output;
    EXPECT_NE(output.find("error", red), std::string::npos);
    EXPECT_TRUE(output.ends_with("\n" + BrightWhiteCode + "\n" + BrightWhiteCode + "\n")) << output;
}

TEST(ReadShaderFile, ReturnsTheWholeFileTerminated)
{
    const fs::path path = fs::temp_directory_path() / ("hollowmere_read_" + std::to_string(getpid()));
    const std::string bytes("one\0two\nthree", 13);
    Write(path, bytes);
    const std::unique_ptr<char[]> text = ReadShaderFile(path.string());
    ASSERT_TRUE(text);
    EXPECT_EQ(std::string(text.get(), bytes.size() + 1), bytes + '\0');
    fs::remove(path);
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(ReadShaderFile(path.string()));
    EXPECT_FALSE(ReadShaderFile(fs::temp_directory_path().string()));  // a folder is no file
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Cannot open shader source file.\nCannot open shader source file.\n");
}

}  // namespace
