// The scene's data files: the keyframe tracks, the face scan and the particles' velocity
// volume. Readers only; the GL uploads live with the scene.
#pragma once
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

// One line of a keyframe file: a time on the scene clock, then the six tweak values.
struct Keyframe {
    float key;
    float k0, k1, k2, k3, k4, k5;
};
using KeyframeTrack = std::vector<Keyframe>;

// Empties the track (keeping its storage) and reads records of seven numbers until the
// stream ends or fails. Every record is appended, a partly read one too, so a file that
// ends with a line break gives one trailing record (-1, 0, 0, 0, 0, 0, 0); so does a
// missing file.
void ReadTrack(KeyframeTrack& track, std::istream& in);
void LoadTrack(KeyframeTrack& track, const std::string& path);

// One point of the face scan: x, y, z and the colour scaled to 0..1, padded to the
// eleven floats the scene keeps per point.
struct FacePoint {
    float pad0[3];
    float x, y, z;
    float r, g, b;
    float pad1[2];
};
static_assert(sizeof(FacePoint) == 11 * sizeof(float));

constexpr int kFaceHeaderLines = 40;        // taken on trust, not examined
constexpr int kFaceVertexCount = 1454061;   // records read, whatever the file holds
constexpr int kFaceTextureSide = 1200;      // the texture holds the first 1200 x 1200 points
constexpr float kColourScale = 0.003921569f;  // 1/255

// Reads the face scan from its text: skips the header lines, then reads `count` records
// of seven whitespace-separated numbers (x, y, z, red, green, blue, a dropped seventh)
// as a text stream would: once a number fails to read, it and every later field are 0.
// Returns how many records were read whole.
size_t ParseFacePoints(std::string_view text, std::vector<FacePoint>& points, int count = kFaceVertexCount);
// The same from a file read whole; prints one line naming the file and how many records
// it held when it is missing or short.
void LoadFacePoints(const std::string& path, std::vector<FacePoint>& points);

// Texels (x, y, z, red) of the first side x side points, row by row; points missing
// from the array give zero texels.
std::vector<float> FaceTexels(const std::vector<FacePoint>& points, int side = kFaceTextureSide);

// The velocity volume: 128 x 256 x 128 texels of three floats, x fastest.
constexpr int kVolumeWidth = 128, kVolumeHeight = 256, kVolumeDepth = 128;
constexpr size_t kVolumeBytes = size_t(kVolumeWidth) * kVolumeHeight * kVolumeDepth * 3 * sizeof(float);

// Reads the volume into `data` (always kVolumeBytes, zero past what the file held).
// Returns the bytes read, or -1 when the file cannot be opened.
int64_t LoadVelocityVolume(const std::string& path, std::vector<float>& data);
