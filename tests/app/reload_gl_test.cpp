// Reloading on save with the real scene (small window, particle grid 64) from a run folder of
// its own: a shader broken on disk leaves the last good program running until it is mended
// (what the window and the console show meanwhile is the end-to-end test's, reload_e2e.sh);
// a saved keyframe track shows in the next frames. Frames run until the file watch has
// reported the save (it waits for the save to settle), with a cap, not a clock.
#include "parts/scene_fixture.h"
#include "platform/loading.h"
#include "shaders/shader.h"

#include <fstream>
#include <functional>

namespace {

// The scene test's fixture (its copy of the run folder links the tracks, and a save replaces
// the link), with the file watch on the data folders from 60 s on.
struct ReloadGL : SceneGL {
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(Load(RunFolder("reload_gl_test")));
        ClearShaderErrors();
        Printed([&] { WatchDataFolders(demo); });
        ASSERT_NE(demo.fileWatch.native, nullptr);
        clips->time = 60.0f;  // in the second track's span
    }
    // Frames until `done`, at most 300 of them, 10 ms apart; false when it never was.
    bool FramesUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 300; ++i) {
            Printed([&] { Frame(); });  // the scene's lines are not checked here
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
    std::filesystem::rename("other/my1.txt.tmp", "other/my1.txt");
    ASSERT_TRUE(FramesUntil([&] { return demo.state._k0 == 0.05f; })) << "k0 stays " << demo.state._k0;
    EXPECT_EQ(clips->track1.front().key, 60.0f);
}
