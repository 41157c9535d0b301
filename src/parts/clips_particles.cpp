// The particle cloud: a compute step through the curl volume, then one point per particle
// drawn from the first storage buffer.
#include "parts/clips.h"

#include "app/demo.h"
#include "parts/schedule.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kVolumePath = "other//velocity.dat";
constexpr GLbitfield kAfterStepBarriers = GL_SHADER_STORAGE_BARRIER_BIT | GL_VERTEX_ATTRIB_ARRAY_BARRIER_BIT |
                                          GL_TEXTURE_FETCH_BARRIER_BIT | GL_SHADER_IMAGE_ACCESS_BARRIER_BIT;

void SetNearest()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

void BindImage(GLuint unit, GLuint texture)
{
    glBindImageTexture(unit, texture, 0, GL_FALSE, 0, GL_WRITE_ONLY, GL_RGBA32F);
}

}  // namespace

void Part_Clips::SetUpParticles()
{
    // Chosen here, where the context exists: a software renderer gets a smaller grid.
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    particleGrid = ParticleGridSetting(renderer ? renderer : "");
    particles.width = particles.height = particleGrid;
    particles.Load("shaders2//ComputeShader1.cpp");

    std::vector<float> volume;
    const int64_t read = LoadVelocityVolume(kVolumePath, volume);
    if (read < 0) {
        // The cloud has nothing to follow without it; better to stop than to play a broken demo.
        std::printf("Part_Clips::SetUpParticles - %s is missing: rebuild the data files (scripts/play, or "
                    "tools/assetgen other)\n", kVolumePath);
        std::fflush(stdout);
        std::exit(1);
    }
    if (size_t(read) < kVolumeBytes)
        std::printf("Part_Clips::SetUpParticles - %s holds %lld of %zu bytes; the rest of the volume is still\n",
                    kVolumePath, static_cast<long long>(read), kVolumeBytes);

    glGenTextures(1, &particles.curlTexture);
    glBindTexture(GL_TEXTURE_3D, particles.curlTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage3D(GL_TEXTURE_3D, 0, GL_RGB32F, kVolumeWidth, kVolumeHeight, kVolumeDepth, 0, GL_RGB, GL_FLOAT,
                 volume.data());
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_MIRRORED_REPEAT);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_MIRRORED_REPEAT);
}

void Part_Clips::StepParticles()
{
    const GLuint program = particles.program;
    glUseProgram(program);
    const auto set = [program](const char* name, float v) { glUniform1f(glGetUniformLocation(program, name), v); };
    set("ttime", time);
    set("DeltaT", deltaT);

    for (GLuint i = 0; i < 3; ++i)
        glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 4 + i, particles.buffers[i]);

    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_3D, particles.curlTexture);
    glUniform1i(glGetUniformLocation(program, "CurlTexture"), 3);

    glActiveTexture(GL_TEXTURE8);
    glBindTexture(GL_TEXTURE_2D, particles.positionImage);
    BindImage(0, particles.positionImage);
    glActiveTexture(GL_TEXTURE9);
    glBindTexture(GL_TEXTURE_2D, particles.auxImage);
    BindImage(1, particles.auxImage);
    glBindTexture(GL_TEXTURE_2D, particles.colorImage);
    BindImage(2, particles.colorImage);
    glActiveTexture(GL_TEXTURE0);

    set("PosY", state->mouseX);
    const float k[6] = {state->_k0, state->_k1, state->_k2, state->_k3, state->_k4, state->_k5};
    const float e[6] = {effect1, effect2, effect3, effect4, effect5, effect6};
    const char* kNames[6] = {"k0", "k1", "k2", "k3", "k4", "k5"};
    const char* eNames[6] = {"effect1", "effect2", "effect3", "effect4", "effect5", "effect6"};
    for (int i = 0; i < 6; ++i) set(kNames[i], k[i]);
    for (int i = 0; i < 6; ++i) set(eNames[i], e[i]);
    set("type", 0.0f);

    glMemoryBarrier(GL_SHADER_STORAGE_BARRIER_BIT);
    const GLuint groups = GLuint(DispatchGroups(particles.width));
    glDispatchCompute(groups, groups, 1);
    // The step's writes become visible to what reads them next: the next step (storage),
    // the draw's vertices (buffer 0 as the vertex array), its fetches from the colour image,
    // and the images themselves. Without the vertex and fetch bits a driver may draw the
    // previous step's positions or colours.
    glMemoryBarrier(kAfterStepBarriers);
}

void Part_Clips::DrawParticles()
{
    glUseProgram(progPoints.program);
    glBindBuffer(GL_ARRAY_BUFFER, particles.buffers[0]);

    progPoints.SetTexture(0, "PositionTexture", particles.positionImage);
    glActiveTexture(GL_TEXTURE0);
    SetNearest();
    progPoints.SetTexture(1, "ColorTexture", particles.colorImage);
    glActiveTexture(GL_TEXTURE1);
    SetNearest();
    glActiveTexture(GL_TEXTURE0);

    progPoints.SetMatrix("MV", viewMatrix);
    progPoints.SetMatrix("MP", projMatrix);
    progPoints.SetFloat("ttime", time);
    progPoints.SetFloat("ResolutionMultiplier", 1.0f);
    // Point sizes are in pixels: the program needs the height of the picture it draws into.
    progPoints.SetFloat("PictureHeight", float(demo->rtScene().height));
    SetTweaks(progPoints);
    progPoints.SetTexture(12, "FaceTexture", faceTexture);
    glActiveTexture(GL_TEXTURE12);
    SetNearest();
    glActiveTexture(GL_TEXTURE0);
    SetEffects(progPoints);

    glEnable(GL_POINT_SMOOTH);
    glEnable(GL_PROGRAM_POINT_SIZE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);

    glVertexPointer(4, GL_FLOAT, 0, nullptr);
    glEnableClientState(GL_VERTEX_ARRAY);
    glDrawArrays(GL_POINTS, 0, GLsizei(particleGrid) * GLsizei(particleGrid));
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    glDisable(GL_DEPTH_TEST);
    glUseProgram(0);
}
