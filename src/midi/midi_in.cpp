// MidiIn over the port layer of midi_ports.h: opening, closing, the device listing and the
// unpacking of short messages, the same on every system.
#include "midi/midi.h"
#include "midi/midi_ports.h"
#include "midi/ports.h"

#include <cstdio>
#include <string>
#include <vector>

void MidiInCallback(double /*timeStamp*/, std::vector<unsigned char>* message, void* instance)
{
    if (!message || message->empty() || message->size() > 3)
        return;  // long (system exclusive) messages are not short messages
    uint32_t packed = 0;
    for (size_t i = 0; i < message->size(); ++i)
        packed |= uint32_t((*message)[i]) << (8 * i);
    static_cast<MidiIn*>(instance)->on_driver_message(MIM_DATA, packed, 0);
}

MidiIn::MidiIn() = default;

MidiIn::~MidiIn()
{
    close();
}

void MidiIn::close()
{
    if (!handle)
        return;
    void* open = handle;
    handle = nullptr;
    MidiInputClose(open);
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
    close();  // a second start replaces the first device
    std::string error;
    // Device ids count the ports that are not through or loop-back ports.
    const int port = DevicePort(MidiInputNames(), device);
    if (port < 0)
        error = "invalid device id " + std::to_string(device);
    else
        handle = MidiInputOpen(unsigned(port), *this, error);
    if (handle)
        return true;
    printf("MidiIn::start() : midiInOpen() failed...err=%s\n", error.c_str());
    return false;
}

void MidiIn::printDeviceNames()
{
    PrintDeviceList(MidiInputNames());
}
