// The free camera: initial pose, wheel zoom, drags, and the camera file.
#include "app/demo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

float Length(const float v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void ExpectVec(const float v[3], float x, float y, float z, float tol = 1e-5f)
{
    EXPECT_NEAR(v[0], x, tol);
    EXPECT_NEAR(v[1], y, tol);
    EXPECT_NEAR(v[2], z, tol);
}

// One frame of the camera step with the mouse at (x, y) and the given buttons.
void Frame(TDemo& d, int x, int y, bool left, bool middle, bool right, float wheelDelta = 0)
{
    d.state.mousePixelX = x;
    d.state.mousePixelY = y;
    d.state.mouseLeft = left;
    d.state.mouseMiddle = middle;
    d.state.mouseRight = right;
    d.state.wheelDelta = wheelDelta;
    CameraStep(d);
}

std::filesystem::path TempFile(const char* name)
{
    return std::filesystem::temp_directory_path() / (std::string("hollowmere_") + name + std::to_string(::getpid()));
}

}  // namespace

TEST(FreeCam, InitialPoseLooksFromAboveBehind)
{
    // The orientation is a -30 degree turn about z followed by -90 about y: worked out by
    // hand, R's first row is (0, 0.5, -0.866) and its second (0, 0.866, 0.5).
    TFreeCam cam;
    InitFreeCam(cam);
    ExpectVec(cam.target, 0, 0, 0);
    ExpectVec(cam.eye, 0, 3.25f * 0.5f, -3.25f * 0.8660254f);
    ExpectVec(cam.up, 0, 0.8660254f, 0.5f);
    EXPECT_FLOAT_EQ(cam.zoom, 0.65f);
    EXPECT_FLOAT_EQ(cam.speed, 5.0f);
    EXPECT_FLOAT_EQ(cam.fov, 45.0f);
    EXPECT_EQ(cam.flyMode, 0);
    ExpectVec(cam.fly, 0, 0, 0);
    EXPECT_FLOAT_EQ(cam.fly[3], 1.0f);
    ExpectVec(cam.row0, 0, 0.5f, -0.8660254f);
    ExpectVec(cam.row1b, 0, 0.8660254f, 0.5f);
}

TEST(FreeCam, WheelZoomsByAStepAndNeverBelowTheFloor)
{
    TDemo d;
    Frame(d, 0, 0, false, false, false, +1.0f);
    EXPECT_NEAR(d.state.camera.zoom, 0.689f, 1e-6f);  // 0.65 + 0.8 * 0.03 * 1.625
    for (int i = 0; i < 200; ++i)
        Frame(d, 0, 0, false, false, false, -1.0f);
    EXPECT_FLOAT_EQ(d.state.camera.zoom, 0.2f);
    // Below a zoom of 0.4 the step uses the factor 1.0.
    Frame(d, 0, 0, false, false, false, +1.0f);
    EXPECT_NEAR(d.state.camera.zoom, 0.2f + 0.024f, 1e-6f);
}

TEST(FreeCam, MouseMovesWithoutButtonsChangeNothing)
{
    TDemo d;
    const TFreeCam before = d.state.camera;
    for (int i = 0; i < 10; ++i)
        Frame(d, 13 * i, 400 - 7 * i, false, false, false);
    EXPECT_EQ(std::memcmp(&before, &d.state.camera, sizeof before), 0);
    // A middle drag alone moves nothing either: the drag values only grow with left or right.
    for (int i = 0; i < 10; ++i)
        Frame(d, 10 * i, 10 * i, false, true, false);
    ExpectVec(d.state.camera.eye, before.eye[0], before.eye[1], before.eye[2]);
}

TEST(FreeCam, LeftDragOrbitsAroundTheTarget)
{
    TDemo d;
    Frame(d, 100, 100, true, false, false);  // the first frame of a gesture only latches
    EXPECT_FLOAT_EQ(d.state.camera.orbit[0], TDemo().state.camera.orbit[0]);
    for (int i = 1; i <= 5; ++i)
        Frame(d, 100 + 20 * i, 100 + 5 * i, true, false, false);
    const TFreeCam& c = d.state.camera;
    ExpectVec(c.target, 0, 0, 0);
    float offset[3] = {c.eye[0] - c.target[0], c.eye[1] - c.target[1], c.eye[2] - c.target[2]};
    EXPECT_NEAR(Length(offset), 3.25f, 1e-3f);  // quaternions stay unit length to rounding
    EXPECT_GT(std::fabs(c.eye[0]), 0.1f);       // the eye has left the x = 0 plane
    EXPECT_EQ(c.active, 1);
    EXPECT_NE(c.sumA, 0.0f);
    // Releasing the button clears the latch; the next press latches again without a jump.
    Frame(d, 500, 500, false, false, false);
    EXPECT_EQ(d.state.camera.leftLatch, 0);
    const TFreeCam released = d.state.camera;
    Frame(d, 900, 50, true, false, false);
    EXPECT_FLOAT_EQ(d.state.camera.orbit[1], released.orbit[1]);
}

TEST(FreeCam, BothButtonsPanWithoutRolling)
{
    TDemo d;
    const TFreeCam start = d.state.camera;
    Frame(d, 100, 100, true, false, true);
    for (int i = 1; i <= 6; ++i)
        Frame(d, 100 + 15 * i, 100 - 10 * i, true, false, true);
    const TFreeCam& c = d.state.camera;
    for (int k = 0; k < 4; ++k)
        EXPECT_FLOAT_EQ(c.orbit[k], start.orbit[k]) << "component " << k;
    ExpectVec(c.up, start.up[0], start.up[1], start.up[2]);
    EXPECT_GT(Length(c.target), 0.01f);  // the target moved
    EXPECT_EQ(c.bothLatch, 1);
}

TEST(FreeCam, RightDragRollsAboutTheViewAxis)
{
    TDemo d;
    const TFreeCam start = d.state.camera;
    Frame(d, 100, 100, false, false, true);
    Frame(d, 200, 100, false, false, true);
    const TFreeCam& c = d.state.camera;
    ExpectVec(c.eye, start.eye[0], start.eye[1], start.eye[2], 1e-4f);  // the roll axis is the view axis
    EXPECT_GT(std::fabs(c.up[0] - start.up[0]), 0.01f);
}

TEST(FreeCam, FlyModeLooksAroundFromItsPosition)
{
    TDemo d;
    d.state.camera.flyMode = 1;
    // The fly eye starts where the orbit update left the eye offset.
    const float* o = d.state.camera.eyeOffset;
    const float start[3] = {o[0], o[1], o[2]};
    Frame(d, 100, 100, false, false, false);
    ExpectVec(d.state.camera.forward, 1, 0, 0);  // R of the identity quaternion
    ExpectVec(d.state.camera.eye, start[0], start[1], start[2]);
    ExpectVec(d.state.camera.target, start[0] + 1, start[1], start[2]);
    Frame(d, 100, 100, true, false, false);
    Frame(d, 400, 100, true, false, false);
    EXPECT_NEAR(Length(d.state.camera.forward), 1.0f, 1e-4f);
    EXPECT_NEAR(d.state.camera.forward[1], 0.0f, 1e-5f);   // a horizontal drag turns about the vertical
    EXPECT_GT(std::fabs(d.state.camera.forward[2]), 0.1f);
    ExpectVec(d.state.camera.eye, start[0], start[1], start[2]);
}

TEST(FreeCam, CameraFileIsTheRecordsByteImage)
{
    const auto path = TempFile("cam");
    TDemo d;
    Frame(d, 100, 100, true, false, false);
    Frame(d, 140, 120, true, false, false);
    d.state.camera.flyMode = 1;
    ASSERT_TRUE(WriteCameraFile(d.state.camera, path.c_str()));
    EXPECT_EQ(std::filesystem::file_size(path), 292u);

    TFreeCam back;
    InitFreeCam(back);
    ASSERT_TRUE(ReadCameraFile(back, path.c_str()));
    EXPECT_EQ(std::memcmp(&back, &d.state.camera, sizeof back), 0);
    EXPECT_EQ(back.flyMode, 1);

    // Little-endian floats at the listed offsets: zoom at 236, speed at 180.
    std::ifstream in(path, std::ios::binary);
    unsigned char image[292];
    in.read(reinterpret_cast<char*>(image), 292);
    float zoom, speed;
    std::memcpy(&zoom, image + 236, 4);
    std::memcpy(&speed, image + 180, 4);
    EXPECT_FLOAT_EQ(zoom, 0.65f);
    EXPECT_FLOAT_EQ(speed, 5.0f);
    EXPECT_EQ(image[185], 1);  // flyMode

    // A shorter file overwrites only the leading bytes; a missing file changes nothing.
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const float q[4] = {1, 2, 3, 4};
        out.write(reinterpret_cast<const char*>(q), sizeof q);
    }
    TFreeCam partial;
    InitFreeCam(partial);
    const TFreeCam fresh = partial;
    ASSERT_TRUE(ReadCameraFile(partial, path.c_str()));
    EXPECT_FLOAT_EQ(partial.orbit[2], 3.0f);
    EXPECT_EQ(std::memcmp(reinterpret_cast<char*>(&partial) + 16, reinterpret_cast<const char*>(&fresh) + 16, 276), 0);
    std::filesystem::remove(path);
    EXPECT_FALSE(ReadCameraFile(partial, path.c_str()));
    EXPECT_FLOAT_EQ(partial.orbit[2], 3.0f);
}
