// The scene's data readers: keyframe tracks, the face scan (against the text-stream reading
// it replaces) and the velocity volume.
#include "parts/scene_data.h"

#include "support/face_stream.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <sstream>

namespace {

std::string Header(int lines = kFaceHeaderLines)
{
    std::string h;
    for (int i = 0; i < lines; ++i) h += i == 0 ? "ply\n" : "comment 1 2 3 4 5 6 7\n";
    return h;
}

std::vector<FacePoint> StreamReading(const std::string& text, int count)
{
    std::istringstream in(text);
    return StreamFacePoints(in, count);
}

}  // namespace

TEST(KeyframeTrack, RecordsAsTheStreamReadsThem)
{
    const struct { const char* text; std::vector<Keyframe> records; } cases[] = {
        {"0 1 2 3 4 5 6\n", {{0, 1, 2, 3, 4, 5, 6}, {-1, 0, 0, 0, 0, 0, 0}}},  // the break gives a trailing record
        {"0 1 2 3 4 5 6", {{0, 1, 2, 3, 4, 5, 6}}},
        {"", {{-1, 0, 0, 0, 0, 0, 0}}},
        {"1.5 .1 .2 .3 .4 .5 .6\n2 9 9 9 9 9 9", {{1.5f, .1f, .2f, .3f, .4f, .5f, .6f}, {2, 9, 9, 9, 9, 9, 9}}},
        {"3 1 2 x 4 5 6\n7 7 7 7 7 7 7\n", {{3, 1, 2, 0, 0, 0, 0}}},  // a failed field reads 0, the rest stay
        {"4 1 2", {{4, 1, 2, 0, 0, 0, 0}}},
    };
    for (const auto& c : cases) {
        KeyframeTrack track = {{9, 9, 9, 9, 9, 9, 9}};
        std::istringstream in(c.text);
        ReadTrack(track, in);
        ASSERT_EQ(track.size(), c.records.size()) << c.text;
        for (size_t i = 0; i < track.size(); ++i)
            EXPECT_EQ(std::memcmp(&track[i], &c.records[i], sizeof(Keyframe)), 0) << c.text << " record " << i;
    }
    KeyframeTrack missing;
    LoadTrack(missing, ScratchDir("scene_data") + "/no-such-track.txt");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].key, -1.0f);
}

TEST(FaceScan, ParsesExactlyAsTheTextStream)
{
    const std::string body[] = {
        "-0.10503 0.23454 -0.34415 16 12 9 0.000\n0.1 0.2 0.3 255 128 0 1\n",
        "+1.5 -0 .5 5. 1e2 2E-1 0.25\r\n3 4 5 6 7 8 9\r\n",             // signs, bare points, exponents, CRLF
        "0.12345678901234 123456789 1.1754944e-38 1 2 3 4\n",           // beyond the seven-digit fast path
        "1e-50 2 3 4 5 6 7\n1 1 1 1 1 1 1\n",                            // underflow reads as strtof gives it
        "1 2 1e50 4 5 6 7\n8 8 8 8 8 8 8\n",                             // overflow: the largest float, then failure
        "1 2 3 inf 5 6 7\n",                                             // no infinity nor nan for the stream
        "1 2 nan 4 5 6 7\n",
        "1 2 1e 4 5 6 7\n",                                              // a dangling exponent fails the field
        "1 2 1e+ 4 5 6 7\n",
        "1.5.3 2 3 4 5 6 7 8\n",                                          // a second point starts a new number
        "1 2 3 4 5 6 7 x\n9 9 9 9 9 9 9\n",                              // the seventh read fails next record's x
        "0x10 1 2 3 4 5 6\n",                                            // no hex: 0, then "x10" fails
        "\t1\t2\v3\f4 5 6 7\n",
        "1 2 3 - 5 6 7\n",
        "1 2 3",                                                         // short: the rest of the records are 0
    };
    for (const std::string& b : body) {
        const std::string text = Header() + b;
        std::vector<FacePoint> ours;
        ParseFacePoints(text, ours, 3);
        const std::vector<FacePoint> stream = StreamReading(text, 3);
        ASSERT_EQ(ours.size(), 3u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(std::memcmp(&ours[i], &stream[i], sizeof(FacePoint)), 0) << b << " record " << i;
    }
    // A header shorter than forty lines fails the stream before any record.
    for (const std::string& text : {Header(39), Header(39) + "end_header", std::string()}) {
        std::vector<FacePoint> ours;
        EXPECT_EQ(ParseFacePoints(text, ours, 2), 0u);
        EXPECT_EQ(std::memcmp(ours.data(), StreamReading(text, 2).data(), 2 * sizeof(FacePoint)), 0);
    }
}

TEST(FaceScan, ShortAndMissingFilesStillGiveEveryRecord)
{
    const std::string dir = ScratchDir("scene_face");
    Write(dir + "/short.ply", Header() + "1 2 3 255 0 51 1\n4 5 6 0 0 0 1\n");
    const struct { std::string path; size_t whole; const char* note; } cases[] = {
        {dir + "/short.ply", 2, ""},
        {dir + "/none.ply", 0, " (no such file)"},
    };
    for (const auto& c : cases) {
        std::vector<FacePoint> points;
        const std::string out = Printed([&] { LoadFacePoints(c.path, points); });
        EXPECT_EQ(out, "Part_Clips::Init - " + c.path + ": read " + std::to_string(c.whole) + " of 1454061 vertices" +
                           c.note + "; the rest are at the origin\n");
        ASSERT_EQ(points.size(), size_t(kFaceVertexCount));
        EXPECT_EQ(points.back().x, 0.0f);
    }
    std::vector<FacePoint> points;
    LoadFacePoints(dir + "/short.ply", points);
    EXPECT_TRUE(points[0].z == 3.0f && points[0].r == kColourScale * 255 && points[0].b == kColourScale * 51);
    EXPECT_TRUE(points[1].x == 4.0f && points[2].x == 0.0f);
}

TEST(FaceScan, TexelsAreThePointsRowByRow)
{
    std::vector<FacePoint> points(size_t(kFaceTextureSide) * kFaceTextureSide + 7);
    for (size_t i = 0; i < points.size(); ++i)
        points[i].x = float(i), points[i].y = -float(i), points[i].z = 0.5f, points[i].r = float(i % 251);
    const std::vector<float> texels = FaceTexels(points);
    ASSERT_EQ(texels.size(), size_t(kFaceTextureSide) * kFaceTextureSide * 4);
    for (int r : {0, 1, 599, 1199})
        for (int c : {0, 7, 1199}) {
            const float* t = &texels[(size_t(r) * kFaceTextureSide + c) * 4];
            const size_t i = size_t(r) * 1200 + size_t(c);
            EXPECT_TRUE(t[0] == float(i) && t[1] == -float(i) && t[2] == 0.5f && t[3] == float(i % 251)) << r << "," << c;
        }
    // Fewer points than texels: the rest are zero.
    const std::vector<float> few = FaceTexels(std::vector<FacePoint>(3, points[5]), 4);
    EXPECT_TRUE(few[8] == 5.0f && few[12] == 0.0f && few.back() == 0.0f);
}

TEST(VelocityVolume, ShortFilesAreZeroFilledAndMissingOnesReported)
{
    const std::string dir = ScratchDir("scene_volume");
    const float head[4] = {1.5f, -2.0f, 3.25f, 7.0f};
    Write(dir + "/short.dat", std::string(reinterpret_cast<const char*>(head), sizeof head));
    std::vector<float> volume(5, 9.0f);
    EXPECT_EQ(LoadVelocityVolume(dir + "/short.dat", volume), int64_t(sizeof head));
    ASSERT_EQ(volume.size() * sizeof(float), kVolumeBytes);
    EXPECT_TRUE(volume[0] == 1.5f && volume[3] == 7.0f && volume[4] == 0.0f && volume.back() == 0.0f);
    EXPECT_EQ(LoadVelocityVolume(dir + "/none.dat", volume), -1);
}
