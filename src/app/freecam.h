// The free camera: a plain 292-byte record whose byte image is the file "FreeCam.bin".
// Mouse drags steer it (orbit mode, or fly mode when a camera file selects it).
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

struct TFreeCam {
    float orbit[4];       // orientation quaternion (x, y, z, w) of the orbit mode
    float fly[4];         // orientation quaternion of the fly mode
    float deltaA, deltaB; // last drag steps used
    float sumA, sumB;     // sums of the steps of left-drag turns
    float firstAxis[3];
    float rollAxis[3];
    float secondAxis[3];
    float row0[3], row2[3], row1[3], row2b[3], row1b[3];  // copies of R(orbit) rows
    float origin[3];      // world offset added to the target
    uint8_t reserved0[12];
    float prevA, prevB;   // drag values at the previous update
    uint8_t leftLatch, middleLatch, rightLatch, reserved1;
    float speed;
    uint8_t active, flyMode, bothLatch, reserved2;
    float screenPan[3];
    float eyeOffset[3];
    float pan[3];
    float up[3];
    float zoom;
    float fov;
    uint8_t reserved3[12];
    float forward[3];
    float eye[3];
    float target[3];
};

static_assert(std::is_standard_layout_v<TFreeCam> && std::is_trivially_copyable_v<TFreeCam>);
static_assert(sizeof(TFreeCam) == 292, "FreeCam.bin is the record's 292-byte image");
static_assert(offsetof(TFreeCam, fly) == 16 && offsetof(TFreeCam, deltaA) == 32 && offsetof(TFreeCam, sumA) == 40);
static_assert(offsetof(TFreeCam, firstAxis) == 48 && offsetof(TFreeCam, rollAxis) == 60 && offsetof(TFreeCam, secondAxis) == 72);
static_assert(offsetof(TFreeCam, row0) == 84 && offsetof(TFreeCam, row2) == 96 && offsetof(TFreeCam, row1) == 108);
static_assert(offsetof(TFreeCam, row2b) == 120 && offsetof(TFreeCam, row1b) == 132 && offsetof(TFreeCam, origin) == 144);
static_assert(offsetof(TFreeCam, prevA) == 168 && offsetof(TFreeCam, prevB) == 172 && offsetof(TFreeCam, leftLatch) == 176);
static_assert(offsetof(TFreeCam, middleLatch) == 177 && offsetof(TFreeCam, rightLatch) == 178 && offsetof(TFreeCam, speed) == 180);
static_assert(offsetof(TFreeCam, active) == 184 && offsetof(TFreeCam, flyMode) == 185 && offsetof(TFreeCam, bothLatch) == 186);
static_assert(offsetof(TFreeCam, screenPan) == 188 && offsetof(TFreeCam, eyeOffset) == 200 && offsetof(TFreeCam, pan) == 212);
static_assert(offsetof(TFreeCam, up) == 224 && offsetof(TFreeCam, zoom) == 236 && offsetof(TFreeCam, fov) == 240);
static_assert(offsetof(TFreeCam, forward) == 256 && offsetof(TFreeCam, eye) == 268 && offsetof(TFreeCam, target) == 280);

// Zeroes the record and sets the initial orientation, then runs one orbit update.
void InitFreeCam(TFreeCam& cam);
void OrbitUpdate(TFreeCam& cam, float a, float b, bool left, bool middle, bool right);
void FlyUpdate(TFreeCam& cam, float a, float b, bool left, bool middle, bool right);

// The camera file: "FreeCam.bin" is the record's byte image (little-endian floats).
// Reading copies up to 292 bytes over the record; a missing file changes nothing.
bool ReadCameraFile(TFreeCam& cam, const char* path);
bool WriteCameraFile(const TFreeCam& cam, const char* path);
