// Programs built from preprocessed sources under the software renderer: uniforms,
// texture set-up, rebuilds, coloured logs, and the compute program with its buffers.
#include "shaders/shader.h"
#include "support/gl_window.h"
#include "temp_folder.h"

#include <array>

static GLint Integer(GLenum name) { GLint v = 0; glGetIntegerv(name, &v); return v; }
static GLint Linked(GLuint program) { GLint v = 0; glGetProgramiv(program, GL_LINK_STATUS, &v); return v; }

using ShaderProgram = TempFolderTest;

TEST_F(ShaderProgram, LinksTakesTheSettersValuesRebuildsAndReports)
{
    GLTestWindow window;
    ASSERT_TRUE(window.ok);
    Write("common.cpp", "uniform float gain;\nuniform mat4 mvp;\n");
    Write("vs.cpp", "#version 120\n  #include common.cpp\n\nvoid main() { gl_Position = mvp * gl_Vertex * gain; }\n");
    Write("fs.cpp", "#version 120\nuniform sampler2D tex;\n\nvoid main() { gl_FragColor = texture2D(tex, vec2(0.5)); }\n");
    TShader shader;
    std::string output = Printed([&] { shader.Load("vs.cpp", "fs.cpp"); });
    ASSERT_TRUE(Linked(shader.program)) << output;
    EXPECT_TRUE(output.find(Red) == std::string::npos && output.ends_with("\nLoading... fs.cpp\n")) << output;
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
    EXPECT_TRUE(gain == 0.25f && readBack == matrix && sampler == 3) << gain << " " << sampler;
    EXPECT_EQ(std::tuple(Integer(GL_ACTIVE_TEXTURE), Integer(GL_MATRIX_MODE), GLuint(Integer(GL_TEXTURE_BINDING_2D))),
              std::tuple(GL_TEXTURE0, GL_TEXTURE, textures[0]));
    glActiveTexture(GL_TEXTURE3);
    EXPECT_EQ(GLuint(Integer(GL_TEXTURE_BINDING_2D)), textures[1]);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // A rebuild deletes the previous objects (a current program lives on until it is replaced).
    glUseProgram(0);
    const GLuint old[3] = {shader.program, shader.vertexShader, shader.fragmentShader};
    Printed([&] { shader.Load("vs.cpp", "fs.cpp"); shader.Load("vs.cpp", "fs.cpp"); });
    ASSERT_TRUE(Linked(shader.program));
    EXPECT_FALSE(glIsProgram(old[0]) || glIsShader(old[1]) || glIsShader(old[2]));
    EXPECT_TRUE(glIsShader(shader.vertexShader) && glIsShader(shader.fragmentShader));
    // Errors turn the console red; a rebuild that fails keeps the last good program and its
    // objects, and lists its errors by file and line; missing sources compile as empty texts.
    Write("bad.cpp", "#version 120\nvoid main() { gl_Position = undefinedThing; }\n");
    const GLuint good[3] = {shader.program, shader.vertexShader, shader.fragmentShader};
    output = Printed([&] { shader.Load("bad.cpp", "fs.cpp"); });
    EXPECT_NE(output.find("error", output.find(Grey + Red)), std::string::npos) << output;  // the vertex log: white, then red
    EXPECT_TRUE(shader.program == good[0] && shader.vertexShader == good[1] && shader.fragmentShader == good[2]);
    EXPECT_TRUE(Linked(shader.program) && shader.built);
    ASSERT_EQ(shader.errors.size(), 1u);
    EXPECT_EQ(shader.errors[0].rfind("bad.cpp:2: ", 0), 0u) << shader.errors[0];
    EXPECT_NE(output.find(Red + shader.errors[0] + "\nTShader::Load - bad.cpp + fs.cpp did not build; the last good program stays\n"),
              std::string::npos) << output;
    output = Printed([&] { shader.Load("none_vs.cpp", "none_fs.cpp"); });
    EXPECT_EQ(Occurrences(output, "ERROR XXX or CPP FILE NOT FOUND !"), 2u) << output;
    EXPECT_EQ(shader.program, good[0]);
    TShader first;  // a first build that fails is kept: it renders nothing
    Printed([&] { first.Load("none_vs.cpp", "none_fs.cpp"); });
    EXPECT_TRUE(first.program != 0 && !Linked(first.program) && !first.built && !first.errors.empty());
    // Diagnostics show the offending line of the expanded text, the included one here.
    Write("broken.cpp", "float broken = undefined_thing;\n");
    Write("fs_bad.cpp", "#version 120\n#include broken.cpp\nvoid main() { gl_FragColor = vec4(broken); }\n");
    shaderDiagnostics = true;
    output = Printed([&] { shader.Load("vs.cpp", "fs_bad.cpp"); });
    shaderDiagnostics = false;
    EXPECT_EQ(output.rfind(Cyan + "\n\nVertex loading: vs.cpp\n" + std::string(75, '=') + "\n", 0), 0u) << output;
    EXPECT_NE(output.find(Cyan + "    2: float broken = undefined_thing;\n" + Red), std::string::npos) << output;
    EXPECT_NE(output.find(Grey + "\n" + Red + "broken.cpp:1: "), std::string::npos) << output;
    EXPECT_EQ(shader.program, good[0]);
}

// Error lines name the file the author edits and the line there, through nested includes;
// the program lists every file it read; a good build clears its errors.
TEST_F(ShaderProgram, ErrorsNameTheFileAndLineAndAGoodBuildClearsThem)
{
    GLTestWindow window;
    ASSERT_TRUE(window.ok);
    ClearShaderErrors();
    Write("vs.cpp", "#version 120\nvoid main() { gl_Position = gl_Vertex; }\n");
    Write("lib/colour.cpp", "// the palette\n#include lib/base.cpp\nvec4 tint = vec4(base, 1.0) * missing_gain;\n");
    Write("lib/base.cpp", "vec3 base = vec3(0.5);\n");
    Write("fs.cpp", "#version 120\n#include lib/colour.cpp\n\nvoid main()\n{\n  gl_FragColor = tint * undefined_too;\n}\n");
    TShader shader;
    Printed([&] { shader.Load("vs.cpp", "fs.cpp"); });
    std::vector<std::string> places;  // each error's "file:line", in order, once
    for (const std::string& e : shader.errors)
        if (const std::string place = e.substr(0, e.find(": ")); std::find(places.begin(), places.end(), place) == places.end())
            places.push_back(place);
    EXPECT_EQ(places, (std::vector<std::string>{"lib/colour.cpp:3", "fs.cpp:6"})) << testing::PrintToString(shader.errors);
    EXPECT_NE(shader.errors[0].find("missing_gain"), std::string::npos) << shader.errors[0];
    EXPECT_EQ(ShaderErrors(), shader.errors);
    Write("vs2.cpp", "#version 120\nvoid main() { gl_Position = gl_Vertex * 2.0; }\n");
    TShader twin;  // the same fault through a second program shows once
    Printed([&] { twin.Load("vs2.cpp", "fs.cpp"); });
    EXPECT_EQ(ShaderErrors(), shader.errors);
    for (const char* path : {"fs.cpp", "lib/colour.cpp", "./lib//base.cpp", "vs.cpp"}) EXPECT_TRUE(shader.UsesFile(path)) << path;
    EXPECT_FALSE(shader.UsesFile("lib/other.cpp") || shader.UsesFile("base.cpp"));

    Write("fs.cpp", "#version 120\nuniform float missing_gain, undefined_too;\n#include lib/colour.cpp\n"
                    "void main() { gl_FragColor = tint * undefined_too; }\n");
    Printed([&] { shader.Rebuild(); });
    EXPECT_TRUE(shader.built && shader.errors.empty() && Linked(shader.program));
    EXPECT_EQ(ShaderErrors(), twin.errors);
    Printed([&] { twin.Rebuild(); });
    EXPECT_TRUE(ShaderErrors().empty());
}

TEST_F(ShaderProgram, ComputeWritesItsStorageBuffer)
{
    GLTestWindow window;
    ASSERT_TRUE(window.ok);
    Write("particles.glsl",
          "#version 430\nlayout(local_size_x = 1) in;\nlayout(std430, binding = 4) buffer Cells { vec4 cells[]; };\n"
          "void main() {\n  uint i = gl_GlobalInvocationID.x;\n  cells[i] = vec4(float(i), 2.0 * float(i), 1.0, -1.0);\n}\n");
    TComputeShader compute, missing;
    compute.width = 4;
    compute.height = missing.width = missing.height = 2;
    std::string output = Printed([&] { compute.Load("particles.glsl"); });
    ASSERT_TRUE(Linked(compute.program)) << output;
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 4, compute.buffers[0]);
    glUseProgram(compute.program);
    glDispatchCompute(8, 1, 1);
    glMemoryBarrier(GL_ALL_BARRIER_BITS);
    float cells[8][4];
    glGetNamedBufferSubData(compute.buffers[0], 0, sizeof cells, cells);
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(cells[i][0] == float(i) && cells[i][1] == 2.0f * float(i) && cells[i][3] == -1.0f) << i;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // A missing source compiles empty and still gets its buffers; a folder is no file.
    output = Printed([&] { missing.Load("nowhere.glsl"); });
    EXPECT_EQ(output.rfind("Cannot open shader source file.\n" + BrightWhiteCode + "\nComputer shader: nowhere.glsl", 0), 0u);
    EXPECT_TRUE(missing.program != 0 && glIsBuffer(missing.buffers[2]));
    EXPECT_EQ(Printed([] { EXPECT_FALSE(ReadShaderFile(".")); }), "Cannot open shader source file.\n");
}
