// The capture tool's GL side under Xvfb: the frame loop over a test part in a hidden window,
// read back through the ring, and the contact sheet.
#include "app/demo.h"
#include "capture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

namespace {

// Clears the back buffer: the top `split` rows to one colour, the rest to another.
void ClearSplit(int width, int height, int split, const uint8_t top[3], const uint8_t bottom[3])
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, height - split, width, split);
    glClearColor(top[0] / 255.0f, top[1] / 255.0f, top[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 0, width, height - split);
    glClearColor(bottom[0] / 255.0f, bottom[1] / 255.0f, bottom[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

const uint8_t* Pixel(const TImage& image, int x, int y)
{
    return &image.rgb[(size_t(y) * image.width + x) * 3];
}

bool Is(const uint8_t* p, const uint8_t c[3])
{
    return p[0] == c[0] && p[1] == c[1] && p[2] == c[2];
}

// The colours of the n-th drawn frame: its top five rows, and the rest.
struct FrameColours {
    uint8_t top[3], bottom[3];
    explicit FrameColours(int n) : top{uint8_t(n), uint8_t(n * 3), 200}, bottom{0, 255, uint8_t(255 - n)} {}
};

// Records every frame the capture runs: the time its Update reached and whether it drew,
// and clears the window to colours that count the frames it drew.
struct RecordingPart : Part {
    std::vector<std::pair<float, bool>> frames;
    int drawn = 0;
    void Init() override {}
    void Update() override { time += state->deltaTime; }
    void Render() override
    {
        frames.push_back({time, !stepOnly});
        if (stepOnly)
            return;
        const FrameColours c(++drawn);
        ClearSplit(demo->glWindow.width, demo->glWindow.height, 5, c.top, c.bottom);
    }
};

struct CaptureGL : testing::Test {
    TDemo demo;
    void SetUp() override { ASSERT_TRUE(demo.glWindow.Init(0, 0, 48, 24, false, true)); }
    void TearDown() override { DestroyWindow(demo.glWindow); }
};

}  // namespace

// The loop sets the part's time so that its Update lands on each planned time, runs
// the frames not drawn as step-only, and hands each kept frame's picture to the sink: top row
// first, in RGB, in the order they were drawn, through the read-back ring's wrap (more kept
// frames than its three buffers) and its drain at the end.
TEST_F(CaptureGL, FrameLoopLandsOnPlannedTimesAndKeepsTheirPictures)
{
    RecordingPart part;
    AppendPart(demo, &part);
    StartUp(demo, TStartUpOptions{false, false});
    EXPECT_EQ(demo.musicChannel, 0u) << "no music without audio";
    const std::vector<double> kept = {0.5, 1.0, 1.0 + 1.0 / 30, 13.7};
    const std::vector<TPlannedFrame> plan = PlanFrames(kept, 1.0 / 30, 0.1);
    std::vector<std::pair<int, TImage>> sunk;
    size_t ticks = 0;
    const bool ok = RunFrames(
        demo, plan, 1.0f / 30, [&](int keep, const TImage& image) { return sunk.push_back({keep, image}), true; },
        [&](size_t done, const TPlannedFrame&) { ticks = done; });
    ASSERT_TRUE(ok);
    EXPECT_TRUE(part.fixedStep && !part.stepOnly);
    EXPECT_EQ(ticks, plan.size());
    ASSERT_EQ(part.frames.size(), plan.size());
    std::vector<int> drawnAt;  // drawn-frame count at each kept frame
    int drawn = 0;
    for (size_t i = 0; i < plan.size(); ++i) {
        EXPECT_FLOAT_EQ(part.frames[i].first, float(plan[i].time)) << i;
        EXPECT_EQ(part.frames[i].second, plan[i].draw) << i;
        drawn += plan[i].draw;
        if (plan[i].keep >= 0) drawnAt.push_back(drawn);
    }
    ASSERT_EQ(sunk.size(), kept.size());
    for (size_t k = 0; k < sunk.size(); ++k) {
        EXPECT_EQ(sunk[k].first, int(k));
        const TImage& got = sunk[k].second;
        ASSERT_TRUE(got.width == 48 && got.height == 24 && got.rgb.size() == 48u * 24 * 3);
        const FrameColours c(drawnAt[k]);
        EXPECT_TRUE(Is(Pixel(got, 0, 0), c.top) && Is(Pixel(got, 47, 4), c.top) && Is(Pixel(got, 0, 5), c.bottom) &&
                    Is(Pixel(got, 47, 23), c.bottom))
            << "kept frame " << k << " shows drawn frame " << drawnAt[k];
    }
    // A sink that refuses ends the loop there.
    int calls = 0;
    EXPECT_FALSE(RunFrames(demo, PlanFrames({20.0, 20.1, 20.2}, 0.05, 0.0), 0.05f,
                           [&](int, const TImage&) { return ++calls, false; }));
    EXPECT_EQ(calls, 1);
}

// Each thumbnail sits in its cell with ink under it, on the background elsewhere.
TEST_F(CaptureGL, ContactSheetPlacesThumbnailsOverTheirLabels)
{
    std::vector<TImage> thumbs;
    const uint8_t colours[3][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (const auto& c : colours) {
        TImage t{120, 60, {}};
        for (int i = 0; i < 120 * 60; ++i) t.rgb.insert(t.rgb.end(), c, c + 3);
        thumbs.push_back(t);
    }
    const TImage sheet = ContactSheet(thumbs, {10.0, 15.0, 120.5});
    const TSheetLayout l = SheetLayout(3, 120, 60);
    ASSERT_TRUE(sheet.width == l.width && sheet.height == l.height && l.columns == 2 && l.rows == 2);
    const uint8_t* background = Pixel(sheet, 0, 0);
    for (int i = 0; i < 3; ++i) {
        int x0 = -1, y0 = -1;  // the first pixel of the thumbnail's colour: its top left corner
        for (int p = 0; p < sheet.width * sheet.height && x0 < 0; ++p)
            if (Is(Pixel(sheet, p % sheet.width, p / sheet.width), colours[i])) x0 = p % sheet.width, y0 = p / sheet.width;
        ASSERT_GE(x0, 0) << "thumbnail " << i;
        EXPECT_EQ(x0 < sheet.width / 2, i % 2 == 0) << "column of " << i;
        EXPECT_EQ(y0 < sheet.height / 2, i < 2) << "row of " << i;
        EXPECT_TRUE(Is(Pixel(sheet, x0 + 119, y0 + 59), colours[i]) && !Is(Pixel(sheet, x0 + 120, y0), colours[i]));
        int ink = 0;  // bright pixels in the label band under the thumbnail
        for (int y = y0 + 60; y < y0 + l.cellHeight; ++y)
            for (int x = x0; x < x0 + 120; ++x) ink += Pixel(sheet, x, y)[0] > background[0] + 100;
        EXPECT_GT(ink, 100) << "label " << i;
    }
    EXPECT_TRUE(Is(Pixel(sheet, 3 * l.width / 4, 3 * l.height / 4), background)) << "the empty fourth cell";
}
