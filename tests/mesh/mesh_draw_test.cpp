// Drawing single objects of a multi-object mesh under the software renderer: pixels
// appear only where the chosen object lies.
#include "mesh/mesh.h"
#include "support/gl_window.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// Three squares side by side in normalised device coordinates, one object each.
std::string ThreeSquares(bool withObjects)
{
    std::string text;
    const float left[3] = {-0.9f, -0.25f, 0.4f};
    for (int i = 0; i < 3; ++i) {
        const float x0 = left[i], x1 = left[i] + 0.5f;
        text += "v " + std::to_string(x0) + " -0.5 0\nv " + std::to_string(x1) + " -0.5 0\n";
        text += "v " + std::to_string(x1) + " 0.5 0\nv " + std::to_string(x0) + " 0.5 0\n";
    }
    text += "vt 0 0\n";  // texture coordinates in the file, none in the faces
    for (int i = 0; i < 3; ++i) {
        if (withObjects) text += "o square" + std::to_string(i) + "\n";
        const int b = i * 4;
        text += "f " + std::to_string(b + 1) + " " + std::to_string(b + 2) + " " + std::to_string(b + 3) + " " +
                std::to_string(b + 4) + "\n";
    }
    return text;
}

class MeshDraw : public ::testing::Test {
protected:
    GLTestWindow window{64, 64};
    fs::path path = fs::temp_directory_path() / ("hollowmere_draw_" + std::to_string(getpid()) + ".obj");

    void SetUp() override
    {
        ASSERT_TRUE(window.ok);
        glViewport(0, 0, 64, 64);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glUseProgram(0);
    }
    void TearDown() override { fs::remove(path); }

    void Load(TMesh& mesh, const std::string& text)
    {
        std::ofstream(path) << text;
        ::testing::internal::CaptureStdout();
        ASSERT_TRUE(mesh.Import(path.c_str()));
        ::testing::internal::GetCapturedStdout();
    }

    // Which of the three squares show after drawing the object: a bit per square, tested
    // at its centre, and whether anything at all lit the gaps between them.
    static int Lit(const TMesh& mesh, int32_t object, bool& gapsLit)
    {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        mesh.Draw(object);
        glFinish();
        const std::vector<unsigned char> px = ReadPixels(0, 0, 64, 64);
        auto red = [&](int x, int y) { return px[(size_t(y) * 64 + size_t(x)) * 4] > 128; };
        int lit = 0;
        const int centres[3] = {11, 32, 53};  // x of each square's centre in pixels
        for (int i = 0; i < 3; ++i) lit |= red(centres[i], 32) << i;
        gapsLit = false;
        for (int x = 0; x < 64; ++x)
            for (int y = 0; y < 64; ++y) {
                // The squares' pixel spans with a pixel to spare for edge rules.
                const bool inside = y >= 15 && y < 49 &&
                                    ((x >= 2 && x < 21) || (x >= 23 && x < 41) || (x >= 44 && x < 62));
                if (!inside && red(x, y)) gapsLit = true;
            }
        return lit;
    }
};

TEST_F(MeshDraw, DrawsOnlyTheChosenObject)
{
    TMesh mesh;
    Load(mesh, ThreeSquares(true));
    ASSERT_EQ(mesh.objectStarts, (std::vector<int32_t>{0, 2, 4, 6}));
    const struct {
        int32_t object;
        int lit;
    } cases[] = {{0, 0b001}, {1, 0b010}, {2, 0b100}, {3, 0}, {1000, 0}, {-1, 0b111}, {-7, 0b111}};
    for (const auto& c : cases) {
        bool gaps = true;
        EXPECT_EQ(Lit(mesh, c.object, gaps), c.lit) << c.object;
        EXPECT_FALSE(gaps) << c.object;
    }
    // No client array is left enabled, none of the buffers bound.
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MeshDraw, MeshesWithoutObjectsOrImportDrawNothing)
{
    TMesh never;
    TMesh noObjects;
    Load(noObjects, ThreeSquares(false));
    TMesh failed;
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(failed.Import((path.string() + ".missing").c_str()));
    ::testing::internal::GetCapturedStdout();
    for (const TMesh* mesh : {&never, &noObjects, &failed})
        for (const int32_t object : {-1, 0, 1}) {
            bool gaps = true;
            EXPECT_EQ(Lit(*mesh, object, gaps), 0) << object;
            EXPECT_FALSE(gaps);
        }
}

}  // namespace
