// Reloading on save with the real scene (small window, particle grid 64) from a run folder of
// its own: a shader broken on disk keeps the last good program running and puts its error,
// named by file and line, in red on the window and on the console, until the file is mended;
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

// Pure red text pixels (the error rows) in a frame.
size_t RedPixels(const std::vector<unsigned char>& px)
{
    size_t n = 0;
    for (size_t i = 0; i + 3 < px.size(); i += 4) n += px[i] > 150 && px[i + 1] < 60 && px[i + 2] < 60;
    return n;
}

double MeanLevel(const std::vector<unsigned char>& px)
{
    double sum = 0;
    for (size_t i = 0; i + 3 < px.size(); i += 4) sum += px[i] + px[i + 1] + px[i + 2];
    return sum / double(px.size() / 4 * 3);
}

struct ReloadGL : testing::Test {
    GLTestWindow window{kW, kH};
    TDemo demo;
    Part_Clips* clips = nullptr;
    std::string printed;  // what the frames printed

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
        demo.captureMode = true;  // a fixed frame step and no pacing sleep
        for (int i = RT_SCENE; i <= RT_POST; ++i) Create(demo.targets[i], kW, kH, i == RT_SCENE ? 8 : 0);
        setenv("HOLLOWMERE_PARTICLE_GRID", "64", 1);
        clips = new Part_Clips();  // never deleted, as in the program
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

    std::vector<unsigned char> Frame()
    {
        demo.state.deltaTime = 1.0f / 30;
        printed += Printed([&] { DemoFrame(demo); });
        return ReadPixels(0, 0, kW, kH);
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

TEST_F(ReloadGL, ABrokenShaderShowsItsErrorInRedAndTheMendedOneClearsIt)
{
    for (int i = 0; i < 3; ++i) Frame();
    const std::vector<unsigned char> good = Frame();
    ASSERT_GT(MeanLevel(good), 2.0) << "the scene shows";
    EXPECT_LT(RedPixels(good), 20u);
    const uint32_t program = clips->progPostFinal.program;

    const std::string path = "shaders2/f_postprocess_final.cpp", original = ReadWholeFile(path).value_or("");
    size_t at = 0;
    for (int line = 1; line < 5; ++line) at = original.find('\n', at) + 1;
    std::ofstream(path, std::ios::binary) << original.substr(0, at) + "this line is not GLSL\n" + original.substr(at);
    printed.clear();
    ASSERT_TRUE(FramesUntil([] { return !ShaderErrors().empty(); })) << printed;
    const std::vector<unsigned char> broken = Frame();
    const std::vector<std::string> errors = ShaderErrors();
    EXPECT_EQ(errors.front().rfind(path + ":5: ", 0), 0u) << errors.front();
    EXPECT_NE(printed.find(path + ":5: "), std::string::npos) << printed;
    EXPECT_GT(RedPixels(broken), 200u) << "the error in red";
    EXPECT_TRUE(clips->progPostFinal.program == program && clips->progPostFinal.built) << "the last good program runs";
    EXPECT_GT(MeanLevel(broken), 2.0) << "the picture is still there";

    std::ofstream(path, std::ios::binary) << original;
    ASSERT_TRUE(FramesUntil([] { return ShaderErrors().empty(); }));
    const std::vector<unsigned char> mended = Frame();
    EXPECT_LT(RedPixels(mended), 20u);
    EXPECT_GT(MeanLevel(mended), 2.0);
    EXPECT_TRUE(clips->progPostFinal.built && clips->progPostFinal.program != program) << "built again";
}

TEST_F(ReloadGL, ASavedKeyframeTrackShowsInTheNextFrames)
{
    for (int i = 0; i < 4; ++i) Frame();
    const float before = demo.state._k0;
    const double lit = MeanLevel(Frame());
    ASSERT_GT(before, 0.5f) << "the authored brightness at 60 s";
    // One record, brightness almost nothing; saved through a temporary file, as editors do.
    std::ofstream("other/my1.txt.tmp") << "60 0.05 1 0 0.3 0 0\n";
    fs::rename("other/my1.txt.tmp", "other/my1.txt");
    ASSERT_TRUE(FramesUntil([&] { return demo.state._k0 == 0.05f; })) << "k0 stays " << demo.state._k0;
    EXPECT_EQ(clips->track1.front().key, 60.0f);
    double dim = 0;
    for (int i = 0; i < 10; ++i) dim = MeanLevel(Frame());  // the trails fade
    EXPECT_LT(dim, lit * 0.5) << "brightness " << lit << " -> " << dim;
}
