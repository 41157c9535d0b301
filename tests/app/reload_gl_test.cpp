// Reloading on save with the real scene (small window, particle grid 64) from a run folder of
// its own: a shader broken on disk leaves the last good program running until it is mended
// (what the window and the console show meanwhile is the end-to-end test's, reload_e2e.sh);
// a saved keyframe track shows in the next frames. Frames run until the file watch has
// reported the save (it waits for the save to settle), with a cap, not a clock.
#include "app/demo.h"
#include "parts/clips.h"
#include "platform/loading.h"
#include "shaders/shader.h"
#include "support/gl_window.h"
#include "support/scratch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace {

constexpr int kW = 320, kH = 180;

struct ReloadGL : testing::Test {
    GLTestWindow window{kW, kH};
    TDemo demo;
    Part_Clips* clips = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(window.ok);
        const std::string dir = ScratchDir("reload_gl_test");
        fs::copy(fs::path(HOLLOWMERE_RUN_DIR) / "shaders2", fs::path(dir) / "shaders2", fs::copy_options::recursive);
        fs::create_directories(fs::path(dir) / "other");
        for (const auto& f : fs::directory_iterator(fs::path(HOLLOWMERE_RUN_DIR) / "other")) {
            const fs::path to = fs::path(dir) / "other" / f.path().filename();
            if (f.path().extension() == ".txt")
                fs::copy_file(f.path(), to);  // the tracks are edited here
            else
                fs::create_symlink(f.path(), to);
        }
        ASSERT_EQ(chdir(dir.c_str()), 0);
        demo.glWindow = window.win;
        for (int i = RT_SCENE; i <= RT_POST; ++i) Create(demo.targets[i], kW, kH, i == RT_SCENE ? 8 : 0);
        setenv("HOLLOWMERE_PARTICLE_GRID", "64", 1);
        clips = new Part_Clips();  // never deleted, as in the program
        clips->fixedStep = true;    // no pacing sleep
        AppendPart(demo, clips);
        clips->demo = &demo;
        clips->state = &demo.state;
        demo.state.nano = &demo.nano_kontrol2;
        Printed([&] { clips->Init(); });
        ClearShaderErrors();
        Printed([&] { WatchDataFolders(demo); });
        ASSERT_NE(demo.fileWatch.native, nullptr);
        clips->time = 60.0f;  // in the second track's span
    }
    void TearDown() override { EXPECT_EQ(chdir(HOLLOWMERE_BINARY_DIR), 0); }

    void Frame()
    {
        demo.state.deltaTime = 1.0f / 30;
        Printed([&] { DemoFrame(demo); });  // the scene's lines are not checked here
    }
    // Frames until `done`, at most 300 of them, 10 ms apart; false when it never was.
    bool FramesUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 300; ++i) {
            Frame();
            if (done()) return true;
            usleep(10000);
        }
        return false;
    }
};

}  // namespace

TEST_F(ReloadGL, ABrokenShaderKeepsTheLastGoodProgramUntilMended)
{
    Frame();
    const uint32_t program = clips->progPostFinal.program;
    const std::string path = "shaders2/f_postprocess_final.cpp", original = ReadWholeFile(path).value_or("");
    Write(path, original + "this line is not GLSL\n");
    ASSERT_TRUE(FramesUntil([] { return !ShaderErrors().empty(); }));
    EXPECT_TRUE(clips->progPostFinal.program == program && clips->progPostFinal.built) << "the last good program runs";
    Write(path, original);
    ASSERT_TRUE(FramesUntil([] { return ShaderErrors().empty(); }));
    EXPECT_TRUE(clips->progPostFinal.built && clips->progPostFinal.program != program) << "built again";
}

TEST_F(ReloadGL, ASavedKeyframeTrackShowsInTheNextFrames)
{
    Frame();
    ASSERT_GT(demo.state._k0, 0.5f) << "the authored brightness at 60 s";
    // One record, brightness almost nothing; saved through a temporary file, as editors do.
    std::ofstream("other/my1.txt.tmp") << "60 0.05 1 0 0.3 0 0\n";
    fs::rename("other/my1.txt.tmp", "other/my1.txt");
    ASSERT_TRUE(FramesUntil([&] { return demo.state._k0 == 0.05f; })) << "k0 stays " << demo.state._k0;
    EXPECT_EQ(clips->track1.front().key, 60.0f);
}
