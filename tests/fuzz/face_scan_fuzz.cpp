// libFuzzer target: any bytes as a face scan, read by the loader and by the text stream it
// stands in for (getline over the header, >> seven floats a record). Both must give the same
// records, bit for bit.
#include "parts/scene_data.h"
#include "support/face_stream.h"

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
    size_t streamWhole = 0;
    const std::vector<FacePoint> stream = StreamFacePoints(in, count, &streamWhole);
    if (std::memcmp(stream.data(), ours.data(), sizeof(FacePoint) * size_t(count)) != 0)
        std::abort();
    if (ours.size() != size_t(count) || whole != streamWhole)
        std::abort();
    return 0;
}
