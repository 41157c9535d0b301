#include "keyframes.h"

#include "file_out.h"
#include "music.h"
#include "text_format.h"

#include <algorithm>
#include <cmath>

const char* const kTweakNames[kTweakCount] = {"brightness", "flow", "face", "palette", "trails", "glow"};

namespace {

constexpr double kFrameRate = 30.0;
constexpr double kTrackSpans[2][2] = {{0.0, 30.0}, {30.0, 179.0}};

}  // namespace

// The story, on the music's changes of passage (see the soundtrack's schedule marks):
//   0-13.7   the emblem in silhouette against a faint, slow cloud that brightens from black
//   13.7-20  the title hit: a bright field        20-25 it calms        25-30 it winds up
//   30-104   the groove: sweeping flow, the palette turning with the eight-bar phrases
//   104-116  the camera break: the cloud slows and gathers into the face, then lets it go
//   116-133  the rebuild        133-148 the loudest passage under the second title
//   148-170  the face held, formed and shimmering        170-179 it dissolves into a bright,
//   slow field that stays for the countdown and the closing title.
const std::vector<ControlPoint>& ControlPoints(int track)
{
    //                      brightness flow  face  palette trails glow
    static const std::vector<ControlPoint> track0 = {
        {0.0, {0.00f, 0.12f, 0.0f, 0.10f, 0.55f, 0.35f}, true},
        {4.0, {0.70f, 0.15f, 0.0f, 0.12f, 0.60f, 0.40f}, true},
        {13.5, {0.90f, 0.25f, 0.0f, 0.25f, 0.65f, 0.45f}, false},
        {13.7, {1.25f, 0.45f, 0.0f, 0.40f, 0.60f, 0.70f}, true},
        {19.8, {1.05f, 0.35f, 0.0f, 0.45f, 0.60f, 0.60f}, false},
        {20.0, {0.60f, 0.10f, 0.0f, 0.35f, 0.75f, 0.45f}, true},
        {24.8, {0.65f, 0.12f, 0.0f, 0.30f, 0.75f, 0.45f}, false},
        {25.0, {0.70f, 0.25f, 0.0f, 0.25f, 0.65f, 0.50f}, true},
        {29.9, {1.05f, 0.85f, 0.0f, 0.20f, 0.60f, 0.55f}, false},
    };
    static const std::vector<ControlPoint> track1 = {
        {30.0, {1.00f, 0.90f, 0.0f, 0.18f, 0, 0}, true},
        {48.9, {1.00f, 1.00f, 0.0f, 0.30f, 0, 0}, false},
        {49.2, {1.05f, 1.10f, 0.0f, 0.50f, 0, 0}, true},
        {67.8, {1.05f, 1.00f, 0.0f, 0.60f, 0, 0}, false},
        {68.0, {1.20f, 1.25f, 0.0f, 0.85f, 0, 0}, true},
        {86.9, {1.15f, 1.20f, 0.0f, 0.80f, 0, 0}, false},
        {87.2, {1.10f, 1.00f, 0.0f, 0.40f, 0, 0}, true},
        {103.9, {1.10f, 1.10f, 0.0f, 0.30f, 0, 0}, false},
        {104.1, {1.20f, 0.30f, 0.0f, 0.65f, 0, 0}, true},
        {109.5, {1.45f, 0.15f, 0.7f, 0.70f, 0, 0}, true},
        {111.0, {1.45f, 0.15f, 0.7f, 0.70f, 0, 0}, true},
        {115.8, {1.30f, 0.40f, 0.0f, 0.60f, 0, 0}, false},
        {116.0, {1.00f, 0.90f, 0.0f, 0.30f, 0, 0}, true},
        {132.8, {1.05f, 1.10f, 0.0f, 0.45f, 0, 0}, false},
        {133.0, {1.15f, 1.20f, 0.0f, 0.85f, 0, 0}, true},
        {147.8, {1.05f, 1.10f, 0.0f, 0.75f, 0, 0}, false},
        {148.0, {0.95f, 0.30f, 0.3f, 0.55f, 0, 0}, true},
        {149.5, {0.95f, 0.20f, 1.0f, 0.55f, 0, 0}, true},
        {170.0, {1.00f, 0.20f, 1.0f, 0.60f, 0, 0}, true},
        {178.0, {1.20f, 0.15f, 0.0f, 0.55f, 0, 0}, true},
        {178.9, {1.25f, 0.15f, 0.0f, 0.55f, 0, 0}, false},
    };
    return track == 0 ? track0 : track1;
}

float ControlValue(const std::vector<ControlPoint>& points, int tweak, double t)
{
    if (points.empty())
        return 0.0f;
    if (t <= points.front().time)
        return points.front().k[tweak];
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const ControlPoint& a = points[i];
        const ControlPoint& b = points[i + 1];
        if (t >= b.time)
            continue;
        if (!a.eased)
            return a.k[tweak];
        const double x = (t - a.time) / (b.time - a.time);
        const double e = 0.5 - 0.5 * std::cos(3.14159265358979 * x);
        return float(a.k[tweak] + (b.k[tweak] - a.k[tweak]) * e);
    }
    return points.back().k[tweak];
}

double MusicPulse(double t)
{
    // The hits, sorted once: a hit's weight by instrument, its time.
    static const std::vector<std::pair<double, double>> hits = [] {
        std::vector<std::pair<double, double>> h;
        for (const NoteEvent& n : ComposeSoundtrack()) {
            double w = 0.0;
            switch (n.instrument) {
            case Instrument::Kick: w = 0.8; break;
            case Instrument::Snare: case Instrument::Clap: w = 0.5; break;
            case Instrument::Impact: case Instrument::Crash: w = 1.0; break;
            case Instrument::Stab: w = 0.6; break;
            default: break;
            }
            if (w > 0.0) h.emplace_back(n.time, w * std::min(n.velocity, 1.0));
        }
        std::sort(h.begin(), h.end());
        return h;
    }();
    double pulse = 0.0;
    auto it = std::upper_bound(hits.begin(), hits.end(), std::make_pair(t, 1e9));
    for (int i = 0; i < 12 && it != hits.begin(); ++i) {
        --it;
        pulse += it->second * std::exp(-(t - it->first) / 0.2);
    }
    return std::min(pulse, 1.2);
}

namespace {

std::vector<TrackRecord> SampleTrack(int track)
{
    const std::vector<ControlPoint>& points = ControlPoints(track);
    const double from = kTrackSpans[track][0], to = kTrackSpans[track][1];
    std::vector<TrackRecord> out;
    for (int f = 0; from + f / kFrameRate < to; ++f) {
        const double t = from + f / kFrameRate;
        TrackRecord k = {float(t), {}};
        for (int i = 0; i < kTweakCount; ++i) k.k[i] = ControlValue(points, i, t);
        k.k[kBrightness] *= float(1.0 + 0.22 * MusicPulse(t));
        out.push_back(k);
    }
    return out;
}

}  // namespace

const std::vector<TrackRecord>& TrackRecords(int track)
{
    static const std::vector<TrackRecord> tracks[2] = {SampleTrack(0), SampleTrack(1)};
    return tracks[track == 0 ? 0 : 1];
}

std::string FormatKeyframes(const std::vector<TrackRecord>& track)
{
    std::string text;
    for (const TrackRecord& f : track) {
        AppendFixed(text, f.key, 3);
        for (float v : f.k) {
            text.push_back(' ');
            AppendFixed(text, v, 3);
        }
        text.push_back('\n');
    }
    return text;
}

bool WriteKeyframes(const std::filesystem::path& dir)
{
    return WriteFileText(dir / "my0.txt", FormatKeyframes(TrackRecords(0))) &&
           WriteFileText(dir / "my1.txt", FormatKeyframes(TrackRecords(1)));
}
