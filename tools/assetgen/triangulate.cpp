#include "triangulate.h"

#include <algorithm>
#include <limits>

namespace {

// Twice the signed area of (a, b, c): positive when c lies left of a -> b.
int64_t Cross(const Point2i& a, const Point2i& b, const Point2i& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool InTriangle(const Point2i& p, const Point2i& a, const Point2i& b, const Point2i& c)
{
    return Cross(a, b, p) >= 0 && Cross(b, c, p) >= 0 && Cross(c, a, p) >= 0;
}

// Whether point m lies inside the boundary's corner at ring position i (between the edges to
// its neighbours), so that a bridge from there to m runs through the interior.
bool LocallyInside(const std::vector<Point2i>& pts, const std::vector<int>& ring, size_t i, const Point2i& m)
{
    const size_t n = ring.size();
    const Point2i& prev = pts[size_t(ring[(i + n - 1) % n])];
    const Point2i& a = pts[size_t(ring[i])];
    const Point2i& next = pts[size_t(ring[(i + 1) % n])];
    bool leftOfIn = Cross(prev, a, m) >= 0, leftOfOut = Cross(a, next, m) >= 0;
    return Cross(prev, a, next) >= 0 ? (leftOfIn && leftOfOut) : (leftOfIn || leftOfOut);
}

// Joins a hole into the ring through its rightmost point and a boundary point it can see.
void Bridge(const std::vector<Point2i>& pts, std::vector<int>& ring, const std::vector<int>& hole)
{
    size_t mi = 0;
    for (size_t k = 1; k < hole.size(); ++k) {
        const Point2i &p = pts[size_t(hole[k])], &q = pts[size_t(hole[mi])];
        if (p.x > q.x || (p.x == q.x && p.y < q.y)) mi = k;
    }
    const Point2i m = pts[size_t(hole[mi])];

    // Nearest boundary crossing of the ray from m towards +x.
    const size_t n = ring.size();
    double bestX = std::numeric_limits<double>::infinity();
    size_t bestEdge = n;
    for (size_t i = 0; i < n; ++i) {
        const Point2i& a = pts[size_t(ring[i])];
        const Point2i& b = pts[size_t(ring[(i + 1) % n])];
        if (a.y == b.y || (a.y < m.y && b.y < m.y) || (a.y > m.y && b.y > m.y)) continue;
        double x = double(a.x) + double(m.y - a.y) * double(b.x - a.x) / double(b.y - a.y);
        if (x >= double(m.x) && x < bestX) {
            bestX = x;
            bestEdge = i;
        }
    }
    size_t pick = n;
    if (bestEdge < n) {
        // Candidate: the crossed edge's end further right; a boundary point inside the triangle
        // (m, crossing, candidate) would block the view, so the one closest in angle wins.
        size_t ia = bestEdge, ib = (bestEdge + 1) % n;
        pick = pts[size_t(ring[ia])].x > pts[size_t(ring[ib])].x ? ia : ib;
        const Point2i cand = pts[size_t(ring[pick])];
        const Point2i hit = {int64_t(bestX), m.y};
        double bestTan = std::numeric_limits<double>::infinity();
        for (size_t i = 0; i < n; ++i) {
            const Point2i& r = pts[size_t(ring[i])];
            if (r == cand || r.x < m.x) continue;
            Point2i t0 = m, t1 = hit, t2 = cand;
            if (Cross(t0, t1, t2) < 0) std::swap(t1, t2);
            if (!InTriangle(r, t0, t1, t2)) continue;
            double tan = std::abs(double(r.y - m.y)) / std::max(1.0, double(r.x - m.x));
            if (tan < bestTan && LocallyInside(pts, ring, i, m)) {
                bestTan = tan;
                pick = i;
            }
        }
        // A point used by an earlier bridge appears twice: take the copy whose corner faces m.
        for (size_t i = 0; i < n; ++i)
            if (ring[i] == ring[pick] && LocallyInside(pts, ring, i, m)) {
                pick = i;
                break;
            }
    }
    if (pick == n) pick = 0;  // not reached for a hole inside its boundary

    std::vector<int> merged(ring.begin(), ring.begin() + long(pick) + 1);
    for (size_t k = 0; k <= hole.size(); ++k) merged.push_back(hole[(mi + k) % hole.size()]);
    merged.push_back(ring[pick]);
    merged.insert(merged.end(), ring.begin() + long(pick) + 1, ring.end());
    ring = std::move(merged);
}

}  // namespace

Triangulation TriangulateRegion(const Region& region)
{
    Triangulation out;
    std::vector<int> ring;
    for (const Point2i& p : region.outer) {
        ring.push_back(int(out.points.size()));
        out.points.push_back(p);
    }
    std::vector<std::vector<int>> holes;
    for (const Ring& h : region.holes) {
        holes.emplace_back();
        for (const Point2i& p : h) {
            holes.back().push_back(int(out.points.size()));
            out.points.push_back(p);
        }
    }
    // Holes furthest right first, so that each bridge sees the boundary as already joined.
    std::vector<size_t> order(holes.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = k;
    auto maxX = [&](size_t h) {
        int64_t x = std::numeric_limits<int64_t>::min();
        for (int i : holes[h]) x = std::max(x, out.points[size_t(i)].x);
        return x;
    };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return maxX(a) > maxX(b); });
    for (size_t h : order)
        if (holes[h].size() >= 3) Bridge(out.points, ring, holes[h]);

    // Ear clipping over a linked ring.
    const std::vector<Point2i>& pts = out.points;
    std::vector<int> prev(ring.size()), next(ring.size());
    for (size_t i = 0; i < ring.size(); ++i) {
        prev[i] = int((i + ring.size() - 1) % ring.size());
        next[i] = int((i + 1) % ring.size());
    }
    auto P = [&](int slot) { return pts[size_t(ring[size_t(slot)])]; };
    auto isEar = [&](int b) {
        int a = prev[size_t(b)], c = next[size_t(b)];
        const Point2i pa = P(a), pb = P(b), pc = P(c);
        if (Cross(pa, pb, pc) <= 0) return false;
        for (int s = next[size_t(c)]; s != a; s = next[size_t(s)]) {
            const Point2i q = P(s);
            if (q == pa || q == pb || q == pc) continue;
            if (InTriangle(q, pa, pb, pc)) return false;
        }
        return true;
    };
    size_t remaining = ring.size();
    int cur = 0;
    while (remaining > 3) {
        int found = -1;
        for (size_t tries = 0, s = size_t(cur); tries < remaining; ++tries, s = size_t(next[s]))
            if (isEar(int(s))) {
                found = int(s);
                break;
            }
        if (found < 0) {
            // Only flat corners are left (collinear runs): clip the flattest; its triangle has
            // no area but keeps every edge paired.
            found = cur;
            int64_t best = std::numeric_limits<int64_t>::max();
            for (size_t tries = 0, s = size_t(cur); tries < remaining; ++tries, s = size_t(next[s])) {
                int64_t c = std::abs(Cross(P(prev[s]), P(int(s)), P(next[s])));
                if (c < best) {
                    best = c;
                    found = int(s);
                }
            }
        }
        int a = prev[size_t(found)], c = next[size_t(found)];
        out.triangles.push_back({ring[size_t(a)], ring[size_t(found)], ring[size_t(c)]});
        next[size_t(a)] = c;
        prev[size_t(c)] = a;
        --remaining;
        cur = c;
    }
    if (remaining == 3) out.triangles.push_back({ring[size_t(prev[size_t(cur)])], ring[size_t(cur)], ring[size_t(next[size_t(cur)])]});
    return out;
}
