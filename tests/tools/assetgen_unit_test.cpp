// The generator's building blocks: number formatting, plane triangulation, extruded solids from
// the real stroke font, the loudness meter, the face sampler, the schedule times the music
// follows, the instruments' note edges and the click detector used on the soundtrack.
#include "app/font.h"
#include "audio_checks.h"
#include "face.h"
#include "loudness.h"
#include "mesh_checks.h"
#include "music.h"
#include "music_voices.h"
#include "progress.h"
#include "rng.h"
#include "text_format.h"
#include "text_meshes.h"
#include "triangulate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

namespace {

CheckMesh ToCheck(const SolidMesh& m)
{
    CheckMesh c;
    for (const Vec3& p : m.positions) c.positions.push_back({p.x, p.y, p.z});
    c.triangles = m.triangles;
    return c;
}

const FontSource kFont = {GlyphOf, AdvanceFactor};

}  // namespace

TEST(TextFormat, FixedAndIntegerForms)
{
    struct Case {
        double value;
        int decimals;
        const char* text;
    } cases[] = {
        {0.0, 5, "0.00000"},      {-0.000004, 5, "0.00000"}, {-0.000006, 5, "-0.00001"}, {1.234567, 3, "1.235"},
        {-0.123456, 5, "-0.12346"}, {123.45678, 2, "123.46"},  {0.5, 0, "1"},            {-1454061.0, 0, "-1454061"},
        {0.07, 3, "0.070"},       {9.9999999, 3, "10.000"},
    };
    for (const Case& c : cases) {
        std::string s;
        AppendFixed(s, c.value, c.decimals);
        EXPECT_EQ(s, c.text) << c.value << " at " << c.decimals;
        EXPECT_NEAR(std::stod(s), c.value, 0.5 * std::pow(10.0, -c.decimals) + 1e-12);
    }
    for (long long v : {0LL, 7LL, -42LL, 1454061LL, -9223372036854775807LL}) {
        std::string s;
        AppendInt(s, v);
        EXPECT_EQ(s, std::to_string(v));
    }
}

TEST(Triangulate, RegionsWithHolesAreCoveredExactly)
{
    auto rect = [](int64_t x0, int64_t y0, int64_t x1, int64_t y1, bool hole) {
        Ring r = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        if (hole) std::reverse(r.begin(), r.end());
        return r;
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
        int64_t want = TwiceArea(c.region.outer);
        for (const Ring& h : c.region.holes) want += TwiceArea(h);
        int64_t got = 0;
        std::map<std::pair<int, int>, int> directed;
        for (const auto& tri : t.triangles) {
            int64_t a = TwiceArea({t.points[size_t(tri[0])], t.points[size_t(tri[1])], t.points[size_t(tri[2])]});
            EXPECT_GE(a, 0);
            got += a;
            for (int k = 0; k < 3; ++k) ++directed[{tri[size_t(k)], tri[size_t((k + 1) % 3)]}];
        }
        EXPECT_EQ(got, want);
        // Boundary edges (in ring order) once; every other edge once each way.
        std::map<std::pair<int, int>, int> boundary;
        int start = 0;
        auto addRing = [&](size_t n) {
            for (size_t i = 0; i < n; ++i) boundary[{start + int(i), start + int((i + 1) % n)}] = 1;
            start += int(n);
        };
        addRing(c.region.outer.size());
        for (const Ring& h : c.region.holes) addRing(h.size());
        for (const auto& [e, n] : directed) {
            EXPECT_EQ(n, 1);
            if (!boundary.count(e)) {
                EXPECT_EQ(directed.count({e.second, e.first}), 1u) << e.first << "-" << e.second;
            }
        }
        for (const auto& [e, n] : boundary) EXPECT_EQ(directed.count(e), 1u) << "boundary " << e.first << "-" << e.second;
    }
}

TEST(TitleMeshes, EveryGlyphExtrudesToAClosedSolid)
{
    for (int c = 33; c < 127; ++c) {
        std::string text(1, char(c));
        CheckMesh m = ToCheck(TextSolid(kFont, text, 1.0, 0.25));
        EXPECT_EQ(ClosedSolidProblem(m), "") << "glyph '" << text << "'";
        EXPECT_GT(SignedVolume(m), 0.0) << "glyph '" << text << "'";
    }
}

TEST(TitleMeshes, ObjectsAreClosedCentredAndSizedForTheCameras)
{
    std::vector<NamedMesh> objects = TitleObjects(kFont);
    ASSERT_EQ(objects.size(), 21u);
    EXPECT_TRUE(objects[0].mesh.triangles.empty());
    for (size_t i = 1; i < objects.size(); ++i) {
        SCOPED_TRACE("object " + std::to_string(i) + " \"" + TitleTexts()[i] + "\"");
        CheckMesh m = ToCheck(objects[i].mesh);
        EXPECT_EQ(ClosedSolidProblem(m), "");
        auto b = Bounds(m);
        EXPECT_NEAR(b[0] + b[3], 0.0, 1e-3);
        EXPECT_NEAR(b[1] + b[4], 0.0, 1e-3);
        double width = b[3] - b[0], height = b[4] - b[1];
        if (i <= 9) {
            EXPECT_GT(height, 3.0);  // the 9 degree view at 75 units is about 11.8 units tall
            EXPECT_LT(height, 7.0);
        } else {
            EXPECT_GT(width, 5.0);
            EXPECT_LT(width, 10.5);  // about 10 units: the 10 degree view at 75 units is 13 tall
        }
        EXPECT_GT(SignedVolume(m), 0.0);
    }
    EXPECT_EQ(TitleTexts()[11], "HOLLOWMERE");
}

TEST(TitleMeshes, EmblemIsOneClosedPieceAroundTheOrigin)
{
    CheckMesh m = ToCheck(Emblem());
    EXPECT_EQ(ClosedSolidProblem(m), "");
    EXPECT_GT(SignedVolume(m), 0.0);
    auto b = Bounds(m);
    EXPECT_NEAR(b[3] - b[0], 2.5, 0.05);
    EXPECT_NEAR(b[4] - b[1], 2.5, 0.05);
    // The logo camera starts at z = 0 (inside the emblem) and backs away along +z.
    EXPECT_TRUE(Inside(m, {0, 0, 0}));
    EXPECT_FALSE(Inside(m, {0, 0, 1.0}));
}

TEST(Loudness, SinesAndGatesReadTheirKnownLevels)
{
    const int rate = 48000;
    auto sine = [&](double seconds, double amp, bool right) {
        std::vector<float> v(size_t(seconds * rate));
        for (size_t i = 0; i < v.size(); ++i) v[i] = float(amp * std::sin(6.283185307179586 * 997.0 * double(i) / rate));
        return std::make_pair(v, right ? v : std::vector<float>(v.size(), 0.0f));
    };
    struct Case {
        double amp;
        bool both;
        double lufs;
    } cases[] = {{1.0, true, 0.0}, {0.1, true, -20.0}, {0.01, true, -40.0}, {1.0, false, -3.01}, {0.5, false, -9.03}};
    for (const Case& c : cases) {
        auto [l, r] = sine(10.0, c.amp, c.both);
        EXPECT_NEAR(IntegratedLoudness(l.data(), r.data(), l.size(), rate), c.lufs, 0.05) << c.amp << (c.both ? " both" : " left");
    }
    {
        // Silence is below the absolute gate and does not pull the level down.
        auto [l, r] = sine(10.0, 0.1, true);
        l.resize(l.size() * 2, 0.0f);
        r.resize(r.size() * 2, 0.0f);
        EXPECT_NEAR(IntegratedLoudness(l.data(), r.data(), l.size(), rate), -20.0, 0.1);
    }
    {
        // A passage 40 dB down is above the absolute gate but below the relative one.
        auto [l, r] = sine(10.0, 0.1, true);
        auto [ql, qr] = sine(10.0, 0.001, true);
        l.insert(l.end(), ql.begin(), ql.end());
        r.insert(r.end(), qr.begin(), qr.end());
        EXPECT_NEAR(IntegratedLoudness(l.data(), r.data(), l.size(), rate), -20.0, 0.1);
    }
    std::vector<float> l = {0.0f, -0.5f, 0.25f}, r = {0.1f, 0.2f, -0.05f};
    EXPECT_NEAR(PeakDb(l.data(), r.data(), 3), -6.0206, 1e-3);
    EXPECT_TRUE(std::isnan(IntegratedLoudness(l.data(), r.data(), 3, 44100)));
}

TEST(Face, SampleIsCentredSymmetricAndHasItsFeatures)
{
    SetProgressQuiet(true);
    std::vector<FacePoint> pts = SampleFace(40000, 7);
    ASSERT_EQ(pts.size(), 40000u);
    float lo[3] = {1, 1, 1}, hi[3] = {-1, -1, -1};
    int right = 0, lips = 0, lipsCentral = 0, dark = 0, darkFront = 0;
    for (const FacePoint& p : pts) {
        const float v[3] = {p.x, p.y, p.z};
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], v[k]);
            hi[k] = std::max(hi[k], v[k]);
        }
        right += p.x > 0;
        if (p.r > p.g + 50 && p.r > p.b + 40) {  // lip red
            ++lips;
            lipsCentral += std::abs(p.x) < 0.08f && p.z > 0.15f && p.y < 0.0f;
        }
        if (p.r < 30 && p.g < 30 && p.b < 30 && p.z > 0.2f && std::abs(p.x) < 0.2f) {
            ++dark;
            darkFront += p.y > 0.0f && p.y < 0.2f;  // pupils, nostrils and the mouth line sit here and below
        }
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(lo[k] + hi[k], 0.0f, 1e-4f) << "axis " << k;
        EXPECT_GE(lo[k], -0.5f);
        EXPECT_LE(hi[k], 0.5f);
    }
    EXPECT_NEAR(hi[1] - lo[1], 0.98f, 1e-4f);
    EXPECT_LT(hi[0] - lo[0], hi[1] - lo[1]);
    EXPECT_NEAR(right / 40000.0, 0.5, 0.02);
    EXPECT_GT(lips, 40);
    EXPECT_GT(lipsCentral, lips * 9 / 10);
    EXPECT_GT(dark, 0);
    EXPECT_GT(darkFront, 0);
    // The same seed gives the same points.
    std::vector<FacePoint> again = SampleFace(40000, 7);
    EXPECT_EQ(std::memcmp(again.data(), pts.data(), pts.size() * sizeof(FacePoint)), 0);
}

TEST(Face, PlyHeaderIsFortyLinesAndBodyLinesHoldSevenNumbers)
{
    std::string header = FacePlyHeader(kFacePointCount);
    std::istringstream in(header);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_EQ(header.back(), '\n');
    EXPECT_EQ(lines[0], "ply");
    EXPECT_EQ(lines[1], "format ascii 1.0");
    EXPECT_EQ(lines.back(), "end_header");
    int properties = 0;
    for (const auto& l : lines) properties += l.rfind("property ", 0) == 0;
    EXPECT_EQ(properties, 7);
    EXPECT_NE(header.find("element vertex 1454061\n"), std::string::npos);

    FacePoint p[2] = {{-0.5f, 0.123456f, 0.0f, 255, 0, 17, 0.25f}, {0.000001f, -0.49999f, 0.3f, 1, 2, 3, 1.0f}};
    std::string body;
    AppendFaceLines(body, p, 2);
    EXPECT_EQ(body, "-0.50000 0.12346 0.00000 255 0 17 0.250\n0.00000 -0.49999 0.30000 1 2 3 1.000\n");
}

TEST(MusicSchedule, CountdownTicksFallOnEveryCountChange)
{
    auto count = [](double t) {
        long k = long(t * 0.835 + 0.89);
        return 10 - k % 10;
    };
    std::vector<double> ticks = CountdownTickTimes();
    ASSERT_FALSE(ticks.empty());
    EXPECT_DOUBLE_EQ(ticks[0], 179.8);  // the count appears
    EXPECT_EQ(count(179.81), 9);
    int changes = 0;
    for (double t = 179.8; t < 190.5; t += 0.0005) changes += count(t) != count(t + 0.0005);
    EXPECT_EQ(int(ticks.size()) - 1, changes);
    for (size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_NE(count(ticks[i] - 1e-6), count(ticks[i] + 1e-6)) << ticks[i];
        EXPECT_NEAR(ticks[i] - ticks[i - 1], i == 1 ? ticks[1] - 179.8 : 1.0 / 0.835, 1e-9);
    }
    EXPECT_EQ(count(ticks.back() + 0.01), 1);
}

TEST(MusicSchedule, BlinkStabsFallWhenTheEndTextComesOn)
{
    auto shown = [](double t) {
        double u = t * 0.835 + 0.89;
        return std::sin(u * 6.283185307 + 0.48) < 0.4;
    };
    std::vector<double> on = BlinkOnTimes();
    ASSERT_FALSE(on.empty());
    EXPECT_DOUBLE_EQ(on[0], 190.5);
    EXPECT_TRUE(shown(190.5));
    int comings = 0;
    for (double t = 190.5; t < 198.7; t += 0.0005) comings += !shown(t) && shown(t + 0.0005);
    EXPECT_EQ(int(on.size()) - 1, comings);
    for (size_t i = 1; i < on.size(); ++i) {
        EXPECT_FALSE(shown(on[i] - 1e-4)) << on[i];
        EXPECT_TRUE(shown(on[i] + 1e-4)) << on[i];
    }
}

TEST(MusicScore, NotesAreOrderedAndEndWithTheShow)
{
    std::vector<NoteEvent> notes = ComposeSoundtrack();
    ASSERT_GT(notes.size(), 1000u);
    std::map<Instrument, int> used;
    for (size_t i = 0; i < notes.size(); ++i) {
        if (i) {
            EXPECT_LE(notes[i - 1].time, notes[i].time);
        }
        EXPECT_GE(notes[i].time, 0.0);
        EXPECT_LE(notes[i].time, 198.7) << int(notes[i].instrument);  // the last hit; the master fades out by 201.4 s
        EXPECT_LE(notes[i].time + SoundingLength(notes[i]), kTrackSeconds);
        ++used[notes[i].instrument];
    }
    // Drums, bass, chords and a lead all play.
    for (Instrument i : {Instrument::Kick, Instrument::Clap, Instrument::HatClosed, Instrument::Bass, Instrument::Pad,
                         Instrument::Stab, Instrument::Pluck, Instrument::Lead, Instrument::Tick})
        EXPECT_GT(used[i], 0) << int(i);
}

TEST(MusicVoices, EveryInstrumentStartsAndEndsWithoutAJump)
{
    for (int i = int(Instrument::Kick); i <= int(Instrument::Drone); ++i) {
        NoteEvent n;
        n.instrument = Instrument(i);
        n.length = 0.6;
        n.pitch = 57;
        n.bright = 0.8;
        VoiceBuffer vb;
        RenderVoice(n, 99, vb);
        ASSERT_EQ(vb.left.size(), size_t(std::ceil(SoundingLength(n) * 48000))) << i;
        double peak = 0;
        for (size_t k = 0; k < vb.left.size(); ++k) peak = std::max({peak, double(std::abs(vb.left[k])), double(std::abs(vb.right[k]))});
        EXPECT_GT(peak, 0.01) << "instrument " << i << " is silent";
        auto maxIn = [&](size_t from, size_t to) {
            double m = 0;
            for (size_t k = from; k < to && k < vb.left.size(); ++k) m = std::max({m, double(std::abs(vb.left[k])), double(std::abs(vb.right[k]))});
            return m;
        };
        EXPECT_LT(maxIn(0, 1), 0.01 * peak) << "instrument " << i << " starts with a jump";
        EXPECT_LT(maxIn(0, 10), 0.4 * peak) << "instrument " << i << " attacks in under 0.2 ms";
        EXPECT_LT(maxIn(vb.left.size() - 1, vb.left.size()), 0.002 * peak) << "instrument " << i << " stops with a jump";
    }
}

TEST(ClickDetector, FindsStepsButNotDrumsLikeTheOnesAroundThem)
{
    const long rate = 48000;
    Rng rng(5);
    auto hat = [&](std::vector<float>& v, double at, double amp) {
        for (size_t i = size_t(at * rate); i < v.size(); ++i) {
            double t = double(i) / rate - at;
            v[i] += float(amp * (2 * rng.Uniform() - 1) * std::exp(-t / 0.03) * std::min(1.0, t / 0.0007));
        }
    };
    auto kick = [&](std::vector<float>& v, double at) {
        for (size_t i = size_t(at * rate); i < v.size(); ++i) {
            double t = double(i) / rate - at;
            v[i] += float(0.8 * std::sin(6.283185307179586 * (50 * t + 3.5 * (1 - std::exp(-t / 0.032)))) *
                          std::min(1.0, t / 0.0015) * std::exp(-t / 0.2));
        }
    };
    struct Case {
        const char* name;
        int kind;
        bool click;
    } cases[] = {{"steady tone", 0, false},          {"tone with a small step", 1, true},
                 {"tone cut off", 2, true},           {"hat among hats", 3, false},
                 {"kick among kicks", 4, false},      {"tone fading out over 5 ms", 5, false}};
    for (const Case& c : cases) {
        std::vector<float> v(size_t(3 * rate));
        for (size_t i = 0; i < v.size(); ++i) v[i] = float(0.3 * std::sin(6.283185307179586 * 227.0 * double(i) / rate));
        const size_t at = size_t(1.5 * rate);
        switch (c.kind) {
        case 1: for (size_t i = at; i < v.size(); ++i) v[i] += 0.03f; break;
        case 2: for (size_t i = at + size_t(rate / (4 * 227)); i < v.size(); ++i) v[i] = 0; break;  // at a crest
        case 3: for (double t : {0.9, 1.2, 1.5, 1.8, 2.1}) hat(v, t, 0.2); break;
        case 4: for (double t : {0.9, 1.5, 2.1}) kick(v, t); break;
        case 5: for (size_t i = at; i < v.size(); ++i) v[i] = float(v[i] * std::max(0.0, 1.0 - double(i - at) / (0.005 * rate))); break;
        default: break;
        }
        double ratio = ClickRatio(v, v, rate, 1.5);
        if (c.click) {
            EXPECT_GT(ratio, 20.0) << c.name;
        } else {
            EXPECT_LT(ratio, 4.0) << c.name;
        }
    }
}
