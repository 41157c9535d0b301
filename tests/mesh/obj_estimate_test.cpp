// The sampled estimate of an OBJ text's "v" lines and fan triangles that sizes the loader's arrays.
#include "mesh/obj_estimate.h"

#include <gtest/gtest.h>

#include <string>

TEST(ObjEstimate, ShortTextsAreCountedExactly)
{
    struct Case { std::string text; int64_t positions, triangles; };
    const Case cases[] = {
        {"", 0, 0},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", 3, 1},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3", 3, 1},                 // no line end after the last line
        {"  v\t1 2 3\r\nf\t1 2 3 4 5\r\n", 1, 3},                       // blanks before, tabs, CR LF; a pentagon's fan
        {"vt 0 0\nvn 0 0 1\nfo 1 2 3\nv\nf 1 2\n# v 1 2 3\n", 0, 0},    // other keywords, too few corners, a comment
        {"f 1/1/1 2/2/2 3/3/3 4/4/4 \n", 0, 2},                           // a blank at the end is no corner
    };
    for (const Case& c : cases) {
        const ObjEstimate e = EstimateObjCounts(c.text);
        EXPECT_EQ(e.positions, c.positions) << c.text;
        EXPECT_EQ(e.triangles, c.triangles) << c.text;
    }
}

// Long texts are sampled: the estimate stays within a few per cent however their statements are laid
// out, as long as they are spread over the file.
TEST(ObjEstimate, LongTextsAreEstimatedClosely)
{
    auto vertex = [](int k) { return "v " + std::to_string(k * 0.001) + " " + std::to_string(k % 97) + ".125 -0.5\n"; };
    struct Layout { const char* name; std::string text; int64_t positions = 0, triangles = 0; };
    Layout layouts[3] = {{"positions, then faces", {}}, {"objects of both", {}},
                         {"lines longer than a sample between the statements", {}}};
    for (int k = 1; k <= 60000; ++k) layouts[0].text += vertex(k), ++layouts[0].positions;
    for (int k = 1; k + 2 <= 60000; ++k)
        layouts[0].text += "f " + std::to_string(k) + " " + std::to_string(k + 1) + " " + std::to_string(k + 2) + "\n", ++layouts[0].triangles;
    for (int object = 0; object < 40; ++object) {
        layouts[1].text += "o part" + std::to_string(object) + "\n# " + std::string(200, '-') + "\n";
        for (int k = 0; k < 1000; ++k) layouts[1].text += vertex(k), ++layouts[1].positions;
        for (int k = 1; k + 2 <= 1000; k += 2) layouts[1].text += "f -1 -2 -3\n", ++layouts[1].triangles;
    }
    for (int block = 0; block < 100; ++block) {
        layouts[2].text += "# " + std::string(10000, '-') + "\n";
        for (int k = 1; k <= 400; ++k) layouts[2].text += vertex(k), ++layouts[2].positions;
    }
    for (const Layout& l : layouts) {
        ASSERT_GT(l.text.size(), size_t(1) << 20) << l.name;  // long enough to be sampled
        const ObjEstimate e = EstimateObjCounts(l.text);
        EXPECT_NEAR(double(e.positions), double(l.positions), 0.05 * double(l.positions)) << l.name;
        EXPECT_NEAR(double(e.triangles), double(l.triangles), 0.05 * double(l.triangles)) << l.name;
    }
}
