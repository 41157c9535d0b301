// The face scan: surface points of the procedural head, coloured and shaded, as an ASCII PLY.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct FacePoint {
    float x, y, z;
    uint8_t r, g, b;
    float confidence;  // how squarely the surface faced the (frontal) scanner, 0..1
};

constexpr int kFacePointCount = 1454061;
constexpr int kPlyHeaderLines = 40;

// `count` points spread evenly over the head's surface (uniform per area), centred on the origin
// and scaled to 0.98 units tall.
std::vector<FacePoint> SampleFace(int count, uint64_t seed);

// Exactly kPlyHeaderLines lines, ending with "end_header" and a line break.
std::string FacePlyHeader(int count);
// One line per point: "x y z red green blue confidence".
void AppendFaceLines(std::string& out, const FacePoint* points, size_t count);

bool WriteFacePly(const std::filesystem::path& path, int count = kFacePointCount);
