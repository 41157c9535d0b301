#include "shape2d.h"

#include <clipper.hpp>

#include <algorithm>

int64_t TwiceArea(const Ring& ring)
{
    int64_t a = 0;
    for (size_t i = 0, n = ring.size(); i < n; ++i) {
        const Point2i& p = ring[i];
        const Point2i& q = ring[(i + 1) % n];
        a += p.x * q.y - q.x * p.y;
    }
    return a;
}

namespace {

Ring ToRing(const ClipperLib::Path& path)
{
    Ring r;
    r.reserve(path.size());
    for (const auto& p : path) r.push_back({p.X, p.Y});
    return r;
}

// Outer contours become regions with their holes; islands inside holes start new regions.
void Collect(const ClipperLib::PolyNode& node, std::vector<Region>& out)
{
    for (const ClipperLib::PolyNode* outer : node.Childs) {
        Region region;
        region.outer = ToRing(outer->Contour);
        if (TwiceArea(region.outer) < 0) std::reverse(region.outer.begin(), region.outer.end());
        for (const ClipperLib::PolyNode* hole : outer->Childs) {
            Ring h = ToRing(hole->Contour);
            if (TwiceArea(h) > 0) std::reverse(h.begin(), h.end());
            region.holes.push_back(std::move(h));
            Collect(*hole, out);
        }
        out.push_back(std::move(region));
    }
}

}  // namespace

std::vector<Region> UnionOf(const std::vector<Ring>& pieces)
{
    ClipperLib::Clipper clipper;
    clipper.StrictlySimple(true);
    for (const Ring& piece : pieces) {
        if (piece.size() < 3 || TwiceArea(piece) == 0) continue;
        ClipperLib::Path path;
        for (const Point2i& p : piece) path.push_back({p.x, p.y});
        // Every piece counter-clockwise, so overlapping pieces add up instead of cancelling.
        if (TwiceArea(piece) < 0) std::reverse(path.begin(), path.end());
        clipper.AddPath(path, ClipperLib::ptSubject, true);
    }
    ClipperLib::PolyTree tree;
    clipper.Execute(ClipperLib::ctUnion, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    std::vector<Region> regions;
    Collect(tree, regions);
    return regions;
}

std::vector<Ring> GlyphTriangles(const unsigned char* glyph, int64_t penGrid)
{
    std::vector<Ring> triangles;
    // A stroke is a triangle strip: every three consecutive vertices make a triangle.
    while (glyph && *glyph != 0xFF) {
        std::vector<Point2i> stroke;
        for (; *glyph != 0xFF; ++glyph)
            stroke.push_back({penGrid + int64_t(*glyph >> 4) * kGlyphGrid, int64_t(*glyph & 15) * kGlyphGrid});
        ++glyph;
        for (size_t i = 0; i + 2 < stroke.size(); ++i) triangles.push_back({stroke[i], stroke[i + 1], stroke[i + 2]});
    }
    return triangles;
}

std::vector<Region> GlyphRegions(const unsigned char* glyph, int64_t penGrid)
{
    return UnionOf(GlyphTriangles(glyph, penGrid));
}
