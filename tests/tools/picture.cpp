#include "picture.h"

#include "png_write.h"

#include <algorithm>
#include <cmath>

Picture::Picture(int w, int h, uint8_t r, uint8_t g, uint8_t b)
    : width(w), height(h), rgb(size_t(w) * h * 3), depth(size_t(w) * h, -1e30f)
{
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        rgb[3 * i] = r;
        rgb[3 * i + 1] = g;
        rgb[3 * i + 2] = b;
    }
}

void Picture::Pixel(int x, int y, float z, uint8_t r, uint8_t g, uint8_t b)
{
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    size_t i = size_t(y) * width + x;
    if (z <= depth[i]) return;
    depth[i] = z;
    rgb[3 * i] = r;
    rgb[3 * i + 1] = g;
    rgb[3 * i + 2] = b;
}

OrthoView FrontView(double ppu) { return {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}, ppu}; }
OrthoView SideView(double ppu) { return {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, ppu}; }

static void Project(const Picture& pic, const OrthoView& v, const float p[3], double& sx, double& sy, double& sz)
{
    double q[3] = {p[0] - v.centre[0], p[1] - v.centre[1], p[2] - v.centre[2]};
    double x = q[0] * v.right[0] + q[1] * v.right[1] + q[2] * v.right[2];
    double y = q[0] * v.up[0] + q[1] * v.up[1] + q[2] * v.up[2];
    sz = q[0] * v.forward[0] + q[1] * v.forward[1] + q[2] * v.forward[2];
    sx = pic.width * 0.5 + x * v.pixelsPerUnit;
    sy = pic.height * 0.5 - y * v.pixelsPerUnit;
}

void DrawPoint(Picture& pic, const OrthoView& v, const float p[3], uint8_t r, uint8_t g, uint8_t b, int radius)
{
    double sx, sy, sz;
    Project(pic, v, p, sx, sy, sz);
    int cx = int(std::floor(sx)), cy = int(std::floor(sy));
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (dx * dx + dy * dy <= radius * radius) pic.Pixel(cx + dx, cy + dy, float(sz), r, g, b);
}

void DrawTriangle(Picture& pic, const OrthoView& v, const float a[3], const float b[3], const float c[3],
                  uint8_t r, uint8_t g, uint8_t bl)
{
    double p[3][3];
    Project(pic, v, a, p[0][0], p[0][1], p[0][2]);
    Project(pic, v, b, p[1][0], p[1][1], p[1][2]);
    Project(pic, v, c, p[2][0], p[2][1], p[2][2]);
    // Lambert term from the world-space normal against the view direction.
    double e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (len == 0) return;
    double light[3] = {v.forward[0] + 0.4 * v.up[0] - 0.3 * v.right[0], v.forward[1] + 0.4 * v.up[1] - 0.3 * v.right[1],
                       v.forward[2] + 0.4 * v.up[2] - 0.3 * v.right[2]};
    double ll = std::sqrt(light[0] * light[0] + light[1] * light[1] + light[2] * light[2]);
    double lambert = std::abs(n[0] * light[0] + n[1] * light[1] + n[2] * light[2]) / (len * ll);
    double s = 0.25 + 0.75 * lambert;
    uint8_t cr = uint8_t(r * s), cg = uint8_t(g * s), cb = uint8_t(bl * s);

    double minX = std::min({p[0][0], p[1][0], p[2][0]}), maxX = std::max({p[0][0], p[1][0], p[2][0]});
    double minY = std::min({p[0][1], p[1][1], p[2][1]}), maxY = std::max({p[0][1], p[1][1], p[2][1]});
    double area = (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[2][0] - p[0][0]) * (p[1][1] - p[0][1]);
    if (area == 0) return;
    for (int y = std::max(0, int(std::floor(minY))); y <= std::min(pic.height - 1, int(std::ceil(maxY))); ++y)
        for (int x = std::max(0, int(std::floor(minX))); x <= std::min(pic.width - 1, int(std::ceil(maxX))); ++x) {
            double px = x + 0.5, py = y + 0.5;
            double w0 = ((p[1][0] - px) * (p[2][1] - py) - (p[2][0] - px) * (p[1][1] - py)) / area;
            double w1 = ((p[2][0] - px) * (p[0][1] - py) - (p[0][0] - px) * (p[2][1] - py)) / area;
            double w2 = 1 - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0) continue;
            pic.Pixel(x, y, float(w0 * p[0][2] + w1 * p[1][2] + w2 * p[2][2]), cr, cg, cb);
        }
}

bool SavePng(const Picture& pic, const std::string& path) { return png_write::WriteRGB(path, pic.width, pic.height, pic.rgb); }
