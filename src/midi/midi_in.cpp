// MidiIn over RtMidi (ALSA sequencer on Linux, the multimedia API on Windows). The
// driver thread delivers each message packed like a short message of the Windows API.
#include "midi/midi.h"

#include <RtMidi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Driver message kinds, numbered as the Windows multimedia API numbers them.
enum : uint32_t {
    MIM_OPEN = 0x3C1, MIM_CLOSE = 0x3C2, MIM_DATA = 0x3C3, MIM_LONGDATA = 0x3C4,
    MIM_ERROR = 0x3C5, MIM_LONGERROR = 0x3C6, MIM_MOREDATA = 0x3CC,
};

// The driver callback: packs a short message into one word and hands it to the object.
void MidiInProc(double /*timeStamp*/, std::vector<unsigned char>* message, void* instance)
{
    if (!message || message->empty() || message->size() > 4)
        return;  // long (system exclusive) messages are not short messages
    uint32_t packed = 0;
    for (size_t i = 0; i < message->size(); ++i)
        packed |= uint32_t((*message)[i]) << (8 * i);
    static_cast<MidiIn*>(instance)->on_driver_message(MIM_DATA, packed, 0);
}

// RtMidi reports warnings through this callback instead of printing them itself.
void QuietErrors(RtMidiError::Type, const std::string&, void*) {}

}  // namespace

MidiIn::MidiIn() = default;

MidiIn::~MidiIn()
{
    if (handle) {
        auto* in = static_cast<RtMidiIn*>(handle);
        in->cancelCallback();
        in->closePort();
        delete in;
        handle = nullptr;
    }
}

void MidiIn::on_driver_message(uint32_t wMsg, uintptr_t dwParam1, uintptr_t /*dwParam2*/)
{
    switch (wMsg) {
    case MIM_OPEN: printf("wMsg=MIM_OPEN\n"); break;
    case MIM_CLOSE: printf("wMsg=MIM_CLOSE\n"); break;
    case MIM_DATA: {
        const uint8_t status = uint8_t(dwParam1), data1 = uint8_t(dwParam1 >> 8);
        const uint8_t data2 = uint8_t(dwParam1 >> 16), data3 = uint8_t(dwParam1 >> 24);
        on_message(&status, &data1, &data2, &data3);
        break;
    }
    case MIM_LONGDATA: printf("wMsg=MIM_LONGDATA\n"); break;
    case MIM_ERROR: printf("wMsg=MIM_ERROR\n"); break;
    case MIM_LONGERROR: printf("wMsg=MIM_LONGERROR\n"); break;
    case MIM_MOREDATA: printf("wMsg=MIM_MOREDATA\n"); break;
    default: printf("wMsg = unknown\n"); break;
    }
}

void MidiIn::on_message(const uint8_t* status, const uint8_t* data1, const uint8_t* data2, const uint8_t* data3)
{
    printf("MidiIn::on_message() : ch_msg=%02x, data1=%02x, data2=%02x, data3=%02x\n", *status, *data1, *data2,
           *data3);
}

bool MidiIn::start(int device)
{
    std::string error;
    RtMidiIn* in = nullptr;
    try {
        in = new RtMidiIn(RtMidi::UNSPECIFIED, "Hollowmere");
        in->setErrorCallback(QuietErrors, nullptr);
        if (device < 0 || unsigned(device) >= in->getPortCount()) {
            error = "no MIDI input device " + std::to_string(device);
        } else {
            in->openPort(unsigned(device), "Hollowmere input");
            in->ignoreTypes(true, true, true);
            in->setCallback(MidiInProc, this);
            handle = in;
            return true;
        }
    } catch (const RtMidiError& e) {
        // No MIDI subsystem at all (no sequencer device) lands here too.
        error = e.getMessage();
    }
    delete in;
    printf("MidiIn::start() : midiInOpen() failed...err=%s\n", error.c_str());
    return false;
}

void MidiIn::printDeviceNames()
{
    std::vector<std::string> names;
    try {
        RtMidiIn in(RtMidi::UNSPECIFIED, "Hollowmere");
        in.setErrorCallback(QuietErrors, nullptr);
        for (unsigned id = 0; id < in.getPortCount(); ++id)
            names.push_back(in.getPortName(id));
    } catch (const RtMidiError&) {
        // No MIDI subsystem: no devices to list.
    }
    printf("======== MidiIn::printDeviceNames() ========\n");
    for (size_t i = 0; i < names.size(); ++i)
        printf("  idx=%d : %s\n", int(i), names[i].c_str());
}
