// The free camera: orbit and fly updates driven by mouse drags.
#include "app/freecam.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

struct Vec3 {
    float x, y, z;
};

Vec3 Load(const float v[3]) { return {v[0], v[1], v[2]}; }
void Store(float v[3], Vec3 a) { v[0] = a.x, v[1] = a.y, v[2] = a.z; }
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator*(float s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

Vec3 Normalise(Vec3 v)
{
    const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (std::fabs(len) <= 1.1920929e-7f)
        return v;
    return {v.x / len, v.y / len, v.z / len};
}

// Rows of the rotation matrix of q = (x, y, z, w), in the unnormalised form (quaternions
// are never renormalised, so their length scales the rows).
struct Rows {
    Vec3 r0, r1, r2;
};

Rows Rotation(const float q[4])
{
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    return {{x * x - y * y - z * z + w * w, 2 * (x * y - z * w), 2 * (x * z + y * w)},
            {2 * (x * y + z * w), y * y - x * x - z * z + w * w, 2 * (y * z - x * w)},
            {2 * (x * z - y * w), 2 * (y * z + x * w), z * z - x * x - y * y + w * w}};
}

// q = q (x) p, the Hamilton product.
void Multiply(float q[4], const float p[4])
{
    const float qx = q[0], qy = q[1], qz = q[2], qw = q[3];
    const float px = p[0], py = p[1], pz = p[2], pw = p[3];
    q[0] = qw * px + qx * pw + qy * pz - qz * py;
    q[1] = qw * py + qy * pw + qz * px - qx * pz;
    q[2] = qw * pz + qz * pw + qx * py - qy * px;
    q[3] = qw * pw - qx * px - qy * py - qz * pz;
}

// Turns q by `degrees` about `axis`.
void Turn(float q[4], Vec3 axis, float degrees)
{
    const float half = degrees * 0.017453292f * 0.5f;
    const float s = std::sin(half);
    const float t[4] = {axis.x * s, axis.y * s, axis.z * s, std::cos(half)};
    Multiply(q, t);
}

}  // namespace

void InitFreeCam(TFreeCam& cam)
{
    std::memset(&cam, 0, sizeof cam);
    cam.orbit[3] = cam.fly[3] = 1.0f;
    cam.speed = 5.0f;
    cam.zoom = 0.65f;
    cam.fov = 45.0f;

    // -30 degrees about the local z axis, then -90 degrees about the local y axis.
    const float sz = std::sin(-0.2617994f), sy = std::sin(-0.7853982f);
    const float tz[4] = {sz * 0.0f, sz * 0.0f, sz, std::cos(-0.2617994f)};
    const float ty[4] = {sy * 0.0f, sy, sy * 0.0f, std::cos(-0.7853982f)};
    Multiply(cam.orbit, tz);
    Multiply(cam.orbit, ty);

    OrbitUpdate(cam, 0.0f, 0.0f, false, false, false);
    cam.zoom = std::max(cam.zoom, 0.2f);
}

void OrbitUpdate(TFreeCam& c, float a, float b, bool left, bool middle, bool right)
{
    if (!left) c.leftLatch = 0;
    if (!middle) c.middleLatch = 0;
    if (!right) c.rightLatch = c.bothLatch = 0;
    if (right && (!c.rightLatch || !c.leftLatch)) c.bothLatch = 0;
    c.active = 0;

    if (left && right) {  // pan
        c.active = 1;
        if (!c.bothLatch) {
            const Rows r = Rotation(c.orbit);
            c.prevA = a, c.prevB = b;
            Store(c.secondAxis, r.r1);
            Store(c.firstAxis, r.r2);
            c.bothLatch = c.leftLatch = c.rightLatch = 1;
        }
        c.deltaA = a - c.prevA;
        c.deltaB = b - c.prevB;
        const float k = 0.7f * std::max(c.zoom, 0.2f);
        c.pan[0] += c.deltaB * k * 0.002f * c.speed;
        c.pan[1] += c.deltaA * k * 0.002f * c.speed;
        c.screenPan[0] += c.deltaA * 0.002f * c.speed;
        c.screenPan[1] -= c.deltaB * 0.002f * c.speed;
        c.prevA = a, c.prevB = b;
    }
    if (right) {  // roll; with both buttons the pan has caught prevA up, so the angle is zero
        if (!c.rightLatch) {
            c.prevA = a, c.prevB = b;
            Store(c.rollAxis, Normalise(Rotation(c.orbit).r0));
            c.rightLatch = 1;
        }
        c.deltaA = (a - c.prevA) * 0.6f;
        c.deltaB = b - c.prevB;
        Turn(c.orbit, Load(c.rollAxis), c.deltaA);
        c.prevA = a, c.prevB = b;
    }
    if (middle) {  // dolly
        if (!c.middleLatch) {
            c.prevB = b;
            c.middleLatch = 1;
        }
        c.deltaB = b - c.prevB;
        c.pan[2] += c.deltaB * 0.01f * c.speed;
        c.prevB = b;
    } else if (left) {  // orbit
        if (!c.leftLatch) {
            c.prevA = a, c.prevB = b;
            c.leftLatch = 1;
        }
        c.active = 1;
        const Rows r = Rotation(c.orbit);
        Store(c.rollAxis, Normalise(r.r0));
        Store(c.firstAxis, Normalise(r.r2));
        Store(c.secondAxis, Normalise(r.r1));
        c.deltaA = a - c.prevA, c.sumA += c.deltaA;
        c.deltaB = b - c.prevB, c.sumB += c.deltaB;
        c.screenPan[0] += c.deltaA * 0.002f * c.speed;
        c.screenPan[1] -= c.deltaB * 0.002f * c.speed;
        Turn(c.orbit, Load(c.firstAxis), -c.deltaB);
        Turn(c.orbit, Load(c.secondAxis), c.deltaA);
        c.prevA = a, c.prevB = b;
    }

    const Rows r = Rotation(c.orbit);
    const Vec3 eyeOffset = (c.zoom * c.speed) * r.r0;
    Store(c.eyeOffset, eyeOffset);
    Store(c.up, r.r1);
    Store(c.row0, r.r0);
    Store(c.row1, r.r1), Store(c.row1b, r.r1);
    Store(c.row2, r.r2), Store(c.row2b, r.r2);
    const Vec3 target = c.pan[0] * r.r1 + c.pan[1] * r.r2 + c.pan[2] * r.r0 + Load(c.origin);
    Store(c.target, target);
    Store(c.eye, eyeOffset + target);
}

void FlyUpdate(TFreeCam& c, float a, float b, bool left, bool middle, bool right)
{
    if (!left) c.leftLatch = 0;
    if (!middle) c.middleLatch = 0;
    if (!right) c.rightLatch = 0;

    const Vec3 upAxis = {0.0f, 1.0f, 0.0f};
    auto addMove = [&c](Vec3 m) {
        Store(c.pan, Load(c.pan) + m);
        Store(c.eyeOffset, Load(c.eyeOffset) + m);
    };
    if (left && right) {  // move sideways and vertically
        if (!c.leftLatch && !c.rightLatch) {
            c.prevA = a, c.prevB = b;
            c.leftLatch = c.rightLatch = 1;
        }
        c.deltaA = a - c.prevA;
        c.deltaB = b - c.prevB;
        const Vec3 second = Normalise({c.forward[0], 0.0f, c.forward[2]});
        Store(c.secondAxis, second);
        Store(c.firstAxis, upAxis);
        const Vec3 side = Cross(upAxis, second);
        addMove((-20.0f * c.deltaA) * side + Vec3{0.0f, -20.0f * c.deltaB, 0.0f});
        c.prevA = a, c.prevB = b;
    }
    if (right) {  // walk
        if (!c.rightLatch) {
            c.prevA = a, c.prevB = b;
            c.rightLatch = 1;
        }
        c.deltaA = a - c.prevA;
        c.deltaB = b - c.prevB;
        const Vec3 second = Normalise({c.forward[0], 0.0f, c.forward[2]});
        Store(c.secondAxis, second);
        Store(c.firstAxis, upAxis);
        addMove((-20.0f * c.deltaB) * second);
        c.prevA = a, c.prevB = b;
    }
    if (left && !middle) {  // look
        if (!c.leftLatch) {
            c.prevA = a, c.prevB = b;
            c.leftLatch = 1;
        }
        c.deltaA = a - c.prevA, c.sumA += c.deltaA;
        c.deltaB = b - c.prevB, c.sumB += c.deltaB;
        c.prevA = a, c.prevB = b;
        Store(c.firstAxis, upAxis);
        Turn(c.fly, upAxis, c.deltaA * 0.5f);
        const Vec3 r2 = Rotation(c.fly).r2;
        const Vec3 second = Normalise({r2.x, 0.0f, r2.z});
        Store(c.secondAxis, second);
        Turn(c.fly, second, c.deltaB * 0.5f);
    }

    const Rows r = Rotation(c.fly);
    Store(c.forward, r.r0);
    Store(c.up, r.r1);
    Store(c.row0, r.r0), Store(c.row1, r.r1), Store(c.row2, r.r2);
    const Vec3 eye = Load(c.eyeOffset) + Load(c.pan);
    Store(c.eye, eye);
    Store(c.target, eye + r.r0);
}

bool ReadCameraFile(TFreeCam& cam, const char* path)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    // A shorter file overwrites only the leading bytes.
    unsigned char image[sizeof(TFreeCam)];
    const size_t n = std::fread(image, 1, sizeof image, f);
    std::fclose(f);
    std::memcpy(&cam, image, n);
    return true;
}

bool WriteCameraFile(const TFreeCam& cam, const char* path)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(&cam, 1, sizeof cam, f) == sizeof cam;
    return std::fclose(f) == 0 && ok;
}
