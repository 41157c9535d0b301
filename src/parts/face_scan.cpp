// The face scan, read whole and parsed with std::from_chars, giving what a text stream's
// `>>` of seven floats a record would give, field for field: the same accepted number
// forms, a failed field reading 0 (or the largest float, for a value out of range) and
// every later field left 0 once one has failed.
#include "parts/scene_data.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <limits>

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

    // One float. The stream gathers sign, digits, one point and an exponent (only after a
    // digit) and then converts what it gathered; anything not wholly a number fails.
    float Read()
    {
        if (failed) return 0.0f;
        while (p != end && IsSpace(*p)) ++p;
        if (p == end) {
            failed = true;
            return 0.0f;
        }
        const char* const start = p;
        if (*p == '+' || *p == '-') ++p;
        bool mantissa = false, point = false, exponent = false, exponentDigits = false;
        while (p != end) {
            const char c = *p;
            if (IsDigit(c)) {
                (exponent ? exponentDigits : mantissa) = true;
            } else if (c == '.' && !point && !exponent) {
                point = true;
            } else if ((c == 'e' || c == 'E') && !exponent && mantissa) {
                exponent = true;
                if (p + 1 != end && (p[1] == '+' || p[1] == '-')) ++p;
            } else {
                break;
            }
            ++p;
        }
        if (!mantissa || (exponent && !exponentDigits)) {
            failed = true;
            return 0.0f;
        }
        const char* first = *start == '+' ? start + 1 : start;
        float value = 0.0f;
        const auto [last, error] = std::from_chars(first, p, value);
        if (error == std::errc() && last == p)
            return value;
        // Out of range: the stream keeps what strtof gives for an underflow, and fails
        // with the largest float for an overflow.
        char buffer[512];
        const size_t n = std::min(size_t(p - first), sizeof buffer - 1);
        std::copy(first, first + n, buffer);
        buffer[n] = '\0';
        value = std::strtof(buffer, nullptr);
        if (value == std::numeric_limits<float>::infinity() || value == -std::numeric_limits<float>::infinity()) {
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
    std::string text;
    bool opened = false;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        opened = true;
        char chunk[1 << 16];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
        std::fclose(f);
    }
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
