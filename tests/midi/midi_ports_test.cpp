// Which port is device 0, on port lists as the MIDI backends give them: ALSA through RtMidi
// ("client:port client:port") and the Windows multimedia API (device names alone).
#include "midi/ports.h"
#include "platform/test_support.h"

namespace {

const std::string kThrough = "Midi Through:Midi Through Port-0 14:0";
const std::string kNano = "nanoKONTROL2:nanoKONTROL2 nanoKONTROL2 _ CTR 20:0";
const std::string kPads = "Launchpad Mini:Launchpad Mini MIDI 1 24:0";

struct PortCase {
    const char* what;
    std::vector<std::string> names;
    std::vector<int> devicePorts;  // backend index of device 0, 1, ...
    const char* listing;           // the lines after the header
};

}  // namespace

TEST(MidiPorts, DeviceZeroIsTheFirstPortThatIsNotThroughOrLoopBack)
{
    const PortCase cases[] = {
        {"no sequencer", {}, {}, ""},
        {"only the through port", {kThrough}, {}, ""},
        {"through plus a controller", {kThrough, kNano}, {1}, "  idx=0 : nanoKONTROL2:nanoKONTROL2 nanoKONTROL2 _ CTR 20:0\n"},
        {"two controllers", {kThrough, kNano, kPads}, {1, 2},
         "  idx=0 : nanoKONTROL2:nanoKONTROL2 nanoKONTROL2 _ CTR 20:0\n  idx=1 : Launchpad Mini:Launchpad Mini MIDI 1 24:0\n"},
        {"several through ports around a controller",
         {kThrough, "Midi Through:Midi Through Port-1 14:1", kNano, "Midi Through:Midi Through Port-2 14:2"}, {2},
         "  idx=0 : nanoKONTROL2:nanoKONTROL2 nanoKONTROL2 _ CTR 20:0\n"},
        {"Windows, the controller alone", {"nanoKONTROL2"}, {0}, "  idx=0 : nanoKONTROL2\n"},
        {"Windows, loop-back drivers first", {"loopMIDI Port", "LoopBe Internal MIDI", "nanoKONTROL2", "MIDI Yoke:  1"},
         {2}, "  idx=0 : nanoKONTROL2\n"},
        {"macOS bus, then a controller", {"IAC Driver Bus 1", "nanoKONTROL2 SLIDER/KNOB"}, {1},
         "  idx=0 : nanoKONTROL2 SLIDER/KNOB\n"},
    };
    const std::string header = "======== MidiIn::printDeviceNames() ========\n";
    for (const PortCase& c : cases) {
        EXPECT_EQ(DevicePorts(c.names), c.devicePorts) << c.what;
        for (int device = -1; device <= int(c.devicePorts.size()); ++device) {
            // The device just past the list asks for the port just past the backend's last.
            const int expected = device < 0                                   ? -1
                                 : size_t(device) < c.devicePorts.size() ? c.devicePorts[size_t(device)]
                                                                          : int(c.names.size());
            EXPECT_EQ(DevicePort(c.names, device), expected) << c.what << ", device " << device;
        }
        EXPECT_EQ(Printed([&] { PrintDeviceList(c.names); }), header + c.listing) << c.what;
    }
    // Only whole marks count: a controller whose name merely contains "through" or "loop" is a device.
    for (const char* name : {"Looper Pedal:Looper Pedal MIDI 1 28:0", "Walkthrough Synth", "UM-ONE:UM-ONE MIDI 1 20:0"})
        EXPECT_FALSE(IsLoopbackPort(name)) << name;
    for (const char* name : {"MIDI THROUGH PORT-0", "Virtual loopback 2", "loop-back bus"})
        EXPECT_TRUE(IsLoopbackPort(name)) << name;
}
