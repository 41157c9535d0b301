// libFuzzer target: any bytes as a face scan, read by the loader and by the text stream it
// stands in for (getline over the header, >> seven floats a record). Both must give the same
// records, bit for bit.
#include "parts/scene_data.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int count = 24;
    std::vector<FacePoint> ours;
    const size_t whole = ParseFacePoints(text, ours, count);

    std::istringstream in(text);
    std::string line;
    for (int i = 0; i < kFaceHeaderLines; ++i) std::getline(in, line);
    size_t streamWhole = 0;
    for (int i = 0; i < count; ++i) {
        FacePoint f = {};
        float seventh = 0;
        in >> f.x >> f.y >> f.z >> f.r >> f.g >> f.b >> seventh;
        f.r *= kColourScale, f.g *= kColourScale, f.b *= kColourScale;
        streamWhole += !in.fail();
        if (std::memcmp(&f, &ours[size_t(i)], sizeof f) != 0)
            std::abort();
    }
    if (ours.size() != size_t(count) || whole != streamWhole)
        std::abort();
    return 0;
}
