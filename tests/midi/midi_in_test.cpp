// MidiIn: the failure path without a MIDI subsystem, the driver message handler and the
// driver callback's packing of short messages.
#include "midi/midi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

// The listing prints its header and no device, the open fails with RtMidi's text on one
// line, the libraries print nothing of their own, and the object stays usable and closed.
TEST(MidiIn, WithoutMidiSubsystemListsNothingAndFailsToOpen)
{
#if defined(__linux__)
    // An empty ALSA configuration: there is no sequencer to open, whatever the machine has.
    const std::string conf = std::string(HOLLOWMERE_BINARY_DIR) + "/midi_in_test_empty_alsa.conf";
    std::ofstream(conf).close();
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
#endif
    MidiIn midi;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    MidiIn::printDeviceNames();
    EXPECT_FALSE(midi.start(0));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string start = "======== MidiIn::printDeviceNames() ========\nMidiIn::start() : midiInOpen() failed...err=";
    ASSERT_EQ(out.rfind(start, 0), 0u) << out;
    EXPECT_GT(out.size(), start.size() + 1) << "the failure carries the error text";
    EXPECT_EQ(out.find('\n', start.size()), out.size() - 1) << "one line: " << out;
    midi.close();  // closing a closed device does nothing
    EXPECT_EQ(midi.handle, nullptr);
}

// Every driver message kind prints its line; short data, given to the handler or packed
// by the driver callback from one to three bytes, is unpacked into four bytes; longer
// messages are not short data and are dropped.
TEST(MidiIn, DriverMessagesAndCallback)
{
    const std::string on = "MidiIn::on_message() : ch_msg=";
    const std::pair<uint32_t, std::string> messages[] = {
        {MIM_OPEN, "wMsg=MIM_OPEN"}, {MIM_CLOSE, "wMsg=MIM_CLOSE"}, {MIM_LONGDATA, "wMsg=MIM_LONGDATA"},
        {MIM_ERROR, "wMsg=MIM_ERROR"}, {MIM_LONGERROR, "wMsg=MIM_LONGERROR"}, {MIM_MOREDATA, "wMsg=MIM_MOREDATA"},
        {0x3C7, "wMsg = unknown"}, {0, "wMsg = unknown"}, {MIM_DATA, on + "d4, data1=c3, data2=b2, data3=a1"}};
    const std::pair<std::vector<unsigned char>, std::string> packed[] = {  // "": nothing printed
        {{0x90, 0x3C, 0x7F}, on + "90, data1=3c, data2=7f, data3=00"}, {{0xC5, 0x11}, on + "c5, data1=11, data2=00, data3=00"},
        {{0xF8}, on + "f8, data1=00, data2=00, data3=00"}, {{}, ""}, {{0xF0, 0x42, 0x40, 0x00, 0x01, 0xF7}, ""},
        {{0xB0, 0x29, 0x7F, 0x00}, ""}};
    MidiIn midi;
    for (const auto& [wMsg, printed] : messages) {
        testing::internal::CaptureStdout();
        midi.on_driver_message(wMsg, 0xA1B2C3D4, 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), printed + "\n") << std::hex << wMsg;
    }
    for (auto [bytes, printed] : packed) {
        testing::internal::CaptureStdout();
        MidiInCallback(0.0, &bytes, &midi);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), printed.empty() ? "" : printed + "\n") << bytes.size() << " bytes";
    }
    testing::internal::CaptureStdout();
    MidiInCallback(0.0, nullptr, &midi);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
