// The generator's building blocks: number formatting, plane triangulation, extruded solids from
// the real stroke font, the loudness meter, the schedule times the music follows, the
// instruments' note edges, the click detector used on the soundtrack and the keyframe tracks.
#include "app/font.h"
#include "checks.h"
#include "keyframes.h"
#include "loudness.h"
#include "music.h"
#include "music_voices.h"
#include "platform/loading.h"
#include "rng.h"
#include "text_format.h"
#include "text_meshes.h"
#include "triangulate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>

TEST(TextFormat, FixedAndIntegerForms)
{
    // Values and decimals, each written and followed by a space: no "-0", rounding carries.
    std::string fixed;
    for (auto [v, d] : std::initializer_list<std::pair<double, int>>{
             {0.0, 5}, {-0.000004, 5}, {-0.000006, 5}, {1.234567, 3}, {-0.123456, 5}, {123.45678, 2}, {0.5, 0},
             {-1454061.0, 0}, {0.07, 3}, {9.9999999, 3}}) {
        AppendFixed(fixed, v, d);
        fixed.push_back(' ');
    }
    EXPECT_EQ(fixed, "0.00000 0.00000 -0.00001 1.235 -0.12346 123.46 1 -1454061 0.070 10.000 ");
    std::string row;  // AppendInt under AppendIntRow, down to the most negative value but one
    AppendIntRow(row, {0, 7, -42, 1454061, -9223372036854775807LL});
    AppendFixedRow(row += ' ', {-0.5, 0.25}, 2);
    EXPECT_EQ(row, "0 7 -42 1454061 -9223372036854775807 -0.50 0.25");
}

TEST(Triangulate, RegionsWithHolesAreCoveredExactly)
{
    auto rect = [](int64_t x0, int64_t y0, int64_t x1, int64_t y1, bool hole) {
        Ring r = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        return hole ? Ring(r.rbegin(), r.rend()) : r;
    };
    struct Case {
        const char* name;
        Region region;
    } cases[] = {
        {"square", {rect(0, 0, 10, 10, false), {}}},
        {"L shape", {{{0, 0}, {10, 0}, {10, 3}, {3, 3}, {3, 10}, {0, 10}}, {}}},
        {"comb", {{{0, 0}, {9, 0}, {9, 9}, {7, 9}, {7, 2}, {6, 2}, {6, 9}, {3, 9}, {3, 2}, {2, 2}, {2, 9}, {0, 9}}, {}}},
        {"square with hole", {rect(0, 0, 10, 10, false), {rect(3, 3, 7, 7, true)}}},
        {"two holes side by side", {rect(0, 0, 20, 10, false), {rect(2, 2, 8, 8, true), rect(12, 2, 18, 8, true)}}},
        {"two holes one above the other", {rect(0, 0, 10, 20, false), {rect(2, 2, 8, 8, true), rect(2, 12, 8, 18, true)}}},
        {"hole touching nothing, diamond", {rect(-10, -10, 10, 10, false), {{{0, 5}, {-5, 0}, {0, -5}, {5, 0}}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Triangulation t = TriangulateRegion(c.region);
        int64_t want = TwiceArea(c.region.outer), got = 0;
        for (const Ring& h : c.region.holes) want += TwiceArea(h);
        for (const auto& tri : t.triangles) {
            int64_t a = TwiceArea({t.points[size_t(tri[0])], t.points[size_t(tri[1])], t.points[size_t(tri[2])]});
            EXPECT_GE(a, 0);
            got += a;
        }
        EXPECT_EQ(got, want);
        // The walls run along the region's edges: the extruded solid closes only when the caps
        // have each boundary edge once, in ring order, and every other edge once each way.
        EXPECT_EQ(ClosedSolidProblem(ExtrudeRegions({c.region}, 1.0, 0.0, 0.0, 1.0)), "");
    }
}

TEST(TitleMeshes, EveryGlyphExtrudesToAClosedSolid)
{
    for (int c = 33; c < 127; ++c) {
        SolidMesh m = TextSolid({GlyphOf, AdvanceFactor}, std::string(1, char(c)), 1.0, 0.25);
        EXPECT_EQ(ClosedSolidProblem(m), "") << "glyph '" << char(c) << "'";
        EXPECT_GT(SignedVolume(m), 0.0) << "glyph '" << char(c) << "'";
    }
}

TEST(Loudness, SinesAndGatesReadTheirKnownLevels)
{
    // Ten seconds of a 997 Hz sine, then ten more at `tailAmp` when that is not negative: silence
    // is below the absolute gate, a passage 40 dB down below the relative one.
    struct Case {
        double amp;
        bool both;
        double tailAmp, lufs;
    } cases[] = {{1.0, true, -1, 0.0},     {0.1, true, -1, -20.0},  {0.01, true, -1, -40.0}, {1.0, false, -1, -3.01},
                 {0.5, false, -1, -9.03}, {0.1, true, 0.0, -20.0}, {0.1, true, 0.001, -20.0}};
    const int rate = 48000;
    for (const Case& c : cases) {
        std::vector<float> l, r;
        for (size_t i = 0; i < size_t((c.tailAmp < 0 ? 10 : 20) * rate); ++i) {
            double a = i < size_t(10 * rate) ? c.amp : c.tailAmp;
            l.push_back(float(a * std::sin(2 * M_PI * 997.0 * double(i) / rate)));
            r.push_back(c.both ? l.back() : 0.0f);
        }
        EXPECT_NEAR(IntegratedLoudness(l.data(), r.data(), l.size(), rate), c.lufs, c.tailAmp < 0 ? 0.05 : 0.1)
            << c.amp << (c.both ? " both" : " left") << ", then " << c.tailAmp;
    }
    std::vector<float> l = {0.0f, -0.5f, 0.25f}, r = {0.1f, 0.2f, -0.05f};
    EXPECT_NEAR(PeakDb(l.data(), r.data(), 3), -6.0206, 1e-3);
    EXPECT_TRUE(std::isnan(IntegratedLoudness(l.data(), r.data(), 3, 44100)));
}

// The ticks fall on the changes of the scene's closing row and the blinks on the end text's
// returns: the count shows from 179.8 s and changes as the clock u = t * 0.835 + 0.89 passes
// each whole number; the end text shows from 190.5 s and comes back as sin(2 pi u + 0.48)
// falls under 0.4.
TEST(MusicSchedule, TicksAndBlinksFallOnTheSceneChanges)
{
    const std::vector<double> ticks = {179.8, 180.970, 182.168, 183.365, 184.563, 185.760, 186.958, 188.156, 189.353};
    const std::vector<double> blinks = {190.5, 190.980, 192.177, 193.375, 194.573, 195.770, 196.968, 198.165};
    for (const auto& [got, want] : {std::pair{CountdownTickTimes(), ticks}, std::pair{BlinkOnTimes(), blinks}}) {
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-3) << want[i];
    }
}

TEST(MusicScore, DrumsBassChordsAndLeadAllPlayAndEndWithTheShow)
{
    std::vector<NoteEvent> notes = ComposeSoundtrack();
    ASSERT_GT(notes.size(), 1000u);
    std::map<Instrument, int> used;
    for (const NoteEvent& n : notes) {
        EXPECT_TRUE(n.time >= 0.0 && n.time <= 198.7) << int(n.instrument);  // the last hit; the master fades out by 201.4 s
        EXPECT_LE(n.time + SoundingLength(n), kTrackSeconds);
        ++used[n.instrument];
    }
    for (Instrument i : {Instrument::Kick, Instrument::Clap, Instrument::HatClosed, Instrument::Bass, Instrument::Pad,
                         Instrument::Stab, Instrument::Pluck, Instrument::Lead, Instrument::Tick})
        EXPECT_GT(used[i], 0) << int(i);
}

TEST(MusicVoices, EveryInstrumentStartsAndEndsWithoutAJump)
{
    for (int i = int(Instrument::Kick); i <= int(Instrument::Drone); ++i) {
        NoteEvent n{.length = 0.6, .instrument = Instrument(i), .pitch = 57, .bright = 0.8};
        VoiceBuffer vb;
        RenderVoice(n, 99, vb);
        ASSERT_EQ(vb.left.size(), size_t(std::ceil(SoundingLength(n) * 48000))) << i;
        auto maxIn = [&](size_t from, size_t to) {
            double m = 0;
            for (size_t k = from; k < std::min(to, vb.left.size()); ++k) m = std::max({m, double(std::abs(vb.left[k])), double(std::abs(vb.right[k]))});
            return m;
        };
        const double peak = maxIn(0, vb.left.size());
        EXPECT_GT(peak, 0.01) << "instrument " << i << " is silent";
        EXPECT_LT(maxIn(0, 1), 0.01 * peak) << "instrument " << i << " starts with a jump";
        EXPECT_LT(maxIn(0, 10), 0.4 * peak) << "instrument " << i << " attacks in under 0.2 ms";
        EXPECT_LT(maxIn(vb.left.size() - 1, vb.left.size()), 0.002 * peak) << "instrument " << i << " stops with a jump";
    }
}

TEST(ClickDetector, FindsStepsButNotDrumsLikeTheOnesAroundThem)
{
    const long rate = 48000;
    Rng rng(5);
    auto hat = [&](double t) { return 0.2 * (2 * rng.Uniform() - 1) * std::exp(-t / 0.03) * std::min(1.0, t / 0.0007); };
    auto kick = [](double t) {
        return 0.8 * std::sin(2 * M_PI * (50 * t + 3.5 * (1 - std::exp(-t / 0.032)))) * std::min(1.0, t / 0.0015) * std::exp(-t / 0.2);
    };
    // A 227 Hz tone; at each start time, g(t) seconds after it is added (or, for a step down,
    // multiplies the tone); 1.5 s is where the detector looks.
    struct Case {
        const char* name;
        std::vector<double> starts;
        std::function<double(double)> g;
        bool multiply, click;
    } cases[] = {
        {"steady tone", {}, nullptr, false, false},
        {"tone with a small step", {1.5}, [](double) { return 0.03; }, false, true},
        {"tone cut off at a crest", {1.5 + 0.25 / 227}, [](double) { return 0.0; }, true, true},
        {"tone fading out over 5 ms", {1.5}, [](double t) { return std::max(0.0, 1.0 - t / 0.005); }, true, false},
        {"hat among hats", {0.9, 1.2, 1.5, 1.8, 2.1}, hat, false, false},
        {"kick among kicks", {0.9, 1.5, 2.1}, kick, false, false},
    };
    for (const Case& c : cases) {
        std::vector<float> v(size_t(3 * rate));
        for (size_t i = 0; i < v.size(); ++i) v[i] = float(0.3 * std::sin(2 * M_PI * 227.0 * double(i) / rate));
        for (double start : c.starts)
            for (size_t i = size_t(start * rate); i < v.size(); ++i) {
                double g = c.g(double(i) / rate - start);
                v[i] = float(c.multiply ? v[i] * g : v[i] + g);
            }
        double ratio = ClickRatio(v, v, 1.5);
        EXPECT_TRUE(c.click ? ratio > 20.0 : ratio < 4.0) << c.name << ": ratio " << ratio;
    }
}

// The keyframe tracks: names as the shaders' comment block gives them, authored points on the
// music's changes of passage, eased and held segments, and the records the scene reads.
TEST(KeyframeTracks, NamesPointsSegmentsAndRecords)
{
    // data/shaders2/tweaks.cpp documents "//   kN  name: ..." for each tweak value.
    std::istringstream doc(ReadWholeFile(HOLLOWMERE_SOURCE_DIR "/data/shaders2/tweaks.cpp").value_or(""));
    std::map<int, std::string> documented;
    for (std::string line; std::getline(doc, line);) {
        int k = -1;
        char name[32] = {};
        if (std::sscanf(line.c_str(), "//   k%d %31[a-z]", &k, name) == 2) documented[k] = name;
    }
    ASSERT_EQ(documented.size(), size_t(kTweakCount));
    for (int k = 0; k < kTweakCount; ++k) EXPECT_EQ(documented[k], kTweakNames[k]) << "k" << k;

    // Every change of passage in the show's span of keyframes has an authored point within 0.25 s.
    for (double change : {13.7, 20.0, 25.0, 30.0, 104.1, 116.0, 133.0, 148.0, 170.0}) {
        double nearest = 1e9;
        for (int track : {0, 1})
            for (const ControlPoint& p : ControlPoints(track)) nearest = std::min(nearest, std::fabs(p.time - change));
        EXPECT_LE(nearest, 0.25) << change;
    }

    const std::vector<ControlPoint> points = {{0, {0, 1, 0, 0, 0, 0}, true}, {2, {2, 3, 0, 0, 0, 0}, false},
                                              {4, {5, 7, 0, 0, 0, 0}, true}};
    const struct { double t; float k0; } values[] = {{-1, 0}, {0, 0}, {1, 1}, {0.5, float(1 - std::cos(3.14159265358979 / 4))},
                                                    {2, 2}, {3.9, 2}, {4, 5}, {9, 5}};
    for (const auto& v : values) EXPECT_NEAR(ControlValue(points, 0, v.t), v.k0, 1e-6) << v.t;

    // One record a frame across each track's span; brightness lifted by the music where it hits.
    const std::vector<TrackRecord>& t0 = TrackRecords(0);
    const std::vector<TrackRecord>& t1 = TrackRecords(1);
    EXPECT_EQ(t0.size(), 900u);
    EXPECT_EQ(t1.size(), 4470u);
    EXPECT_NEAR(t0.back().key, 30.0 - 1.0 / 30, 1e-4);
    EXPECT_FLOAT_EQ(t1.front().key, 30.0f);
    double groove = 0, breakdown = 0;
    for (double t = 40; t < 44; t += 0.01) groove = std::max(groove, MusicPulse(t));
    for (double t = 106; t < 110; t += 0.01) breakdown = std::max(breakdown, MusicPulse(t));
    EXPECT_GT(groove, 0.5);
    EXPECT_LT(breakdown, 0.05) << "no drums in the camera break";
}
