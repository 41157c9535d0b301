// The scene on the GL side, small window and grid 64, on the generated data of the run folder:
// uploads equal to the files, programs that build, the particle step, the end of the
// program, the space-bar rebuild and a missing velocity volume.
#include "parts/schedule.h"
#include "scene_fixture.h"

#include <GL/glew.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Built(const TShader& s)
{
    GLint vertex = 0, fragment = 0, linked = 0;
    glGetShaderiv(s.vertexShader, GL_COMPILE_STATUS, &vertex);
    glGetShaderiv(s.fragmentShader, GL_COMPILE_STATUS, &fragment);
    glGetProgramiv(s.program, GL_LINK_STATUS, &linked);
    return vertex && fragment && linked;
}

}  // namespace

TEST_F(SceneGL, UploadsEqualTheFilesAndEveryProgramBuilds)
{
    ASSERT_NO_FATAL_FAILURE(Load(HOLLOWMERE_RUN_DIR));
    EXPECT_EQ(clips->particleGrid, 64);
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

    const std::string volume = ReadFile("other/velocity.dat");
    ASSERT_EQ(volume.size(), kVolumeBytes);
    std::vector<char> curl(kVolumeBytes);
    glBindTexture(GL_TEXTURE_3D, clips->particles.curlTexture);
    glGetTexImage(GL_TEXTURE_3D, 0, GL_RGB, GL_FLOAT, curl.data());
    EXPECT_EQ(std::memcmp(curl.data(), volume.data(), kVolumeBytes), 0);
    for (GLenum axis : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}) {
        GLint wrap = 0;
        glGetTexParameteriv(GL_TEXTURE_3D, axis, &wrap);
        EXPECT_EQ(wrap, GL_MIRRORED_REPEAT) << std::hex << axis;
    }
}

TEST_F(SceneGL, StepsSeedMoveAndStayFiniteAndABackwardJumpReseeds)
{
    ASSERT_NO_FATAL_FAILURE(Load(HOLLOWMERE_RUN_DIR));
    const size_t n = size_t(64) * 64;
    const auto zero = BufferContents<float>(clips->particles.buffers[0], n * 4);
    EXPECT_TRUE(std::all_of(zero.begin(), zero.end(), [](float v) { return v == 0.0f; })) << "cleared at creation";

    clips->time = 40.0f;
    clips->StepParticles();  // seeds every cell
    const auto seeded = BufferContents<float>(clips->particles.buffers[0], n * 4);
    clips->time = 40.0f + 1.0f / 30;
    clips->StepParticles();
    const auto moved = BufferContents<float>(clips->particles.buffers[0], n * 4);
    size_t changed = 0;
    for (size_t i = 0; i < n; ++i) {
        EXPECT_EQ(seeded[i * 4 + 3], 1.0f) << "seeded " << i;
        changed += seeded[i * 4] != moved[i * 4];
    }
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
}

TEST_F(SceneGL, TheScenePaintsTheWindowAndTheSpaceBarRebuildsFromDisk)
{
    const std::string dir = RunFolder("scene_gl_rebuild");
    ASSERT_NO_FATAL_FAILURE(Load(dir));
    for (int i = 0; i < 3; ++i) Frame();
    const std::vector<unsigned char> before = Frame();
    EXPECT_TRUE(std::any_of(before.begin(), before.end(), [](unsigned char c) { return c > 8; })) << "not black";

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
