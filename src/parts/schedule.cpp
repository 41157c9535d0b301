// The scene's timeline rules.
#include "parts/schedule.h"

#include "app/demo.h"

#include <algorithm>
#include <cmath>

double Ease(double x)
{
    const double c = std::clamp(x, 0.0, 1.0);
    return 1.0 - (std::cos(3.1415926535 * c) + 1.0) / 2.0;
}

const Keyframe* NearestKey(const KeyframeTrack& track, float time)
{
    const Keyframe* best = nullptr;
    float bestDistance = 1000000.0f;
    for (const Keyframe& k : track) {
        const float d = std::fabs(time - k.key);
        if (d < bestDistance) {
            bestDistance = d;
            best = &k;
        }
    }
    return best;
}

void ApplyKeyframes(TDemoState& s, const KeyframeTrack& track0, const KeyframeTrack& track1, float time)
{
    static const Keyframe zero = {};
    if (time < 30.0f) {
        const Keyframe* k = NearestKey(track0, time);
        if (!k) k = &zero;
        s._k0 = k->k0, s._k1 = k->k1, s._k2 = k->k2, s._k3 = k->k3, s._k4 = k->k4, s._k5 = k->k5;
    } else if (time < 179.0f) {
        const Keyframe* k = NearestKey(track1, time);
        if (!k) k = &zero;
        s._k0 = k->k0, s._k1 = k->k1, s._k2 = k->k2, s._k3 = k->k3;
    }
}

void ClearColour(float time, float rgba[4])
{
    const float p = float(0.02 * Ease((time - 170.0f) * 0.1));
    rgba[0] = p, rgba[1] = p, rgba[2] = p + 0.01f, rgba[3] = 0.0f;
}

void SceneEye(float time, float eye[3])
{
    eye[0] = float(std::sin(0.05 * time));
    eye[1] = 0.0f;
    eye[2] = float(std::cos(0.051 * time));
    if (time > 104.1f && time < 116.0f)
        eye[0] = 0.0f, eye[1] = 0.0f, eye[2] = 3.0f + 0.2f * (time - 104.0f);
    if (time > 148.0f)
        eye[0] = 0.0f, eye[1] = 0.0f, eye[2] = 2.0f;
}

int32_t CountingObject(float time)
{
    const double u = double(time) * 0.835 + 0.89;
    const int64_t k = int64_t(u);
    int32_t n = int32_t(10 - k % 10);
    if (time > 190.5f)
        n = std::sin(u * 6.283185307 + 0.48) < 0.4 ? 20 : 0;
    if (time > 198.7f)
        n = 20;
    return n;
}

int ScheduledTitles(float time, TitleRow rows[4])
{
    int n = 0;
    if (time > 179.8f)
        rows[n++] = {.fov = 9.0f, .eye = {0.0f, 0.0f, 75.0f}, .target = {0.0f, 0.0f, 0.0f}, .alpha = 1.0f,
                     .blended = false, .mesh = TitleMesh::Text, .object = CountingObject(time)};
    if (time < 13.7f)
        rows[n++] = {.fov = 10.0f, .eye = {0.0f, 0.0f, 1.35f * time}, .target = {0.0f, 0.0f, 0.0f}, .alpha = 1.0f,
                     .blended = false, .mesh = TitleMesh::Logo, .object = 0};
    if (time >= 13.7f && time < 20.0f)
        rows[n++] = {.fov = 10.0f, .eye = {0.0f, 0.0f, 75.0f - 1.35f * (time - 13.8f)}, .target = {0.0f, 0.0f, 0.0f},
                     .alpha = float(1.0 - Ease((time - 16.0f) * 0.2)), .blended = true, .mesh = TitleMesh::Text,
                     .object = 11};
    if (time >= 133.0f && time < 200.0f)
        rows[n++] = {.fov = 10.0f, .eye = {0.0f, 0.5f, 75.0f - 2.0f * (time - 133.0f)}, .target = {0.0f, 0.5f, 0.0f},
                     .alpha = float(Ease((time - 133.0f) * 0.4) * (1.0 - Ease((time - 139.0f) * 0.4))),
                     .blended = true, .mesh = TitleMesh::Text, .object = 10};
    return n;
}

int32_t NextFrameSleep(int32_t sleepMs, double frameSeconds)
{
    const float rate = float((1.0 / frameSeconds) / 30.0);
    sleepMs += rate < 1.0f ? -1 : 1;
    return std::max(sleepMs, 0);
}
