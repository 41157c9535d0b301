// The stroke font's glyph table: well-formed strips, the fixed glyphs byte for byte, the code mapping.
#include "app/font.h"

#include <gtest/gtest.h>

#include <utility>
#include <set>
#include <string>
#include <vector>

namespace {

struct Vertex {
    int x, y;
};

// Splits a glyph into its strokes; fails the test when the glyph is not closed within `limit` bytes.
std::vector<std::vector<Vertex>> Strokes(const unsigned char* g, size_t limit = 96)
{
    std::vector<std::vector<Vertex>> strokes;
    size_t i = 0;
    while (i < limit && g[i] != 0xFF) {
        std::vector<Vertex> s;
        for (; i < limit && g[i] != 0xFF; ++i) s.push_back(Vertex{g[i] >> 4, g[i] & 15});
        ++i;
        strokes.push_back(s);
    }
    EXPECT_LT(i, limit) << "glyph not closed by an empty stroke";
    return strokes;
}

std::string Bytes(const unsigned char* g)
{
    size_t n = 0;
    while (!(g[n] == 0xFF && (n == 0 || g[n - 1] == 0xFF))) ++n;
    return std::string(reinterpret_cast<const char*>(g), n + 1);
}

std::string Name(int c)
{
    return c >= 32 && c < 127 ? "'" + std::string(1, char(c)) + "'" : "code " + std::to_string(c);
}

int Cross(Vertex a, Vertex b, Vertex c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

TEST(FontGlyphs, EveryGlyphIsWellFormedStrips)
{
    for (int c = 0; c < 128; ++c) {
        SCOPED_TRACE(Name(c));
        ASSERT_NE(FontTable[c], nullptr);
        auto strokes = Strokes(FontTable[c]);
        EXPECT_LE(strokes.size(), 4u);
        EXPECT_LE(Bytes(FontTable[c]).size(), 64u);
        for (const auto& s : strokes) {
            // A strip needs three vertices for its first triangle.
            EXPECT_GE(s.size(), 3u);
            int area = 0;
            for (size_t k = 0; k + 2 < s.size(); ++k) {
                Vertex a = s[k], b = s[k + 1], d = s[k + 2];
                if (k & 1) std::swap(a, b);  // GL keeps a strip's facing by swapping on odd triangles
                int t = Cross(a, b, d);
                EXPECT_GE(t, 0) << "triangle " << k << " folds back over its strip";
                area += t;
            }
            EXPECT_GT(area, 0);
            for (Vertex v : s) {
                EXPECT_LE(v.x, 14);
                EXPECT_LE(v.y, 14);
            }
        }
    }
}

TEST(FontGlyphs, FixedGlyphsAreExact)
{
    const std::vector<std::pair<int, std::vector<unsigned char>>> fixed = {
        {0, {0x44, 0x22, 0xA4, 0xC2, 0xAA, 0xCC, 0x4A, 0x2C, 0x44, 0x22, 0xFF, 0xFF}},
        {'i', {0x60, 0x80, 0x6A, 0x8A, 0xFF, 0x6C, 0x8C, 0x6E, 0x8E, 0xFF, 0xFF}},
        {'.', {0x60, 0x80, 0x62, 0x82, 0xFF, 0xFF}},
        {':', {0x60, 0x80, 0x62, 0x82, 0xFF, 0x66, 0x86, 0x68, 0x88, 0xFF, 0xFF}},
        {'>', {0x32, 0x62, 0x87, 0xB7, 0x3C, 0x6C, 0xFF, 0xFF}},
        {'H', {0x2E, 0x0E, 0x28, 0x07, 0x26, 0x00, 0x20, 0xFF, 0xC0, 0xE0, 0xC6, 0xE7, 0xC8, 0xEE, 0xCE, 0xFF,
               0x28, 0x26, 0xC8, 0xC6, 0xFF, 0xFF}},
        {'x', {0x00, 0x20, 0x02, 0x74, 0x45, 0x76, 0x08, 0x2A, 0x0A, 0xFF, 0xEA, 0xCA, 0xE8, 0x76, 0xA5, 0x74,
               0xE2, 0xC0, 0xE0, 0xFF, 0xFF}},
        {' ', {0xFF}},
    };
    for (const auto& [c, bytes] : fixed) {
        SCOPED_TRACE(Name(c));
        EXPECT_EQ(Bytes(FontTable[c]), std::string(bytes.begin(), bytes.end()));
    }
}

// Every byte outside printable ASCII draws the control glyph; the 95 printable characters have
// glyphs of their own, apart from it and from one another (so only the space is empty).
TEST(FontGlyphs, CodesMapToTheirGlyphs)
{
    std::set<std::string> glyphs = {Bytes(FontTable[0])};
    for (int c = 0; c < 256; ++c) {
        const bool printable = c >= 32 && c < 127;
        EXPECT_EQ(GlyphOf(static_cast<unsigned char>(c)), printable ? FontTable[c] : FontTable[0]) << Name(c);
        if (printable)
            glyphs.insert(Bytes(FontTable[c]));
    }
    EXPECT_EQ(glyphs.size(), 96u);
}

}  // namespace
