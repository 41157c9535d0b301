// libFuzzer target: any bytes as a keyframe track. The reader always gives at least one record,
// never more than one per seven characters (a number takes at least one) plus the trailing one,
// and every record it keeps whole holds what a fresh stream reads from the same text.
#include "parts/scene_data.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    KeyframeTrack track = {{1, 2, 3, 4, 5, 6, 7}};
    ReadTrack(track, in);
    if (track.empty() || track.size() > size / 7 + 1)
        std::abort();
    // The first record again, read field by field.
    std::istringstream again(text);
    Keyframe first = {-1.0f, 0, 0, 0, 0, 0, 0};
    float* fields[7] = {&first.key, &first.k0, &first.k1, &first.k2, &first.k3, &first.k4, &first.k5};
    for (float* f : fields) again >> *f;
    if (std::memcmp(&first, &track[0], sizeof first) != 0)
        std::abort();
    return 0;
}
