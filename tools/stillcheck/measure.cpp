// The measures of stillcheck.h: projection, masks and the figures taken over them.
#include "stillcheck.h"

#include <png.h>

#include <algorithm>
#include <cmath>

bool ReadPng(const std::string& path, Image& image, std::string& error)
{
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    image.width = int(png.width);
    image.height = int(png.height);
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        error = png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

std::vector<float> Luma(const Image& image)
{
    std::vector<float> l(size_t(image.width) * image.height);
    for (size_t i = 0; i < l.size(); ++i) {
        const uint8_t* p = &image.rgb[i * 3];
        l[i] = float((0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]) / 255.0);
    }
    return l;
}

double Mean(const std::vector<float>& values, const std::vector<uint8_t>* mask)
{
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = 0; i < values.size(); ++i)
        if (!mask || (*mask)[i]) sum += values[i], ++n;
    return n ? sum / double(n) : 0.0;
}

namespace {

struct Frame3 {
    double right[3], up[3], back[3];
};

void Normalise(double v[3])
{
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (l > 0) v[0] /= l, v[1] /= l, v[2] /= l;
}

void Cross(const double a[3], const double b[3], double out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// The look-at basis with +y up.
Frame3 Basis(const Camera& c)
{
    Frame3 f;
    for (int i = 0; i < 3; ++i) f.back[i] = c.eye[i] - c.target[i];
    Normalise(f.back);
    const double worldUp[3] = {0, 1, 0};
    Cross(worldUp, f.back, f.right);
    Normalise(f.right);
    Cross(f.back, f.right, f.up);
    return f;
}

bool ProjectIn(const Camera& c, const Frame3& f, double aspect, int w, int h, const float p[3], double& x, double& y)
{
    const double d[3] = {p[0] - c.eye[0], p[1] - c.eye[1], p[2] - c.eye[2]};
    const double vx = d[0] * f.right[0] + d[1] * f.right[1] + d[2] * f.right[2];
    const double vy = d[0] * f.up[0] + d[1] * f.up[1] + d[2] * f.up[2];
    const double vz = -(d[0] * f.back[0] + d[1] * f.back[1] + d[2] * f.back[2]);  // depth in front
    if (vz <= 1e-9)
        return false;
    const double focal = 1.0 / std::tan(c.fov * 3.14159265358979 / 360.0);
    const double ndcX = focal / aspect * vx / vz, ndcY = focal * vy / vz;
    x = (ndcX * 0.5 + 0.5) * w;
    y = (0.5 - ndcY * 0.5) * h;
    return true;
}

}  // namespace

bool Project(const Camera& camera, double aspect, int width, int height, const float p[3], double& x, double& y)
{
    return ProjectIn(camera, Basis(camera), aspect, width, height, p, x, y);
}

std::vector<uint8_t> MeshMask(const TMesh& mesh, int object, const Camera& camera, int w, int h)
{
    std::vector<uint8_t> mask(size_t(w) * h, 0);
    if (object < 0 || size_t(object) + 1 >= mesh.objectStarts.size())
        return mask;
    const Frame3 f = Basis(camera);
    const double aspect = double(w) / h;
    for (int t = mesh.objectStarts[size_t(object)]; t < mesh.objectStarts[size_t(object) + 1]; ++t) {
        double px[3], py[3];
        bool front = true;
        for (int k = 0; k < 3; ++k)
            front = front && ProjectIn(camera, f, aspect, w, h, mesh.vertices[mesh.indices[size_t(t) * 3 + k]].position,
                                       px[k], py[k]);
        if (!front)
            continue;
        const double area = (px[1] - px[0]) * (py[2] - py[0]) - (px[2] - px[0]) * (py[1] - py[0]);
        if (std::fabs(area) < 1e-12)
            continue;
        // Pixel centres inside the triangle, either winding.
        const int x0 = std::max(0, int(std::floor(std::min({px[0], px[1], px[2]}))));
        const int x1 = std::min(w - 1, int(std::ceil(std::max({px[0], px[1], px[2]}))));
        const int y0 = std::max(0, int(std::floor(std::min({py[0], py[1], py[2]}))));
        const int y1 = std::min(h - 1, int(std::ceil(std::max({py[0], py[1], py[2]}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double cx = x + 0.5, cy = y + 0.5;
                double e[3];
                for (int k = 0; k < 3; ++k) {
                    const int a = k, b = (k + 1) % 3;
                    e[k] = ((px[b] - px[a]) * (cy - py[a]) - (py[b] - py[a]) * (cx - px[a])) / area;
                }
                if (e[0] >= 0 && e[1] >= 0 && e[2] >= 0)
                    mask[size_t(y) * w + x] = 1;
            }
    }
    return mask;
}

std::vector<uint8_t> Dilate(const std::vector<uint8_t>& mask, int w, int h, int r)
{
    if (r <= 0)
        return mask;
    // Separable: rows, then columns.
    std::vector<uint8_t> rows(mask.size(), 0), out(mask.size(), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (mask[size_t(y) * w + x])
                for (int dx = std::max(0, x - r); dx <= std::min(w - 1, x + r); ++dx) rows[size_t(y) * w + dx] = 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (rows[size_t(y) * w + x])
                for (int dy = std::max(0, y - r); dy <= std::min(h - 1, y + r); ++dy) out[size_t(dy) * w + x] = 1;
    return out;
}

std::vector<uint8_t> PointMask(const std::vector<FacePoint>& points, size_t count, const Camera& camera, int w, int h,
                               int grow)
{
    std::vector<uint8_t> mask(size_t(w) * h, 0);
    const Frame3 f = Basis(camera);
    const double aspect = double(w) / h;
    for (size_t i = 0; i < count && i < points.size(); ++i) {
        double x, y;
        const float p[3] = {points[i].x, points[i].y, points[i].z};
        if (ProjectIn(camera, f, aspect, w, h, p, x, y) && x >= 0 && y >= 0 && x < w && y < h)
            mask[size_t(y) * w + size_t(x)] = 1;
    }
    return Dilate(mask, w, h, grow);
}

double TitleContrast(const std::vector<float>& luma, const std::vector<uint8_t>& title, int w, int h, int margin,
                     int band)
{
    // Inside: the title's pixels away from its edge; around: the band outside its edge.
    std::vector<uint8_t> outside(title.size());
    for (size_t i = 0; i < title.size(); ++i) outside[i] = !title[i];
    const std::vector<uint8_t> edgeOut = Dilate(title, w, h, margin);
    const std::vector<uint8_t> edgeIn = Dilate(outside, w, h, margin);
    const std::vector<uint8_t> reach = Dilate(title, w, h, margin + band);
    std::vector<uint8_t> inner(title.size()), ring(title.size());
    for (size_t i = 0; i < title.size(); ++i) {
        inner[i] = title[i] && !edgeIn[i];
        ring[i] = reach[i] && !edgeOut[i];
    }
    const double around = Mean(luma, &ring);
    return around > 0 ? Mean(luma, &inner) / around : 1.0;
}

double LitOverlap(const std::vector<float>& luma, const std::vector<uint8_t>& silhouette, double lit)
{
    size_t both = 0, either = 0;
    for (size_t i = 0; i < luma.size(); ++i) {
        const bool a = luma[i] > lit, b = silhouette[i] != 0;
        both += a && b;
        either += a || b;
    }
    return either ? double(both) / double(either) : 0.0;
}

double MeanDifference(const Image& a, const Image& b)
{
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty())
        return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    return sum / (255.0 * double(a.rgb.size()));
}
