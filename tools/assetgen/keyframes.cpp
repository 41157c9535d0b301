#include "keyframes.h"

#include "file_out.h"
#include "text_format.h"

// The tweak values start as the scene's knobs would sit at rest; keys fall on the music's
// changes of passage so the picture moves with the sound. The scene tunes these numbers.
const std::vector<Keyframe>& KeyframeTrack(int track)
{
    static const std::vector<Keyframe> track0 = {
        {0.0f, {0.00f, 0.10f, 0.00f, 0.20f, 0.50f, 0.00f}},
        {6.0f, {0.05f, 0.20f, 0.00f, 0.25f, 0.50f, 0.00f}},
        {13.7f, {0.30f, 0.35f, 0.10f, 0.30f, 0.50f, 0.10f}},
        {16.0f, {0.25f, 0.40f, 0.15f, 0.35f, 0.50f, 0.10f}},
        {20.0f, {0.10f, 0.45f, 0.20f, 0.40f, 0.55f, 0.20f}},
        {25.0f, {0.20f, 0.55f, 0.30f, 0.45f, 0.60f, 0.30f}},
        {28.5f, {0.40f, 0.65f, 0.40f, 0.50f, 0.65f, 0.40f}},
    };
    static const std::vector<Keyframe> track1 = {
        {30.0f, {0.80f, 0.70f, 0.50f, 0.60f, 0.00f, 0.00f}},
        {40.0f, {0.60f, 0.65f, 0.55f, 0.55f, 0.00f, 0.00f}},
        {50.0f, {0.70f, 0.60f, 0.60f, 0.50f, 0.00f, 0.00f}},
        {60.0f, {0.50f, 0.70f, 0.65f, 0.45f, 0.00f, 0.00f}},
        {67.0f, {0.90f, 0.75f, 0.70f, 0.60f, 0.00f, 0.00f}},
        {80.0f, {0.70f, 0.80f, 0.75f, 0.65f, 0.00f, 0.00f}},
        {92.0f, {0.85f, 0.85f, 0.80f, 0.70f, 0.00f, 0.00f}},
        {104.1f, {0.20f, 0.30f, 0.90f, 0.20f, 0.00f, 0.00f}},
        {110.0f, {0.15f, 0.25f, 0.95f, 0.15f, 0.00f, 0.00f}},
        {116.0f, {0.75f, 0.70f, 0.60f, 0.60f, 0.00f, 0.00f}},
        {125.0f, {0.80f, 0.75f, 0.55f, 0.65f, 0.00f, 0.00f}},
        {133.0f, {1.00f, 0.90f, 0.50f, 0.80f, 0.00f, 0.00f}},
        {141.0f, {0.85f, 0.85f, 0.45f, 0.75f, 0.00f, 0.00f}},
        {148.0f, {0.40f, 0.50f, 0.30f, 0.40f, 0.00f, 0.00f}},
        {160.0f, {0.50f, 0.55f, 0.35f, 0.45f, 0.00f, 0.00f}},
        {170.0f, {0.30f, 0.40f, 0.20f, 0.30f, 0.00f, 0.00f}},
        {176.0f, {0.60f, 0.70f, 0.40f, 0.50f, 0.00f, 0.00f}},
    };
    return track == 0 ? track0 : track1;
}

std::string FormatKeyframes(const std::vector<Keyframe>& track)
{
    std::string text;
    for (const Keyframe& f : track) {
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
    return WriteFileText(dir / "my0.txt", FormatKeyframes(KeyframeTrack(0))) &&
           WriteFileText(dir / "my1.txt", FormatKeyframes(KeyframeTrack(1)));
}
