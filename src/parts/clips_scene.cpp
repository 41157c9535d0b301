// The scene pass: keyframes, the particle step, the frame pacing, the camera, the
// particles and the title meshes, drawn into the bound rtScene.
#include "parts/clips.h"

#include "app/demo.h"
#include "parts/schedule.h"
#include "platform/platform.h"
#include "shaders/gl_state.h"

#include <GL/glew.h>
#include <GL/glu.h>

namespace {

void Perspective(double fov, double aspect, double nearZ, double farZ)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fov, aspect, nearZ, farZ);
}

void LookAt(const float eye[3], const float target[3], const float up[3])
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], target[0], target[1], target[2], up[0], up[1], up[2]);
}

}  // namespace

void Part_Clips::ScenePass()
{
    effect1 = state->_k0;  // the value of the previous frame
    ApplyKeyframes(*state, track0, track1, time);
    Stage(SceneStage::ParticleStep, true);
    StepParticles();
    Stage(SceneStage::ParticleStep, false);
    if (stepOnly)
        return;

    glUseProgram(progObject.program);
    progObject.SetFloat("ttime", ttime);
    progObject.SetFloat("cttime", cttime);
    progObject.SetFloat("fttime", time);
    SetTweaks(progObject);
    SetEffects(progObject);
    progObject.SetFloat("pass", 0.0f);
    progObject.SetTexture(13, "textureFeedback", demo->rtPost().colorTextures[0]);

    // Pacing toward 30 frames a second. A capture runs on its fixed step and never sleeps.
    double frameSeconds = state->deltaTime;
    if (!fixedStep) {
        const int64_t now = SteadyTicks100ns();
        frameSeconds = TicksToSeconds(now - previousTicks);
        previousTicks = now;
    }
    frameSleepMs = NextFrameSleep(frameSleepMs, frameSeconds);
    if (!fixedStep)
        SleepMs(uint32_t(frameSleepMs));

    float clear[4];
    ClearColour(time, clear);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    LoadIdentityMatrices();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    SceneEye(time, eye);
    centre[0] = centre[1] = centre[2] = 0.0f;
    up[0] = 0.0f, up[1] = 1.0f, up[2] = 0.0f;
    const double aspect = demo->glWindow.aspect;
    Perspective(45.0, aspect, 0.01, 64.0);
    glGetFloatv(GL_PROJECTION_MATRIX, projMatrix);
    LookAt(eye, centre, up);
    glGetFloatv(GL_MODELVIEW_MATRIX, viewMatrix);
    Perspective(45.0, aspect, 0.001, 4.0);
    LookAt(eye, centre, up);

    Stage(SceneStage::ParticleDraw, true);
    DrawParticles();
    Stage(SceneStage::ParticleDraw, false);

    Stage(SceneStage::Titles, true);
    TitleRow rows[4];
    const int n = ScheduledTitles(time, rows);
    static const float titleUp[3] = {0.0f, 1.0f, 0.0f};
    for (int i = 0; i < n; ++i) {
        const TitleRow& r = rows[i];
        Perspective(r.fov, aspect, 0.001, 140.0);
        LookAt(r.eye, r.target, titleUp);
        if (r.blended) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        glColor4f(0.0f, 0.0f, 0.0f, r.alpha);
        (r.mesh == TitleMesh::Logo ? logoMesh : textMesh).Draw(r.object);
        if (r.blended)
            glDisable(GL_BLEND);
    }
    Stage(SceneStage::Titles, false);
    glDisable(GL_TEXTURE_2D);
}
