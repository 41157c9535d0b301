// The nanoKONTROL2 control map: latest value and toggle state per controller number.
#include "midi/midi.h"

#include <cstdio>
#include <mutex>

namespace {
std::mutex g_namesMutex;  // name() may insert from the driver's thread
}

NanoKONTROL2::NanoKONTROL2()
{
    for (int n = 0; n < 100; ++n) {
        values[n].store(0.0f, std::memory_order_relaxed);
        toggles[n].store(0, std::memory_order_relaxed);
    }
    names();  // fills the map on first use
}

NanoKONTROL2::~NanoKONTROL2()
{
    close();
}

std::map<uint8_t, std::string>& NanoKONTROL2::names()
{
    // A function-local map, so a controller built during static initialisation finds it ready.
    static std::map<uint8_t, std::string> map = [] {
        std::map<uint8_t, std::string> m;
        const std::string p = "NANO_KONTROL2_";
        for (int k = 0; k < 8; ++k) {
            const std::string d = std::to_string(k);
            m[uint8_t(NANO_KONTROL2_FADER_0 + k)] = p + "FADER_" + d;
            m[uint8_t(NANO_KONTROL2_ROTARY_KNOB_0 + k)] = p + "ROTARY_KNOB_" + d;
            m[uint8_t(NANO_KONTROL2_BUTTON_0_S + k)] = p + "BUTTON_" + d + "_S";
            m[uint8_t(NANO_KONTROL2_BUTTON_0_M + k)] = p + "BUTTON_" + d + "_M";
            m[uint8_t(NANO_KONTROL2_BUTTON_0_R + k)] = p + "BUTTON_" + d + "_R";
        }
        const struct { NanoKontrol2Control cc; const char* name; } buttons[] = {
            {NANO_KONTROL2_BUTTON_PLAY, "BUTTON_PLAY"}, {NANO_KONTROL2_BUTTON_STOP, "BUTTON_STOP"},
            {NANO_KONTROL2_BUTTON_BACK, "BUTTON_BACK"}, {NANO_KONTROL2_BUTTON_FOWARD, "BUTTON_FOWARD"},
            {NANO_KONTROL2_BUTTON_REC, "BUTTON_REC"}, {NANO_KONTROL2_BUTTON_CYCLE, "BUTTON_CYCLE"},
            {NANO_KONTROL2_BUTTON_TRACK_BACK, "BUTTON_TRACK_BACK"}, {NANO_KONTROL2_BUTTON_TRACK_FOWARD, "BUTTON_TRACK_FOWARD"},
            {NANO_KONTROL2_BUTTON_MARKER_SET, "BUTTON_MARKER_SET"}, {NANO_KONTROL2_BUTTON_MARKER_BACK, "BUTTON_MARKER_BACK"},
            {NANO_KONTROL2_BUTTON_MARKER_FOWARD, "BUTTON_MARKER_FOWARD"},
        };
        for (const auto& b : buttons)
            m[uint8_t(b.cc)] = p + b.name;
        return m;
    }();
    return map;
}

const std::string& NanoKONTROL2::name(uint8_t cc)
{
    std::lock_guard<std::mutex> lock(g_namesMutex);
    return names()[cc];  // map nodes stay put, so the reference outlives the lock
}

void NanoKONTROL2::on_driver_message(uint32_t wMsg, uintptr_t dwParam1, uintptr_t dwParam2)
{
    if (wMsg == MIM_DATA)  // short data only; every other driver message is ignored silently
        MidiIn::on_driver_message(wMsg, dwParam1, dwParam2);
}

void NanoKONTROL2::on_message(const uint8_t*, const uint8_t* data1, const uint8_t* data2, const uint8_t*)
{
    const int n = *data1, v = *data2;
    if (n >= 100)
        return;  // no slot in the tables
    const float value = float(double(v) + 0.0001);
    values[n].store(value, std::memory_order_relaxed);

    int32_t t = toggles[n].load(std::memory_order_relaxed);
    if (t == 0 && value > 0.1f) t = 1;
    if (t == 1 && value < 0.1f) t = 2;
    if (t == 2 && value > 0.1f) t = 0;
    toggles[n].store(t, std::memory_order_relaxed);

    if (n <= 7 || (n >= 16 && n <= 23))
        on_value_changed(n, v);
    else if (v != 0)
        on_press_button(n);
    else
        on_release_button(n);
}

void NanoKONTROL2::on_press_button(int cc)
{
    printf("NanoKONTROL2::on_press_button() : cc=%s\n", name(uint8_t(cc)).c_str());
}

void NanoKONTROL2::on_release_button(int cc)
{
    printf("NanoKONTROL2::on_release_button() : cc=%s\n", name(uint8_t(cc)).c_str());
}

void NanoKONTROL2::on_value_changed(int cc, int value)
{
    printf("%d => %d", cc, value);
}
