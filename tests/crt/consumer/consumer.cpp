// Decodes the one-triangle example through the installed library; a failure arrives as a message.
#include "crt_example.h"

#include <hollowmere/crt.h>

#include <cstdio>
#include <cstring>

int main()
{
    float info[2], positions[9];
    uint32_t indices[3];
    void* decoder = CreateDecoder(sizeof kExampleContainer, kExampleContainer, info);
    const int32_t faces = DecodeMesh(decoder, positions, indices, nullptr, nullptr, nullptr);
    DestroyDecoder(decoder);
    const float want[9] = {0, 0, 0, 1, 0, 0, 0, 1.5f, 0};
    if (faces != 1 || info[0] != 1 || info[1] != 3 || indices[2] != 2 || std::memcmp(positions, want, sizeof want))
        return std::fprintf(stderr, "wrong decode\n"), 1;
    try {
        CreateDecoder(4, kExampleContainer + 1, info);
    } catch (const char* message) {
        std::printf("decoded %d face, failure caught: %s\n", faces, message);
        return std::strcmp(message, "Not a crt file.") != 0;
    }
    return std::fprintf(stderr, "no failure reported\n"), 1;
}
