// The stroke font's advance rule, for both drawers.
#include "app/font.h"

#include <gtest/gtest.h>

namespace {

float Width(const std::string& s, bool overlay)
{
    float w = 0;
    for (size_t i = 0; i < s.size(); ++i)
        w += AdvanceFactor(s, i, overlay);
    return w;
}

}  // namespace

TEST(FontAdvance, NarrowsNextToThinCharacters)
{
    const struct { const char* text; float launcher, overlay; } cases[] = {
        {"", 0, 0},
        {"A", 1.0f, 0.94f},
        {"AB", 2.0f, 1.88f},
        {"i", 1.0f, 0.94f},            // a last "i" keeps the default
        {"ai", 1.67f, 0.67f + 0.94f},  // the character before an "i" narrows
        {"ill", 1.8f, 0.8f + 0.8f + 0.8f},  // 0.7 + 0.4 + 0.7; the overlay has no "ll" rule
        {"it", 1.4f, 1.4f},            // "t" replaces the "i" narrowing
        {"fi", 0.75f + 1.0f, 0.75f + 0.94f},
        {"x.", 1.4f, 1.4f},
        {"1:", 1.4f, 1.4f},
        {"a,b", 0.7f + 0.7f + 1.0f, 0.7f + 0.7f + 0.94f},
        {"lf", 0.7f + 0.75f, 0.8f + 0.75f},  // the "l" test comes after "f"
        {"li", 0.7f + 1.0f, 0.8f + 0.94f},   // "l" replaces the "i" narrowing
    };
    // Bytes above ASCII take the default advance (their glyph, the control one, is checked with the glyph table).
    EXPECT_FLOAT_EQ(Width("\xC3\xA9", false), 2.0f);
    for (const auto& c : cases) {
        EXPECT_NEAR(Width(c.text, false), c.launcher, 1e-5f) << '"' << c.text << "\" launcher";
        EXPECT_NEAR(Width(c.text, true), c.overlay, 1e-5f) << '"' << c.text << "\" overlay";
    }
}
