#include "shaders/shader.h"

#include <cstdint>

namespace {

// The one seed that writer and reader of the ".xxx" copies share.
constexpr uint32_t ScrambleSeed = 7351;

}  // namespace

// The mask generator is written out (the classic C-runtime linear congruential one,
// 15-bit draws) instead of calling srand/rand: the copies then read back the same on
// every platform, and the program's own rand() sequence is left alone.
void ScrambleBytes(char* buffer, size_t length)
{
    uint32_t state = ScrambleSeed;
    for (size_t i = 0; i < length; ++i) {
        state = state * 214013u + 2531011u;
        const uint32_t r = (state >> 16) & 0x7FFFu;
        buffer[i] = char(static_cast<unsigned char>(buffer[i]) ^ (r % 255u));
    }
}
