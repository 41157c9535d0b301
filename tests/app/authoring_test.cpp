// The authors' tool, its pure parts: the keyboard transport's keys and rules on the clock,
// the start time on the command line, and where the shader errors go on screen.
#include "app/demo.h"
#include "app/error_text.h"
#include "app/transport.h"
#include "parts/clips.h"
#include "parts/schedule.h"
#include "platform/test_support.h"

#include <SDL.h>

TEST(Transport, KeysAndWhatTheyDoToTheClock)
{
    const std::pair<int, TransportKey> keys[] = {
        {SDL_SCANCODE_P, TransportKey::Pause}, {SDL_SCANCODE_COMMA, TransportKey::FrameBack},
        {SDL_SCANCODE_PERIOD, TransportKey::FrameForward}, {SDL_SCANCODE_LEFT, TransportKey::Back1},
        {SDL_SCANCODE_RIGHT, TransportKey::Forward1}, {SDL_SCANCODE_DOWN, TransportKey::Back10},
        {SDL_SCANCODE_UP, TransportKey::Forward10}, {SDL_SCANCODE_PAGEUP, TransportKey::PreviousCue},
        {SDL_SCANCODE_PAGEDOWN, TransportKey::NextCue},
        // The keys with a meaning of their own stay out of the transport.
        {SDL_SCANCODE_A, TransportKey::None}, {SDL_SCANCODE_SPACE, TransportKey::None},
        {SDL_SCANCODE_ESCAPE, TransportKey::None}, {511, TransportKey::None}, {-1, TransportKey::None}};
    for (const auto& [scancode, key] : keys) EXPECT_EQ(TransportKeyOf(scancode), key) << scancode;

    const std::vector<float> cues = {0.0f, 13.7f, 20.0f, 30.0f};
    const float end = 40.0f, f = kTransportFrame;
    using K = TransportKey;
    const struct { K key; float time; bool paused; float to; bool pausedAfter; } cases[] = {
        {K::None, 12.0f, false, 12.0f, false}, {K::Pause, 12.0f, false, 12.0f, true}, {K::Pause, 12.0f, true, 12.0f, false},
        {K::FrameForward, 12.0f, true, 12.0f + f, true}, {K::FrameBack, 12.0f, true, 12.0f - f, true},
        {K::FrameForward, 12.0f, false, 12.0f, false}, {K::FrameBack, 12.0f, false, 12.0f, false},  // only while paused
        {K::Forward1, 12.0f, false, 13.0f, false}, {K::Back1, 12.0f, true, 11.0f, true},
        {K::Forward10, 12.0f, false, 22.0f, false}, {K::Back10, 12.0f, false, 2.0f, false},
        {K::Back10, 5.0f, false, 0.0f, false}, {K::FrameBack, 0.01f, true, 0.0f, true},  // not below 0
        {K::Forward10, 35.0f, false, end - f, false},  // the last frame before the end, which would end the program
        {K::NextCue, 12.0f, false, 13.7f, false}, {K::NextCue, 13.7f, false, 20.0f, false},
        {K::NextCue, 30.0f, false, 30.0f, false}, {K::NextCue, -100.0f, false, 0.0f, false},  // after the A key
        {K::PreviousCue, 25.0f, false, 20.0f, false}, {K::PreviousCue, 20.3f, true, 13.7f, true},  // just past a cue: the one before
        {K::PreviousCue, 20.6f, false, 20.0f, false}, {K::PreviousCue, 0.2f, false, 0.0f, false},
        {K::PreviousCue, 100.0f, false, 30.0f, false}};
    for (const auto& c : cases) {
        const TTransportStep step = ApplyTransportKey(c.key, c.time, c.paused, cues, end);
        EXPECT_FLOAT_EQ(step.time, c.to) << int(c.key) << " at " << c.time;
        EXPECT_EQ(step.paused, c.pausedAfter) << int(c.key) << " at " << c.time;
    }
    // The scene's own cues start at 0, rise, and lie before the end.
    const std::vector<float>& scene = SceneCues();
    EXPECT_TRUE(!scene.empty() && scene.front() == 0.0f && std::is_sorted(scene.begin(), scene.end()) &&
                scene.back() < kSceneEndTime);
}

TEST(Transport, StartTimeOnTheCommandLine)
{
    const struct { std::vector<const char*> args; std::optional<float> start; } cases[] = {
        {{"hollowmere"}, std::nullopt}, {{"hollowmere", "x"}, std::nullopt},
        {{"hollowmere", "--start", "95.5"}, 95.5f}, {{"hollowmere", "--start=12"}, 12.0f},
        {{"hollowmere", "keep", "--start", "0"}, 0.0f}, {{"hollowmere", "--start"}, std::nullopt},
        {{"hollowmere", "--start", "-3"}, std::nullopt}, {{"hollowmere", "--start=12s"}, std::nullopt},
        {{"hollowmere", "--start", "nan"}, std::nullopt}, {{"hollowmere", "--start="}, std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(StartTimeArgument(int(c.args.size()), c.args.data()), c.start) << c.args.back();
}

namespace {

struct ClockPart : Part {
    void Render() override {}
    void Update() override {}
    void Init() override {}
};

}  // namespace

// A key moves the current part's clock and pauses through the controller's own toggle, so a
// controller's button and the keyboard share one pause; each key says where the clock is.
TEST(Transport, KeysMoveTheCurrentPartAndShareTheControllersPause)
{
    TDemo demo;
    ClockPart part;
    AppendPart(demo, &part);
    part.time = 50.0f;
    EXPECT_EQ(Printed([&] { TransportKeyPressed(demo, SDL_SCANCODE_P); }), "Transport - paused at 50.000 s\n");
    EXPECT_TRUE(TransportPaused(demo) && demo.nano_kontrol2.toggle(44) == 2);
    EXPECT_EQ(Printed([&] { TransportKeyPressed(demo, SDL_SCANCODE_PERIOD); }), "Transport - 50.033 s (paused)\n");
    EXPECT_EQ(Printed([&] { TransportKeyPressed(demo, SDL_SCANCODE_PAGEDOWN); }), "Transport - 68.000 s (paused)\n");
    EXPECT_EQ(Printed([&] { TransportKeyPressed(demo, SDL_SCANCODE_A); }), "") << "not a transport key";
    // A press of the controller's button from here (toggle 2 -> 0) resumes, as does P.
    demo.nano_kontrol2.toggles[44].store(0);
    EXPECT_FALSE(TransportPaused(demo));
    EXPECT_EQ(Printed([&] { TransportKeyPressed(demo, SDL_SCANCODE_LEFT); }), "Transport - 67.000 s\n");
    EXPECT_FLOAT_EQ(part.time, 67.0f);
}

// The error rows sit at the bottom of the window, long lines wrapped with an indent, and a
// long list ends in a line that counts the rest.
TEST(ErrorText, RowsAtTheBottomWrappedAndCounted)
{
    EXPECT_TRUE(ErrorTextLayout({}, 1280, 720).empty());
    const std::vector<TErrorTextLine> two = ErrorTextLayout({"shaders2/a.cpp:3: error: one", "shaders2/b.cpp:7: error: two"}, 1280, 720);
    ASSERT_EQ(two.size(), 2u);
    const int last = int(0.99f * 720 / 11) - 1;  // the last overlay row that fits
    EXPECT_TRUE(two[0].line == last - 1 && two[1].line == last && two[1].text == "shaders2/b.cpp:7: error: two");

    const std::string longLine(300, 'x');  // 640 pixels wide: 66 characters a row
    const std::vector<TErrorTextLine> wrapped = ErrorTextLayout({longLine}, 640, 480);
    ASSERT_EQ(wrapped.size(), 5u);
    EXPECT_EQ(wrapped[0].text, std::string(66, 'x'));
    EXPECT_EQ(wrapped[1].text, "    " + std::string(62, 'x'));
    size_t shown = 0;
    for (const TErrorTextLine& row : wrapped) shown += row.text.size() - (&row == &wrapped[0] ? 0 : 4);
    EXPECT_EQ(shown, longLine.size());

    const std::vector<std::string> many(40, "shaders2/c.cpp:1: error: again");
    const std::vector<TErrorTextLine> counted = ErrorTextLayout(many, 1280, 720);
    ASSERT_EQ(counted.size(), size_t(kMaxErrorRows));
    EXPECT_EQ(counted.back().text, "... " + std::to_string(40 - kMaxErrorRows + 1) + " more lines on the console");
    EXPECT_EQ(ErrorTextLayout(many, 320, 60).size(), size_t(int(0.99f * 60 / 11) - 1)) << "a small window: the rows that fit";
}
