// The free camera: initial pose, wheel zoom, drags, and the camera file.
#include "app/demo.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

float Length(const float v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void ExpectVec(const float v[3], const float e[3], float tol = 1e-5f)
{
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(v[k], e[k], tol) << "component " << k;
}

// One frame of the camera step with the mouse at (x, y) and the given buttons.
void Frame(TDemo& d, int x, int y, bool left, bool middle, bool right, float wheelDelta = 0)
{
    d.state.mousePixelX = x, d.state.mousePixelY = y;
    d.state.mouseLeft = left, d.state.mouseMiddle = middle, d.state.mouseRight = right;
    d.state.wheelDelta = wheelDelta;
    CameraStep(d);
}

}  // namespace

TEST(FreeCam, InitialPoseAndWheelZoom)
{
    // A -30 degree turn about z, then -90 about y: worked out by hand, R's first row is
    // (0, 0.5, -0.866) and its second (0, 0.866, 0.5); the eye sits 0.65 * 5 along the first.
    TDemo d;
    const TFreeCam& c = d.state.camera;
    const float eye[3] = {0, 3.25f * 0.5f, -3.25f * 0.8660254f}, up[3] = {0, 0.8660254f, 0.5f}, zero[3] = {0, 0, 0};
    ExpectVec(c.eye, eye);
    ExpectVec(c.up, up);
    ExpectVec(c.target, zero);
    EXPECT_EQ(c.flyMode, 0);
    EXPECT_FLOAT_EQ(c.fly[3], 1.0f);

    Frame(d, 0, 0, false, false, false, +1.0f);
    EXPECT_NEAR(c.zoom, 0.689f, 1e-6f);  // 0.65 + 0.8 * 0.03 * 1.625
    for (int i = 0; i < 200; ++i)
        Frame(d, 0, 0, false, false, false, -1.0f);
    EXPECT_FLOAT_EQ(c.zoom, 0.2f);
    Frame(d, 0, 0, false, false, false, +1.0f);  // below 0.4 the factor is 1.0
    EXPECT_NEAR(c.zoom, 0.224f, 1e-6f);
}

TEST(FreeCam, NoButtonNoMotion)
{
    TDemo d;
    const TFreeCam before = d.state.camera;
    for (int i = 0; i < 10; ++i)
        Frame(d, 13 * i, 400 - 7 * i, false, false, false);
    EXPECT_EQ(std::memcmp(&before, &d.state.camera, sizeof before), 0);
    // A middle drag alone moves nothing either: the drag values only grow with left or right.
    for (int i = 0; i < 10; ++i)
        Frame(d, 10 * i, 10 * i, false, true, false);
    ExpectVec(d.state.camera.eye, before.eye);
}

TEST(FreeCam, DragsOrbitPanAndRoll)
{
    const TFreeCam start = TDemo().state.camera;
    {   // left: orbits at a constant distance; the first frame of a gesture only latches
        TDemo d;
        Frame(d, 100, 100, true, false, false);
        EXPECT_EQ(std::memcmp(d.state.camera.orbit, start.orbit, 16), 0);
        for (int i = 1; i <= 5; ++i)
            Frame(d, 100 + 20 * i, 100 + 5 * i, true, false, false);
        const TFreeCam& c = d.state.camera;
        EXPECT_NEAR(Length(c.eye), 3.25f, 1e-3f);
        EXPECT_GT(std::fabs(c.eye[0]), 0.1f);
        EXPECT_EQ(c.active, 1);
        Frame(d, 500, 500, false, false, false);  // release clears the latch ...
        EXPECT_EQ(c.leftLatch, 0);
        const TFreeCam released = c;
        Frame(d, 900, 50, true, false, false);  // ... and a new press does not jump
        EXPECT_EQ(std::memcmp(c.orbit, released.orbit, 16), 0);
    }
    {   // both buttons: pans the target, never rolls
        TDemo d;
        for (int i = 0; i <= 6; ++i)
            Frame(d, 100 + 15 * i, 100 - 10 * i, true, false, true);
        EXPECT_EQ(std::memcmp(d.state.camera.orbit, start.orbit, 16), 0);
        EXPECT_GT(Length(d.state.camera.target), 0.01f);
    }
    {   // right: rolls about the view axis, so the eye stays and the up vector turns
        TDemo d;
        Frame(d, 100, 100, false, false, true);
        Frame(d, 200, 100, false, false, true);
        ExpectVec(d.state.camera.eye, start.eye, 1e-4f);
        EXPECT_GT(std::fabs(d.state.camera.up[0] - start.up[0]), 0.01f);
    }
}

TEST(FreeCam, FlyModeLooksAroundFromItsPosition)
{
    TDemo d;
    TFreeCam& c = d.state.camera;
    c.flyMode = 1;
    float eye[3];
    std::memcpy(eye, c.eyeOffset, sizeof eye);  // the fly eye starts at the orbit's eye offset
    Frame(d, 100, 100, false, false, false);
    const float ahead[3] = {eye[0] + 1, eye[1], eye[2]};  // R of the identity quaternion
    ExpectVec(c.target, ahead);
    Frame(d, 100, 100, true, false, false);
    Frame(d, 400, 100, true, false, false);
    EXPECT_NEAR(Length(c.forward), 1.0f, 1e-4f);
    EXPECT_NEAR(c.forward[1], 0.0f, 1e-5f);  // a horizontal drag turns about the vertical
    EXPECT_GT(std::fabs(c.forward[2]), 0.1f);
    ExpectVec(c.eye, eye);
}

TEST(FreeCam, CameraFileIsTheRecordsByteImage)
{
    const std::filesystem::path path = ScratchDir("freecam_test") + "/FreeCam.bin";
    TDemo d;
    Frame(d, 100, 100, true, false, false);
    Frame(d, 140, 120, true, false, false);
    d.state.camera.flyMode = 1;
    ASSERT_TRUE(WriteCameraFile(d.state.camera, path.c_str()));
    EXPECT_EQ(std::filesystem::file_size(path), 292u);
    TFreeCam back = TDemo().state.camera;
    ASSERT_TRUE(ReadCameraFile(back, path.c_str()));
    EXPECT_EQ(std::memcmp(&back, &d.state.camera, sizeof back), 0);

    // Little-endian floats at the file offsets: speed at 180, zoom at 236; flyMode at 185.
    unsigned char image[292];
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(image), 292);
    float speed, zoom;
    std::memcpy(&speed, image + 180, 4);
    std::memcpy(&zoom, image + 236, 4);
    EXPECT_EQ(speed, 5.0f);
    EXPECT_EQ(zoom, 0.65f);
    EXPECT_EQ(image[185], 1);

    // A shorter file overwrites only the leading bytes; a missing file changes nothing.
    const float q[4] = {1, 2, 3, 4};
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(q), sizeof q);
    TFreeCam partial = TDemo().state.camera;
    const TFreeCam fresh = partial;
    ASSERT_TRUE(ReadCameraFile(partial, path.c_str()));
    EXPECT_EQ(std::memcmp(partial.orbit, q, 16), 0);
    EXPECT_EQ(std::memcmp(partial.fly, fresh.fly, sizeof(TFreeCam) - 16), 0);
    std::filesystem::remove(path);
    EXPECT_FALSE(ReadCameraFile(partial, path.c_str()));
    EXPECT_EQ(std::memcmp(partial.orbit, q, 16), 0);
}
