// MIDI controller input: MidiIn wraps one MIDI input device and turns each short
// message into a call of a virtual handler on the driver's thread; NanoKONTROL2 keeps
// the latest value and a toggle state per controller number.
#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <string>

class MidiIn {
public:
    MidiIn();
    virtual ~MidiIn();  // stops and closes an open device
    // Driver message handler: short messages are unpacked and passed to on_message.
    virtual void on_driver_message(uint32_t wMsg, uintptr_t dwParam1, uintptr_t dwParam2);
    virtual void on_message(const uint8_t* status, const uint8_t* data1, const uint8_t* data2,
                            const uint8_t* data3);

    // Opens and starts input device `device`; prints "MidiIn::start() : midiInOpen() failed...err=%s\n"
    // and returns false when it cannot be opened.
    bool start(int device);
    static void printDeviceNames();

    void* handle = nullptr;  // the open device, or null
};

class NanoKONTROL2 : public MidiIn {
public:
    NanoKONTROL2();
    void on_driver_message(uint32_t wMsg, uintptr_t dwParam1, uintptr_t dwParam2) override;
    void on_message(const uint8_t* status, const uint8_t* data1, const uint8_t* data2,
                    const uint8_t* data3) override;
    virtual void on_press_button(int cc);
    virtual void on_release_button(int cc);
    virtual void on_value_changed(int cc, int value);

    // Written by the driver's thread, read by the main thread; relaxed 32-bit atomics.
    std::atomic<float> values[100];    // 7-bit value + 0.0001; 0 = never received
    std::atomic<int32_t> toggles[100]; // 0 off, 1 on and held, 2 on and released

    float value(int n) const { return values[n].load(std::memory_order_relaxed); }
    int32_t toggle(int n) const { return toggles[n].load(std::memory_order_relaxed); }

    // The process-wide controller-name map; an unknown number is inserted with an empty name.
    static std::map<uint8_t, std::string>& names();
    static const std::string& name(uint8_t cc);
};

// The program's own controller: silences the three handlers.
class MyNanoKONTROL2 : public NanoKONTROL2 {
public:
    void on_press_button(int) override {}
    void on_release_button(int) override {}
    void on_value_changed(int, int) override {}
};
