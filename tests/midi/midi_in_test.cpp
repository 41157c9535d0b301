// MidiIn: the failure path without a MIDI subsystem, the driver message handler and the
// driver callback's packing of short messages.
#include "midi/midi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

// An empty ALSA configuration: there is no sequencer to open, whatever the machine has.
void NoMidiSubsystem()
{
#if defined(__linux__)
    const std::string conf = std::string(HOLLOWMERE_BINARY_DIR) + "/midi_in_test_empty_alsa.conf";
    std::ofstream(conf).close();
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
#endif
}

}  // namespace

// The listing prints its header and no device, the open fails with RtMidi's text, the
// libraries print nothing of their own, and the object stays usable and closed.
TEST(MidiIn, WithoutMidiSubsystemListsNothingAndFailsToOpen)
{
    NoMidiSubsystem();
    MidiIn midi;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    MidiIn::printDeviceNames();
    const bool opened = midi.start(0);
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(opened);
    EXPECT_EQ(midi.handle, nullptr);
    const std::string header = "======== MidiIn::printDeviceNames() ========\n";
    const std::string failure = "MidiIn::start() : midiInOpen() failed...err=";
    ASSERT_EQ(out.substr(0, header.size() + failure.size()), header + failure) << out;
    const std::string text = out.substr(header.size() + failure.size());
    EXPECT_GT(text.size(), 1u) << "the failure carries the error text";
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line: " << out;
    EXPECT_EQ(err, "");
    midi.close();  // closing a closed device does nothing
    EXPECT_EQ(midi.handle, nullptr);
}

// Every driver message kind prints its line; short data is unpacked into four bytes.
TEST(MidiIn, DriverMessagesAndOnMessage)
{
    const struct {
        uint32_t wMsg;
        uintptr_t param1;
        const char* printed;
    } cases[] = {
        {MIM_OPEN, 0, "wMsg=MIM_OPEN\n"},
        {MIM_CLOSE, 0, "wMsg=MIM_CLOSE\n"},
        {MIM_DATA, 0x007F3C90, "MidiIn::on_message() : ch_msg=90, data1=3c, data2=7f, data3=00\n"},
        {MIM_DATA, 0xA1B2C3D4, "MidiIn::on_message() : ch_msg=d4, data1=c3, data2=b2, data3=a1\n"},
        {MIM_LONGDATA, 0, "wMsg=MIM_LONGDATA\n"},
        {MIM_ERROR, 0, "wMsg=MIM_ERROR\n"},
        {MIM_LONGERROR, 0, "wMsg=MIM_LONGERROR\n"},
        {MIM_MOREDATA, 0, "wMsg=MIM_MOREDATA\n"},
        {0x3C7, 0, "wMsg = unknown\n"},
        {0, 0, "wMsg = unknown\n"},
    };
    MidiIn midi;
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        midi.on_driver_message(c.wMsg, c.param1, 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << std::hex << c.wMsg;
    }
}

// The driver callback hands one-, two- and three-byte messages on as short data and
// drops anything else.
TEST(MidiIn, CallbackPacksShortMessages)
{
    const struct {
        std::vector<unsigned char> bytes;
        const char* printed;
    } cases[] = {
        {{0x90, 0x3C, 0x7F}, "MidiIn::on_message() : ch_msg=90, data1=3c, data2=7f, data3=00\n"},
        {{0xC5, 0x11}, "MidiIn::on_message() : ch_msg=c5, data1=11, data2=00, data3=00\n"},
        {{0xF8}, "MidiIn::on_message() : ch_msg=f8, data1=00, data2=00, data3=00\n"},
        {{}, ""},
        {{0xF0, 0x42, 0x40, 0x00, 0x01, 0xF7}, ""},
        {{0xB0, 0x29, 0x7F, 0x00}, ""},
    };
    MidiIn midi;
    for (auto c : cases) {
        testing::internal::CaptureStdout();
        MidiInCallback(0.0, &c.bytes, &midi);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.bytes.size() << " bytes";
    }
    testing::internal::CaptureStdout();
    MidiInCallback(0.0, nullptr, &midi);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
