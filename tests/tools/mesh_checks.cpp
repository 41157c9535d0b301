#include "mesh_checks.h"

#include <algorithm>
#include <map>

std::string ClosedSolidProblem(const CheckMesh& mesh)
{
    if (mesh.triangles.empty()) return "no faces";
    std::map<std::pair<int, int>, int> directed;
    for (const auto& t : mesh.triangles)
        for (int k = 0; k < 3; ++k) ++directed[{t[size_t(k)], t[size_t((k + 1) % 3)]}];
    for (const auto& [edge, count] : directed) {
        if (count != 1)
            return "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) + " used " +
                   std::to_string(count) + " times in one direction";
        auto back = directed.find({edge.second, edge.first});
        if (back == directed.end())
            return "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) + " has one face";
    }
    return "";
}

double SignedVolume(const CheckMesh& mesh)
{
    double v = 0;
    for (const auto& t : mesh.triangles) {
        const auto &a = mesh.positions[size_t(t[0])], &b = mesh.positions[size_t(t[1])], &c = mesh.positions[size_t(t[2])];
        v += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) + a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
    return v / 6.0;
}

std::array<double, 6> Bounds(const CheckMesh& mesh)
{
    std::array<double, 6> b = {1e30, 1e30, 1e30, -1e30, -1e30, -1e30};
    for (const auto& t : mesh.triangles)
        for (int i : t)
            for (int k = 0; k < 3; ++k) {
                b[size_t(k)] = std::min(b[size_t(k)], mesh.positions[size_t(i)][size_t(k)]);
                b[size_t(k) + 3] = std::max(b[size_t(k) + 3], mesh.positions[size_t(i)][size_t(k)]);
            }
    return b;
}

bool Inside(const CheckMesh& mesh, const std::array<double, 3>& p)
{
    // Slightly tilted ray to stay clear of edges and vertices.
    const double d[3] = {1.0, 1.234567e-4, 2.345678e-4};
    int crossings = 0;
    for (const auto& t : mesh.triangles) {
        const auto &a = mesh.positions[size_t(t[0])], &b = mesh.positions[size_t(t[1])], &c = mesh.positions[size_t(t[2])];
        double e1[3], e2[3], s[3];
        for (int k = 0; k < 3; ++k) {
            e1[k] = b[size_t(k)] - a[size_t(k)];
            e2[k] = c[size_t(k)] - a[size_t(k)];
            s[k] = p[size_t(k)] - a[size_t(k)];
        }
        double h[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
        double det = e1[0] * h[0] + e1[1] * h[1] + e1[2] * h[2];
        if (std::abs(det) < 1e-15) continue;
        double u = (s[0] * h[0] + s[1] * h[1] + s[2] * h[2]) / det;
        if (u < 0 || u > 1) continue;
        double q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
        double v = (d[0] * q[0] + d[1] * q[1] + d[2] * q[2]) / det;
        if (v < 0 || u + v > 1) continue;
        if ((e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) / det > 0) ++crossings;
    }
    return crossings % 2 == 1;
}
