// The timeline's cues: where the sections of the scene begin, on the music's changes of
// passage (the title hit, the groove and its phrases, the camera break, the rebuild, the
// second title, the face, its dissolve, the countdown).
#include "parts/schedule.h"

const std::vector<float>& SceneCues()
{
    static const std::vector<float> cues = {0.0f,   13.7f,  20.0f,  25.0f,  30.0f,  49.2f,  68.0f,  87.2f,
                                            104.1f, 116.0f, 133.0f, 148.0f, 170.0f, 179.0f, 179.8f};
    return cues;
}
