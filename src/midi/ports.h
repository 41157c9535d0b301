// Which MIDI input ports count as devices. A sequencer's through port (ALSA's "Midi Through")
// and loop-back drivers only echo what other programs send, so they are left out: device 0
// is the first port that can be a controller, whatever the platform lists before it.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// True for a through or loop-back port, judged by its name as the MIDI backend gives it.
bool IsLoopbackPort(std::string_view name);

// The backend's indices of the ports that are devices, in the backend's order: device k is
// port DevicePorts(names)[k].
std::vector<int> DevicePorts(const std::vector<std::string>& names);

// The backend's index of device `device`; -1 for a negative id. A device past the list gets an
// index past the backend's last port, so that the backend refuses it in its own words.
int DevicePort(const std::vector<std::string>& names, int device);

// The device listing: "======== MidiIn::printDeviceNames() ========", then "  idx=%d : %s" for
// every device (ports left out as above), numbered by device id.
void PrintDeviceList(const std::vector<std::string>& names);
