// Test sound files: a few seconds of sine tones written as a WAV file and encoded to MP3
// with the lame encoder, so no binary audio lives in the repository.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// Left channel at leftHz, right at rightHz (a mono file carries the left tone), half
// amplitude, encoded at 192 kbit/s keeping the given sample rate. True on success.
inline bool MakeToneMp3(const std::string& path, int rate, int channels, double seconds, double leftHz,
                        double rightHz)
{
    const std::string wav = path + ".wav";
    const size_t frames = size_t(seconds * rate);
    std::vector<int16_t> pcm(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const double hz = c == 0 ? leftHz : rightHz;
            pcm[i * size_t(channels) + size_t(c)] = int16_t(std::lrint(16384.0 * std::sin(2 * M_PI * hz * double(i) / rate)));
        }
    FILE* f = std::fopen(wav.c_str(), "wb");
    if (!f)
        return false;
    // Canonical 44-byte header of 16-bit PCM, little-endian fields.
    const uint32_t dataBytes = uint32_t(pcm.size() * sizeof(int16_t));
    const uint32_t riffBytes = 36 + dataBytes, fmtBytes = 16, byteRate = uint32_t(rate * channels * 2);
    const uint32_t sampleRate = uint32_t(rate);
    const uint16_t pcmFormat = 1, chans = uint16_t(channels), blockAlign = uint16_t(channels * 2), bits = 16;
    std::fwrite("RIFF", 1, 4, f);
    std::fwrite(&riffBytes, 4, 1, f);
    std::fwrite("WAVEfmt ", 1, 8, f);
    std::fwrite(&fmtBytes, 4, 1, f);
    std::fwrite(&pcmFormat, 2, 1, f);
    std::fwrite(&chans, 2, 1, f);
    std::fwrite(&sampleRate, 4, 1, f);
    std::fwrite(&byteRate, 4, 1, f);
    std::fwrite(&blockAlign, 2, 1, f);
    std::fwrite(&bits, 2, 1, f);
    std::fwrite("data", 1, 4, f);
    std::fwrite(&dataBytes, 4, 1, f);
    std::fwrite(pcm.data(), sizeof(int16_t), pcm.size(), f);
    std::fclose(f);
    char khz[32];
    std::snprintf(khz, sizeof khz, "%g", rate / 1000.0);
    const std::string cmd = std::string("lame --quiet --resample ") + khz + " -m " + (channels == 1 ? "m" : "s") +
                            " -b 192 '" + wav +
                            "' '" + path + "'";
    const int rc = std::system(cmd.c_str());
    std::filesystem::remove(wav);
    return rc == 0 && std::filesystem::exists(path);
}

// A fresh scratch directory for one test binary under the build tree.
inline std::string ScratchDir(const std::string& name)
{
    const std::filesystem::path dir = std::filesystem::path(HOLLOWMERE_BINARY_DIR) / "test-scratch" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}
