// Writes the fuzzer's seed corpus (small encoded meshes) into a fresh directory and empties the
// directory where the fuzzer keeps what it finds.
#include "crt_test_util.h"

#include <filesystem>
#include <fstream>

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc != 3)
        return 2; // usage: crt_fuzz_seeds SEED_DIR CORPUS_DIR
    for (const char* dir : {argv[1], argv[2]}) {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    const auto seeds = crttest::SeedContainers();
    for (size_t i = 0; i < seeds.size(); ++i)
        if (!std::ofstream(fs::path(argv[1]) / ("seed-" + std::to_string(i) + ".crt"), std::ios::binary)
                 .write(reinterpret_cast<const char*>(seeds[i].data()), std::streamsize(seeds[i].size())))
            return 1;
    return 0;
}
