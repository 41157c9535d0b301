// The scene on the GL side for the tests: a small window, a chosen particle grid, the
// generated data of the run folder (or a copy of it whose shaders a test may rewrite).
#pragma once
#include "app/demo.h"
#include "parts/clips.h"
#include "support/gl_window.h"
#include "support/scratch.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// A run folder of its own: a copy of shaders2/ (which the test may edit) and links to the
// generated data, without the files named in `leaveOut`.
inline std::string RunFolder(const std::string& name, const std::vector<std::string>& leaveOut = {})
{
    namespace fs = std::filesystem;
    const std::string dir = ScratchDir(name);
    fs::copy(fs::path(HOLLOWMERE_RUN_DIR) / "shaders2", fs::path(dir) / "shaders2", fs::copy_options::recursive);
    fs::create_directories(fs::path(dir) / "other");
    for (const auto& f : fs::directory_iterator(fs::path(HOLLOWMERE_RUN_DIR) / "other"))
        if (std::find(leaveOut.begin(), leaveOut.end(), f.path().filename().string()) == leaveOut.end())
            fs::create_symlink(f.path(), fs::path(dir) / "other" / f.path().filename());
    return dir;
}

template <class T>
std::vector<T> BufferContents(GLuint buffer, size_t count)
{
    std::vector<T> data(count);
    glBindBuffer(GL_SHADER_STORAGE_BUFFER, buffer);
    glGetBufferSubData(GL_SHADER_STORAGE_BUFFER, 0, GLsizeiptr(count * sizeof(T)), data.data());
    return data;
}

struct SceneGL : testing::Test {
    static constexpr int kWidth = 96, kHeight = 54;
    GLTestWindow window{kWidth, kHeight};
    TDemo demo;
    Part_Clips* clips = nullptr;
    std::string loadLog;

    // grid 0 leaves HOLLOWMERE_PARTICLE_GRID unset: the scene picks the grid itself.
    void Load(const std::string& runFolder, int grid = 64)
    {
        ASSERT_TRUE(window.ok);
        ASSERT_EQ(chdir(runFolder.c_str()), 0);
        demo.glWindow = window.win;
        for (int i = RT_SCENE; i <= RT_POST; ++i) Create(demo.targets[i], kWidth, kHeight, i == RT_SCENE ? 8 : 0);
        if (grid > 0)
            setenv("HOLLOWMERE_PARTICLE_GRID", std::to_string(grid).c_str(), 1);
        else
            unsetenv("HOLLOWMERE_PARTICLE_GRID");
        clips = new Part_Clips();  // never deleted, as in the program
        clips->fixedStep = true;    // a fixed frame step and no pacing sleep
        AppendPart(demo, clips);
        clips->demo = &demo;
        clips->state = &demo.state;
        demo.state.nano = &demo.nano_kontrol2;
        loadLog = Printed([&] { clips->Init(); });
    }
    void TearDown() override { EXPECT_EQ(chdir(HOLLOWMERE_BINARY_DIR), 0); }

    // One frame as the frame driver runs it, read back from the window.
    std::vector<unsigned char> Frame(float deltaTime = 1.0f / 30)
    {
        demo.state.deltaTime = deltaTime;
        DemoFrame(demo);
        return ReadPixels(0, 0, kWidth, kHeight);
    }
};
