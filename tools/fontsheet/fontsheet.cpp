// fontsheet: renders the stroke font on the CPU into a PNG for review, with no GL.
//
//   fontsheet OUT.png [--cell PX] [--only CHARS]
//
// The sheet shows all 128 table entries in a 16 x 8 grid (cell PX pixels, default 32), then the
// launcher texts at the launcher's cell size (14 x 20 pixels) and overlay texts at the overlay's
// (10 x 10 pixels), both magnified with square pixels. Each strip is filled like GL fills a triangle
// strip; where two triangles of one strip cover the same spot the ink is orange, and a triangle that
// faces the other way from the glyph's first one is red. --only draws just the given characters, large.
#include "app/font.h"
#include "png_write.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kSamples = 4;  // per pixel and axis

enum Ink : unsigned char { kBlank, kInk, kOverlap, kReversed };

struct Colour {
    float r, g, b;
};

// An image kept as sub-samples (ink kind per sample) over a background colour per pixel.
struct Canvas {
    int width = 0, height = 0;
    std::vector<unsigned char> ink;  // width * kSamples by height * kSamples
    std::vector<Colour> background, inkColour;

    Canvas(int w, int h, Colour bg)
        : width(w), height(h), ink(size_t(w) * h * kSamples * kSamples, kBlank),
          background(size_t(w) * h, bg), inkColour(size_t(w) * h, Colour{1, 1, 1})
    {
    }
    void Rect(int x, int y, int w, int h, Colour c)
    {
        for (int j = std::max(0, y); j < std::min(height, y + h); ++j)
            for (int i = std::max(0, x); i < std::min(width, x + w); ++i) background[size_t(j) * width + i] = c;
    }
};

struct Vec {
    double x, y;
};

double Cross(Vec a, Vec b, Vec c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

// Fills one triangle (canvas coordinates, y down) into a per-sample count over the canvas.
void FillTriangle(const Canvas& cv, Vec a, Vec b, Vec c, std::vector<unsigned char>& count)
{
    if (Cross(a, b, c) < 0) std::swap(b, c);
    if (Cross(a, b, c) == 0) return;
    const int sw = cv.width * kSamples, sh = cv.height * kSamples;
    auto toSample = [](double v) { return v * kSamples - 0.5; };
    int x0 = std::max(0, int(std::floor(toSample(std::min({a.x, b.x, c.x})))));
    int x1 = std::min(sw - 1, int(std::ceil(toSample(std::max({a.x, b.x, c.x})))));
    int y0 = std::max(0, int(std::floor(toSample(std::min({a.y, b.y, c.y})))));
    int y1 = std::min(sh - 1, int(std::ceil(toSample(std::max({a.y, b.y, c.y})))));
    // A sample exactly on an edge belongs to one of the two triangles sharing that edge.
    auto inside = [](Vec p, Vec q, Vec s) {
        double w = Cross(p, q, s);
        if (w != 0) return w > 0;
        double dx = q.x - p.x, dy = q.y - p.y;
        return dy > 0 || (dy == 0 && dx < 0);
    };
    for (int sy = y0; sy <= y1; ++sy)
        for (int sx = x0; sx <= x1; ++sx) {
            Vec p{(sx + 0.5) / kSamples, (sy + 0.5) / kSamples};
            if (inside(a, b, p) && inside(b, c, p) && inside(c, a, p)) {
                unsigned char& n = count[size_t(sy) * sw + sx];
                if (n < 255) ++n;
            }
        }
}

struct GlyphFlaws {
    size_t overlapSamples = 0, reversedSamples = 0;
};

// Draws one glyph with its cell's bottom-left corner at (left, bottom) and the given pixels per unit.
GlyphFlaws DrawGlyph(Canvas& cv, const unsigned char* glyph, double left, double bottom, double unitX, double unitY,
               Colour colour)
{
    const int sw = cv.width * kSamples;
    std::vector<unsigned char> count(cv.ink.size(), 0);
    std::vector<size_t> touched;
    GlyphFlaws flaws;
    double facing = 0;  // orientation of the glyph's first triangle
    const unsigned char* p = glyph;
    while (*p != 0xFF) {
        std::vector<Vec> v;
        for (; *p != 0xFF; ++p) v.push_back(Vec{double(*p >> 4), double(*p & 15)});
        ++p;
        std::fill(count.begin(), count.end(), 0);
        std::vector<unsigned char> reversed(count.size(), 0);
        for (size_t k = 0; k + 2 < v.size(); ++k) {
            // GL swaps the first two vertices of every odd triangle to keep the strip's facing.
            Vec a = v[k], b = v[k + 1], c = v[k + 2];
            if (k & 1) std::swap(a, b);
            double area = Cross(a, b, c);
            if (area != 0 && facing == 0) facing = area;
            auto toCanvas = [&](Vec g) { return Vec{left + g.x * unitX, bottom - g.y * unitY}; };
            std::vector<unsigned char>& target = (area * facing < 0) ? reversed : count;
            FillTriangle(cv, toCanvas(a), toCanvas(b), toCanvas(c), target);
        }
        for (size_t i = 0; i < count.size(); ++i) {
            if (!count[i] && !reversed[i]) continue;
            unsigned char kind = reversed[i] ? kReversed : count[i] > 1 ? kOverlap : kInk;
            flaws.overlapSamples += kind == kOverlap;
            flaws.reversedSamples += kind == kReversed;
            cv.ink[i] = std::max(cv.ink[i], kind);
            touched.push_back(i);
        }
    }
    for (size_t i : touched) cv.inkColour[(i / sw / kSamples) * cv.width + (i % sw) / kSamples] = colour;
    return flaws;
}

// Pen advance for the previews: the drawers' narrowing next to thin letters and marks, kept here so
// that the tool needs nothing but the glyph table.
void DrawText(Canvas& cv, const std::string& s, double left, double bottom, double cellW, double cellH,
              bool overlay, Colour colour)
{
    double pen = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        DrawGlyph(cv, GlyphOf(static_cast<unsigned char>(s[i])), left + pen * cellW, bottom, cellW / 16,
                  cellH / 16, colour);
        pen += AdvanceFactor(s, i, overlay);
    }
}

std::vector<unsigned char> Resolve(const Canvas& cv)
{
    const int sw = cv.width * kSamples;
    std::vector<unsigned char> rgb(size_t(cv.width) * cv.height * 3);
    for (int y = 0; y < cv.height; ++y)
        for (int x = 0; x < cv.width; ++x) {
            Colour bg = cv.background[size_t(y) * cv.width + x], ink = cv.inkColour[size_t(y) * cv.width + x];
            float r = 0, g = 0, b = 0;
            for (int j = 0; j < kSamples; ++j)
                for (int i = 0; i < kSamples; ++i) {
                    Colour c = bg;
                    switch (cv.ink[size_t(y * kSamples + j) * sw + x * kSamples + i]) {
                    case kInk: c = ink; break;
                    case kOverlap: c = Colour{1.0f, 0.55f, 0.1f}; break;
                    case kReversed: c = Colour{1.0f, 0.1f, 0.1f}; break;
                    default: break;
                    }
                    r += c.r, g += c.g, b += c.b;
                }
            const float n = kSamples * kSamples;
            unsigned char* o = &rgb[(size_t(y) * cv.width + x) * 3];
            o[0] = static_cast<unsigned char>(std::lround(255 * r / n));
            o[1] = static_cast<unsigned char>(std::lround(255 * g / n));
            o[2] = static_cast<unsigned char>(std::lround(255 * b / n));
        }
    return rgb;
}

// Square-pixel magnification of an RGB block into another at (x, y).
void Blit(std::vector<unsigned char>& dst, int dstW, int dstH, const std::vector<unsigned char>& src, int srcW,
          int srcH, int x, int y, int zoom)
{
    for (int j = 0; j < srcH * zoom; ++j)
        for (int i = 0; i < srcW * zoom; ++i) {
            int dx = x + i, dy = y + j;
            if (dx < 0 || dy < 0 || dx >= dstW || dy >= dstH) continue;
            std::memcpy(&dst[(size_t(dy) * dstW + dx) * 3], &src[(size_t(j / zoom) * srcW + i / zoom) * 3], 3);
        }
}

const Colour kBackground{0.08f, 0.08f, 0.10f}, kCellLine{0.22f, 0.22f, 0.26f}, kGuide{0.14f, 0.14f, 0.18f};

// The 16 x 8 grid (or just the given characters), one glyph per cell with the x-height guide.
std::vector<unsigned char> Grid(const std::vector<int>& codes, int columns, int cell, int& w, int& h)
{
    const int rows = int((codes.size() + columns - 1) / columns), pitch = cell + 1;
    w = columns * pitch + 1, h = rows * pitch + 1;
    Canvas cv(w, h, kCellLine);
    const double unit = cell / 16.0;
    for (size_t k = 0; k < codes.size(); ++k) {
        int cx = int(k % columns) * pitch + 1, cy = int(k / columns) * pitch + 1;
        cv.Rect(cx, cy, cell, cell, kBackground);
        cv.Rect(cx, cy + cell - int(std::lround(10 * unit)), cell, 1, kGuide);  // x-height
        cv.Rect(cx, cy + cell - int(std::lround(14 * unit)), cell, 1, kGuide);  // cap height
        GlyphFlaws f =
            DrawGlyph(cv, GlyphOf(static_cast<unsigned char>(codes[k])), cx, cy + cell, unit, unit, Colour{1, 1, 1});
        // Reported in square units of the glyph grid.
        const double perUnit = unit * unit * kSamples * kSamples;
        if (f.overlapSamples || f.reversedSamples)
            std::printf("code %3d '%c': self-overlap %.2f, reversed %.2f square units\n", codes[k],
                        codes[k] >= 32 && codes[k] < 127 ? codes[k] : ' ', f.overlapSamples / perUnit,
                        f.reversedSamples / perUnit);
    }
    return Resolve(cv);
}

// Texts at the drawers' true cell sizes.
std::vector<unsigned char> Samples(const std::vector<std::string>& texts, double cellW, double cellH, bool overlay,
                                   int& w, int& h)
{
    const double line = overlay ? cellH * 1.1 : 30;  // the launcher rows lie 30 pixels apart
    size_t longest = 0;
    for (const std::string& t : texts) longest = std::max(longest, t.size());
    w = int(std::ceil(longest * cellW)) + 8, h = int(std::ceil(texts.size() * line)) + 8;
    Canvas cv(w, h, kBackground);
    for (size_t k = 0; k < texts.size(); ++k) DrawText(cv, texts[k], 4, 4 + line * (k + 1) - (line - cellH) / 2,
                                                     cellW, cellH, overlay, Colour{1, 1, 1});
    return Resolve(cv);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string out, only;
    int cell = 32;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--cell") && i + 1 < argc) cell = std::max(8, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc) only = argv[++i];
        else if (out.empty() && argv[i][0] != '-') out = argv[i];
        else {
            std::fprintf(stderr, "usage: fontsheet OUT.png [--cell PX] [--only CHARS]\n");
            return 2;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: fontsheet OUT.png [--cell PX] [--only CHARS]\n");
        return 2;
    }

    std::vector<int> codes;
    if (only.empty())
        for (int c = 0; c < 128; ++c) codes.push_back(c);
    else
        for (unsigned char c : only) codes.push_back(c);

    int gw = 0, gh = 0;
    std::vector<unsigned char> grid = Grid(codes, only.empty() ? 16 : std::min<int>(16, int(codes.size())), cell, gw, gh);
    if (!only.empty()) {
        if (!png_write::WriteRGB(out, gw, gh, grid)) return std::perror(out.c_str()), 1;
        return 0;
    }

    const std::vector<std::string> launcher = {
        " + Hollowmere + ", " >       1920 x 1080", " >       2560 x 1440", " >       1280 x 720",
        " >       Fullscreen", " >        Windowed", "          + Run +"};
    const std::vector<std::string> overlay = {
        "X: 0.123", "FPS: 30.00", "ttime: 12.345", "NANO: 16 => 127", "_k0: => -0.512",
        "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789",
        "the quick brown fox jumps over the lazy dog !?#$%&@",
        "still filled illusions, fifty-one; (a+b)*[c/d]={e|f}~^_`'\"<>\\"};
    int lw = 0, lh = 0, ow = 0, oh = 0;
    std::vector<unsigned char> l = Samples(launcher, 14, 20, false, lw, lh);
    std::vector<unsigned char> o = Samples(overlay, 10, 10, true, ow, oh);
    const int lz = 2, oz = 2, gap = 8;
    int w = std::max({gw, lw * lz, ow * oz}), h = gh + gap + lh * lz + gap + oh * oz;
    std::vector<unsigned char> sheet(size_t(w) * h * 3, 0);
    Blit(sheet, w, h, grid, gw, gh, 0, 0, 1);
    Blit(sheet, w, h, l, lw, lh, 0, gh + gap, lz);
    Blit(sheet, w, h, o, ow, oh, 0, gh + gap + lh * lz + gap, oz);
    if (!png_write::WriteRGB(out, w, h, sheet)) return std::perror(out.c_str()), 1;
    return 0;
}
