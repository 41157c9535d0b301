// The MIDI input ports through RtMidi (the ALSA sequencer on Linux). RtMidi's driver thread
// calls MidiInCallback, which packs each message like a short message of the Windows API.
#include "midi/midi.h"
#include "midi/midi_ports.h"
#include "platform/quiet_alsa.h"

#include <RtMidi.h>

#include <iostream>
#include <memory>

namespace {

// The device layer the program asks for: a fixed one where the platform has it, so a
// machine without it reports that instead of falling through to another server.
#if defined(__linux__)
constexpr RtMidi::Api kMidiApi = RtMidi::LINUX_ALSA;
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

}  // namespace

std::vector<std::string> MidiInputNames()
{
    std::vector<std::string> names;
    std::string error;
    if (std::unique_ptr<RtMidiIn> in = OpenMidiIn(error)) {
        for (unsigned id = 0; id < in->getPortCount(); ++id)
            names.push_back(in->getPortName(id));
    }
    return names;
}

void* MidiInputOpen(unsigned index, MidiIn& target, std::string& error)
{
    std::unique_ptr<RtMidiIn> in = OpenMidiIn(error);
    if (!in)
        return nullptr;
    t_lastError.clear();
    // With the error callback set, RtMidi reports a bad port or a failed open through it
    // and returns with the port closed.
    in->openPort(index, "Hollowmere input");
    if (!in->isPortOpen()) {
        error = t_lastError.empty() ? "the port did not open" : t_lastError;
        return nullptr;
    }
    in->ignoreTypes(true, true, true);
    in->setCallback(MidiInCallback, &target);
    return in.release();
}

void MidiInputClose(void* handle)
{
    auto* in = static_cast<RtMidiIn*>(handle);
    in->closePort();  // joins the driver's input thread
    delete in;
}
