// The failure texts of the mesh library. Failures are thrown as `const char*` pointing at one
// of these constants (one object each, so the pointer identifies the failure), so callers can
// catch the pointer and print it.
#pragma once

namespace crt {

// Container and codec failures.
inline constexpr char kNotCrtFile[] = "Not a crt file.";
inline constexpr char kUnknownEntropy[] = "Unknown entropy";
inline constexpr char kTopologyFailed[] = "Decoding topology failed";
inline constexpr char kNoPosition[] = "No position attribute found. Use DIFF normal strategy instead.";
inline constexpr char kPositionOverloaded[] =
    "Position attr has been overloaded, Use DIFF normal strategy instead.";
inline constexpr char kNormalFormatEstimate[] = "Format not supported for normal attribute (float, int16 only)";
inline constexpr char kNormalFormatDiff[] =
    "Format not supported for normal attribute (float, int32 or int16 only)";
inline constexpr char kNormalUnsigned[] = "Unsigned types not supported for normals";
inline constexpr char kColorOutputFormat[] = "Unsupported color output format.";
inline constexpr char kColorInputFormat[] = "Unsupported color input format.";
inline constexpr char kUnsupportedFormat[] = "Unsupported format.";

// Guards against hostile or damaged containers and against unusable caller arrays.
inline constexpr char kTruncated[] = "Truncated crt file.";
inline constexpr char kCorrupt[] = "Corrupt crt file.";
inline constexpr char kColorChannels[] = "Unsupported color channel count.";
inline constexpr char kOutputTooSmall[] = "Attribute does not fit its output array.";
inline constexpr char kNoIndexArray[] = "No index array given.";
inline constexpr char kNoPositionValues[] = "Normal estimation needs bound 3-component positions.";
inline constexpr char kOutOfMemory[] = "Out of memory.";

// Writing side.
inline constexpr char kColorStep[] = "Color steps must be 1 to 255.";
inline constexpr char kValueRange[] = "Value does not fit its quantisation step.";
inline constexpr char kBadMesh[] = "Mesh input is inconsistent.";

} // namespace crt
