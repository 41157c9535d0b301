// The scene: the one timeline part of the demo. A cloud of particles stepped by a compute
// program through a curl-noise volume and drawn as points that can gather into a scanned
// face, black title meshes on a fixed schedule, and three full-screen passes with
// frame-to-frame feedback. Everything follows the part's own clock `time`.
#pragma once
#include "mesh/mesh.h"
#include "parts/part.h"
#include "parts/scene_data.h"
#include "parts/time_table.h"
#include "shaders/shader.h"

#include <cstdint>
#include <string_view>
#include <vector>

constexpr int32_t kParticleGrid = 3184;  // side of the particle grid: 10,137,856 particles
constexpr float kSceneEndTime = 201.5f;   // the process ends at the first frame from here on
// The grid side on a software renderer, where the full grid takes seconds a frame. Below
// it the particles cost hardly less (points grow as the grid shrinks, so the fill stays),
// and at 1280 x 720 they then take less time than the three post passes.
constexpr int32_t kSoftwareParticleGrid = 256;

// Whether the renderer the context reports (GL_RENDERER) draws on the CPU: Mesa's llvmpipe
// and softpipe, Google's SwiftShader.
bool IsSoftwareRenderer(std::string_view renderer);

// The particle grid side: HOLLOWMERE_PARTICLE_GRID when it holds a whole number from 1 to
// kParticleGrid; otherwise kParticleGrid, or kSoftwareParticleGrid on a software renderer,
// which is said in one console line naming the variable.
int32_t ParticleGridSetting(std::string_view renderer);

class NanoKONTROL2;

// The scene clock's pause: the controller's toggle on its forward button, where 0 runs the
// clock. Set from elsewhere (the keyboard transport) as the button leaves it: "on and released".
bool ScenePaused(const NanoKONTROL2& nano);
void SetScenePaused(NanoKONTROL2& nano, bool paused);

// The stages of a frame, in frame order, as a timing run reports them.
enum class SceneStage { ParticleStep, ParticleDraw, Titles, Composite, Post, Output };
constexpr int kSceneStages = 6;
const char* SceneStageName(SceneStage stage);  // "particle step", ..., "pass 4"

// Told where each stage of a frame begins and ends (the capture tool's timing run, tests
// that look at what a pass left bound). The scene draws the same with or without one.
struct SceneStageObserver {
    virtual void Begin(SceneStage stage) = 0;
    virtual void End(SceneStage stage) = 0;
    virtual ~SceneStageObserver() = default;
};

class Part_Clips : public Part {
public:
    Part_Clips();
    void Render() override;  // the end check, the scene pass and the three post passes
    void Update() override;  // the clock, the controller's transport, the shader times
    ~Part_Clips() override = default;
    void Init() override;    // every asset and GPU object, once
    void FileSaved(const std::string& path) override;  // programs and keyframe tracks that read it

    void BuildPrograms();    // again while the space bar is held
    void LoadTracks(const std::string* saved = nullptr);  // both, or the one `saved` names
    void SetUpParticles();
    void StepParticles();
    void DrawParticles();
    void ScenePass();        // into rtScene: keyframes, particles, camera, titles

    int32_t particleGrid = kParticleGrid;
    TComputeShader particles;
    TShader progPoints;
    KeyframeTrack track0, track1;
    TShader progBlur, progPost, progFinal, progPostFinal, progObject;
    float ttime = 0, cttime = 0, fttime = 0;
    int32_t theType = 0;
    TimeTable timeTypeTable{1000}, timeWarpTable{1000};
    float eye[3] = {}, centre[3] = {}, up[3] = {};
    float viewMatrix[16] = {}, projMatrix[16] = {};
    float effect1 = 0, effect2 = 0, effect3 = 0, effect4 = 0, effect5 = 0, effect6 = 0;
    TMesh textMesh, logoMesh;
    uint32_t faceTexture = 0;
    std::vector<FacePoint> facePoints;
    int32_t frameSleepMs = 30;
    uint32_t moonTexture = 0, videoTexture = 0, videoTexture2 = 0;  // stay 0, still bound
    int64_t previousTicks = 0;  // the frame pacing's clock reading of the previous frame
    SceneStageObserver* stageObserver = nullptr;

private:
    void CompositePass();   // pass 2: the scene with its own trails, into rtFinal
    void PostPass();        // pass 3: glow and grade with its own feedback, into rtPost
    void OutputPass();      // pass 4: rtPost to the window
    void SetTweaks(TShader& program);   // "k0".."k5"
    void SetEffects(TShader& program);  // "effect1".."effect6"
    void SetPostTimes(TShader& program);  // passes 3 and 4: the times and "TheType"
    void Stage(SceneStage stage, bool begin);
};
