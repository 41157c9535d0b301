// hollowmere-capture: renders the demo's frames on a fixed clock into PNG stills, a numbered
// PNG sequence or a video with the soundtrack, through the same parts and frame step as the
// demo. This header is the tool's library: the options, the frame plan, the read-back, the
// frame loop and the writers; main.cpp only strings them together.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TDemo;

// The scene ends the process on the first frame that starts at or after this time.
constexpr double kSceneEnd = 201.5;
// The demo's own particle grid side; the scene accepts 1 up to this.
constexpr int kDemoParticleGrid = 3184;

// ---- Options ---------------------------------------------------------------------------

enum class CaptureKind { Stills, Sequence, Video, Timing };

struct TCaptureOptions {
    CaptureKind kind = CaptureKind::Sequence;
    std::string output;          // -o: a folder, or a file ending in .mp4 or .mkv
    std::string sheet;           // --sheet: the contact sheet of the stills
    std::string runDir;          // --run-dir: where shaders2/ and other/ are; empty: the build's
    std::vector<double> at;      // --at: still times, ascending, whole milliseconds, no repeats
    double from = 0.0, to = kSceneEnd;
    int fps = 30;
    int width = 1280, height = 720;
    int grid = kDemoParticleGrid;
    double warmup = 1.0;
    int timing = 0;              // --timing: frames to time, from --from; nothing is written
    bool help = false;
};

// Parses the command line (argv[0] is the program). On a bad option or value returns false
// with `error` set to one line without the program name or a newline.
bool ParseCaptureArgs(int argc, const char* const* argv, TCaptureOptions& options, std::string& error);
// The --help text.
std::string CaptureUsage();

// ---- Frame plan ------------------------------------------------------------------------

// One frame the tool runs: its scene time, whether it is drawn (else the scene only steps
// its clock and particles), and which output it becomes (-1: none).
struct TPlannedFrame {
    double time = 0.0;
    bool draw = false;
    int keep = -1;
};

// The times of the frames to keep: the stills, or every frame from `from` on a 1/fps step
// while it lies before `to` and before the scene's end (for a timing run, `timing` of them).
std::vector<double> KeptTimes(const TCaptureOptions& options);

// Every frame to run for the kept times (ascending), on steps of `step` seconds counted back
// from each kept time: from scene time 0 before the first, from the previous kept time
// before the others. Frames within `warmup` seconds before a kept one are drawn.
std::vector<TPlannedFrame> PlanFrames(const std::vector<double>& kept, double step, double warmup);

// The frames of a timing run: `warmup` seconds of drawn frames before the first kept time
// (none before 0), then the kept ones. There is no run-up from 0: the particles are seeded
// at the first frame, since what a frame costs does not depend on their history, and a
// run-up of a large grid takes minutes on a software renderer.
std::vector<TPlannedFrame> TimingPlan(const std::vector<double>& kept, double step, double warmup);

// Between frames: the hidden window's event queue emptied (it gets no input, and SDL would
// pile events up), and after a frame the window swapped when it drew, else its compute work
// queued with a flush.
void DrainEvents();
void EndFrame(TDemo& demo, const TPlannedFrame& frame);

// The part time to set before a frame so that the part's Update, adding `step`, lands on
// `target` in single precision: exactly where a float sum can, else one unit in the last
// place away (sums that round to even skip every other float in some ranges).
float PartTimeBefore(float target, float step);

// File names inside the output folder: "frame_0045.000.png" for a still, "frame_000123.png"
// for frame 123 of a sequence.
std::string StillName(double time);
std::string SequenceName(int index);

// ---- Read-back ---------------------------------------------------------------------------

// A frame read back from the window: RGB bytes, top row first.
struct TImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

// Reads the window's back buffer through a ring of pixel-buffer objects: a frame's read is
// started right after it is drawn and mapped only `ring - 1` frames later, so the copy to
// the CPU overlaps the next frames instead of stalling them. Needs a current GL context.
class FrameReader {
public:
    FrameReader(int width, int height, int ring = 3);
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // Starts reading the back buffer; when the ring is full, first finishes the oldest read
    // into `done` and returns true.
    bool Push(TImage& done);
    // Finishes the oldest read still in flight; false when none is.
    bool Pop(TImage& done);
    // True once a buffer could not be mapped: that frame, and the capture, are lost.
    bool Failed() const { return failed_; }

private:
    int width_, height_;
    std::vector<uint32_t> buffers_;
    size_t next_ = 0, inFlight_ = 0;
    bool failed_ = false;
};

// ---- Frame loop --------------------------------------------------------------------------

// Receives each kept frame with its index among the kept times; false stops the capture.
using FrameSink = std::function<bool(int keep, const TImage& image)>;
// Called after every frame with the number of frames run so far.
using FrameTick = std::function<void(size_t done, const TPlannedFrame& frame)>;

// Readies the demo's parts for a planned frame: `step` as its deltaTime, every part on the
// fixed step (step-only when the frame is not drawn) and set to the time before it.
void SetPartsForFrame(TDemo& demo, const TPlannedFrame& frame, float step);

// Runs the planned frames over the demo's parts with `step` as every frame's deltaTime, on
// the fixed step (step-only for frames not drawn), reading every kept frame back. The demo
// must be started. Returns false when the sink stopped it.
bool RunFrames(TDemo& demo, const std::vector<TPlannedFrame>& plan, float step, const FrameSink& sink,
               const FrameTick& tick = {});

// ---- Timing -------------------------------------------------------------------------------

// One row of the timing table: a stage and its milliseconds, one figure per timed frame.
struct TStageTimes {
    std::string name;
    std::vector<double> gpuMs, wallMs;
};

// Runs the planned frames as RunFrames does, writing nothing; every kept frame is timed stage
// by stage with GL timestamp queries and the wall clock (the GPU finished at each boundary)
// and read back. Rows: the scene's stages in frame order, "read-back", "rest of frame" (the
// whole frame less the stages: clears, the scene's resolve, the buffer swap) and "whole
// frame". False when a frame could not be timed or read back.
bool TimeFrames(TDemo& demo, const std::vector<TPlannedFrame>& plan, float step, std::vector<TStageTimes>& rows,
                const FrameTick& tick = {});
// The median of the values (the mean of the middle two for an even count); 0 for none.
double Median(std::vector<double> values);
// The table printed by a timing run: the heading, then one line per row with the medians.
std::string TimingTable(const std::vector<TStageTimes>& rows, const std::string& heading);

// ---- Writers -------------------------------------------------------------------------------

// Writes an RGB image as a PNG (libpng, fixed settings: the same image gives the same bytes)
// through a temporary name renamed at the end. False with `error` set on failure.
bool WritePng(const std::string& path, const TImage& image, std::string& error);

// Path of `name` in PATH's folders (or `name` itself when it holds a slash and is
// executable); empty when there is none.
std::string FindProgram(const std::string& name);

// The soundtrack slice [from, from + seconds) as 16-bit stereo PCM at 48 kHz, silence past
// the end of the music. False with `error` set when the file cannot be decoded.
bool SoundtrackSlice(const std::string& mp3, double from, double seconds, std::vector<int16_t>& pcm,
                     std::string& error);

// A video written by an ffmpeg child process: raw RGB frames on its standard input, the
// audio from a temporary file, the result under a temporary name renamed by Finish().
// Whatever is not finished is removed by Abort(), at exit and on SIGINT, SIGTERM and SIGHUP.
class VideoWriter {
public:
    VideoWriter() = default;
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    bool Start(const std::string& ffmpeg, const std::string& path, int width, int height, int fps,
               const std::vector<int16_t>& audio, std::string& error);
    bool Write(const TImage& image, std::string& error);
    bool Finish(std::string& error);
    void Abort();

private:
    std::string path_, partial_, audioPath_;
    int pipe_ = -1;
    int pid_ = -1;
};

// Removes registered temporary files (and stops the registered child) when the process ends
// early: at exit() from anywhere and on SIGINT, SIGTERM and SIGHUP, which then end the
// process with status 128 + the signal.
void GuardTemporary(const std::string& path);
void ReleaseTemporary(const std::string& path);
void GuardChild(int pid);

// ---- Contact sheet -------------------------------------------------------------------------

// A still scaled to the sheet's cell width (box filter down, nearest up).
TImage Thumbnail(const TImage& image, int width);

struct TSheetLayout {
    int columns = 1, rows = 1;
    int cellWidth = 0, cellHeight = 0;  // one thumbnail and its label band, without the gap
    int width = 0, height = 0;
};
// The grid for `count` thumbnails of the given size.
TSheetLayout SheetLayout(int count, int thumbWidth, int thumbHeight);
// The label under a still: its scene time, "45.000 s".
std::string SheetLabel(double time);

// Draws the labels with the stroke font in an off-screen framebuffer (needs a current GL
// context), then places the thumbnails above them. One thumbnail per time.
TImage ContactSheet(const std::vector<TImage>& thumbs, const std::vector<double>& times);

// ---- Progress ------------------------------------------------------------------------------

// One updating line on a terminal; a plain line per 10 % otherwise.
struct CaptureProgress {
    size_t total = 0, framesRun = 0;
    bool terminal = false;
    int64_t startTicks = 0;
    int lastTenth = 0;
    double lastPrint = -1.0;

    CaptureProgress(size_t totalFrames, bool toTerminal);
    void Update(size_t done, double sceneTime);
    // The last line: the summary, the time taken and the rate of frames run.
    void Finish(const std::string& summary);
};
// The progress text for `done` of `total` frames after `seconds` of wall time.
std::string ProgressText(size_t done, size_t total, double sceneTime, double seconds);
