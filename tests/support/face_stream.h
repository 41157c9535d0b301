// The face scan as a text stream reads it (getline over the header lines, then >> seven
// floats a record): what the scene's own parser must give, field for field.
#pragma once
#include "parts/scene_data.h"

#include <istream>
#include <string>
#include <vector>

// Reads `count` records; `whole` counts those read without a failure.
inline std::vector<FacePoint> StreamFacePoints(std::istream& in, int count, size_t* whole = nullptr)
{
    std::string line;
    for (int i = 0; i < kFaceHeaderLines; ++i) std::getline(in, line);
    std::vector<FacePoint> points;
    points.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        FacePoint f = {};
        float seventh = 0;
        in >> f.x >> f.y >> f.z >> f.r >> f.g >> f.b >> seventh;
        f.r *= kColourScale, f.g *= kColourScale, f.b *= kColourScale;
        if (whole && !in.fail()) ++*whole;
        points.push_back(f);
    }
    return points;
}
