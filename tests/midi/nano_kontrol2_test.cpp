// The nanoKONTROL2 control map: stored values, the toggle rule, dispatch and printing,
// the name map, and messages arriving on another thread while the main thread reads.
#include "midi/midi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace {

// Delivers a control message the way the driver does.
void Send(MidiIn& midi, int cc, int value, uint8_t status = 0xB0)
{
    std::vector<unsigned char> bytes{status, uint8_t(cc), uint8_t(value)};
    MidiInCallback(0.0, &bytes, &midi);
}

}  // namespace

// Toggle states after each message of a sequence on one controller; a knob swept through
// 0..127 turns on at the first value above 0.1, stores each value plus 0.0001, and is
// released at 0.
TEST(NanoKONTROL2, ToggleSequences)
{
    const struct {
        const char* what;
        int cc;
        std::vector<std::pair<int, int32_t>> steps;  // value sent, toggle expected after it
    } cases[] = {
        {"play pressed, released, pressed, released, pressed", 41, {{127, 1}, {0, 2}, {127, 0}, {0, 0}, {127, 1}}},
        {"button held through repeats", 32, {{127, 1}, {127, 1}, {0, 2}, {0, 2}}},
        {"first message is a zero", 48, {{0, 0}, {0, 0}, {1, 1}}},
        {"fader up and down", 0, {{0, 0}, {64, 1}, {0, 2}, {5, 0}, {0, 0}}},
    };
    for (const auto& c : cases) {
        MyNanoKONTROL2 nano;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            Send(nano, c.cc, c.steps[i].first);
            EXPECT_EQ(nano.toggle(c.cc), c.steps[i].second) << c.what << ", after step " << i;
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

// A received 0 differs from nothing received, any status byte counts, and controller
// numbers of 100 and more leave every slot alone and print nothing.
TEST(NanoKONTROL2, ValuesAndIgnoredNumbers)
{
    MyNanoKONTROL2 nano;
    NanoKONTROL2 printing;
    Send(nano, 5, 0);
    Send(nano, 6, 64, 0x90);
    Send(nano, 99, 127, 0xE3);
    testing::internal::CaptureStdout();
    for (int n = 100; n <= 127; ++n) {
        Send(nano, n, 127);
        Send(printing, n, 127);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    for (int n = 0; n < 100; ++n) {
        const float sent = n == 5 ? 0.0001f : n == 6 ? 64.0001f : n == 99 ? 127.0001f : 0.0f;
        EXPECT_FLOAT_EQ(nano.value(n), sent) << n;
        EXPECT_EQ(nano.toggle(n), n == 6 || n == 99 ? 1 : 0) << n;
        EXPECT_EQ(printing.value(n), 0.0f) << n;
    }
}

// Faders and knobs go to the value handler, everything else to press or release, by the
// controller's name; other driver messages are ignored. NanoKONTROL2 prints them,
// MyNanoKONTROL2 prints nothing at all.
TEST(NanoKONTROL2, DispatchAndPrinting)
{
    const struct {
        int cc, value;
        const char* printed;
    } cases[] = {
        {5, 64, "5 => 64"}, {0, 0, "0 => 0"}, {23, 127, "23 => 127"}, {16, 1, "16 => 1"},
        {41, 127, "NanoKONTROL2::on_press_button() : cc=NANO_KONTROL2_BUTTON_PLAY\n"},
        {41, 0, "NanoKONTROL2::on_release_button() : cc=NANO_KONTROL2_BUTTON_PLAY\n"},
        {8, 3, "NanoKONTROL2::on_press_button() : cc=\n"},
        {24, 0, "NanoKONTROL2::on_release_button() : cc=\n"},
        {71, 1, "NanoKONTROL2::on_press_button() : cc=NANO_KONTROL2_BUTTON_7_R\n"},
    };
    NanoKONTROL2 nano;
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        Send(nano, c.cc, c.value);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.cc;
    }
    MyNanoKONTROL2 quiet;
    testing::internal::CaptureStdout();
    for (uint32_t wMsg : {+MIM_OPEN, +MIM_CLOSE, +MIM_LONGDATA, +MIM_ERROR, +MIM_LONGERROR, +MIM_MOREDATA, 0u})
        nano.on_driver_message(wMsg, 0x007F2A00, 0);
    for (int n = 0; n < 128; ++n)
        for (int v : {127, 0, 64})
            Send(quiet, n, v);
    quiet.on_driver_message(MIM_OPEN, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(nano.value(42), 0.0f);
}

// 40 controls, 8 in each of five ranges, and 11 transport buttons are named; an unknown
// number is added with an empty name.
TEST(NanoKONTROL2, NameMap)
{
    const std::pair<int, const char*> cases[] = {
        {0, "NANO_KONTROL2_FADER_0"}, {23, "NANO_KONTROL2_ROTARY_KNOB_7"}, {32, "NANO_KONTROL2_BUTTON_0_S"},
        {53, "NANO_KONTROL2_BUTTON_5_M"}, {71, "NANO_KONTROL2_BUTTON_7_R"}, {41, "NANO_KONTROL2_BUTTON_PLAY"},
        {42, "NANO_KONTROL2_BUTTON_STOP"}, {43, "NANO_KONTROL2_BUTTON_BACK"}, {44, "NANO_KONTROL2_BUTTON_FOWARD"},
        {45, "NANO_KONTROL2_BUTTON_REC"}, {46, "NANO_KONTROL2_BUTTON_CYCLE"}, {58, "NANO_KONTROL2_BUTTON_TRACK_BACK"},
        {59, "NANO_KONTROL2_BUTTON_TRACK_FOWARD"}, {60, "NANO_KONTROL2_BUTTON_MARKER_SET"},
        {61, "NANO_KONTROL2_BUTTON_MARKER_BACK"}, {62, "NANO_KONTROL2_BUTTON_MARKER_FOWARD"},
    };
    MyNanoKONTROL2 nano;  // the first controller fills the map
    for (const auto& [cc, name] : cases)
        EXPECT_EQ(NanoKONTROL2::name(uint8_t(cc)), name) << cc;
    EXPECT_EQ(NanoKONTROL2::names().count(40), 0u);
    EXPECT_EQ(NanoKONTROL2::name(40), "");
    EXPECT_EQ(NanoKONTROL2::names().count(40), 1u);
    for (int n = 0; n < 100; ++n) {
        const bool named = (n % 16 < 8 && n < 72) || (n >= 41 && n <= 46) || (n >= 58 && n <= 62);
        EXPECT_EQ(!NanoKONTROL2::name(uint8_t(n)).empty(), named) << n;
    }
}

// The driver's thread writes while the main thread reads: every value read is whole
// (one that was sent), and the tables end with the last message of each controller.
TEST(NanoKONTROL2, MessagesFromAnotherThread)
{
    MyNanoKONTROL2 nano;
    std::atomic<bool> reading{false}, done{false};
    std::thread driver([&] {
        while (!reading.load())
            std::this_thread::yield();
        for (int round = 0; round < 200; ++round)
            for (int n = 0; n < 100; ++n)
                Send(nano, n, round % 2 ? 127 - round : round);
        for (int n = 0; n < 100; ++n)
            Send(nano, n, n);
        done.store(true);
    });
    size_t reads = 0, torn = 0;
    reading.store(true);
    do {
        for (int n = 0; n < 100; ++n, ++reads) {
            const float v = nano.value(n);
            const int32_t t = nano.toggle(n);
            torn += (v != 0.0f && std::abs(v - 0.0001 - std::round(v - 0.0001)) > 1e-3) || t < 0 || t > 2;
        }
    } while (!done.load());
    driver.join();
    EXPECT_GT(reads, 0u);
    EXPECT_EQ(torn, 0u);
    for (int n = 0; n < 100; ++n)
        EXPECT_FLOAT_EQ(nano.value(n), float(n + 0.0001)) << n;
}
