// MidiIn over RtMidi (ALSA sequencer on Linux, the multimedia API on Windows). The
// driver thread delivers each message packed like a short message of the Windows API.
#include "midi/midi.h"
#include "midi/ports.h"
#include "platform/quiet_alsa.h"

#include <RtMidi.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>


namespace {

// The device layer the program asks for: a fixed one where the platform has it, so a
// machine without it reports that instead of falling through to another server.
#if defined(__linux__)
constexpr RtMidi::Api kMidiApi = RtMidi::LINUX_ALSA;
#elif defined(_WIN32)
constexpr RtMidi::Api kMidiApi = RtMidi::WINDOWS_MM;
#else
constexpr RtMidi::Api kMidiApi = RtMidi::UNSPECIFIED;
#endif

// RtMidi reports through this callback instead of printing or throwing once it is set;
// the text of the last error on this thread is kept for the failure message.
thread_local std::string t_lastError;

void KeepError(RtMidiError::Type type, const std::string& text, void*)
{
    if (type != RtMidiError::DEBUG_WARNING)
        t_lastError = text;
}

// Creates the RtMidi input with the libraries' own console output silenced: before an
// error callback can be set, RtMidi prints a failure to std::cerr and ALSA prints its
// own line. The failure is reported once, by the caller, with RtMidi's text.
std::unique_ptr<RtMidiIn> OpenMidiIn(std::string& error)
{
    std::streambuf* cerrBuffer = std::cerr.rdbuf(nullptr);
    std::unique_ptr<RtMidiIn> in;
    QuietAlsa quiet;
    try {
        in = std::make_unique<RtMidiIn>(kMidiApi, "Hollowmere");
        in->setErrorCallback(KeepError, nullptr);
    } catch (const RtMidiError& e) {
        // No MIDI subsystem at all (no sequencer device) lands here.
        error = e.getMessage();
        in.reset();
    }
    std::cerr.rdbuf(cerrBuffer);
    return in;
}

std::vector<std::string> PortNames(RtMidiIn& in)
{
    std::vector<std::string> names;
    // The count is read again after every port, as devices may come and go.
    for (unsigned id = 0; id < in.getPortCount(); ++id)
        names.push_back(in.getPortName(id));
    return names;
}

}  // namespace

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
    auto* in = static_cast<RtMidiIn*>(handle);
    in->closePort();  // joins the driver's input thread
    delete in;
    handle = nullptr;
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
    std::unique_ptr<RtMidiIn> in = OpenMidiIn(error);
    if (in) {
        t_lastError.clear();
        // Device ids count the ports that are not through or loop-back ports.
        const int port = DevicePort(PortNames(*in), device);
        if (port < 0) {
            error = "no input device " + std::to_string(device) + " (through and loop-back ports do not count)";
        } else {
            // With the error callback set, RtMidi reports a bad port or a failed open
            // through it and returns with the port closed.
            in->openPort(unsigned(port), "Hollowmere input");
            if (in->isPortOpen()) {
                in->ignoreTypes(true, true, true);
                in->setCallback(MidiInCallback, this);
                handle = in.release();
                return true;
            }
            error = t_lastError.empty() ? "the port did not open" : t_lastError;
        }
    }
    printf("MidiIn::start() : midiInOpen() failed...err=%s\n", error.c_str());
    return false;
}

void MidiIn::printDeviceNames()
{
    std::vector<std::string> names;
    std::string error;
    if (std::unique_ptr<RtMidiIn> in = OpenMidiIn(error))
        names = PortNames(*in);
    PrintDeviceList(names);
}
