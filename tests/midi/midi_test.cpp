// MIDI input: MidiIn's handler and callback (the start-up's test opens it without a MIDI
// subsystem); the nanoKONTROL2 control map, with messages arriving on another thread while the
// main thread reads.
#include "midi/midi.h"
#include "platform/test_support.h"

#include <atomic>
#include <thread>

// Delivers a control message the way the driver does.
static void Send(MidiIn& midi, int cc, int value, int status = 0xB0)
{
    std::vector<unsigned char> bytes{uint8_t(status), uint8_t(cc), uint8_t(value)};
    MidiInCallback(0.0, &bytes, &midi);
}

// Short data is unpacked into four bytes, given to the handler or packed by the driver
// callback from one to three bytes; longer messages are dropped.
TEST(MidiIn, ShortMessagesAndCallback)
{
    const std::string on = "MidiIn::on_message() : ch_msg=";
    const std::pair<std::vector<unsigned char>, std::string> packed[] = {  // "": nothing printed
        {{0x90, 0x3C, 0x7F}, on + "90, data1=3c, data2=7f, data3=00\n"}, {{0xC5, 0x11}, on + "c5, data1=11, data2=00, data3=00\n"},
        {{0xF8}, on + "f8, data1=00, data2=00, data3=00\n"}, {{}, ""}, {{0xB0, 0x29, 0x7F, 0x00}, ""}};
    MidiIn midi;
    for (auto c : packed) EXPECT_EQ(Printed([&] { MidiInCallback(0.0, &c.first, &midi); }), c.second) << c.first.size();
    EXPECT_EQ(Printed([&] { MidiInCallback(0.0, nullptr, &midi), midi.on_driver_message(MIM_DATA, 0xA1B2C3D4, 0); }),
              on + "d4, data1=c3, data2=b2, data3=a1\n");
}

// Toggle state and value (plus 0.0001, so a received 0 differs from nothing) after each
// message of a sequence on one controller.
TEST(NanoKONTROL2, ToggleSequencesAndValues)
{
    const std::pair<int, std::vector<std::pair<int, int32_t>>> cases[] = {  // {value sent, toggle after it}
        {41, {{127, 1}, {0, 2}, {127, 0}, {0, 0}, {127, 1}}},  // pressed, released, pressed, released, pressed
        {32, {{127, 1}, {127, 1}, {0, 2}, {0, 2}}},            // held through repeats
        {48, {{0, 0}, {0, 0}, {1, 1}}},                        // the first message is a zero
        {0, {{0, 0}, {64, 1}, {0, 2}, {5, 0}, {0, 0}}},        // a fader up and down
        {17, {{1, 1}, {126, 1}, {127, 1}, {0, 2}}},            // a knob's smallest and largest steps
    };
    for (const auto& [cc, steps] : cases) {
        MyNanoKONTROL2 nano;
        for (size_t i = 0; i < steps.size(); ++i) {
            Send(nano, cc, steps[i].first);
            EXPECT_EQ(nano.toggle(cc), steps[i].second) << "controller " << cc << ", step " << i;
            EXPECT_FLOAT_EQ(nano.value(cc), float(steps[i].first + 0.0001)) << "controller " << cc << ", step " << i;
        }
    }
}

// Faders and knobs go to the value handler, the rest to press or release, under any status;
// MyNanoKONTROL2 prints nothing; numbers of 100 and more and other driver messages are ignored.
TEST(NanoKONTROL2, DispatchPrintingAndIgnoredMessages)
{
    const std::string press = "NanoKONTROL2::on_press_button() : cc=", release = "NanoKONTROL2::on_release_button() : cc=";
    const struct { int cc, value, status; std::string printed; } cases[] = {
        {5, 0, 0xB0, "5 => 0"}, {6, 64, 0x90, "6 => 64"}, {23, 127, 0xE3, "23 => 127"}, {16, 1, 0xB0, "16 => 1"},
        {41, 127, 0xB0, press + "NANO_KONTROL2_BUTTON_PLAY\n"}, {41, 0, 0xB0, release + "NANO_KONTROL2_BUTTON_PLAY\n"},
        {71, 1, 0xB0, press + "NANO_KONTROL2_BUTTON_7_R\n"}, {8, 3, 0xB0, press + "\n"}, {99, 0, 0xB0, release + "\n"}};
    NanoKONTROL2 nano;
    MyNanoKONTROL2 quiet;
    for (const auto& c : cases) {
        EXPECT_EQ(Printed([&] { Send(nano, c.cc, c.value, c.status); }), c.printed) << c.cc;
        EXPECT_EQ(Printed([&] { Send(quiet, c.cc, c.value, c.status); }), "") << c.cc;
        EXPECT_TRUE(nano.value(c.cc) > 0 && nano.value(c.cc) == quiet.value(c.cc)) << c.cc;
    }
    MyNanoKONTROL2 fresh;
    EXPECT_EQ(Printed([&] {
                  for (int n = 100; n < 128; ++n) Send(nano, n, 127), Send(fresh, n, 127);
                  for (uint32_t wMsg : {+MIM_OPEN, +MIM_CLOSE, +MIM_LONGDATA, +MIM_ERROR, +MIM_LONGERROR, +MIM_MOREDATA, 0u})
                      nano.on_driver_message(wMsg, 0x007F2A00, 0), fresh.on_driver_message(wMsg, 0x007F2A00, 0);
              }), "");
    for (int n = 0; n < 100; ++n) EXPECT_TRUE(fresh.value(n) == 0.0f && fresh.toggle(n) == 0) << n;
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
    EXPECT_TRUE(NanoKONTROL2::names().count(40) == 0 && NanoKONTROL2::name(40).empty() && NanoKONTROL2::names().count(40) == 1);
    for (int n = 0; n < 100; ++n)
        EXPECT_NE(NanoKONTROL2::name(uint8_t(n)).empty(), (n % 16 < 8 && n < 72) || (n >= 41 && n <= 46) || (n >= 58 && n <= 62)) << n;
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
    EXPECT_TRUE(reads > 0 && torn == 0) << torn << " of " << reads;
    for (int n = 0; n < 100; ++n) EXPECT_FLOAT_EQ(nano.value(n), float(n + 0.0001)) << n;
}
