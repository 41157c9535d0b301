// Checks on what the generator makes: closed solids and where they lie, clicks in audio.
#pragma once
#include "music_dsp.h"
#include "solid_mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

// "" when every directed edge appears once and its reverse once (each edge shared by exactly
// two faces that agree on their orientation), else the first problem.
inline std::string ClosedSolidProblem(const SolidMesh& mesh)
{
    if (mesh.triangles.empty()) return "no faces";
    std::map<std::pair<int, int>, int> directed;
    for (const auto& t : mesh.triangles)
        for (size_t k = 0; k < 3; ++k) ++directed[{t[k], t[(k + 1) % 3]}];
    for (const auto& [e, count] : directed) {
        std::string name = "edge " + std::to_string(e.first) + "-" + std::to_string(e.second);
        if (count != 1) return name + " used " + std::to_string(count) + " times in one direction";
        if (!directed.count({e.second, e.first})) return name + " has one face";
    }
    return "";
}

// Enclosed volume, positive when the faces point outwards.
inline double SignedVolume(const SolidMesh& mesh)
{
    double v = 0;
    for (const auto& t : mesh.triangles)
        v += Dot(mesh.positions[size_t(t[0])], Cross(mesh.positions[size_t(t[1])], mesh.positions[size_t(t[2])]));
    return v / 6.0;
}

// Min x, y, z then max x, y, z of the points the faces use.
inline std::array<double, 6> Bounds(const SolidMesh& mesh)
{
    std::array<double, 6> b = {1e30, 1e30, 1e30, -1e30, -1e30, -1e30};
    for (const auto& t : mesh.triangles)
        for (int i : t) {
            const Vec3& p = mesh.positions[size_t(i)];
            const double c[3] = {p.x, p.y, p.z};
            for (size_t k = 0; k < 3; ++k) b[k] = std::min(b[k], c[k]), b[k + 3] = std::max(b[k + 3], c[k]);
        }
    return b;
}

// How often the closed mesh winds around p (the faces' solid angles seen from p, summed):
// about 1 inside, 0 outside.
inline double Winding(const SolidMesh& mesh, Vec3 p)
{
    double sum = 0;
    for (const auto& t : mesh.triangles) {
        Vec3 a = mesh.positions[size_t(t[0])] - p, b = mesh.positions[size_t(t[1])] - p, c = mesh.positions[size_t(t[2])] - p;
        double la = Length(a), lb = Length(b), lc = Length(c);
        sum += 2 * std::atan2(Dot(a, Cross(b, c)), la * lb * lc + Dot(a, b) * lc + Dot(a, c) * lb + Dot(b, c) * la);
    }
    return sum / (4 * M_PI);
}

// How much the treble (above 10 kHz) within 15 ms of `t` exceeds the loudest treble of the
// music in the second before and after, as a ratio of 2 ms frame energies, at the synthesiser's
// rate. A click is a broadband step that stands out; drum hits and noise like the ones around
// the join do not.
inline double ClickRatio(const std::vector<float>& l, const std::vector<float>& r, double t)
{
    const long rate = kSampleRate, frame = rate / 500, guard = rate * 15 / 1000, span = rate, centre = long(t * double(rate));
    const size_t from = size_t(std::max(0L, centre - span - frame)), to = std::min(l.size(), size_t(centre + span + frame));
    if (to <= from) return 0.0;
    // Treble energy of both channels: a fourth-order Butterworth high-pass (two second-order
    // sections), started a little early so the filters settle first.
    std::vector<float> e(to - from, 0.0f);
    for (const std::vector<float>* ch : {&l, &r}) {
        Svf s1, s2;
        s1.Set(10000.0, 0.5411961), s2.Set(10000.0, 1.3065630);
        for (size_t i = from - std::min(from, size_t(rate / 20)); i < to; ++i) {
            s1.Process((*ch)[i]);
            s2.Process(s1.high);
            if (i >= from) e[i - from] += float(s2.high * s2.high);
        }
    }
    double join = 0, around = 0;
    for (long s = centre - span; s < centre + span; s += frame / 2) {
        double sum = 0;
        for (long i = std::max(s, long(from)); i < std::min(s + frame, long(to)); ++i) sum += e[size_t(i) - from];
        double& into = s + frame > centre - guard && s < centre + guard ? join : around;
        into = std::max(into, sum);
    }
    const double floor = 1e-8 * double(frame);  // -80 dBFS above 10 kHz: inaudible under any music
    return join / std::max(around, floor);
}
