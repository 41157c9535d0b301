// Cheap integer hashing for per-pixel grain and dithering.
float Hash12(vec2 p)
{
    uvec2 q = uvec2(ivec2(floor(p))) * uvec2(1597334673u, 3812015801u);
    uint n = (q.x ^ q.y) * 1597334673u;
    return float(n) * (1.0 / 4294967296.0);
}
