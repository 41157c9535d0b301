#include "face_sdf.h"

#include <algorithm>

const Vec3 kEyeCentre = {0.080, 0.058, 0.186};
const double kEyeRadius = 0.042;
const double kNeckCut = -0.46;

namespace {

double Ellipsoid(Vec3 p, Vec3 c, Vec3 r)
{
    Vec3 q = p - c;
    Vec3 a = {q.x / r.x, q.y / r.y, q.z / r.z};
    Vec3 b = {q.x / (r.x * r.x), q.y / (r.y * r.y), q.z / (r.z * r.z)};
    double k0 = Length(a), k1 = Length(b);
    return k1 > 0 ? k0 * (k0 - 1.0) / k1 : -std::min(r.x, std::min(r.y, r.z));
}

double Sphere(Vec3 p, Vec3 c, double r) { return Length(p - c) - r; }

// Segment a-b with radius ra at a and rb at b (a cone with round ends).
double RoundCone(Vec3 p, Vec3 a, Vec3 b, double ra, double rb)
{
    Vec3 ab = b - a, ap = p - a;
    double t = std::clamp(Dot(ap, ab) / Dot(ab, ab), 0.0, 1.0);
    return Length(ap - ab * t) - (ra + (rb - ra) * t);
}

// Polynomial smooth minimum: blends the two within k of each other.
double SMin(double a, double b, double k)
{
    double h = std::max(k - std::abs(a - b), 0.0) / k;
    return std::min(a, b) - h * h * k * 0.25;
}
// Smooth subtraction of b from a.
double SSub(double a, double b, double k) { return -SMin(-a, b, k); }

}  // namespace

HeadSample HeadSdf(Vec3 p)
{
    // Mirror-symmetric features are written for the right side (x >= 0).
    Vec3 m = {std::abs(p.x), p.y, p.z};

    double d = Ellipsoid(p, {0, 0.165, -0.06}, {0.235, 0.275, 0.3});             // cranium
    double face = SMin(Ellipsoid(p, {0, 0.0, 0.02}, {0.2, 0.17, 0.2}),            // cheeks
                       Ellipsoid(p, {0, -0.14, 0.04}, {0.138, 0.16, 0.18}), 0.08);  // jaw
    d = SMin(d, face, 0.06);
    d = SMin(d, Ellipsoid(p, {0, -0.232, 0.172}, {0.064, 0.052, 0.05}), 0.045);  // chin
    d = SMin(d, Sphere(m, {0.118, 0.02, 0.148}, 0.066), 0.05);                  // cheekbones
    d = SMin(d, RoundCone(m, {0, 0.118, 0.226}, {0.13, 0.112, 0.19}, 0.026, 0.018), 0.03);  // brow ridge
    d = SMin(d, RoundCone(p, {0, -0.52, -0.06}, {0, -0.14, -0.04}, 0.155, 0.15), 0.07);     // neck

    // Ears: a flattened shell with a hollow bowl.
    if (m.x > 0.15 && m.z < 0.1 && m.z > -0.16) {
        double ear = Ellipsoid(m, {0.236, 0.04, -0.03}, {0.026, 0.075, 0.046});
        ear = SSub(ear, Ellipsoid(m, {0.258, 0.03, -0.022}, {0.014, 0.046, 0.028}), 0.01);
        d = SMin(d, ear, 0.025);
    }

    HeadMaterial material = HeadMaterial::Skin;
    if (p.z > 0.05 && p.y > -0.2 && p.y < 0.2) {
        // Eye sockets, the eyeballs inside them, and lids that leave an almond-shaped opening.
        d = SSub(d, Ellipsoid(m, {0.08, 0.062, 0.232}, {0.054, 0.036, 0.046}), 0.02);
        double eye = Sphere(m, kEyeCentre, kEyeRadius);
        Vec3 e = m - kEyeCentre;
        double ex = std::clamp(e.x / 0.036, -1.0, 1.0);
        double openHalf = 0.0165 * std::sqrt(1.0 - ex * ex) - 0.002;
        double lids = std::max(Sphere(m, kEyeCentre, kEyeRadius + 0.005), openHalf - std::abs(e.y - 0.002));
        lids = std::max(lids, kEyeCentre.z - 0.01 - m.z);  // only the front of the eye gets lids
        d = SMin(d, lids, 0.006);
        if (eye < d) material = HeadMaterial::Eye;
        d = std::min(d, eye);

        // Nose: bridge to tip, the wings, the nostrils.
        double nose = RoundCone(p, {0, 0.08, 0.232}, {0, -0.035, 0.302}, 0.017, 0.03);
        nose = SMin(nose, Ellipsoid(p, {0, -0.046, 0.262}, {0.05, 0.027, 0.034}), 0.02);
        nose = SSub(nose, Sphere(m, {0.019, -0.07, 0.272}, 0.011), 0.006);
        d = SMin(d, nose, 0.02);
    }
    if (p.z > 0.1 && p.y > -0.2 && p.y < -0.06) {
        // Lips, parted by a thin slit.
        double lips = Ellipsoid(p, {0, -0.106, 0.216}, {0.052, 0.012, 0.024});
        lips = SMin(lips, Ellipsoid(p, {0, -0.13, 0.21}, {0.047, 0.014, 0.024}), 0.008);
        lips = SSub(lips, Ellipsoid(p, {0, -0.1185, 0.24}, {0.054, 0.0028, 0.04}), 0.004);
        if (lips < d) material = HeadMaterial::Lip;
        d = SMin(d, lips, 0.012);
    }
    return {d, material};
}

Vec3 HeadNormal(Vec3 p)
{
    const double e = 0.0005;
    const Vec3 k1 = {1, -1, -1}, k2 = {-1, -1, 1}, k3 = {-1, 1, -1}, k4 = {1, 1, 1};
    Vec3 n = k1 * HeadSdf(p + k1 * e).distance + k2 * HeadSdf(p + k2 * e).distance +
             k3 * HeadSdf(p + k3 * e).distance + k4 * HeadSdf(p + k4 * e).distance;
    return Normalize(n);
}
