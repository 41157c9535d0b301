// The frame: the end check, the scene pass into rtScene, then three full-screen passes.
// Passes 2 and 3 each read their own output of the previous frame ("textureFeedback").
#include "parts/clips.h"

#include "app/demo.h"
#include "shaders/gl_state.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

namespace {

void FullScreenQuad()
{
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 0), glVertex3f(1, -1, 0);
    glTexCoord2f(1, 1), glVertex3f(1, 1, 0);
    glTexCoord2f(0, 1), glVertex3f(-1, 1, 0);
    glEnd();
}

void ClearBlack()
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// A post pass draws into the target's first buffer; its resolve framebuffer gets colour
// texture 0 and the depth texture back.
void BeginPostTarget(RenderTarget& target)
{
    glBindFramebuffer(GL_FRAMEBUFFER, target.resolveFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.colorTextures[0], 0);
    glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, target.depthTexture, 0);
    glCheckFramebufferStatus(GL_FRAMEBUFFER);
    SelectDrawBuffers(target, 1);
    glViewport(0, 0, target.width, target.height);
    ClearBlack();
}

}  // namespace

const char* SceneStageName(SceneStage stage)
{
    static const char* const names[kSceneStages] = {"particle step", "particle draw", "titles",
                                                    "pass 2",        "pass 3",        "pass 4"};
    return names[int(stage)];
}

void Part_Clips::Stage(SceneStage stage, bool begin)
{
    if (stageObserver)
        begin ? stageObserver->Begin(stage) : stageObserver->End(stage);
}

void Part_Clips::SetTweaks(TShader& p)
{
    p.SetFloat("k0", state->_k0);
    p.SetFloat("k1", state->_k1);
    p.SetFloat("k2", state->_k2);
    p.SetFloat("k3", state->_k3);
    p.SetFloat("k4", state->_k4);
    p.SetFloat("k5", state->_k5);
}

void Part_Clips::SetPostTimes(TShader& p)
{
    p.SetFloat("ttime", ttime);
    p.SetFloat("fttime", cttime);
    p.SetFloat("cttime", cttime);
    p.SetFloat("fullttime", time);
    p.SetFloat("TheType", float(theType));
}

void Part_Clips::SetEffects(TShader& p)
{
    p.SetFloat("effect1", effect1);
    p.SetFloat("effect2", effect2);
    p.SetFloat("effect3", effect3);
    p.SetFloat("effect4", effect4);
    p.SetFloat("effect5", effect5);
    p.SetFloat("effect6", effect6);
}

void Part_Clips::Render()
{
    if (state->keys[SDL_SCANCODE_SPACE])
        BuildPrograms();
    if (time >= kSceneEndTime) {
        std::exit(0);
    }

    RenderTarget& scene = demo->rtScene();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    AttachTextures(scene, 3);
    SelectDrawBuffers(scene, 3);
    glViewport(0, 0, scene.width, scene.height);
    ScenePass();
    if (stepOnly)
        return;
    Resolve(scene, 3);

    Stage(SceneStage::Composite, true);
    CompositePass();
    Stage(SceneStage::Composite, false);
    Stage(SceneStage::Post, true);
    PostPass();
    Stage(SceneStage::Post, false);
    Stage(SceneStage::Output, true);
    OutputPass();
    Stage(SceneStage::Output, false);
}

void Part_Clips::CompositePass()
{
    RenderTarget& scene = demo->rtScene();
    RenderTarget& final = demo->rtFinal();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, demo->glWindow.width, demo->glWindow.height);
    ClearBlack();
    glUseProgram(0);
    glColor4f(1, 1, 1, 1);
    LoadIdentityMatrices();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, final.colorTextures[0]);

    BeginPostTarget(final);
    glUseProgram(progFinal.program);
    TShader& p = progFinal;
    p.SetTexture(0, "texture2d", scene.colorTextures[0]);
    p.SetTexture(1, "texture2ddepth", scene.depthTexture);
    p.SetTexture(2, "texture2d2", scene.colorTextures[1]);
    p.SetTexture(3, "textureVideo", videoTexture);
    p.SetTexture(4, "textureVideo2", videoTexture2);
    p.SetTexture(5, "textureFeedback", final.colorTextures[0]);
    p.SetTexture(13, "texture2d3", scene.colorTextures[2]);
    SetEffects(p);
    SetTweaks(p);
    p.SetFloat("TheType", float(theType));
    p.SetFloat("ttime", ttime);
    p.SetFloat("cttime", cttime);
    p.SetFloat("fttime", fttime);
    p.SetFloat("fullttime", time);
    FullScreenQuad();
    Resolve(final, 1);
}

void Part_Clips::PostPass()
{
    RenderTarget& post = demo->rtPost();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    BeginPostTarget(post);
    glUseProgram(progPost.program);
    TShader& p = progPost;
    SetPostTimes(p);
    p.SetMatrix("MV", viewMatrix);
    p.SetMatrix("MP", projMatrix);
    SetTweaks(p);
    SetEffects(p);
    p.SetTexture(0, "texture2d", demo->rtFinal().colorTextures[0]);
    p.SetTexture(6, "texture2dOther", demo->rtOther().colorTextures[0]);
    p.SetTexture(7, "texture2dOtherdepth", demo->rtOther().depthTexture);
    p.SetTexture(1, "texture2d2", demo->rtScene().colorTextures[1]);
    p.SetTexture(3, "texture2d3", demo->rtScene().colorTextures[2]);
    p.SetTexture(2, "textureVideo", videoTexture);
    p.SetTexture(13, "textureFeedback", post.colorTextures[0]);
    p.SetTexture(12, "textureVideo2", videoTexture2);
    p.SetTexture(5, "moon", moonTexture);
    LoadIdentityMatrices();
    glEnable(GL_TEXTURE_2D);
    FullScreenQuad();
    Resolve(post, 1);
}

void Part_Clips::OutputPass()
{
    RenderTarget& post = demo->rtPost();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    ClearBlack();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, post.colorTextures[0]);
    glUseProgram(progPostFinal.program);
    TShader& p = progPostFinal;
    SetPostTimes(p);
    SetTweaks(p);
    SetEffects(p);
    p.SetTexture(0, "texture2d", post.colorTextures[0]);
    p.SetTexture(1, "textureprev", post.colorTextures[0]);
    FullScreenQuad();
    glUseProgram(0);
}
