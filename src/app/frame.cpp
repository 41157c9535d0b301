// The frame driver: the demo clock, update and render of the current part, the music
// kept in step with the part's time, and the GL state reset after every part.
#include "app/demo.h"
#include "app/frame.h"
#include "shaders/gl_state.h"
#include "platform/audio.h"

#include <GL/glew.h>

#include <cmath>

void SyncMusic(uint32_t channel, float partTime)
{
    const float musicTime = float(ChannelGetPosition(channel)) / float(kMusicBytesPerSecond);
    if (!(std::fabs(partTime - musicTime) > kMusicDriftTolerance))
        return;
    // Computed in single precision, as the part's clock is: 10.00 s gives 1925760 bytes.
    const float bytes = (partTime + kMusicSeekLead) * float(kMusicBytesPerSecond);
    if (bytes <= 0.0f)
        ChannelSetPosition(channel, 0);  // the music waits at its start for the part
    else
        ChannelSetPosition(channel, bytes < 1.8e19f ? uint64_t(bytes) : UINT64_MAX);
}

void FrameDriver(TDemo& demo)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    demo.clock += demo.state.deltaTime;
    for (size_t i = 0; i < demo.parts.size(); ++i) {
        Part* part = demo.parts[i];
        part->demo = &demo;
        part->state = &demo.state;
        if (int32_t(i) == demo.currentPart) {
            part->Update();
            part->Render();
        }
        // Every part takes part in the sync, current or not.
        SyncMusic(demo.musicChannel, part->time);
        ResetGLState();
    }
    SelectCurrentPart(demo);
}

void DemoFrame(TDemo& demo)
{
    ReloadSavedFiles(demo);
    FrameDriver(demo);
    DebugOverlay(demo);
}
