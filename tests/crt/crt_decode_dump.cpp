// Decodes container files through the library's three C functions and writes, per input, what
// came out: the failure message, or the counts and every output array's bytes. Builds of the
// library for different systems decode the same files to the same dumps.
//   usage: crt_decode_dump OUTPUT_DIR CONTAINER...   (writes OUTPUT_DIR/<file name>.dump)
#include "crt_test_util.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

template <class T>
void Append(std::string& out, const std::vector<T>& values)
{
    out.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
}

std::string Dump(const std::vector<uint8_t>& bytes)
{
    crttest::Decoded d;
    // Damaged counts asking for more than a million values get no arrays ("too large").
    if (const char* failure = crttest::DecodeAll(bytes, d, 1 << 20))
        return "failure: " + std::string(failure) + "\n";
    std::string out = std::to_string(d.result) + " faces " + std::to_string(d.info[0]) + " vertices " +
                      std::to_string(d.info[1]) + "\n";
    Append(out, d.indices);
    for (const auto* array : {&d.positions, &d.normals, &d.colors, &d.uvs})
        Append(out, *array);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: crt_decode_dump OUTPUT_DIR CONTAINER...\n");
        return 2;
    }
    int failed = 0;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::string name = argv[i];
        name = name.substr(name.find_last_of("/\\") + 1);
        std::ofstream out(std::string(argv[1]) + "/" + name + ".dump", std::ios::binary);
        out << (in ? Dump(bytes) : "unreadable\n");
        if (!in || !out) {
            std::fprintf(stderr, "crt_decode_dump: %s: cannot read it or write its dump\n", argv[i]);
            ++failed;
        }
    }
    return failed != 0;
}
