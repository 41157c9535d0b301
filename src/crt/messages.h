// The failure texts of the mesh library. Failures are thrown as `const char*` pointing at one
// of these constants, so callers can catch the pointer and print it.
#pragma once

namespace crt {

// Container and codec failures.
inline constexpr const char* kNotCrtFile = "Not a crt file.";
inline constexpr const char* kUnknownEntropy = "Unknown entropy";
inline constexpr const char* kTopologyFailed = "Decoding topology failed";
inline constexpr const char* kNoPosition = "No position attribute found. Use DIFF normal strategy instead.";
inline constexpr const char* kPositionOverloaded =
    "Position attr has been overloaded, Use DIFF normal strategy instead.";
inline constexpr const char* kNormalFormatEstimate = "Format not supported for normal attribute (float, int16 only)";
inline constexpr const char* kNormalFormatDiff =
    "Format not supported for normal attribute (float, int32 or int16 only)";
inline constexpr const char* kNormalUnsigned = "Unsigned types not supported for normals";
inline constexpr const char* kColorOutputFormat = "Unsupported color output format.";
inline constexpr const char* kColorInputFormat = "Unsupported color input format.";
inline constexpr const char* kUnsupportedFormat = "Unsupported format.";

// Guards against hostile or damaged containers and against unusable caller arrays.
inline constexpr const char* kTruncated = "Truncated crt file.";
inline constexpr const char* kCorrupt = "Corrupt crt file.";
inline constexpr const char* kColorChannels = "Unsupported color channel count.";
inline constexpr const char* kOutputTooSmall = "Attribute does not fit its output array.";
inline constexpr const char* kNoIndexArray = "No index array given.";
inline constexpr const char* kNoPositionValues = "Normal estimation needs bound 3-component positions.";
inline constexpr const char* kOutOfMemory = "Out of memory.";

// Writing side.
inline constexpr const char* kColorStep = "Color steps must be 1 to 255.";
inline constexpr const char* kValueRange = "Value does not fit its quantisation step.";
inline constexpr const char* kBadMesh = "Mesh input is inconsistent.";

} // namespace crt
