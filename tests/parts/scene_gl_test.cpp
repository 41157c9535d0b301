// The scene on the GL side, small window and small grids, on the generated data of the run
// folder: uploads equal to the files, programs that build, the grid the renderer gets, the
// particle step and its barrier, the end of the program, the space-bar rebuild and a missing
// velocity volume.
#include "platform/loading.h"
#include "scene_fixture.h"

#include <GL/glew.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>

namespace {

bool Built(const TShader& s)
{
    GLint vertex = 0, fragment = 0, linked = 0;
    glGetShaderiv(s.vertexShader, GL_COMPILE_STATUS, &vertex);
    glGetShaderiv(s.fragmentShader, GL_COMPILE_STATUS, &fragment);
    glGetProgramiv(s.program, GL_LINK_STATUS, &linked);
    return vertex && fragment && linked;
}

}  // namespace

// Without HOLLOWMERE_PARTICLE_GRID a software renderer gets the small grid and one line
// that names the variable; a GPU the full grid and no line.
TEST_F(SceneGL, UploadsEqualTheFilesEveryProgramBuildsAndTheGridSuitsTheRenderer)
{
    ASSERT_TRUE(window.ok);
    const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    ASSERT_NO_FATAL_FAILURE(Load(HOLLOWMERE_RUN_DIR, 0));
    const bool software = IsSoftwareRenderer(renderer);
    EXPECT_EQ(clips->particleGrid, software ? kSoftwareParticleGrid : kParticleGrid) << renderer;
    EXPECT_EQ(loadLog.find("HOLLOWMERE_PARTICLE_GRID") != std::string::npos, software) << loadLog;
    EXPECT_EQ(clips->particles.width, clips->particleGrid);
    EXPECT_EQ(loadLog.find("error"), std::string::npos) << loadLog;
    for (const TShader* s : {&clips->progBlur, &clips->progPost, &clips->progFinal, &clips->progPostFinal,
                             &clips->progObject, &clips->progPoints})
        EXPECT_TRUE(Built(*s)) << "program " << s->program;
    GLint linked = 0;
    glGetProgramiv(clips->particles.program, GL_LINK_STATUS, &linked);
    EXPECT_TRUE(linked) << "the particle step";

    std::vector<FacePoint> points;
    LoadFacePoints("other/face.ply", points);
    const std::vector<float> expected = FaceTexels(points);
    std::vector<float> face(expected.size());
    glBindTexture(GL_TEXTURE_2D, clips->faceTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, face.data());
    EXPECT_EQ(std::memcmp(face.data(), expected.data(), face.size() * sizeof(float)), 0);
    EXPECT_NE(expected[4 * 1201], 0.0f) << "texel (1, 1) holds point 1201";

    const std::optional<std::string> volume = ReadWholeFile("other/velocity.dat");
    ASSERT_TRUE(volume && volume->size() == kVolumeBytes);
    std::vector<char> curl(kVolumeBytes);
    glBindTexture(GL_TEXTURE_3D, clips->particles.curlTexture);
    glGetTexImage(GL_TEXTURE_3D, 0, GL_RGB, GL_FLOAT, curl.data());
    EXPECT_EQ(std::memcmp(curl.data(), volume->data(), kVolumeBytes), 0);
    for (GLenum axis : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}) {
        GLint wrap = 0;
        glGetTexParameteriv(GL_TEXTURE_3D, axis, &wrap);
        EXPECT_EQ(wrap, GL_MIRRORED_REPEAT) << std::hex << axis;
    }
}

namespace {

std::vector<std::pair<char, GLbitfield>> events;  // 'D': a dispatch of (x) groups, 'B': a barrier
PFNGLMEMORYBARRIERPROC realBarrier = nullptr;
PFNGLDISPATCHCOMPUTEPROC realDispatch = nullptr;
void GLAPIENTRY RecordBarrier(GLbitfield bits)
{
    events.push_back({'B', bits});
    realBarrier(bits);
}
void GLAPIENTRY RecordDispatch(GLuint x, GLuint y, GLuint z)
{
    events.push_back({'D', x});
    EXPECT_TRUE(x == y && z == 1) << x << " x " << y << " x " << z;
    realDispatch(x, y, z);
}

}  // namespace

// Every grid side from 1 up is stepped whole, in 16 x 16 groups, and the step ends with a
// barrier that covers what the draw reads: buffer 0 as vertices, the colour and position
// images through texelFetch, and the storage. Then the particles move, stay finite and light
// the picture (a few of them too), and a backward jump reseeds the same cloud.
TEST_F(SceneGL, EveryGridIsSteppedWholeAndTheDrawSeesTheStep)
{
    const GLbitfield needed = GL_SHADER_STORAGE_BARRIER_BIT | GL_VERTEX_ATTRIB_ARRAY_BARRIER_BIT |
                              GL_TEXTURE_FETCH_BARRIER_BIT | GL_SHADER_IMAGE_ACCESS_BARRIER_BIT;
    for (const auto& [grid, groups] : {std::pair{1, 1u}, {8, 1u}, {100, 7u}}) {
        SCOPED_TRACE("grid " + std::to_string(grid));
        demo.parts.clear();
        ASSERT_NO_FATAL_FAILURE(Load(HOLLOWMERE_RUN_DIR, grid));
        ASSERT_EQ(clips->particleGrid, grid);
        const size_t n = size_t(grid) * grid;
        const auto zero = BufferContents<float>(clips->particles.buffers[0], n * 4);
        EXPECT_TRUE(std::all_of(zero.begin(), zero.end(), [](float v) { return v == 0.0f; })) << "cleared at creation";

        realBarrier = glMemoryBarrier, realDispatch = glDispatchCompute;
        __glewMemoryBarrier = RecordBarrier, __glewDispatchCompute = RecordDispatch;
        events.clear();
        clips->time = 40.0f;
        clips->StepParticles();  // seeds every cell
        __glewMemoryBarrier = realBarrier, __glewDispatchCompute = realDispatch;
        const auto dispatch = std::find_if(events.begin(), events.end(), [](const auto& e) { return e.first == 'D'; });
        ASSERT_TRUE(dispatch != events.end() && dispatch + 1 != events.end());
        EXPECT_EQ(dispatch->second, groups);
        EXPECT_EQ((dispatch + 1)->first, 'B');
        EXPECT_EQ((dispatch + 1)->second & needed, needed) << std::hex << (dispatch + 1)->second;

        const auto seeded = BufferContents<float>(clips->particles.buffers[0], n * 4);
        std::vector<float> colour(n * 4);
        glBindTexture(GL_TEXTURE_2D, clips->particles.colorImage);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, colour.data());
        clips->time = 40.0f + 1.0f / 30;
        clips->StepParticles();
        const auto moved = BufferContents<float>(clips->particles.buffers[0], n * 4);
        size_t unseeded = 0, dark = 0, changed = 0;
        for (size_t i = 0; i < n; ++i) {
            unseeded += seeded[i * 4 + 3] != 1.0f;
            dark += colour[i * 4] + colour[i * 4 + 1] + colour[i * 4 + 2] <= 0.0f;
            changed += seeded[i * 4] != moved[i * 4];
        }
        EXPECT_TRUE(unseeded == 0 && dark == 0) << unseeded << " unseeded, " << dark << " without colour";
        EXPECT_GT(changed, n * 9 / 10);
        for (int i = 0; i < 1000; ++i) {
            clips->time += 1.0f / 30;
            clips->StepParticles();
        }
        const auto later = BufferContents<float>(clips->particles.buffers[0], n * 4);
        EXPECT_TRUE(std::all_of(later.begin(), later.end(), [](float v) { return std::isfinite(v); }));
        clips->time = 40.0f;  // back to where it was seeded: the same cloud again
        clips->StepParticles();
        EXPECT_EQ(BufferContents<float>(clips->particles.buffers[0], n * 4), seeded);
        if (grid < 8)
            continue;  // one particle lights too few pixels to count
        std::vector<unsigned char> px;
        for (int i = 0; i < 10; ++i) px = Frame();
        size_t lit = 0;
        for (size_t i = 0; i < px.size(); i += 4) lit += px[i] + px[i + 1] + px[i + 2] > 60;
        EXPECT_GT(lit, 10u) << "a lit field";
    }
}

TEST_F(SceneGL, TheSpaceBarRebuildsTheProgramsFromDisk)
{
    const std::string dir = RunFolder("scene_gl_rebuild");
    ASSERT_NO_FATAL_FAILURE(Load(dir));
    Frame();
    std::ofstream("shaders2/f_postprocess_final.cpp")
        << "#version 430 compatibility\nout vec4 fragColour;\nvoid main()\n{\n    fragColour = vec4(1.0, 0.0, 1.0, 1.0);\n}\n";
    const std::vector<unsigned char> unchanged = Frame();
    EXPECT_NE(unchanged[0], 255) << "no rebuild without the space bar";
    demo.state.keys[SDL_SCANCODE_SPACE] = true;
    const std::vector<unsigned char> after = Frame();
    for (size_t i = 0; i < after.size(); i += 4)
        ASSERT_TRUE(after[i] == 255 && after[i + 1] == 0 && after[i + 2] == 255) << "pixel " << i / 4;
}

TEST_F(SceneGL, TheProgramEndsAtTheFirstFrameFromTheEndTime)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Load(HOLLOWMERE_RUN_DIR);
            clips->time = 201.499f;
            Frame(0.0f);
            std::fprintf(stderr, "drew %.3f\n", double(clips->time));
            clips->time = kSceneEndTime;
            Frame(0.0f);
            std::fprintf(stderr, "drew %.3f\n", double(clips->time));
        },
        testing::ExitedWithCode(0), "drew 201.499\n$");
}

TEST_F(SceneGL, AMissingVelocityVolumeStopsTheProgramWithAnInstruction)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string dir = RunFolder("scene_gl_novolume", {"velocity.dat"});
    EXPECT_EXIT(
        {
            ASSERT_EQ(chdir(dir.c_str()), 0);
            testing::internal::CaptureStdout();  // the line goes to stderr below, for the matcher
            demo.glWindow = window.win;
            Part_Clips scene;
            scene.demo = &demo;
            scene.state = &demo.state;
            std::atexit([] { std::fputs(testing::internal::GetCapturedStdout().c_str(), stderr); });
            scene.Init();
        },
        testing::ExitedWithCode(1),
        "Part_Clips::SetUpParticles - other//velocity.dat is missing: rebuild the data files");
}
