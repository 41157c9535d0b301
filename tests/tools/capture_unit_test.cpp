// The capture tool's pieces that need no GL: the command line, the frame plan, the part time
// that lands on a planned time, file names, the PNG writer, thumbnails, the sheet grid and the
// progress text.
#include "capture.h"
#include "stillcheck.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>

namespace {

bool Parse(std::vector<const char*> args, TCaptureOptions& o, std::string& error)
{
    args.insert(args.begin(), "hollowmere-capture");
    return ParseCaptureArgs(int(args.size()), args.data(), o, error);
}

}  // namespace

TEST(CaptureOptions, AcceptedForms)
{
    TCaptureOptions o;
    std::string error;
    ASSERT_TRUE(Parse({}, o, error) == false);  // nothing to write to
    ASSERT_TRUE(Parse({"-o", "out"}, o, error)) << error;
    EXPECT_EQ(o.kind, CaptureKind::Sequence);
    EXPECT_TRUE(o.from == 0.0 && o.to == 201.5 && o.fps == 30 && o.width == 1280 && o.height == 720);
    EXPECT_TRUE(o.grid == 3184 && o.warmup == 1.0 && o.runDir.empty());

    ASSERT_TRUE(Parse({"-oclip.MP4", "--from=10", "--to", "12.5", "--fps", "60", "--size=640x360", "--grid", "64",
                       "--warmup=0", "--run-dir", "run"},
                      o, error))
        << error;
    EXPECT_EQ(o.kind, CaptureKind::Video);
    EXPECT_TRUE(o.output == "clip.MP4" && o.from == 10.0 && o.to == 12.5 && o.fps == 60);
    EXPECT_TRUE(o.width == 640 && o.height == 360 && o.grid == 64 && o.warmup == 0.0 && o.runDir == "run");

    // Stills: sorted, rounded to the millisecond, repeats dropped; a sheet alone is an output.
    ASSERT_TRUE(Parse({"--at", "15,10.00049,10,0,201.4994", "--sheet", "s.png"}, o, error)) << error;
    EXPECT_EQ(o.kind, CaptureKind::Stills);
    EXPECT_EQ(o.at, (std::vector<double>{0.0, 10.0, 15.0, 201.499}));
    ASSERT_TRUE(Parse({"--output", "x.mkv"}, o, error));
    EXPECT_EQ(o.kind, CaptureKind::Video);
    EXPECT_NE(CaptureUsage().find("--timing N"), std::string::npos);  // the tool's timing run parses it
    ASSERT_TRUE(Parse({"-o", "x", "--help", "--bogus"}, o, error));
    EXPECT_TRUE(o.help);
    EXPECT_NE(CaptureUsage().find("--sheet FILE"), std::string::npos);
}

TEST(CaptureOptions, RefusalsNameTheProblemInOneLine)
{
    const struct {
        std::vector<const char*> args;
        const char* expected;  // part of the message
    } cases[] = {
        {{"-o", "o", "--size", "10x10"}, "--size: '10x10'"},
        {{"-o", "o", "--size", "640x360x2"}, "--size"},
        {{"-o", "o", "--fps", "0"}, "--fps: '0'"},
        {{"-o", "o", "--fps", "29.97"}, "--fps: '29.97'"},
        {{"-o", "o", "--grid", "3185"}, "--grid: '3185'"},
        {{"-o", "o", "--warmup", "nan"}, "--warmup"},
        {{"-o", "o", "--at", "201.5"}, "--at: '201.5'"},
        {{"-o", "o", "--at", "201.4996"}, "--at: '201.4996'"},  // rounds to the end
        {{"-o", "o", "--at", "1,,2"}, "--at: ''"},
        {{"-o", "o", "--from", "300"}, "--from: '300'"},
        {{"-o", "o", "--from", "12", "--to", "10"}, "--from must be earlier than --to"},
        {{"-o", "o", "--at", "1", "--to", "10"}, "--at takes stills"},
        {{"-o", "clip.mp4", "--at", "1"}, "-o must name a folder"},
        {{"-o", "clip.mp4", "--size", "641x360"}, "even width and height"},
        {{"-o", "o", "--sheet", "s.png"}, "--sheet needs"},
        {{"--at", "1"}, "no output"},
        {{"-o", "o", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"-o", "o", "stray"}, "unexpected argument 'stray'"},
        {{"-o"}, "option '-o' needs a value"},
        {{"-o", ""}, "-o: the path is empty"},
        {{"--timing", "0"}, "--timing: '0'"},
        {{"--timing", "5", "-o", "o"}, "--timing writes no files"},
        {{"--timing", "5", "--at", "3"}, "--timing writes no files"},
    };
    for (const auto& c : cases) {
        TCaptureOptions o;
        std::string error;
        std::string line;
        for (const char* a : c.args) line += std::string(a) + " ";
        EXPECT_FALSE(Parse(c.args, o, error)) << line;
        EXPECT_NE(error.find(c.expected), std::string::npos) << line << "-> " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << line;
    }
}

TEST(CapturePlan, KeptTimesStopBeforeTheEnd)
{
    TCaptureOptions o;
    o.kind = CaptureKind::Sequence;
    o.from = 10.0, o.to = 12.0;
    std::vector<double> t = KeptTimes(o);
    ASSERT_EQ(t.size(), 60u) << "2 s at 30 fps";
    EXPECT_NEAR(t[1] - t[0], 1.0 / 30, 1e-12);
    EXPECT_DOUBLE_EQ(t.back(), 10.0 + 59.0 / 30);
    o.from = 0.0, o.to = kSceneEnd;
    t = KeptTimes(o);
    EXPECT_EQ(t.size(), 6045u) << "the last frame, 201.4667 s, is the one before the scene's end";
    EXPECT_LT(float(t.back()), float(kSceneEnd));
    o.from = 201.49, o.fps = 240;
    EXPECT_EQ(KeptTimes(o).size(), 3u);  // 201.49, 201.494, 201.498
    o.kind = CaptureKind::Stills;
    o.at = {3.0, 7.5};
    EXPECT_EQ(KeptTimes(o), o.at);
    // A timing run: its count of frames (the tool's own timing run shows it), fewer where the
    // scene ends first.
    o.kind = CaptureKind::Timing, o.fps = 30, o.timing = 60, o.from = 201.0;
    EXPECT_EQ(KeptTimes(o).size(), 15u);
}

TEST(CaptureTiming, MediansAndTheTable)
{
    EXPECT_EQ(Median({}), 0.0);
    EXPECT_EQ(Median({5.0, 1.0, 3.0}), 3.0);
    EXPECT_EQ(Median({4.0, 1.0, 100.0, 2.0}), 3.0);
    const std::string table = TimingTable({{"particle step", {1.0, 9.0, 2.0}, {1.5, 8.0, 2.5}},
                                           {"whole frame", {10.0, 12.0, 11.0}, {20.0, 22.0, 21.0}}},
                                          "64x36, particle grid 16");
    EXPECT_EQ(table, "64x36, particle grid 16\n"
                     "stage                GPU ms    wall ms   (medians of 3 frames)\n"
                     "particle step          2.00       2.50\n"
                     "whole frame           11.00      21.00\n");
}

// Captures step from scene time 0 and draw a warm-up before each kept time; timing runs draw
// their warm-up without a run-up.
TEST(CapturePlan, FramesBeforeEachKeptTime)
{
    const struct {
        const char* name;
        std::vector<TPlannedFrame> plan;
        std::vector<std::tuple<double, bool, int>> expected;  // time, drawn, kept index
    } cases[] = {
        {"stills at 1 and 2 s, half a second of warm-up", PlanFrames({1.0, 2.0}, 0.25, 0.5),
         {{0.0, false, -1}, {0.25, false, -1}, {0.5, true, -1}, {0.75, true, -1}, {1.0, true, 0},
          {1.25, false, -1}, {1.5, true, -1}, {1.75, true, -1}, {2.0, true, 1}}},
        {"off the step grid: reached exactly, the run-up counted back from it", PlanFrames({0.6}, 0.25, 0.0),
         {{0.1, false, -1}, {0.35, false, -1}, {0.6, true, 0}}},
        {"a still at 0", PlanFrames({0.0}, 0.25, 1.0), {{0.0, true, 0}}},
        {"kept frames one step apart (a video) back to back, the gaps not whole steps in binary",
         PlanFrames({0.1, 0.1 + 1.0 / 30, 0.1 + 2.0 / 30}, 1.0 / 30, 1.0 / 30),
         {{0.0, false, -1}, {1.0 / 30, false, -1}, {2.0 / 30, true, -1}, {0.1, true, 0}, {0.1 + 1.0 / 30, true, 1},
          {0.1 + 2.0 / 30, true, 2}}},
        {"a timing run", TimingPlan({45.0, 45.25, 45.5}, 0.25, 0.5),
         {{44.5, true, -1}, {44.75, true, -1}, {45.0, true, 0}, {45.25, true, 1}, {45.5, true, 2}}},
        {"a timing run near the start: no frame before 0", TimingPlan({0.25}, 0.25, 1.0), {{0.0, true, -1}, {0.25, true, 0}}},
        {"a timing run of nothing", TimingPlan({}, 0.25, 1.0), {}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.plan.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < c.plan.size(); ++i) {
            const auto [time, draw, keep] = c.expected[i];
            EXPECT_NEAR(c.plan[i].time, time, 1e-12) << c.name << ", frame " << i;
            EXPECT_TRUE(c.plan[i].draw == draw && c.plan[i].keep == keep) << c.name << ", frame " << i;
        }
    }
}

TEST(CapturePlan, PartTimeLandsOnTheTargetAfterTheUpdate)
{
    // Float sums round to even, so some targets cannot be reached at all: those are missed
    // by one unit in the last place, the nearest there is; most are hit exactly.
    for (int fps : {24, 30, 60, 144, 240}) {
        const float step = 1.0f / float(fps);
        int exact = 0, total = 0;
        for (int n = 0; n < 201500; n += 7, ++total) {
            const float target = float(n / 1000.0);
            const float landed = PartTimeBefore(target, step) + step;
            const float ulp = std::nextafter(std::max(target, step), INFINITY) - std::max(target, step);
            ASSERT_LE(std::fabs(landed - target), ulp) << fps << " fps, " << target << " s";
            exact += landed == target;
        }
        EXPECT_GT(exact, total * 3 / 4) << fps << " fps";
    }
    EXPECT_EQ(PartTimeBefore(10.0f, 0.25f) + 0.25f, 10.0f);
}

TEST(CapturePlan, FileNames)
{
    EXPECT_EQ(StillName(201.499), "frame_0201.499.png");  // the tool's stills show the padding
    EXPECT_EQ(SequenceName(0), "frame_000000.png");
    EXPECT_EQ(SequenceName(48359), "frame_048359.png");
    EXPECT_EQ(SheetLabel(12.5), "12.500 s");
}

TEST(CaptureSheet, ThumbnailsAverageDownAndRepeatUp)
{
    TImage image{4, 2, {}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) image.rgb.insert(image.rgb.end(), {uint8_t(x * 60), uint8_t(y * 200), 7});
    const TImage half = Thumbnail(image, 2);
    ASSERT_TRUE(half.width == 2 && half.height == 1 && half.rgb.size() == 6u);
    EXPECT_EQ(half.rgb, (std::vector<uint8_t>{30, 100, 7, 150, 100, 7}));  // 2 x 2 blocks averaged
    const TImage twice = Thumbnail(image, 8);
    ASSERT_TRUE(twice.width == 8 && twice.height == 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint8_t* p = &twice.rgb[(size_t(y) * 8 + x) * 3];
            EXPECT_TRUE(p[0] == (x / 2) * 60 && p[1] == (y / 2) * 200) << x << "," << y;
        }
}

TEST(CaptureSheet, GridHoldsEveryStillWithItsLabel)
{
    for (int count : {1, 3, 5, 10, 100}) {
        const TSheetLayout l = SheetLayout(count, 320, 180);
        EXPECT_TRUE(l.columns * l.rows >= count && l.columns * (l.rows - 1) < count && l.columns <= 8) << count;
        EXPECT_TRUE(l.cellHeight > 180 && l.width > l.columns * l.cellWidth && l.height > l.rows * l.cellHeight);
    }
    // Thumbnails narrower than the longest label widen the cell.
    EXPECT_GE(SheetLayout(1, 40, 20).cellWidth, 9 * 10);
}

// A still reads back as written (the tool's two runs show the same bytes twice); a path that
// cannot be written fails with its reason and leaves nothing.
TEST(CapturePng, StillsReadBackExactly)
{
    const std::string dir = ScratchDir("capture_png");
    TImage image{37, 11, {}};
    for (size_t i = 0; i < size_t(37 * 11 * 3); ++i) image.rgb.push_back(uint8_t(i * 7 + i / 37));
    std::string error;
    ASSERT_TRUE(WritePng(dir + "/a.png", image, error)) << error;
    Image read;
    ASSERT_TRUE(ReadPng(dir + "/a.png", read, error)) << error;
    EXPECT_TRUE(read.width == 37 && read.height == 11);
    EXPECT_EQ(read.rgb, image.rgb);
    EXPECT_FALSE(WritePng(dir + "/missing/c.png", image, error));
    EXPECT_NE(error.find("missing/c.png"), std::string::npos) << error;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "no partial file";
}

TEST(CaptureProgress, TextCountsRateAndRemainingTime)
{
    EXPECT_EQ(ProgressText(0, 600, 0.0, 0.0), "0/600 frames, scene 0.000 s");
    EXPECT_EQ(ProgressText(150, 600, 5.0, 10.0), "150/600 frames, scene 5.000 s, 15.0 fps, ETA 0:30");
    EXPECT_EQ(ProgressText(1, 6046, 0.0, 1.0), "1/6046 frames, scene 0.000 s, 1.0 fps, ETA 1:40:45");
}
