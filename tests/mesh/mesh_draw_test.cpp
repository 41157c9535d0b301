// Drawing single objects of a multi-object mesh under the software renderer: pixels
// appear only where the chosen object lies.
#include "mesh/mesh.h"
#include "shaders/temp_folder.h"
#include "support/gl_window.h"

// Three squares side by side in normalised device coordinates, one object each when
// asked; texture coordinates in the file but none in the faces.
static TMesh ThreeSquares(bool withObjects)
{
    std::string text = "vt 0 0\n";
    for (int i = 0; i < 3; ++i) {
        const std::string x0 = std::to_string(-0.9f + 0.65f * float(i)), x1 = std::to_string(-0.4f + 0.65f * float(i));
        text += "v " + x0 + " -0.5 0\nv " + x1 + " -0.5 0\nv " + x1 + " 0.5 0\nv " + x0 + " 0.5 0\n";
        text += (withObjects ? "o square" + std::to_string(i) + "\n" : "") + "f -4 -3 -2 -1\n";
    }
    Write("m.obj", text);
    TMesh mesh;
    Printed([&] { EXPECT_TRUE(mesh.Import("m.obj")); });
    return mesh;
}

// Which squares show after drawing the object (a bit per square, tested at its centre),
// or -1 when anything lit a pixel outside all three (with a pixel to spare for edge rules).
static int Lit(const TMesh& mesh, int32_t object)
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    mesh.Draw(object);
    const std::vector<unsigned char> px = ReadPixels(0, 0, 64, 64);
    auto lit = [&](int x, int y) { return px[(size_t(y) * 64 + size_t(x)) * 4] > 128; };
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y)
            if (lit(x, y) && !(y >= 15 && y < 49 && ((x >= 2 && x < 21) || (x >= 23 && x < 41) || (x >= 44 && x < 62)))) return -1;
    return lit(11, 32) | lit(32, 32) << 1 | lit(53, 32) << 2;
}

using MeshDraw = TempFolderTest;

TEST_F(MeshDraw, DrawsOnlyTheChosenObject)
{
    GLTestWindow window{64, 64};  // GL defaults: white, no depth test or lighting, no program
    ASSERT_TRUE(window.ok);
    const TMesh mesh = ThreeSquares(true), noObjects = ThreeSquares(false);
    TMesh failed = ThreeSquares(true);
    Printed([&] { EXPECT_FALSE(failed.Import("none.obj")); });
    ASSERT_EQ(mesh.objectStarts, (std::vector<int32_t>{0, 2, 4, 6}));
    const struct { const TMesh& mesh; int32_t object; int lit; } cases[] = {
        {mesh, 0, 0b001}, {mesh, 1, 0b010}, {mesh, 2, 0b100}, {mesh, 3, 0}, {mesh, 1000, 0}, {mesh, -1, 0b111},
        {mesh, -7, 0b111}, {noObjects, -1, 0}, {noObjects, 0, 0}, {failed, -1, 0}, {failed, 0, 0}};
    for (const auto& c : cases) EXPECT_EQ(Lit(c.mesh, c.object), c.lit) << c.object << (&c.mesh == &mesh ? "" : " of another mesh");
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_TEXTURE_COORD_ARRAY) || glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
