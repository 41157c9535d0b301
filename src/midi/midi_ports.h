// The device layer under MidiIn: the system's MIDI input ports, by index. Windows uses its
// multimedia API (midiIn...), everywhere else RtMidi over the ALSA sequencer. MidiIn keeps
// the open port as an opaque handle; which index to open is decided above this layer.
#pragma once
#include <string>
#include <vector>

class MidiIn;

// The names of the input ports, in index order; empty without a MIDI system. The count is
// asked again after every port, as ports may come and go meanwhile.
std::vector<std::string> MidiInputNames();

// Opens and starts input port `index`; from then on the driver's messages reach
// target.on_driver_message on the driver's thread (short ones as MIM_DATA with status,
// data1 and data2 in the low bytes of dwParam1). Returns the port's handle, or null with
// the system's reason in `error`.
void* MidiInputOpen(unsigned index, MidiIn& target, std::string& error);

// Stops and closes a port opened above; no message arrives once it returns.
void MidiInputClose(void* handle);
