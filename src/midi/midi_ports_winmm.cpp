// The MIDI input ports through the Windows multimedia API: the devices' names from their
// capabilities, open with a callback function that hands every driver message to the
// MidiIn given as instance data, the error text of a failed open.
#include "midi/midi.h"  // before windows.h, whose MIM_ macros would rename the enumerators
#include "midi/midi_ports.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

void CALLBACK MidiInProc(HMIDIIN, UINT wMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1, DWORD_PTR dwParam2)
{
    reinterpret_cast<MidiIn*>(dwInstance)->on_driver_message(wMsg, dwParam1, dwParam2);
}

}  // namespace

std::vector<std::string> MidiInputNames()
{
    std::vector<std::string> names;
    for (UINT id = 0; id < midiInGetNumDevs(); ++id) {
        MIDIINCAPSA caps{};  // a device that went away meanwhile leaves an empty name
        midiInGetDevCapsA(id, &caps, sizeof caps);
        caps.szPname[sizeof caps.szPname - 1] = '\0';
        names.push_back(caps.szPname);
    }
    return names;
}

void* MidiInputOpen(unsigned index, MidiIn& target, std::string& error)
{
    HMIDIIN handle = nullptr;
    const MMRESULT result = midiInOpen(&handle, index, reinterpret_cast<DWORD_PTR>(MidiInProc),
                                       reinterpret_cast<DWORD_PTR>(&target), CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) {
        char text[256] = {};
        midiInGetErrorTextA(result, text, sizeof text);
        error = text;
        return nullptr;
    }
    midiInStart(handle);
    return handle;
}

void MidiInputClose(void* handle)
{
    midiInStop(static_cast<HMIDIIN>(handle));
    midiInClose(static_cast<HMIDIIN>(handle));
}
