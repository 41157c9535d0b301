// The arrangement: A minor at about 100 beats a minute, every passage on its own beat grid
// stretched so that whole bars fit between the schedule's times.
#include "music.h"
#include "music_voices.h"
#include "parts/schedule.h"

#include <algorithm>
#include <cmath>

namespace {

using I = Instrument;

struct Chord {
    int bass;      // bass note
    int notes[3];  // triad voicing around middle C
};
const Chord kAm{33, {57, 60, 64}}, kF{29, {57, 60, 65}}, kC{36, {55, 60, 64}}, kG{31, {55, 59, 62}},
    kDm{38, {57, 62, 65}}, kE{28, {56, 59, 64}};
const Chord* const kVerse[4] = {&kAm, &kF, &kC, &kG};
const Chord* const kBreak[4] = {&kF, &kG, &kAm, &kAm};
const Chord* const kDark[4] = {&kDm, &kAm, &kE, &kAm};

// The lead's eight-bar tune over the verse chords: bar, beat, length in beats, note.
struct TuneNote {
    int bar;
    double beat, length;
    int note;
};
const TuneNote kTune[] = {
    {0, 0, 0.5, 69}, {0, 0.5, 0.5, 72}, {0, 1, 1.5, 76}, {0, 2.5, 0.5, 74}, {0, 3, 1, 72},
    {1, 0, 1.5, 69}, {1, 1.5, 0.5, 72}, {1, 2, 1, 77},   {1, 3, 1, 76},
    {2, 0, 1.5, 79}, {2, 1.5, 0.5, 76}, {2, 2, 1, 72},   {2, 3, 1, 74},
    {3, 0, 1, 71},   {3, 1, 1, 74},     {3, 2, 2, 74},
    {4, 0, 1, 76},   {4, 1, 1.5, 81},   {4, 2.5, 0.5, 79}, {4, 3, 1, 76},
    {5, 0, 1.5, 77}, {5, 1.5, 0.5, 76}, {5, 2, 1, 72},   {5, 3, 1, 69},
    {6, 0, 1, 67},   {6, 1, 1, 72},     {6, 2, 1, 76},   {6, 3, 1, 79},
    {7, 0, 1.5, 74}, {7, 1.5, 0.5, 71}, {7, 2, 2, 69},
};

// A beat grid from `start` whose beat is stretched so that a whole number of `unit`-beat
// groups ends exactly at `end`.
struct Grid {
    double start, beat;
    double T(double beats) const { return start + beats * beat; }
};
Grid FitGrid(double start, double end, double bpm, int unit)
{
    double nominal = 60.0 / bpm;
    int units = std::max(1, int(std::lround((end - start) / (nominal * unit))));
    return {start, (end - start) / (units * unit)};
}

struct Score {
    std::vector<NoteEvent> notes;
    NoteEvent& Add(double t, double length, I instrument, double pitch, double velocity)
    {
        NoteEvent n;
        n.time = t;
        n.length = length;
        n.instrument = instrument;
        n.pitch = pitch;
        n.velocity = velocity;
        notes.push_back(n);
        return notes.back();
    }

    // Four-on-the-floor bar: kick on every beat, clap on two and four, hats between.
    void DrumBar(const Grid& g, int bar, double level, bool sixteenths, bool openHats)
    {
        double b0 = bar * 4.0;
        for (int k = 0; k < 4; ++k) {
            Add(g.T(b0 + k), 0, I::Kick, 0, 1.0 * level);
            if (k % 2 == 1) Add(g.T(b0 + k), 0, I::Clap, 0, 0.55 * level).pan = 0.05;
            Add(g.T(b0 + k + 0.5), 0, openHats && k == 3 ? I::HatOpen : I::HatClosed, 0, 0.26 * level).pan = 0.25;
            if (sixteenths) {
                Add(g.T(b0 + k + 0.25), 0, I::HatClosed, 0, 0.1 * level).pan = -0.3;
                Add(g.T(b0 + k + 0.75), 0, I::HatClosed, 0, 0.13 * level).pan = -0.3;
            }
        }
    }
    // Half-time bar: kick on one and the "and" of three, snare on three.
    void HalfTimeBar(const Grid& g, int bar, double level)
    {
        double b0 = bar * 4.0;
        Add(g.T(b0), 0, I::Kick, 0, 0.95 * level);
        Add(g.T(b0 + 2.5), 0, I::Kick, 0, 0.7 * level);
        Add(g.T(b0 + 2), 0, I::Snare, 0, 0.6 * level);
        Add(g.T(b0 + 2), 0, I::Clap, 0, 0.3 * level);
        for (int k = 0; k < 4; ++k) Add(g.T(b0 + k + 0.5), 0, I::HatClosed, 0, 0.16 * level).pan = 0.3;
    }
    // Driving eighth-note bass: root, root, octave, root, root, root, octave, fifth.
    void BassBar(const Grid& g, int bar, const Chord& c, double level, double bright)
    {
        static const int pattern[8] = {0, 0, 12, 0, 0, 0, 12, 7};
        for (int k = 0; k < 8; ++k)
            Add(g.T(bar * 4.0 + k * 0.5), g.beat * 0.42, I::Bass, c.bass + pattern[k], 0.5 * level).bright = bright;
    }
    void PadChord(double t, double length, const Chord& c, double level, double bright, double brightEnd = -1)
    {
        const double pans[3] = {-0.45, 0.0, 0.45};
        for (int k = 0; k < 3; ++k) {
            NoteEvent& n = Add(t, length, I::Pad, c.notes[k], 0.2 * level);
            n.pan = pans[k];
            n.bright = bright;
            n.brightEnd = brightEnd;
        }
    }
    // Sixteenth-note arpeggio over the chord, an octave up, alternating sides.
    void ArpBar(const Grid& g, int bar, const Chord& c, double level, double bright, int everyNth = 1)
    {
        static const int order[8] = {0, 1, 2, 3, 2, 1, 3, 1};
        for (int k = 0; k < 16; k += everyNth) {
            int idx = order[k % 8];
            int note = idx == 3 ? c.notes[0] + 24 : c.notes[idx] + 12;
            NoteEvent& n = Add(g.T(bar * 4.0 + k * 0.25), 0, I::Pluck, note, (k % 4 == 0 ? 0.2 : 0.15) * level);
            n.pan = k % 2 ? 0.4 : -0.4;
            n.bright = bright;
        }
    }
    void StabBar(const Grid& g, int bar, const Chord& c, double level)
    {
        for (double beat : {0.5, 1.5, 2.75, 3.5})
            for (int k = 0; k < 3; ++k)
                Add(g.T(bar * 4.0 + beat), g.beat * 0.3, I::Stab, c.notes[k] + 12, 0.16 * level).pan = (k - 1) * 0.5;
    }
    // `bars` bars of the tune starting at tune bar `tuneBar`, from grid bar `bar`.
    void TuneBars(const Grid& g, int bar, int bars, int tuneBar, int transpose, double level, double bright)
    {
        for (const TuneNote& t : kTune) {
            int rel = (t.bar - tuneBar + 8) % 8;
            if (rel >= bars) continue;
            NoteEvent& n = Add(g.T((bar + rel) * 4.0 + t.beat), t.length * g.beat * 0.92, I::Lead, t.note + transpose,
                               0.3 * level);
            n.bright = bright;
            n.pan = 0.1;
        }
    }
    // Snare roll: eighths, then sixteenths in the second half, getting louder.
    void SnareRoll(const Grid& g, double fromBeat, double toBeat, double level)
    {
        double half = (fromBeat + toBeat) / 2;
        for (double b = fromBeat; b < toBeat - 1e-9; b += b < half ? 0.5 : 0.25) {
            double x = (b - fromBeat) / (toBeat - fromBeat);
            Add(g.T(b), 0, I::Snare, 0, (0.2 + 0.5 * x) * level);
        }
    }
    void Riser(double from, double to, double level)
    {
        Add(from, to - from, I::Riser, 45, 0.35 * level);
    }
    void Hit(double t, double level)
    {
        Add(t, 0, I::Impact, 0, 1.0 * level);
        Add(t, 0, I::Crash, 0, 0.4 * level).pan = -0.2;
    }
};

// Time just before a change of passage left free of new sound, so every change is heard.
constexpr double kGap = 0.22;

}  // namespace

const std::vector<ScheduleMark>& ScheduleMarks()
{
    static const std::vector<ScheduleMark> marks = {
        {0.0, "logo"},        {13.7, "title"},     {20.0, "build-up"},    {30.0, "keyframes"},
        {104.1, "camera break"}, {116.0, "rebuild"}, {133.0, "mid title"}, {148.0, "camera fixed"},
        {170.0, "swell"},     {179.8, "countdown"}, {190.5, "blinking end"}, {198.7, "steady end"},
        {201.5, "silence"},
    };
    return marks;
}

namespace {

// The times in (from, to) at which the scene's closing row changes the object it shows in a
// way `wanted` picks, after `from` itself. They are found on the scene's own function, to the
// resolution of its float clock, so the music cannot drift from the picture.
std::vector<double> CountingChanges(double from, double to, bool (*wanted)(int32_t before, int32_t after))
{
    std::vector<double> times = {from};
    constexpr double step = 0.01;  // far below the 1.2 s between two changes
    for (double a = from; a < to; a += step) {
        double lo = a, hi = std::min(a + step, to);
        const int32_t before = CountingObject(float(lo)), after = CountingObject(float(hi));
        if (before == after || !wanted(before, after)) continue;
        for (int halving = 0; halving < 40; ++halving) {
            const double mid = 0.5 * (lo + hi);
            (CountingObject(float(mid)) == before ? lo : hi) = mid;
        }
        times.push_back(hi);
    }
    return times;
}

}  // namespace

std::vector<double> CountdownTickTimes()
{
    return CountingChanges(179.8, 190.5, [](int32_t, int32_t) { return true; });
}

std::vector<double> BlinkOnTimes()
{
    return CountingChanges(190.5, 198.7, [](int32_t before, int32_t after) { return before == 0 && after == 20; });
}

std::vector<NoteEvent> ComposeSoundtrack()
{
    Score s;

    // Logo, 0 to 13.7 s: a drone and a slowly opening pad, a pluck figure, a riser to the title.
    {
        Grid g = FitGrid(0.0, 13.7, 105, 4);
        s.Add(0.05, 13.4, I::Drone, 45, 0.3);
        const Chord* chords[3] = {&kAm, &kF, &kG};
        for (int k = 0; k < 3; ++k) s.PadChord(g.T(k * 8.0), 8 * g.beat - (k == 2 ? 0.6 : 0.0), *chords[k], 0.7 + 0.15 * k, 0.15 + 0.2 * k, 0.35 + 0.2 * k);
        for (int bar = 2; bar < 6; ++bar) s.ArpBar(g, bar, *chords[bar / 2], 0.35 + 0.12 * bar, 0.15 + 0.08 * bar, 2);
        s.Riser(9.2, 13.7 - kGap, 1.0);
    }
    // Title, 13.7 to 20 s: the hit, a wide chord and the tune's opening under a slow heartbeat.
    {
        Grid g = FitGrid(13.7, 20.0, 95, 2);
        s.Hit(13.7, 1.0);
        s.PadChord(13.7, 5.2, kAm, 1.2, 0.75, 0.45);
        s.Add(13.7, 4 * g.beat, I::Bass, kAm.bass, 0.55).bright = 0.3;
        s.Add(g.T(4), 2 * g.beat, I::Bass, kF.bass, 0.5).bright = 0.3;
        s.Add(g.T(6), 2 * g.beat, I::Bass, kG.bass, 0.5).bright = 0.3;
        s.Add(g.T(8), 1.6 * g.beat, I::Bass, kAm.bass, 0.45).bright = 0.25;
        for (double b : {4.0, 6.0, 8.0}) s.Add(g.T(b), 0, I::Kick, 0, 0.6);
        const TuneNote motif[] = {{0, 2, 1, 76}, {0, 3, 0.5, 74}, {0, 3.5, 0.5, 72}, {0, 4, 2, 69}, {0, 6, 1, 72}, {0, 7, 1, 71}, {0, 8, 1.6, 69}};
        for (const TuneNote& m : motif) s.Add(g.T(m.beat), m.length * g.beat * 0.92, I::Lead, m.note, 0.3).bright = 0.35;
    }
    // Build-up, 20 to 30 s: the pluck alone, then hats, kick, a riser and a snare roll.
    {
        Grid g = FitGrid(20.0, 30.0, 96, 4);
        for (int bar = 0; bar < 4; ++bar) {
            s.ArpBar(g, bar, *kVerse[bar], 1.2 + 0.1 * bar, 0.35 + 0.15 * bar);
            if (bar >= 1)
                for (int k = 0; k < 8; ++k) s.Add(g.T(bar * 4.0 + k * 0.5 + 0.5), 0, I::HatClosed, 0, 0.05 + 0.05 * bar).pan = 0.25;
            if (bar >= 2)
                for (int k = 0; k < 4; ++k) s.Add(g.T(bar * 4.0 + k), 0, I::Kick, 0, 0.6 + 0.1 * bar);
        }
        s.PadChord(g.T(0), 4 * g.beat, kAm, 0.4, 0.2, 0.25);
        s.PadChord(g.T(4), 4 * g.beat, kF, 0.45, 0.25, 0.3);
        s.PadChord(g.T(8), 8 * g.beat - kGap, kC, 0.5, 0.3, 0.6);
        s.SnareRoll(g, 12, 16 - kGap / g.beat, 0.75);
        s.Riser(g.T(8), 30.0 - kGap, 0.7);
    }
    // Keyframes, 30 to 104.1 s: the full groove; the tune joins at bar 16.
    {
        Grid g = FitGrid(30.0, 104.1, 100, 4);
        int bars = int(std::lround((104.1 - 30.0) / (4 * g.beat)));
        s.Hit(30.0, 1.0);
        for (int bar = 0; bar < bars; ++bar) {
            const Chord& c = *kVerse[(bar < 16 ? bar : bar - 16) % 4];
            s.DrumBar(g, bar, 1.0, bar >= 8, bar % 2 == 1);
            s.BassBar(g, bar, c, 1.0, 0.45 + 0.02 * (bar % 8));
            s.PadChord(g.T(bar * 4.0), 4 * g.beat, c, 0.8, 0.45);
            if (bar >= 4) s.ArpBar(g, bar, c, 0.8, 0.5);
            if (bar >= 16) s.TuneBars(g, bar, 1, (bar - 16) % 8, 0, 1.0, 0.55);
        }
        s.Add(g.T(16 * 4), 0, I::Crash, 0, 0.35);
        s.SnareRoll(g, 15 * 4 + 2, 16 * 4, 0.7);
    }
    // Camera break, 104.1 to 116 s: no drums; the pad, echoing long lead notes and a riser.
    {
        Grid g = FitGrid(104.1, 116.0, 100, 4);
        s.Add(104.1, 11.2, I::Drone, 45, 0.25);
        for (int bar = 0; bar < 5; ++bar) {
            const Chord& c = *kBreak[bar % 4];
            s.PadChord(g.T(bar * 4.0), 4 * g.beat, c, 0.9, 0.3, 0.35);
            s.ArpBar(g, bar, c, 0.45, 0.3, 4);
        }
        const TuneNote echo[] = {{0, 0, 3, 76}, {0, 4, 2, 74}, {0, 6, 2, 72}, {0, 8, 3.5, 71}, {0, 12, 4, 72}, {0, 16, 2.5, 69}};
        for (const TuneNote& m : echo) s.Add(g.T(m.beat), m.length * g.beat, I::Lead, m.note, 0.26).bright = 0.3;
        s.Riser(g.T(16), 116.0 - kGap, 0.7);
    }
    // Rebuild, 116 to 133 s: drums and bass back without the tune; a roll into the mid title.
    {
        Grid g = FitGrid(116.0, 133.0, 100, 4);
        for (int bar = 0; bar < 7; ++bar) {
            const Chord& c = *kVerse[bar % 4];
            s.DrumBar(g, bar, 0.95, bar >= 4, true);
            s.BassBar(g, bar, c, 0.95, 0.4);
            s.PadChord(g.T(bar * 4.0), 4 * g.beat - (bar == 6 ? kGap : 0.0), c, 0.75, 0.4);
            s.ArpBar(g, bar, c, 0.7, 0.35 + 0.05 * bar);
        }
        s.Add(116.0, 0, I::Crash, 0, 0.35);
        s.SnareRoll(g, 6 * 4, 7 * 4 - kGap / g.beat, 0.8);
        s.Riser(g.T(5 * 4), 133.0 - kGap, 0.8);
    }
    // Mid title, 133 to 148 s: the hit and the loudest part, the tune an octave up.
    {
        Grid g = FitGrid(133.0, 148.0, 100, 4);
        s.Hit(133.0, 1.0);
        for (int bar = 0; bar < 6; ++bar) {
            const Chord& c = *kVerse[bar % 4];
            s.DrumBar(g, bar, 1.05, true, true);
            s.BassBar(g, bar, c, 1.05, 0.6);
            s.PadChord(g.T(bar * 4.0), 4 * g.beat, c, 1.0, 0.7);
            s.StabBar(g, bar, c, 1.0);
            s.ArpBar(g, bar, c, 0.8, 0.6);
            s.TuneBars(g, bar, 1, bar % 8, 12, 0.9, 0.6);
        }
    }
    // Camera fixed, 148 to 170 s: half time, darker chords, a quiet counter-line.
    {
        Grid g = FitGrid(148.0, 170.0, 100, 4);
        int bars = int(std::lround(22.0 / (4 * g.beat)));
        for (int bar = 0; bar < bars; ++bar) {
            const Chord& c = *kDark[bar % 4];
            s.HalfTimeBar(g, bar, 0.7);
            s.Add(g.T(bar * 4.0), 3.6 * g.beat, I::Bass, c.bass, 0.42).bright = 0.25;
            s.PadChord(g.T(bar * 4.0), 4 * g.beat - (bar == bars - 1 ? kGap : 0.0), c, 0.5, 0.25);
            s.ArpBar(g, bar, c, 0.55, 0.3, 2);
            if (bar >= 4)
                s.Add(g.T(bar * 4.0 + 1), 2.5 * g.beat, I::Lead, c.notes[2] + 12, 0.17).bright = 0.2;
        }
    }
    // Swell, 170 to 179.8 s: no beat; the pad and a riser grow towards the countdown.
    {
        Grid g = FitGrid(170.0, 179.8, 100, 4);
        const Chord* chords[4] = {&kF, &kG, &kAm, &kE};
        for (int bar = 0; bar < 4; ++bar) {
            double end = bar == 3 ? 179.8 - kGap - ReleaseSeconds(I::Pad) : g.T(bar * 4.0 + 4);
            for (int k = 0; k < 3; ++k) {
                NoteEvent& n = s.Add(g.T(bar * 4.0), end - g.T(bar * 4.0), I::Pad, chords[bar]->notes[k], 0.16 + 0.05 * bar);
                n.pan = (k - 1) * 0.45;
                n.bright = 0.15 + 0.2 * bar;
                n.brightEnd = 0.35 + 0.2 * bar;
                n.swell = 0.6;
            }
        }
        s.Add(170.0, 8.0, I::Drone, 45, 0.22);
        s.Riser(172.0, 179.8 - kGap, 0.9);
    }
    // Countdown, 179.8 to 190.5 s: a tick and a soft low thump on every count, a quiet drone.
    {
        for (double t : CountdownTickTimes()) {
            s.Add(t, 0, I::Tick, 0, 0.85);
            s.Add(t, 0, I::Kick, 0, 0.35);
        }
        s.Add(179.8, 10.3, I::Drone, 45, 0.12);
        s.PadChord(179.8, 10.2, kAm, 0.35, 0.1, 0.2);
    }
    // Blinking end, 190.5 to 198.7 s: a chord stab and a kick each time the end text comes on.
    {
        for (double t : BlinkOnTimes()) {
            s.Add(t, 0, I::Kick, 0, 0.8);
            for (int k = 0; k < 3; ++k) s.Add(t, 0.35, I::Stab, kAm.notes[k] + 12, 0.3).pan = (k - 1) * 0.5;
            s.Add(t, 0, I::HatOpen, 0, 0.15).pan = 0.3;
        }
        s.Add(190.5, 7.8, I::Bass, kAm.bass, 0.3).bright = 0.15;
        s.PadChord(190.5, 8.0, kAm, 0.5, 0.3, 0.5);
    }
    // Steady end, 198.7 s: the last hit and chord, ringing out before 201.5 s.
    {
        s.Hit(198.7, 1.1);
        s.PadChord(198.7, 1.0, kAm, 1.3, 0.8, 0.3);
        s.Add(198.7, 1.2, I::Bass, kAm.bass, 0.5).bright = 0.3;
        s.Add(198.7, 1.2, I::Lead, 69, 0.25).bright = 0.3;
    }

    std::stable_sort(s.notes.begin(), s.notes.end(), [](const NoteEvent& a, const NoteEvent& b) { return a.time < b.time; });
    return s.notes;
}
