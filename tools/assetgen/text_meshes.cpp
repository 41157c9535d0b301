#include "text_meshes.h"

#include "file_out.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

// Bounding box of the regions' outer rings, as (min x, min y, max x, max y).
std::array<int64_t, 4> Bounds(const std::vector<Region>& regions)
{
    std::array<int64_t, 4> b = {std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::max(),
                                std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::min()};
    for (const Region& r : regions)
        for (const Point2i& p : r.outer) {
            b[0] = std::min(b[0], p.x);
            b[1] = std::min(b[1], p.y);
            b[2] = std::max(b[2], p.x);
            b[3] = std::max(b[3], p.y);
        }
    return b;
}

}  // namespace

SolidMesh TextSolid(const FontSource& font, const std::string& text, double cellSize, double depth)
{
    // All strokes of the line in one union, so letters that touch become one solid.
    std::vector<Ring> triangles;
    double pen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        int64_t penGrid = int64_t(std::lround(pen * 16 * kGlyphGrid));
        for (Ring& t : GlyphTriangles(font.glyph(static_cast<unsigned char>(text[i])), penGrid))
            triangles.push_back(std::move(t));
        pen += font.advance(text, i, false);
    }
    std::vector<Region> regions = UnionOf(triangles);
    if (regions.empty()) return {};
    auto b = Bounds(regions);
    double scale = cellSize / (16.0 * kGlyphGrid);
    return ExtrudeRegions(regions, scale, 0.5 * double(b[0] + b[2]), 0.5 * double(b[1] + b[3]), depth);
}

const std::vector<std::string>& TitleTexts()
{
    static const std::vector<std::string> texts = {
        "",
        "1", "2", "3", "4", "5", "6", "7", "8", "9",
        "STILL WATERS",
        "HOLLOWMERE",
        "CODE: HOLLOWMERE CREW",
        "MUSIC: OUR OWN SYNTH",
        "FACE: DISTANCE FIELDS",
        "FLOW: CURL NOISE",
        "FONT: SIXTEEN SQUARED",
        "MADE IN C++ AND GLSL",
        "NOTHING BORROWED",
        "THANKS FOR WATCHING",
        "THE END",
    };
    return texts;
}

std::vector<NamedMesh> TitleObjects(const FontSource& font)
{
    std::vector<NamedMesh> objects;
    const auto& texts = TitleTexts();
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i];
        double cell;
        if (i >= 1 && i <= 9) {
            cell = 6.0;  // countdown digits: about half the height of the 9 degree view at 75 units
        } else {
            double width = 0;
            for (size_t k = 0; k < t.size(); ++k) width += font.advance(t, k, false);
            cell = width > 0 ? std::min(10.0 / width, 1.1) : 1.0;  // about 10 units wide
        }
        objects.push_back({"text" + std::to_string(i), t.empty() ? SolidMesh{} : TextSolid(font, t, cell, 0.25 * cell)});
    }
    return objects;
}

SolidMesh Emblem()
{
    // In grid units of 1/4096: the ring's radii 1.25 and 1.0, two pillars and a bar that runs
    // through the middle into the ring, so the whole emblem is one piece.
    const double unit = 4096.0;
    auto P = [&](double x, double y) { return Point2i{int64_t(std::lround(x * unit)), int64_t(std::lround(y * unit))}; };
    std::vector<Ring> pieces;
    const int segments = 96;
    for (int k = 0; k < segments; ++k) {
        double a0 = 6.283185307179586 * k / segments, a1 = 6.283185307179586 * (k + 1) / segments;
        pieces.push_back({P(1.0 * std::cos(a0), 1.0 * std::sin(a0)), P(1.25 * std::cos(a0), 1.25 * std::sin(a0)),
                          P(1.25 * std::cos(a1), 1.25 * std::sin(a1)), P(1.0 * std::cos(a1), 1.0 * std::sin(a1))});
    }
    auto box = [&](double x0, double y0, double x1, double y1) { pieces.push_back({P(x0, y0), P(x1, y0), P(x1, y1), P(x0, y1)}); };
    box(-0.62, -0.72, -0.36, 0.72);  // pillars
    box(0.36, -0.72, 0.62, 0.72);
    box(-1.1, -0.11, 1.1, 0.11);     // the bar, reaching into the ring
    // A diamond above and below the bar, between the pillars.
    pieces.push_back({P(0, 0.28), P(0.16, 0.5), P(0, 0.72), P(-0.16, 0.5)});
    pieces.push_back({P(0, -0.28), P(0.16, -0.5), P(0, -0.72), P(-0.16, -0.5)});
    std::vector<Region> regions = UnionOf(pieces);
    return ExtrudeRegions(regions, 1.0 / unit, 0.0, 0.0, 0.6);
}

bool WriteTitleMeshes(const std::filesystem::path& dir, const FontSource& font)
{
    std::vector<NamedMesh> titles = TitleObjects(font);
    bool ok = WriteFileText(dir / "text.obj", FormatObj(titles, "Hollowmere titles: solid letters of the stroke font"));
    std::vector<NamedMesh> logo = {{"emblem", Emblem()}};
    return WriteFileText(dir / "zev2.obj", FormatObj(logo, "Hollowmere emblem")) && ok;
}
