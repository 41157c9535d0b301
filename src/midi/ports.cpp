// The through and loop-back ports are recognised by name: ALSA names its through client
// "Midi Through", and the loop-back drivers people install on Windows and macOS carry
// their product names in every port they make.
#include "midi/ports.h"
#include "platform/names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

// Lower-case name parts that only through and loop-back ports carry.
constexpr std::string_view kLoopbackMarks[] = {
    "midi through",  // ALSA's through client and its ports ("Midi Through Port-0")
    "loopback", "loop-back", "loopmidi", "loopbe", "midi yoke", "iac driver",
};

}  // namespace

bool IsLoopbackPort(std::string_view name)
{
    const std::string lower = AsciiLower(name);
    return std::any_of(std::begin(kLoopbackMarks), std::end(kLoopbackMarks),
                       [&](std::string_view mark) { return lower.find(mark) != std::string::npos; });
}

std::vector<int> DevicePorts(const std::vector<std::string>& names)
{
    std::vector<int> ports;
    for (size_t i = 0; i < names.size(); ++i)
        if (!IsLoopbackPort(names[i]))
            ports.push_back(int(i));
    return ports;
}

int DevicePort(const std::vector<std::string>& names, int device)
{
    if (device < 0)
        return -1;
    const std::vector<int> ports = DevicePorts(names);
    if (size_t(device) < ports.size())
        return ports[size_t(device)];
    return int(names.size() + (size_t(device) - ports.size()));
}

void PrintDeviceList(const std::vector<std::string>& names)
{
    printf("======== MidiIn::printDeviceNames() ========\n");
    const std::vector<int> ports = DevicePorts(names);
    for (size_t i = 0; i < ports.size(); ++i)
        printf("  idx=%d : %s\n", int(i), names[size_t(ports[i])].c_str());
}
