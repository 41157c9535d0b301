// assetgen: writes the run directory's other/ folder from code alone.
//
//   assetgen OUTPUT_DIR [face] [meshes] [volume] [music] [keyframes]
//
// With no step named, every file is written: face.ply, text.obj, zev2.obj, velocity.dat,
// tk22.mp3, my0.txt, my1.txt. The same program always writes the same bytes.
#include "app/font.h"
#include "face.h"
#include "keyframes.h"
#include "music.h"
#include "text_meshes.h"
#include "volume.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: assetgen OUTPUT_DIR [face] [meshes] [volume] [music] [keyframes]\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "assetgen: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }

    const FontSource font = {GlyphOf, AdvanceFactor};
    const std::pair<const char*, std::function<bool()>> steps[] = {
        {"keyframes", [&] { return WriteKeyframes(dir); }},
        {"meshes", [&] { return WriteTitleMeshes(dir, font); }},
        {"volume", [&] { return WriteVelocityVolume(dir / "velocity.dat"); }},
        {"face", [&] { return WriteFacePly(dir / "face.ply"); }},
        {"music", [&] { return WriteSoundtrack(dir / "tk22.mp3"); }},
    };
    std::set<std::string> wanted(argv + 2, argv + argc);
    for (const std::string& w : wanted) {
        bool known = false;
        for (const auto& s : steps) known = known || w == s.first;
        if (!known) {
            std::fprintf(stderr, "assetgen: unknown step '%s'\n", w.c_str());
            return 2;
        }
    }
    for (const auto& [name, run] : steps) {
        if (!wanted.empty() && !wanted.count(name)) continue;
        auto start = std::chrono::steady_clock::now();
        std::printf("assetgen: %s...\n", name);
        std::fflush(stdout);
        if (!run()) {
            std::fprintf(stderr, "assetgen: %s failed\n", name);
            return 1;
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("assetgen: %s done in %.1f s\n", name, seconds);
    }
    return 0;
}
