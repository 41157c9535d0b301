// stillcheck's measures on pictures made in the test: a square mesh projected to its pixels,
// title contrast, lit overlap and the difference of two frames.
#include "stillcheck.h"

#include <gtest/gtest.h>

namespace {

// A unit square in the z = 0 plane, two triangles, as object 0.
TMesh Square()
{
    TMesh m;
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners) {
        MeshVertex v = {};
        v.position[0] = c[0], v.position[1] = c[1];
        m.vertices.push_back(v);
    }
    m.indices = {0, 1, 2, 0, 2, 3};
    m.objectStarts = {0, 2};
    m.triangleCount = 2;
    return m;
}

}  // namespace

TEST(StillCheck, ProjectedMaskContrastOverlapAndDifference)
{
    // 90 degrees from z = 2 on a square picture: the square spans the middle half.
    const Camera camera = {90.0, {0, 0, 2}, {0, 0, 0}};
    const int w = 40, h = 40;
    const std::vector<uint8_t> mask = MeshMask(Square(), 0, camera, w, h);
    EXPECT_EQ(std::count(mask.begin(), mask.end(), 1), 20 * 20);
    EXPECT_TRUE(mask[size_t(10) * w + 10] && mask[size_t(29) * w + 29] && !mask[size_t(9) * w + 10] && !mask[size_t(10) * w + 30]);
    const std::vector<uint8_t> none = MeshMask(Square(), 1, camera, w, h);
    EXPECT_EQ(std::count(none.begin(), none.end(), 1), 0) << "no such object";
    double x, y;
    const float above[3] = {0, 1, 0}, behind[3] = {0, 0, 3};
    ASSERT_TRUE(Project(camera, 1.0, w, h, above, x, y));
    EXPECT_NEAR(x, 20, 1e-9);
    EXPECT_NEAR(y, 10, 1e-9) << "up is toward the top row";
    EXPECT_FALSE(Project(camera, 1.0, w, h, behind, x, y));

    // A dark square on a bright picture reads; a square as bright as its band does not.
    std::vector<float> luma(size_t(w) * h, 0.6f);
    for (size_t i = 0; i < luma.size(); ++i)
        if (mask[i]) luma[i] = 0.06f;
    EXPECT_NEAR(TitleContrast(luma, mask, w, h, 1, 4), 0.1, 1e-6);
    EXPECT_NEAR(TitleContrast(std::vector<float>(luma.size(), 0.3f), mask, w, h, 1, 4), 1.0, 1e-6);
    // Lit outside the square only: no overlap; lit everywhere: the square's share of the picture.
    EXPECT_NEAR(LitOverlap(luma, mask, 0.15), 0.0, 1e-9);
    EXPECT_NEAR(LitOverlap(std::vector<float>(luma.size(), 0.5f), mask, 0.15), 400.0 / 1600.0, 1e-9);
    EXPECT_NEAR(LitOverlap(std::vector<float>(luma.size(), 0.1f), mask, 0.05), 0.25, 1e-9);
    EXPECT_NEAR(Mean(luma, &mask), 0.06, 1e-6);

    Image a{2, 1, {0, 0, 0, 255, 255, 255}}, b{2, 1, {0, 0, 51, 255, 255, 255}};
    EXPECT_NEAR(MeanDifference(a, b), 51.0 / 255 / 6, 1e-12);
    EXPECT_EQ(MeanDifference(a, a), 0.0);
}
