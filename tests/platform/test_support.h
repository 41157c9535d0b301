// Support for the runtime tests: scratch directories, no MIDI subsystem, captured output,
// and sine-tone MP3s piped through the lame encoder, so no binary audio lives in the repository.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// A fresh scratch directory for one test binary under the build tree.
inline std::string ScratchDir(const std::string& name)
{
    const std::filesystem::path dir = std::filesystem::path(HOLLOWMERE_BINARY_DIR) / "test-scratch" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

// An empty ALSA configuration in `dir`: no MIDI sequencer to open, whatever the machine has.
inline void NoMidiSubsystem(const std::string& dir)
{
    std::ofstream(dir + "/empty_alsa.conf").close();
    setenv("ALSA_CONFIG_PATH", (dir + "/empty_alsa.conf").c_str(), 1);
}

// What `run` prints on stdout.
template <class F>
std::string Printed(F run)
{
    testing::internal::CaptureStdout();
    run();
    return testing::internal::GetCapturedStdout();
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
