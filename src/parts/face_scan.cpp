// The face scan, read whole and parsed with std::from_chars, giving what a text stream's
// `>>` of seven floats a record would give, field for field: the same accepted number
// forms, a failed field reading 0 (or the largest float, for a value out of range) and
// every later field left 0 once one has failed.
#include "parts/scene_data.h"

#include "platform/mapped_file.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct Cursor {
    const char* p;
    const char* end;
    bool failed = false;

    // Skips the header lines as getline would: each ends at a line break or at the end,
    // and a missing line fails the stream.
    void SkipLines(int n)
    {
        for (int i = 0; i < n && !failed; ++i) {
            if (p == end) {
                failed = true;
                break;
            }
            while (p != end && *p != '\n') ++p;
            if (p != end) ++p;
        }
    }

    // One float. The stream gathers a sign, digits with at most one point, and an exponent
    // (only after a digit), then converts what it gathered: anything not wholly a number
    // fails.
    float Read()
    {
        if (failed) return 0.0f;
        while (p != end && IsSpace(*p)) ++p;
        if (p == end) {
            failed = true;
            return 0.0f;
        }
        const char* const start = p;
        const bool negative = *p == '-';
        if (*p == '+' || *p == '-') ++p;
        // Plain decimals of up to seven significant digits are converted on the way: the
        // gathering has counted their digits already, which makes this quicker than handing
        // the text to the OBJ reader's DecimalToFloat (103 against 171 ms for the whole scan).
        uint32_t digits = 0;
        int significant = 0, decimals = 0;
        const char* const mantissaStart = p;
        for (; p != end && IsDigit(*p); ++p) {
            significant += digits != 0 || *p != '0';
            digits = digits * 10 + uint32_t(*p - '0');  // wraps once past seven digits: then unused
        }
        bool mantissa = p != mantissaStart;
        if (p != end && *p == '.') {
            const char* const fraction = ++p;
            for (; p != end && IsDigit(*p); ++p) {
                significant += digits != 0 || *p != '0';
                digits = digits * 10 + uint32_t(*p - '0');
            }
            decimals = int(p - fraction);
            mantissa = mantissa || decimals > 0;
        }
        bool exponent = false;
        if (mantissa && p != end && (*p == 'e' || *p == 'E')) {
            exponent = true;
            ++p;
            if (p != end && (*p == '+' || *p == '-')) ++p;
            const char* const exponentStart = p;
            while (p != end && IsDigit(*p)) ++p;
            if (p == exponentStart) {  // "1e" is gathered whole by the stream, then refused
                failed = true;
                return 0.0f;
            }
        }
        if (!mantissa) {
            failed = true;
            return 0.0f;
        }
        // Both digits (below 2^24) and the power of ten (up to 10^10) are exact floats, so
        // one float division is correctly rounded: the value strtof would give.
        static const float kPowers[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
        if (!exponent && significant <= 7 && decimals <= 10) {
            const float magnitude = float(digits) / kPowers[decimals];
            return negative ? -magnitude : magnitude;
        }
        const char* first = *start == '+' ? start + 1 : start;
        float value = 0.0f;
        const auto [last, error] = std::from_chars(first, p, value);
        if (error == std::errc() && last == p)
            return value;
        // Out of range: the stream keeps what strtof gives for an underflow, and fails
        // with the largest float for an overflow.
        value = std::strtof(std::string(first, p).c_str(), nullptr);
        if (std::isinf(value)) {
            failed = true;
            return value > 0 ? std::numeric_limits<float>::max() : -std::numeric_limits<float>::max();
        }
        return value;
    }
};

}  // namespace

size_t ParseFacePoints(std::string_view text, std::vector<FacePoint>& points, int count)
{
    Cursor in{text.data(), text.data() + text.size()};
    in.SkipLines(kFaceHeaderLines);
    size_t whole = 0;
    points.reserve(points.size() + size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        FacePoint f = {};
        f.x = in.Read();
        f.y = in.Read();
        f.z = in.Read();
        f.r = in.Read() * kColourScale;
        f.g = in.Read() * kColourScale;
        f.b = in.Read() * kColourScale;
        in.Read();  // the seventh value is read and dropped
        if (!in.failed) ++whole;
        points.push_back(f);
    }
    return whole;
}

void LoadFacePoints(const std::string& path, std::vector<FacePoint>& points)
{
    const MappedFile file(path);
    const bool opened = file.opened;
    const std::string_view text(file.data ? file.data : "", file.size);
    const size_t whole = ParseFacePoints(text, points);
    if (whole < size_t(kFaceVertexCount))
        std::printf("Part_Clips::Init - %s: read %zu of %d vertices%s; the rest are at the origin\n", path.c_str(),
                    whole, kFaceVertexCount, opened ? "" : " (no such file)");
}

std::vector<float> FaceTexels(const std::vector<FacePoint>& points, int side)
{
    const size_t n = size_t(side) * size_t(side);
    std::vector<float> texels(n * 4, 0.0f);
    for (size_t i = 0; i < n && i < points.size(); ++i) {
        const FacePoint& p = points[i];
        float* t = &texels[i * 4];
        t[0] = p.x, t[1] = p.y, t[2] = p.z, t[3] = p.r;
    }
    return texels;
}
