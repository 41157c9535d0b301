// Support for the runtime tests: no MIDI subsystem, and sine-tone MP3s piped through the lame encoder, so no binary audio lives in the repository.
#pragma once
#include "support/scratch.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// An empty ALSA configuration in `dir`: no MIDI sequencer to open, whatever the machine has.
inline void NoMidiSubsystem(const std::string& dir)
{
    std::ofstream(dir + "/empty_alsa.conf").close();
    setenv("ALSA_CONFIG_PATH", (dir + "/empty_alsa.conf").c_str(), 1);
}

// Left channel at leftHz, right at rightHz (a mono file carries the left tone), half
// amplitude, 192 kbit/s keeping the given sample rate. True on success.
inline bool MakeToneMp3(const std::string& path, int rate, int channels, double seconds, double leftHz, double rightHz)
{
    std::vector<int16_t> pcm;
    for (size_t i = 0; i < size_t(seconds * rate); ++i)
        for (int c = 0; c < channels; ++c)
            pcm.push_back(int16_t(std::lrint(16384.0 * std::sin(2 * M_PI * (c ? rightHz : leftHz) * double(i) / rate))));
    const std::string khz = std::to_string(rate / 1000.0);
    FILE* lame = popen(("lame --quiet -r --signed --bitwidth 16 --little-endian -s " + khz + " --resample " + khz + " -m " +
                        (channels == 1 ? "m" : "s") + " -b 192 - '" + path + "' 2>/dev/null").c_str(), "w");
    const bool fed = lame && std::fwrite(pcm.data(), sizeof(int16_t), pcm.size(), lame) == pcm.size();
    return lame && pclose(lame) == 0 && fed && std::filesystem::exists(path);
}
