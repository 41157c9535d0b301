#include "solid_mesh.h"

#include "text_format.h"
#include "triangulate.h"

SolidMesh ExtrudeRegions(const std::vector<Region>& regions, double scale, double ox, double oy, double depth)
{
    SolidMesh mesh;
    const double zf = depth / 2, zb = -depth / 2;
    for (const Region& region : regions) {
        Triangulation tri = TriangulateRegion(region);
        const int base = int(mesh.positions.size());
        const int count = int(tri.points.size());
        // Points [base, base + count) are the front cap's, the next `count` the back cap's.
        for (int side = 0; side < 2; ++side)
            for (const Point2i& p : tri.points)
                mesh.positions.push_back({(double(p.x) - ox) * scale, (double(p.y) - oy) * scale, side == 0 ? zf : zb});
        for (const auto& t : tri.triangles) {
            mesh.triangles.push_back({base + t[0], base + t[1], base + t[2]});
            mesh.triangles.push_back({base + count + t[0], base + count + t[2], base + count + t[1]});
        }
        // Walls: the region lies left of each ring edge (outer counter-clockwise, holes
        // clockwise), so the outward side is to the right.
        int ringStart = 0;
        auto wall = [&](int ringSize) {
            for (int i = 0; i < ringSize; ++i) {
                int a = ringStart + i, b = ringStart + (i + 1) % ringSize;
                int fa = base + a, fb = base + b, ba = base + count + a, bb = base + count + b;
                mesh.triangles.push_back({fa, ba, bb});
                mesh.triangles.push_back({fa, bb, fb});
            }
            ringStart += ringSize;
        };
        wall(int(region.outer.size()));
        for (const Ring& h : region.holes) wall(int(h.size()));
    }
    return mesh;
}

std::string FormatObj(const std::vector<NamedMesh>& objects, const std::string& comment)
{
    std::string text = "# " + comment + "\n";
    long long offset = 1;
    for (const NamedMesh& o : objects) {
        text += "o " + o.name + "\n";
        for (const Vec3& p : o.mesh.positions) {
            text += "v ";
            AppendFixedRow(text, {p.x, p.y, p.z}, 5);
            text.push_back('\n');
        }
        for (const auto& t : o.mesh.triangles) {
            text += "f ";
            AppendIntRow(text, {offset + t[0], offset + t[1], offset + t[2]});
            text.push_back('\n');
        }
        offset += (long long)o.mesh.positions.size();
    }
    return text;
}
