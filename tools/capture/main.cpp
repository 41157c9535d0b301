// hollowmere-capture: the demo's parts on a fixed clock in a hidden window, every kept frame
// read back and written as PNG stills, a PNG sequence or a video with the soundtrack.
#include "capture.h"

#include "app/demo.h"
#include "platform/platform.h"

#include <GL/glew.h>
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int kThumbWidth = 320;

int Refuse(const std::string& message)
{
    std::fprintf(stderr, "hollowmere-capture: %s\n", message.c_str());
    return 2;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "hollowmere-capture: %s\n", message.c_str());
    return 1;
}

// The data the scene reads relative to its working directory, checked before anything opens.
std::string MissingData(const fs::path& runDir, bool video)
{
    std::error_code ec;
    for (const char* folder : {"shaders2", "other"})
        if (!fs::is_directory(runDir / folder, ec))
            return "no " + std::string(folder) + "/ in " + runDir.string() +
                   " (give the run folder with --run-dir, e.g. build/run)";
    if (video && !fs::is_regular_file(runDir / "other" / "tk22.mp3", ec))
        return "no other/tk22.mp3 in " + runDir.string() + ": the video's soundtrack is missing";
    return {};
}

// An absolute path without a trailing separator, so that folders compare equal.
fs::path Absolute(const std::string& path)
{
    if (path.empty())
        return {};
    fs::path p = fs::absolute(path).lexically_normal();
    return p.has_filename() ? p : p.parent_path();
}

TDemo demo;

// A timing run: the frames as a capture would run them, the table on standard output.
int TimeStages(const TCaptureOptions& o, const std::vector<double>& kept)
{
    const double step = 1.0 / o.fps;
    const std::vector<TPlannedFrame> plan = TimingPlan(kept, step, o.warmup);
    CaptureProgress progress(plan.size(), IsTerminal(2));
    std::vector<TStageTimes> rows;
    if (!TimeFrames(demo, plan, float(step), rows,
                    [&](size_t done, const TPlannedFrame& f) { progress.Update(done, f.time); }))
        return Fail("the frames could not be timed (no scene, or a frame could not be read back)");
    progress.Finish("timed " + std::to_string(kept.size()) + " frames");
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    char heading[400];
    std::snprintf(heading, sizeof heading, "%dx%d, particle grid %d (%lld particles), %zu frames from %.3f s, on %s",
                  o.width, o.height, o.grid, static_cast<long long>(o.grid) * o.grid, kept.size(), kept.front(),
                  renderer ? renderer : "an unnamed renderer");
    std::fputs(TimingTable(rows, heading).c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    TCaptureOptions o;
    std::string error;
    if (!ParseCaptureArgs(argc, argv, o, error))
        return Refuse(error);
    if (o.help) {
        std::fputs(CaptureUsage().c_str(), stdout);
        return 0;
    }
    const bool video = o.kind == CaptureKind::Video;
    std::string ffmpeg;
    if (video && (ffmpeg = FindProgram("ffmpeg")).empty())
        return Refuse("ffmpeg is not on PATH; a video needs it (scripts/deps installs it)");

    // Paths on the command line are the caller's; the scene then runs in the run folder.
    std::error_code ec;
    const fs::path output = Absolute(o.output), sheet = Absolute(o.sheet);
    const fs::path runDir = Absolute(o.runDir.empty() ? HOLLOWMERE_RUN_DIR : o.runDir);
    const std::string missing = MissingData(runDir, video);
    if (!missing.empty())
        return Refuse(missing);
    if (!video && !output.empty() && fs::exists(output, ec) && !fs::is_directory(output, ec))
        return Refuse("-o " + output.string() + ": exists and is not a folder");
    // A file's folder must exist; the sheet may go into the stills' folder made below.
    for (const fs::path& file : {video ? output : fs::path(), sheet}) {
        const bool madeBelow = !video && !output.empty() && file.parent_path() == output;
        if (!file.empty() && !madeBelow && !fs::is_directory(file.parent_path(), ec))
            return Refuse(file.string() + ": the folder " + file.parent_path().string() + " does not exist");
    }
    const std::vector<double> kept = KeptTimes(o);
    if (kept.empty())
        return Refuse("no frame lies between --from and --to before the scene's end");
    const double step = 1.0 / o.fps;
    std::vector<int16_t> audio;
    if (video && !SoundtrackSlice((runDir / "other" / "tk22.mp3").string(), kept.front(), double(kept.size()) * step,
                                  audio, error))
        return Fail(error);

    if (!video && !output.empty() && (fs::create_directories(output, ec), ec))
        return Refuse("-o " + output.string() + ": " + ec.message());
    if (chdir(runDir.c_str()) != 0)
        return Refuse("cannot enter the run folder " + runDir.string());
    setenv("HOLLOWMERE_PARTICLE_GRID", std::to_string(o.grid).c_str(), 1);
    // Ctrl-C is ours: it removes unfinished files (see GuardTemporary).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    demo.width = o.width;
    demo.height = o.height;
    if (!demo.glWindow.Init(0, 0, o.width, o.height, false, true))
        return Fail("no OpenGL window of " + std::to_string(o.width) + "x" + std::to_string(o.height) +
                    " (is DISPLAY set?)");
    demo.launcherClosed = true;
    demo.state.showOverlay = false;
    CreateParts(demo);
    StartUp(demo, TStartUpOptions{.audio = false, .midi = false, .watch = false});

    if (o.kind == CaptureKind::Timing)
        return TimeStages(o, kept);

    VideoWriter writer;
    if (video && !writer.Start(ffmpeg, output.string(), o.width, o.height, o.fps, audio, error))
        return Fail(error);

    std::vector<TImage> thumbs;
    auto sink = [&](int keep, const TImage& image) {
        if (video)
            return writer.Write(image, error);
        if (!sheet.empty())
            thumbs.push_back(Thumbnail(image, kThumbWidth));
        if (output.empty())
            return true;
        const std::string name = o.kind == CaptureKind::Stills ? StillName(kept[size_t(keep)]) : SequenceName(keep);
        return WritePng((output / name).string(), image, error);
    };
    const std::vector<TPlannedFrame> plan = PlanFrames(kept, step, o.warmup);
    CaptureProgress progress(plan.size(), IsTerminal(2));
    const bool rendered = RunFrames(demo, plan, float(1.0 / o.fps), sink,
                                    [&](size_t done, const TPlannedFrame& f) { progress.Update(done, f.time); });
    if (!rendered) {
        writer.Abort();
        return Fail(error.empty() ? "the capture stopped" : error);
    }
    if (video && !writer.Finish(error))
        return Fail(error);
    if (!sheet.empty() && !WritePng(sheet.string(), ContactSheet(thumbs, kept), error))
        return Fail(error);

    std::string summary = "wrote " + std::to_string(kept.size()) +
                          (o.kind == CaptureKind::Stills ? " stills" : " frames");
    if (!output.empty())
        summary += " to " + output.string();
    if (!sheet.empty())
        summary += (output.empty() ? " on the sheet " : " and the sheet ") + sheet.string();
    progress.Finish(summary);
    return 0;
}
