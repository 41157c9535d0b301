// MIDI controller input: MidiIn wraps one MIDI input device and turns each short
// message into a call of a virtual handler on the driver's thread; NanoKONTROL2 keeps
// the latest value and a toggle state per controller number.
#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Driver message kinds, numbered as the Windows multimedia API numbers them.
enum : uint32_t {
    MIM_OPEN = 0x3C1, MIM_CLOSE = 0x3C2, MIM_DATA = 0x3C3, MIM_LONGDATA = 0x3C4,
    MIM_ERROR = 0x3C5, MIM_LONGERROR = 0x3C6, MIM_MOREDATA = 0x3CC,
};

// The nanoKONTROL2's control numbers, named as its control map names them. Each range runs
// in step with its names (the rotary knob k is NANO_KONTROL2_ROTARY_KNOB_0 + k).
enum NanoKontrol2Control : int {
    NANO_KONTROL2_FADER_0 = 0, NANO_KONTROL2_FADER_1, NANO_KONTROL2_FADER_2, NANO_KONTROL2_FADER_3,
    NANO_KONTROL2_FADER_4, NANO_KONTROL2_FADER_5, NANO_KONTROL2_FADER_6, NANO_KONTROL2_FADER_7,
    NANO_KONTROL2_ROTARY_KNOB_0 = 16, NANO_KONTROL2_ROTARY_KNOB_1, NANO_KONTROL2_ROTARY_KNOB_2,
    NANO_KONTROL2_ROTARY_KNOB_3, NANO_KONTROL2_ROTARY_KNOB_4, NANO_KONTROL2_ROTARY_KNOB_5,
    NANO_KONTROL2_ROTARY_KNOB_6, NANO_KONTROL2_ROTARY_KNOB_7,
    NANO_KONTROL2_BUTTON_0_S = 32, NANO_KONTROL2_BUTTON_0_M = 48, NANO_KONTROL2_BUTTON_0_R = 64,
    NANO_KONTROL2_BUTTON_PLAY = 41, NANO_KONTROL2_BUTTON_STOP, NANO_KONTROL2_BUTTON_BACK,
    NANO_KONTROL2_BUTTON_FOWARD, NANO_KONTROL2_BUTTON_REC, NANO_KONTROL2_BUTTON_CYCLE,
    NANO_KONTROL2_BUTTON_TRACK_BACK = 58, NANO_KONTROL2_BUTTON_TRACK_FOWARD, NANO_KONTROL2_BUTTON_MARKER_SET,
    NANO_KONTROL2_BUTTON_MARKER_BACK, NANO_KONTROL2_BUTTON_MARKER_FOWARD,
};

class MidiIn {
public:
    MidiIn();
    MidiIn(const MidiIn&) = delete;
    MidiIn& operator=(const MidiIn&) = delete;
    virtual ~MidiIn();  // stops and closes an open device
    // Driver message handler: short messages are unpacked and passed to on_message.
    virtual void on_driver_message(uint32_t wMsg, uintptr_t dwParam1, uintptr_t dwParam2);
    virtual void on_message(const uint8_t* status, const uint8_t* data1, const uint8_t* data2,
                            const uint8_t* data3);

    // Opens and starts input device `device`; prints "MidiIn::start() : midiInOpen() failed...err=%s\n"
    // and returns false when it cannot be opened.
    bool start(int device);
    // Stops and closes the device, if open; no message arrives afterwards.
    void close();
    // Prints "======== MidiIn::printDeviceNames() ========" and one "  idx=%d : %s" line per device.
    static void printDeviceNames();

    void* handle = nullptr;  // the open device, or null
};

// The driver callback: packs a short message (status, data1, data2 in the low bytes)
// as the Windows API does and hands it to the MidiIn at `instance` as MIM_DATA; longer
// messages are not short messages and are dropped.
void MidiInCallback(double timeStamp, std::vector<unsigned char>* message, void* instance);

class NanoKONTROL2 : public MidiIn {
public:
    NanoKONTROL2();
    ~NanoKONTROL2() override;  // closes the device first, so no message meets a half-destroyed object
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

    // The process-wide controller-name map. name() inserts an unknown number with an
    // empty name; it takes a lock, since the driver's thread may look names up too.
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
