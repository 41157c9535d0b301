// hollowmere-capture end to end under Xvfb, as a person runs it: stills at the requested
// times and size, the same bytes twice, a video with its frames and the soundtrack's slice,
// one-line refusals that leave nothing behind, and no complete-looking video when ffmpeg
// dies or the capture is interrupted. Small sizes and grids keep it quick on llvmpipe.
#include "capture.h"
#include "platform/audio.h"
#include "platform/loading.h"
#include "stillcheck.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <iterator>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;  // exit status, or -1 when ended by a signal
    int signal = 0;
    std::string out, err;
};

std::string Read(const std::string& path)
{
    return ReadWholeFile(path).value_or("");
}

// Starts a program in `dir` with its output in dir/../NAME.out and .err; `env` adds or
// replaces variables ("PATH=...").
pid_t Start(const std::vector<std::string>& args, const std::string& dir, const std::vector<std::string>& env = {})
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        const std::string log = dir + ".log";
        dup2(open((log + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open((log + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

Result Wait(pid_t pid, const std::string& dir)
{
    int status = 0;
    waitpid(pid, &status, 0);
    Result r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    r.out = Read(dir + ".log.out");
    r.err = Read(dir + ".log.err");
    return r;
}

// The tool at a small size and grid, quick on llvmpipe; `args` follow, so they can replace those.
Result Capture(const std::vector<std::string>& args, const std::string& dir, const std::vector<std::string>& env = {})
{
    std::vector<std::string> all = {CAPTURE_EXE, "--size", "64x36", "--grid", "16", "--warmup", "0.2"};
    all.insert(all.end(), args.begin(), args.end());
    return Wait(Start(all, dir, env), dir);
}

std::set<std::string> Files(const std::string& dir)
{
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        names.insert(fs::relative(e.path(), dir).string());
    return names;
}

// ffprobe's values of the entries of a stream ("v:0" or "a:0"), one a line, in ffprobe's order.
std::string Probe(const std::string& file, const std::string& stream, const std::string& entries)
{
    const std::string dir = fs::path(file).parent_path().string();
    Result r = Wait(Start({FindProgram("ffprobe"), "-v", "error", "-select_streams", stream, "-count_frames", "-show_entries",
                           "stream=" + entries, "-of", "default=nw=1:nk=1", file},
                          dir),
                    dir);
    while (!r.out.empty() && (r.out.back() == '\n' || r.out.back() == '\r')) r.out.pop_back();
    return r.out;
}

// A process that runs: it exists and is not a zombie waiting for its parent.
bool Running(pid_t pid)
{
    const std::string stat = Read("/proc/" + std::to_string(pid) + "/stat");
    const size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
}

}  // namespace

// The stills named by their times at the requested size, a sheet beside them, written
// relative to where the tool was started; a second run gives the same bytes.
TEST(CaptureTool, StillsAtTheRequestedTimesAreRepeatable)
{
    std::string bytes[2];
    for (int run = 0; run < 2; ++run) {
        const std::string dir = ScratchDir("capture_stills_" + std::to_string(run));
        const Result r = Capture({"--at", "15,10", "-o", "stills", "--sheet", "sheet.png"}, dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Files(dir), (std::set<std::string>{"sheet.png", "stills", "stills/frame_0010.000.png",
                                                     "stills/frame_0015.000.png"}));
        for (const char* name : {"stills/frame_0010.000.png", "stills/frame_0015.000.png"}) {
            Image still;
            std::string error;
            EXPECT_TRUE(ReadPng(dir + "/" + name, still, error) && still.width == 64 && still.height == 36) << name << error;
            bytes[run] += Read(dir + "/" + name);
        }
        bytes[run] += Read(dir + "/sheet.png");
        EXPECT_NE(r.err.find("capture: wrote 2 stills"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(bytes[0] == bytes[1]) << "two runs, the same bytes";
}

// A 2-second video at 30 fps: 60 frames of H.264 and 2 s of AAC that follows the soundtrack.
TEST(CaptureTool, VideoCarriesItsFramesAndTheSoundtrackSlice)
{
    ASSERT_FALSE(FindProgram("ffmpeg").empty() || FindProgram("ffprobe").empty()) << "scripts/deps installs ffmpeg";
    const std::string dir = ScratchDir("capture_video");
    const Result r = Capture({"--from", "10", "--to", "12", "-o", "clip.mp4"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Files(dir), std::set<std::string>{"clip.mp4"});
    const std::string clip = dir + "/clip.mp4";
    EXPECT_EQ(Probe(clip, "v:0", "codec_name,width,height,pix_fmt,nb_read_frames"), "h264\n64\n36\nyuv420p\n60");
    EXPECT_EQ(Probe(clip, "a:0", "codec_name"), "aac");
    EXPECT_NEAR(std::atof(Probe(clip, "a:0", "duration").c_str()), 2.0, 0.05);

    const Result decoded = Wait(Start({FindProgram("ffmpeg"), "-v", "error", "-i", clip, "-map", "0:a", "-f", "s16le",
                                       "-ar", "48000", "-ac", "2", "audio.raw"},
                                      dir),
                                dir);
    ASSERT_EQ(decoded.status, 0) << decoded.err;
    const std::string raw = Read(dir + "/audio.raw");
    std::vector<int16_t> music;
    std::string error;
    ASSERT_TRUE(DecodeMp3(HOLLOWMERE_RUN_DIR "/other/tk22.mp3", music, error)) << error;
    const size_t first = 10 * 48000 * 2, count = std::min(raw.size() / 2, size_t(2 * 48000 * 2));
    ASSERT_GT(count, size_t(1.9 * 48000 * 2));
    ASSERT_LE(first + count, music.size());
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (size_t i = 0; i < count; ++i) {
        int16_t v = 0;
        std::memcpy(&v, raw.data() + 2 * i, 2);
        const double a = v, b = music[first + i];
        sa += a, sb += b, saa += a * a, sbb += b * b, sab += a * b;
    }
    const double n = double(count);
    const double correlation = (sab - sa * sb / n) / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
    EXPECT_GT(correlation, 0.9) << "the video's sound is the soundtrack from 10 s to 12 s";
}

// A timing run on the real scene: a table on standard output with every stage, in frame
// order, each with two figures, and no file written.
TEST(CaptureTool, TimingPrintsEveryStageAndWritesNothing)
{
    const std::string dir = ScratchDir("capture_timing");
    const Result r = Capture({"--timing", "3", "--from", "2"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Files(dir).empty());
    EXPECT_NE(r.out.find("64x36, particle grid 16 (256 particles), 3 frames from 2.000 s, on "), std::string::npos)
        << r.out;
    size_t at = r.out.find("(medians of 3 frames)");
    ASSERT_NE(at, std::string::npos) << r.out;
    for (const char* stage : {"particle step", "particle draw", "titles", "pass 2", "pass 3", "pass 4", "read-back",
                              "rest of frame", "whole frame"}) {
        at = r.out.find("\n" + std::string(stage) + " ", at);
        ASSERT_NE(at, std::string::npos) << stage << " in order in\n" << r.out;
        double gpu = -1, wall = -1;
        EXPECT_EQ(std::sscanf(r.out.c_str() + at + 1 + std::strlen(stage), "%lf %lf", &gpu, &wall), 2) << stage;
        EXPECT_TRUE(gpu >= 0 && wall >= 0) << stage;
    }
}

// Bad options, missing data and a PATH without ffmpeg: status 2, one line, nothing written.
TEST(CaptureTool, RefusalsAreOneLineAndLeaveNothing)
{
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> env;
        const char* expected;
    } cases[] = {
        {{"--size", "10x10", "-o", "out"}, {}, "--size"},  // one of the option parser's refusals (the unit test has them all)
        {{"--at", "1", "-o", "out", "--run-dir", "."}, {}, "no shaders2/"},
        {{"--at", "1", "-o", "out", "--sheet", "nowhere/sheet.png"}, {}, "does not exist"},
        {{"--to", "2", "-o", "clip.mp4"}, {"PATH=/nonexistent"}, "ffmpeg is not on PATH"},
    };
    for (const auto& c : cases) {
        const std::string dir = ScratchDir("capture_refusal");
        const Result r = Capture(c.args, dir, c.env);
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("hollowmere-capture: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
        EXPECT_TRUE(Files(dir).empty()) << "nothing written";
    }
    const std::string dir = ScratchDir("capture_help");
    const Result help = Capture({"--help"}, dir);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, CaptureUsage());
}

// An ffmpeg that dies early, and a capture stopped by Ctrl-C while ffmpeg works: neither
// leaves a file with the video's name or a temporary one, and the child does not live on.
// The stand-ins are found on PATH past a plain file and a folder of the same name.
TEST(CaptureTool, FailedOrInterruptedVideoLeavesNoFile)
{
    const std::string dir = ScratchDir("capture_broken_ffmpeg");
    const std::string bin = dir + ".bin";
    fs::remove_all(bin);
    fs::remove(dir + ".child");
    // Both stand-ins start the output as ffmpeg does and leave a note of their process id.
    const std::string start = "#!/bin/sh\nfor a; do out=\"$a\"; done\necho started > \"$out\"\necho $$ > \"" + dir +
                              ".child\"\n";
    Write(bin + "/dying/ffmpeg", start + "head -c 1000 > /dev/null\nexit 3\n");
    Write(bin + "/stuck/ffmpeg", start + "exec sleep 60\n");
    for (const char* kind : {"dying", "stuck"}) chmod((bin + "/" + kind + "/ffmpeg").c_str(), 0755);
    Write(bin + "/plain/ffmpeg", start);  // not executable
    fs::create_directories(bin + "/folder/ffmpeg");
    EXPECT_EQ(FindProgram(bin + "/dying/ffmpeg"), bin + "/dying/ffmpeg") << "a path is taken as it is";
    EXPECT_EQ(FindProgram(bin + "/plain/ffmpeg"), "");

    const Result died = Capture({"--to", "3", "-o", "clip.mp4"}, dir,
                                {"PATH=/nonexistent:" + bin + "/plain:" + bin + "/folder:" + bin + "/dying:/usr/bin:/bin"});
    EXPECT_EQ(died.status, 1) << died.err;
    EXPECT_NE(died.err.find("ffmpeg"), std::string::npos) << died.err;
    EXPECT_FALSE(Read(dir + ".child").empty()) << "the dying stand-in ran";
    EXPECT_TRUE(Files(dir).empty()) << died.err;

    fs::remove(dir + ".child");
    const pid_t tool = Start({CAPTURE_EXE, "--to", "3", "--size", "64x36", "--grid", "16", "-o", "clip.mp4"}, dir,
                             {"PATH=" + bin + "/stuck:/usr/bin:/bin"});
    for (int i = 0; i < 600 && Read(dir + ".child").empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const pid_t child = pid_t(std::atoi(Read(dir + ".child").c_str()));
    ASSERT_GT(child, 0) << "the stand-in ffmpeg started";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the tool now waits on the full pipe
    EXPECT_FALSE(Files(dir).empty()) << "the unfinished video is there while the capture runs";
    kill(tool, SIGINT);
    const Result stopped = Wait(tool, dir);
    EXPECT_EQ(stopped.signal, SIGINT) << stopped.err;
    EXPECT_TRUE(Files(dir).empty());
    for (int i = 0; i < 100 && Running(child); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(Running(child)) << "the stand-in ffmpeg was stopped";
}
