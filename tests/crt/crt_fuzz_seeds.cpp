// Writes the fuzzer's seed corpus (small encoded meshes) into a fresh directory and empties the
// directory where the fuzzer keeps what it finds.
#include "crt_seed_meshes.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SEED_DIR CORPUS_DIR\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    for (int i = 1; i < 3; ++i) {
        fs::remove_all(argv[i]);
        fs::create_directories(argv[i]);
    }
    for (const auto& seed : crttest::SeedContainers()) {
        std::ofstream f(fs::path(argv[1]) / (seed.name + ".crt"), std::ios::binary);
        f.write(reinterpret_cast<const char*>(seed.bytes.data()), std::streamsize(seed.bytes.size()));
        if (!f)
            return 1;
    }
    return 0;
}
