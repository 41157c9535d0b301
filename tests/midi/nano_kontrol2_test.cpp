// The nanoKONTROL2 control map: the toggle rule, stored values, dispatch and printing,
// the name map, and messages arriving on another thread while the main thread reads.
#include "midi/midi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace {

// Delivers a control message the way the driver does.
void Send(MidiIn& midi, int cc, int value, int status = 0xB0)
{
    std::vector<unsigned char> bytes{uint8_t(status), uint8_t(cc), uint8_t(value)};
    MidiInCallback(0.0, &bytes, &midi);
}

}  // namespace

// Toggle states after each message of a sequence on one controller; a knob swept through
// 0..127 is on from the first value above 0.1, keeps each value plus 0.0001, and is
// released at 0.
TEST(NanoKONTROL2, ToggleSequences)
{
    const std::pair<int, std::vector<std::pair<int, int32_t>>> cases[] = {  // controller, {value, toggle after it}
        {41, {{127, 1}, {0, 2}, {127, 0}, {0, 0}, {127, 1}}},  // pressed, released, pressed, released, pressed
        {32, {{127, 1}, {127, 1}, {0, 2}, {0, 2}}},            // held through repeats
        {48, {{0, 0}, {0, 0}, {1, 1}}},                        // the first message is a zero
        {0, {{0, 0}, {64, 1}, {0, 2}, {5, 0}, {0, 0}}},        // a fader up and down
    };
    for (const auto& [cc, steps] : cases) {
        MyNanoKONTROL2 nano;
        for (size_t i = 0; i < steps.size(); ++i) {
            Send(nano, cc, steps[i].first);
            EXPECT_EQ(nano.toggle(cc), steps[i].second) << "controller " << cc << ", step " << i;
        }
    }
    MyNanoKONTROL2 nano;
    for (int v = 0; v <= 127; ++v) {
        Send(nano, 17, v);
        ASSERT_EQ(nano.toggle(17), v == 0 ? 0 : 1) << "value " << v;
        ASSERT_FLOAT_EQ(nano.value(17), float(v + 0.0001));
    }
    Send(nano, 17, 0);
    EXPECT_EQ(nano.toggle(17), 2);
}

// Faders and knobs go to the value handler, the rest to press or release by name, under
// any status byte; NanoKONTROL2 prints them, MyNanoKONTROL2 nothing. Values are kept plus
// 0.0001, so a received 0 differs from nothing received. Controller numbers of 100 and
// more, and driver messages other than short data, change nothing and print nothing.
TEST(NanoKONTROL2, DispatchValuesAndIgnoredMessages)
{
    const struct {
        int cc, value, status;
        const char* printed;
    } cases[] = {
        {5, 0, 0xB0, "5 => 0"}, {6, 64, 0x90, "6 => 64"}, {23, 127, 0xE3, "23 => 127"}, {16, 1, 0xB0, "16 => 1"},
        {41, 127, 0xB0, "NanoKONTROL2::on_press_button() : cc=NANO_KONTROL2_BUTTON_PLAY\n"},
        {41, 0, 0xB0, "NanoKONTROL2::on_release_button() : cc=NANO_KONTROL2_BUTTON_PLAY\n"},
        {71, 1, 0xB0, "NanoKONTROL2::on_press_button() : cc=NANO_KONTROL2_BUTTON_7_R\n"},
        {8, 3, 0xB0, "NanoKONTROL2::on_press_button() : cc=\n"},
        {99, 0, 0xB0, "NanoKONTROL2::on_release_button() : cc=\n"},
    };
    NanoKONTROL2 nano;
    MyNanoKONTROL2 quiet;
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        Send(nano, c.cc, c.value, c.status);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.cc;
        testing::internal::CaptureStdout();
        Send(quiet, c.cc, c.value, c.status);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << c.cc;
        EXPECT_TRUE(nano.value(c.cc) == quiet.value(c.cc) && std::abs(quiet.value(c.cc) - c.value - 0.0001) < 1e-5);
    }
    testing::internal::CaptureStdout();
    for (int n = 100; n < 128; ++n) Send(nano, n, 127), Send(quiet, n, 127);
    for (uint32_t wMsg : {+MIM_OPEN, +MIM_CLOSE, +MIM_LONGDATA, +MIM_ERROR, +MIM_LONGERROR, +MIM_MOREDATA, 0u})
        nano.on_driver_message(wMsg, 0x007F2A00, 0), quiet.on_driver_message(wMsg, 0x007F2A00, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    for (int n = 0; n < 100; ++n) {
        const bool sent = std::any_of(std::begin(cases), std::end(cases), [&](const auto& c) { return c.cc == n; });
        EXPECT_TRUE(sent || (nano.value(n) == 0.0f && quiet.value(n) == 0.0f && quiet.toggle(n) == 0)) << n;
    }
}

// Named: 8 controls in each of five ranges 16 apart and 11 transport buttons; an unknown
// number is added with an empty name.
TEST(NanoKONTROL2, NameMap)
{
    const std::pair<int, const char*> cases[] = {
        {0, "FADER_0"}, {23, "ROTARY_KNOB_7"}, {32, "BUTTON_0_S"}, {53, "BUTTON_5_M"}, {71, "BUTTON_7_R"},
        {41, "BUTTON_PLAY"}, {42, "BUTTON_STOP"}, {43, "BUTTON_BACK"}, {44, "BUTTON_FOWARD"}, {45, "BUTTON_REC"},
        {46, "BUTTON_CYCLE"}, {58, "BUTTON_TRACK_BACK"}, {59, "BUTTON_TRACK_FOWARD"}, {60, "BUTTON_MARKER_SET"},
        {61, "BUTTON_MARKER_BACK"}, {62, "BUTTON_MARKER_FOWARD"}};
    MyNanoKONTROL2 nano;  // the first controller fills the map
    for (const auto& [cc, name] : cases) EXPECT_EQ(NanoKONTROL2::name(uint8_t(cc)), std::string("NANO_KONTROL2_") + name);
    EXPECT_EQ(NanoKONTROL2::names().count(40), 0u);
    EXPECT_EQ(NanoKONTROL2::name(40), "");
    EXPECT_EQ(NanoKONTROL2::names().count(40), 1u);
    for (int n = 0; n < 100; ++n)
        EXPECT_EQ(NanoKONTROL2::name(uint8_t(n)).empty(), !((n % 16 < 8 && n < 72) || (n >= 41 && n <= 46) || (n >= 58 && n <= 62))) << n;
}

// The driver's thread writes while the main thread reads: every value read is whole
// (one that was sent), and the tables end with the last message of each controller.
TEST(NanoKONTROL2, MessagesFromAnotherThread)
{
    MyNanoKONTROL2 nano;
    std::atomic<bool> reading{false}, done{false};
    std::thread driver([&] {
        while (!reading.load()) std::this_thread::yield();
        for (int round = 0; round < 200; ++round)
            for (int n = 0; n < 100; ++n) Send(nano, n, round % 2 ? 127 - round : round);
        for (int n = 0; n < 100; ++n) Send(nano, n, n);
        done.store(true);
    });
    size_t reads = 0, torn = 0;
    reading.store(true);
    do {
        for (int n = 0; n < 100; ++n, ++reads) {
            const double v = nano.value(n) - 0.0001;
            const int32_t t = nano.toggle(n);
            torn += std::abs(v - std::round(v)) > 1e-3 || t < 0 || t > 2;
        }
    } while (!done.load());
    driver.join();
    EXPECT_GT(reads, 0u);
    EXPECT_EQ(torn, 0u);
    for (int n = 0; n < 100; ++n) EXPECT_FLOAT_EQ(nano.value(n), float(n + 0.0001)) << n;
}
